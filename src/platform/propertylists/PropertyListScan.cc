// Checks run over property list bytes before libplist reads them.
//
// libplist 2.2 reads binary property lists recursively (100,000 nested
// arrays overflow the stack after a long stall), aborts on a dictionary key
// that holds a NUL character, and reads XML numbers leniently ("12px" as
// 12, "010" as octal 8). These scans refuse or neutralise such input first,
// quickly and without recursion.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/host/Transcript.h"
#include "platform/propertylists/PropertyListInternal.h"

namespace plist_internal {
namespace {

// More values than this, once shared objects are copied, is not a settings
// file but a memory bomb (a few hundred bytes can describe 2^100 values).
constexpr std::uint32_t kMaxExpandedValues = 1u << 24;

// ------------------------------------------------------------ binary format

constexpr std::size_t kHeaderLength = 8;
constexpr std::size_t kTrailerLength = 32;

enum : unsigned char {
  kMarkerData = 0x4,
  kMarkerASCII = 0x5,
  kMarkerUTF16 = 0x6,
  kMarkerArray = 0xA,
  kMarkerSet = 0xC,
  kMarkerDict = 0xD,
  // A one-byte UID: what a dictionary with a NUL key is turned into, as
  // the reader leaves UIDs out.
  kUIDMarker = 0x80,
};

struct ObjectState {
  std::uint32_t expanded = 0;  // values once shared objects are copied, saturating
  std::uint16_t height = 0;    // containers nested in this object, itself included
  std::uint8_t visit = 0;      // 0 new, 1 open (on the stack), 2 done
  bool nulString = false;      // a string holding U+0000
  bool isString = false;
  bool countedAsText = false;
};

struct Frame {
  std::uint64_t index;
  std::size_t refs;     // offset of the first reference
  std::uint64_t keys;   // number of keys (dictionaries) or 0
  std::uint64_t total;  // number of references
  std::uint64_t next = 0;
  std::uint32_t expanded = 1;
  std::uint16_t height = 0;
  bool nulKey = false;
};

class BinaryScanner {
 public:
  BinaryScanner(const unsigned char* bytes, std::size_t length) : b_(bytes), n_(length) {}

  BinaryScan Run() {
    if (!ReadTrailer()) {
      Fail("its binary trailer is damaged");
      return std::move(result_);
    }
    states_.assign(count_, ObjectState{});
    if (!Open(top_)) return std::move(result_);
    while (!stack_.empty()) {
      Frame& f = stack_.back();
      if (f.next == f.total) {
        if (!Close()) return std::move(result_);
        continue;
      }
      std::uint64_t child = Read(f.refs + f.next * refSize_, refSize_);
      bool isKey = f.next < f.keys;
      ++f.next;
      if (child >= count_) {
        Fail("an object refers to one that does not exist");
        return std::move(result_);
      }
      ObjectState& s = states_[child];
      if (s.visit == 1) {
        Fail("an object contains itself");
        return std::move(result_);
      }
      if (isKey && s.visit == 0 && !IsStringObject(child)) {
        Fail("a dictionary key is not a string");
        return std::move(result_);
      }
      if (s.visit == 0 && !Open(child)) return std::move(result_);
      if (s.visit == 1) continue;     // a container was pushed; it closes later
      Frame& parent = stack_.back();  // nothing was pushed: still f
      if (isKey) {
        if (!s.isString) {
          Fail("a dictionary key is not a string");
          return std::move(result_);
        }
        if (s.nulString) parent.nulKey = true;
      } else if (s.nulString && !s.countedAsText) {
        s.countedAsText = true;
        ++result_.textsWithNUL;
      }
      Add(parent, s);
    }
    return std::move(result_);
  }

 private:
  void Fail(std::string why) {
    if (result_.malformed.empty()) result_.malformed = std::move(why);
  }

  bool IsStringObject(std::uint64_t index) const {
    std::uint64_t offset = Read(table_ + index * offsetSize_, offsetSize_);
    if (offset >= table_) return true;  // Open refuses it with a better reason
    unsigned kind = b_[offset] >> 4;
    return kind == kMarkerASCII || kind == kMarkerUTF16;
  }

