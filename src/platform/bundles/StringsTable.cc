// The .strings parser.
#include "platform/bundles/StringsTable.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/propertylists/PropertyList.h"

namespace {

bool IsWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'.' || c == u'-';
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads entries from the text one at a time. Every method that fails leaves
// the position somewhere after where it started; the caller resynchronises.
class Parser {
 public:
  explicit Parser(std::u16string_view text) : text_(text) {}

  // Skips blanks and comments. False at the end of the text (an unclosed
  // comment runs to the end).
  bool SkipSpace() {
    while (pos_ < text_.size()) {
      char16_t c = text_[pos_];
      if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0xFEFF) {
        ++pos_;
      } else if (c == u'/' && Peek(1) == u'/') {
        while (pos_ < text_.size() && text_[pos_] != u'\n') ++pos_;
      } else if (c == u'/' && Peek(1) == u'*') {
        auto end = text_.find(u"*/", pos_ + 2);
        pos_ = end == std::u16string_view::npos ? text_.size() : end + 2;
      } else {
        return true;
      }
    }
    return false;
  }

  // One `key = value;` or `key;` entry.
  bool Entry(std::u16string& key, std::u16string& value) {
    if (!Token(key) || !SkipSpace()) return false;
    if (text_[pos_] == u';') {
      ++pos_;
      value = key;
      return true;
    }
    if (text_[pos_] != u'=') return false;
    ++pos_;
    if (!SkipSpace() || !Token(value) || !SkipSpace() || text_[pos_] != u';') return false;
    ++pos_;
    return true;
  }

  // Moves to the start of the line after the one holding "from", so that an
  // entry gone wrong does not take the following lines with it.
  void ResyncAfter(std::size_t from) {
    auto eol = text_.find(u'\n', from);
    pos_ = eol == std::u16string_view::npos ? text_.size() : eol + 1;
  }

  std::size_t Position() const { return pos_; }

 private:
  char16_t Peek(std::size_t ahead) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : 0;
  }

  bool Token(std::u16string& out) {
    out.clear();
    char16_t c = text_[pos_];
    if (c == u'"' || c == u'\'') return Quoted(c, out);
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) out.push_back(text_[pos_++]);
    return !out.empty();
  }

  bool Quoted(char16_t quote, std::u16string& out) {
    ++pos_;
    while (pos_ < text_.size()) {
      char16_t c = text_[pos_++];
      if (c == quote) return true;
      if (c != u'\\') {
        out.push_back(c);
        continue;
      }
      if (pos_ >= text_.size()) return false;
      char16_t e = text_[pos_++];
      switch (e) {
        case u'n': out.push_back(u'\n'); break;
        case u't': out.push_back(u'\t'); break;
        case u'r': out.push_back(u'\r'); break;
        case u'U':
        case u'u': {
          char16_t unit = 0;
          int digits = 0;
          for (; digits < 4 && pos_ < text_.size() && HexValue(text_[pos_]) >= 0; ++digits)
            unit = static_cast<char16_t>(unit * 16 + HexValue(text_[pos_++]));
          if (digits == 0) return false;
          out.push_back(unit);
          break;
        }
        default: out.push_back(e); break;  // \" \' \\ and any other character stand for themselves
      }
    }
    return false;  // unterminated
  }

  std::u16string_view text_;
  std::size_t pos_ = 0;
};

bool LooksLikePropertyList(std::span<const UInt8> bytes, std::u16string_view text) {
  static constexpr char kBinary[] = "bplist00";
  if (bytes.size() >= 8 && std::equal(kBinary, kBinary + 8, bytes.begin())) return true;
  auto start = text.find_first_not_of(u" \t\r\n\xFEFF");
  return start != std::u16string_view::npos && text.substr(start).starts_with(u"<?xml");
}

}  // namespace

std::u16string DecodeStringsFileText(std::span<const UInt8> bytes) {
  auto utf16 = [&](bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      out.push_back(static_cast<char16_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1]
                                                    : (bytes[i + 1] << 8) | bytes[i]));
    return out;
  };
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return utf16(false);
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return utf16(true);
  std::string_view utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  return UTF8ToUTF16(utf8);
}

StringsTable StringsTable::Parse(std::span<const UInt8> bytes) {
  StringsTable table;
  std::u16string text = DecodeStringsFileText(bytes);
  if (LooksLikePropertyList(bytes, text)) {
    auto data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    auto dict = CFRefAs<CFDictionaryRef>(
        CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, nullptr));
    if (dict)
      for (auto& [key, value] : dict.get()->entries)
        if (CFGetTypeID(key) == kCFTypeIDString && CFGetTypeID(value) == kCFTypeIDString)
          table.Add(static_cast<CFStringRef>(key)->text, static_cast<CFStringRef>(value)->text);
    return table;
  }
  Parser parser(text);
  while (parser.SkipSpace()) {
    std::size_t start = parser.Position();
    std::u16string key, value;
    if (parser.Entry(key, value))
      table.Add(std::move(key), std::move(value));
    else
      parser.ResyncAfter(start);
  }
  return table;
}

std::optional<StringsTable> StringsTable::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<UInt8> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return Parse(bytes);
}

CFStringRef StringsTable::Find(std::u16string_view key) const {
  auto it = entries_.find(std::u16string(key));
  return it == entries_.end() ? nullptr : it->second.get();
}

void StringsTable::Add(std::u16string key, std::u16string value) {
  entries_[std::move(key)] = CFRef<CFStringRef>(new __CFString(std::move(value)));
}