  std::uint64_t Read(std::size_t at, unsigned size) const {
    std::uint64_t v = 0;
    for (unsigned i = 0; i < size; ++i) v = v << 8 | b_[at + i];
    return v;
  }

  bool ReadTrailer() {
    if (n_ < kHeaderLength + kTrailerLength) return false;
    std::size_t t = n_ - kTrailerLength;
    offsetSize_ = b_[t + 6];
    refSize_ = b_[t + 7];
    count_ = Read(t + 8, 8);
    top_ = Read(t + 16, 8);
    table_ = Read(t + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
    if (count_ == 0 || top_ >= count_ || table_ < kHeaderLength || table_ > t) return false;
    return count_ <= (t - table_) / offsetSize_;
  }

  // The object's offset and, for the kinds with a length, the length and
  // the offset of what follows the marker; false when they do not fit.
  bool Header(std::uint64_t index, std::size_t* at, std::uint64_t* length, std::size_t* body) {
    std::uint64_t offset = Read(table_ + index * offsetSize_, offsetSize_);
    if (offset < kHeaderLength || offset >= table_) return false;
    *at = offset;
    unsigned low = b_[offset] & 0xF;
    *body = offset + 1;
    *length = low;
    if (low == 0xF) {
      if (offset + 2 > table_ || (b_[offset + 1] & 0xF0) != 0x10) return false;
      unsigned size = 1u << (b_[offset + 1] & 0xF);
      if (size > 8 || offset + 2 + size > table_) return false;
      *length = Read(offset + 2, size);
      *body = offset + 2 + size;
    }
    return true;
  }

  // Visits one object: scalars are done at once, containers are pushed.
  bool Open(std::uint64_t index) {
    ObjectState& s = states_[index];
    std::uint64_t offset = Read(table_ + index * offsetSize_, offsetSize_);
    if (offset < kHeaderLength || offset >= table_) {
      Fail("an object lies outside the object table");
      return false;
    }
    unsigned kind = b_[offset] >> 4;
    if (kind != kMarkerASCII && kind != kMarkerUTF16 && kind != kMarkerArray &&
        kind != kMarkerSet && kind != kMarkerDict) {
      s.visit = 2;
      s.expanded = 1;
      return true;
    }
    std::size_t at, body;
    std::uint64_t length;
    if (!Header(index, &at, &length, &body)) {
      Fail("an object's length is damaged");
      return false;
    }
    std::uint64_t room = table_ - body;
    if (kind == kMarkerASCII || kind == kMarkerUTF16) {
      std::uint64_t unit = kind == kMarkerUTF16 ? 2 : 1;
      if (length > room / unit) {
        Fail("a string runs past the object table");
        return false;
      }
      s.isString = true;
      s.visit = 2;
      s.expanded = 1;
      for (std::uint64_t i = 0; i < length; ++i) {
        if (kind == kMarkerASCII) {
          if (b_[body + i] == 0) s.nulString = true;
          if (b_[body + i] > 0x7F) {
            Fail("an ASCII string holds a byte above 127");
            return false;
          }
        } else if (b_[body + 2 * i] == 0 && b_[body + 2 * i + 1] == 0) {
          s.nulString = true;
        }
      }
      if (s.nulString) {
        result_.holdsNUL = true;
        result_.stringsWithNUL.push_back(at);
      }
      return true;
    }
    std::uint64_t refs = kind == kMarkerDict ? 2 : 1;
    if (length > room / refSize_ / refs) {
      Fail("a container runs past the object table");
      return false;
    }
    if (stack_.size() >= static_cast<std::size_t>(kMaxDepth)) {
      Fail(Fmt("it is nested more than %d levels deep", kMaxDepth));
      return false;
    }
    s.visit = 1;
    stack_.push_back(Frame{index, body, kind == kMarkerDict ? length : 0, length * refs});
    markers_.push_back(at);
    return true;
  }

  static void Add(Frame& parent, const ObjectState& child) {
    std::uint64_t sum = std::uint64_t{parent.expanded} + child.expanded;
    parent.expanded =
        static_cast<std::uint32_t>(sum > kMaxExpandedValues ? kMaxExpandedValues + 1 : sum);
    if (child.height > parent.height) parent.height = child.height;
  }

  bool Close() {
    Frame f = stack_.back();
    std::size_t marker = markers_.back();
    stack_.pop_back();
    markers_.pop_back();
    ObjectState& s = states_[f.index];
    s.visit = 2;
    s.height = static_cast<std::uint16_t>(f.height + 1);
    s.expanded = f.expanded;
    if (s.height > kMaxDepth) {
      Fail(Fmt("it is nested more than %d levels deep", kMaxDepth));
      return false;
    }
    if (s.expanded > kMaxExpandedValues) {
      Fail(Fmt("it expands to more than %u values", kMaxExpandedValues));
      return false;
    }
    if (f.nulKey) {
      result_.dictionariesWithNULKeys.push_back(marker);
      // Left out, it counts as one value with nothing inside.
      s.height = 0;
      s.expanded = 1;
    }
    if (!stack_.empty()) Add(stack_.back(), s);
    return true;
  }

  const unsigned char* b_;
  std::size_t n_;
  unsigned offsetSize_ = 0, refSize_ = 0;
  std::uint64_t count_ = 0, top_ = 0, table_ = 0;
  std::vector<ObjectState> states_;
  std::vector<Frame> stack_;
  std::vector<std::size_t> markers_;
  BinaryScan result_;
};

// --------------------------------------------------------------- XML texts

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (c != b[i]) return false;
  }
  return true;
}

// Decimal with an optional sign (no leading zeros, which libplist would
// read as octal), or 0x hexadecimal; within what 64 bits hold, signed or
// unsigned, as libplist carries integers.
bool IsInteger(std::string_view s) {
  s = Trim(s);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    for (char c : s)
      if (!IsHexDigit(c)) return false;
    while (s.size() > 1 && s.front() == '0') s.remove_prefix(1);
    return s.size() <= 16;
  }
  bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  if (s.empty() || (s.size() > 1 && s.front() == '0')) return false;
  std::uint64_t value = 0;
  for (char c : s) {
    if (!IsDigit(c)) return false;
    unsigned d = static_cast<unsigned>(c - '0');
    if (value > (UINT64_MAX - d) / 10) return false;
    value = value * 10 + d;
  }
  return !negative || value <= std::uint64_t{1} << 63;
}

// A decimal floating-point number, or inf, infinity, nan in any case.
bool IsReal(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  if (EqualsIgnoringCase(s, "inf") || EqualsIgnoringCase(s, "infinity") ||
      EqualsIgnoringCase(s, "nan"))
    return true;
  std::size_t i = 0, digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::size_t exponent = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

// "YYYY-MM-DDTHH:MM:SSZ", a real day of a year from 1 to 9999.
bool IsDate(std::string_view s) {
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  static constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:ddZ";
  if (s.size() != kPattern.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (kPattern[i] == 'd' ? !IsDigit(s[i]) : s[i] != kPattern[i]) return false;
  auto number = [&](std::size_t at, std::size_t digits) {
    int v = 0;
    for (std::size_t i = at; i < at + digits; ++i) v = v * 10 + (s[i] - '0');
    return v;
  };
  int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last && number(11, 2) < 24 && number(14, 2) < 60 && number(17, 2) < 60;
}

// Base64 with whitespace anywhere and the padding the length needs.
bool IsBase64(std::string_view s) {
  std::size_t count = 0, padding = 0;
  for (char c : s) {
    if (IsSpace(c)) continue;
    bool letter =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '+' || c == '/';
    if (c == '=') {
      if (++padding > 2) return false;
    } else if (!letter || padding > 0) {
      return false;
    }
    ++count;
  }
  return count % 4 == 0;
}

// The start of text for a message: at most 40 bytes, control bytes escaped.
std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size() && i < 40; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\')
      out += Fmt("\\x%02X", c);
    else
      out += static_cast<char>(c);
  }
  return out + (s.size() > 40 ? "...\"" : "\"");
}

std::string CheckValueText(std::string_view element, std::string_view text) {
  bool fine = element == "integer" ? IsInteger(text)
              : element == "real"  ? IsReal(text)
              : element == "date"  ? IsDate(text)
                                   : IsBase64(text);
  if (fine) return {};
  const char* kind = element == "integer" ? "an integer"
                     : element == "real"  ? "a real number"
                     : element == "date"  ? "a date (YYYY-MM-DDTHH:MM:SSZ)"
                                          : "base64 data";
  return Fmt("<%.*s> %s is not %s", static_cast<int>(element.size()), element.data(),
             Quote(text).c_str(), kind);
}

}  // namespace

BinaryScan ScanBinaryPropertyList(const unsigned char* bytes, std::size_t length) {
  return BinaryScanner(bytes, length).Run();
}

std::string ScanXMLPropertyList(const char* text, std::size_t length) {
  // XML has no NUL characters, and libplist's keys cannot carry them.
  if (std::memchr(text, 0, length)) return "it holds a NUL byte";
  std::string_view xml(text, length);
  int depth = 0;
  std::size_t pos = 0;
  // Anything this scan cannot follow (an unterminated comment, tag or
  // declaration) is left for libplist to refuse.
  while ((pos = xml.find('<', pos)) != std::string_view::npos) {
    std::string_view rest = xml.substr(pos);
    std::size_t end;
    if (rest.starts_with("<?")) {
      end = xml.find("?>", pos);
      if (end == std::string_view::npos) return {};
      pos = end + 2;
      continue;
    }
    if (rest.starts_with("<!--")) {
      end = xml.find("-->", pos + 4);
      if (end == std::string_view::npos) return {};
      pos = end + 3;
      continue;
    }
    if (rest.starts_with("<![CDATA[")) {
      end = xml.find("]]>", pos);
      if (end == std::string_view::npos) return {};
      pos = end + 3;
      continue;
    }
    if (rest.starts_with("<!")) {  // the document type, maybe with an internal subset
      int brackets = 0;
      for (end = pos + 2; end < xml.size(); ++end) {
        if (xml[end] == '[') ++brackets;
        if (xml[end] == ']') --brackets;
        if (xml[end] == '>' && brackets <= 0) break;
      }
      pos = end + 1;
      continue;
    }
    bool closing = rest.starts_with("</");
    std::size_t nameStart = pos + (closing ? 2 : 1), nameEnd = nameStart;
    while (nameEnd < xml.size() && !IsSpace(xml[nameEnd]) && xml[nameEnd] != '/' &&
           xml[nameEnd] != '>')
      ++nameEnd;
    std::string_view name = xml.substr(nameStart, nameEnd - nameStart);
    // The end of the tag, past quoted attribute values.
    char quote = 0;
    for (end = nameEnd; end < xml.size(); ++end) {
      if (quote) {
        if (xml[end] == quote) quote = 0;
      } else if (xml[end] == '"' || xml[end] == '\'') {
        quote = xml[end];
      } else if (xml[end] == '>') {
        break;
      }
    }
    if (end >= xml.size()) return {};
    bool empty = !closing && xml[end - 1] == '/';
    pos = end + 1;
    bool container = name == "dict" || name == "array";
    if (closing) {
      if (container) --depth;
      continue;
    }
    if (container && !empty && ++depth > kMaxDepth)
      return Fmt("it is nested more than %d levels deep", kMaxDepth);
    if (name != "integer" && name != "real" && name != "date" && name != "data") continue;
    std::string_view value;
    if (!empty) {
      std::size_t close = xml.find('<', pos);
      if (close == std::string_view::npos) return {};
      value = xml.substr(pos, close - pos);
      std::string closeTag = "</" + std::string(name);
      if (xml.compare(close, closeTag.size(), closeTag) != 0)
        return Fmt("<%s> holds markup instead of a value", std::string(name).c_str());
      pos = close;
    }
    // Character references are not decoded here, and libplist reads
    // "&#49;" in a number as 0: refuse them rather than guess.
    if (value.find('&') != std::string_view::npos)
      return Fmt("<%s> %s holds a character reference", std::string(name).c_str(),
                 Quote(value).c_str());
    if (std::string why = CheckValueText(name, value); !why.empty()) return why;
  }
  return {};
}

}  // namespace plist_internal
