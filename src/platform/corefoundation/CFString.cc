// Strings: UTF-16 text, with conversions to UTF-8 and Mac Roman.
#include <iconv.h>

#include <cassert>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "platform/corefoundation/CoreFoundation.h"

std::u16string UTF8ToUTF16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 || (c & 0xF0) == 0xE0 || (c & 0xF8) == 0xF0) {
      len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
      char32_t v = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
      bool ok = i + len <= s.size();
      for (std::size_t k = 1; ok && k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) ok = false;
        v = (v << 6) | (cc & 0x3F);
      }
      static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
      if (ok && v >= kMin[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
      } else {
        len = 1;
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string UTF16ToUTF8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

namespace {

// One conversion through iconv; false when a character has no form in the
// target encoding or the input is malformed.
bool Convert(const char* to, const char* from, const char* in, std::size_t inLen,
             std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(inLen * 4 + 16, '\0');
  char* inp = const_cast<char*>(in);
  char* outp = out.data();
  std::size_t outLeft = out.size();
  std::size_t r = iconv(cd, &inp, &inLen, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return false;
  // iconv may transliterate irreversibly; we asked for no //TRANSLIT, so a
  // non-zero count means characters were converted inexactly.
  if (r != 0) return false;
  out.resize(out.size() - outLeft);
  return true;
}

}  // namespace

bool UTF16ToMacRoman(std::u16string_view text, std::string& out) {
  return Convert("MACINTOSH", "UTF-16LE", reinterpret_cast<const char*>(text.data()),
                 text.size() * 2, out);
}

bool MacRomanToUTF16(std::string_view bytes, std::u16string& out) {
  std::string raw;
  if (!Convert("UTF-16LE", "MACINTOSH", bytes.data(), bytes.size(), raw)) return false;
  out.assign(raw.size() / 2, u'\0');
  std::memcpy(out.data(), raw.data(), out.size() * 2);
  return true;
}

namespace {

bool Decode(const UInt8* bytes, std::size_t len, CFStringEncoding enc, std::u16string& out) {
  std::string_view sv(reinterpret_cast<const char*>(bytes), len);
  switch (enc) {
    case kCFStringEncodingUTF8: out = UTF8ToUTF16(sv); return true;
    case kCFStringEncodingASCII:
      out.clear();
      for (unsigned char c : sv) {
        if (c >= 0x80) return false;
        out.push_back(c);
      }
      return true;
    case kCFStringEncodingISOLatin1:
      out.clear();
      for (unsigned char c : sv) out.push_back(c);
      return true;
    case kCFStringEncodingMacRoman: return MacRomanToUTF16(sv, out);
    case kCFStringEncodingUTF16:
      out.assign(len / 2, u'\0');
      std::memcpy(out.data(), bytes, out.size() * 2);
      return true;
    case kCFStringEncodingUTF16BE:
      out.clear();
      for (std::size_t i = 0; i + 1 < len; i += 2)
        out.push_back(static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]));
      return true;
    default: return false;
  }
}

bool Encode(std::u16string_view text, CFStringEncoding enc, std::string& out) {
  switch (enc) {
    case kCFStringEncodingUTF8: out = UTF16ToUTF8(text); return true;
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1: {
      const char16_t limit = enc == kCFStringEncodingASCII ? 0x80 : 0x100;
      out.clear();
      for (char16_t c : text) {
        if (c >= limit) return false;
        out.push_back(static_cast<char>(c));
      }
      return true;
    }
    case kCFStringEncodingMacRoman: return UTF16ToMacRoman(text, out);
    default: return false;
  }
}

}  // namespace

bool __CFString::Equals(const __CFObject& other) const {
  return text == static_cast<const __CFString&>(other).text;
}

CFHashCode __CFString::Hash() const { return std::hash<std::u16string>()(text); }

std::string __CFString::Describe() const {
  std::string s = "\"";
  for (char c : UTF16ToUTF8(text)) {
    if (c == '"' || c == '\\') s.push_back('\\');
    if (c == '\n') {
      s += "\\n";
      continue;
    }
    s.push_back(c);
  }
  return s + "\"";
}

CFTypeID CFStringGetTypeID() { return kCFTypeIDString; }

CFStringRef CFSTR(const char* utf8) {
  // Constants live until the process ends and are never destroyed: objects
  // torn down at exit (caches holding dictionaries) may still release them.
  static auto* constants = new std::map<std::string, __CFString*, std::less<>>;
  auto it = constants->find(std::string_view(utf8));
  if (it == constants->end()) {
    auto* s = new __CFString(UTF8ToUTF16(utf8));
    s->immortal = true;
    it = constants->emplace(utf8, s).first;
  }
  return it->second;
}

CFRef<CFStringRef> CFStringCreateWithCString(CFAllocatorRef, const char* cStr,
                                             CFStringEncoding encoding) {
  if (!cStr) return nullptr;
  std::u16string text;
  if (!Decode(reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), encoding, text))
    return nullptr;
  return CFRef<CFStringRef>(new __CFString(std::move(text)));
}

CFRef<CFStringRef> CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                           CFStringEncoding encoding, Boolean) {
  if (numBytes < 0 || (!bytes && numBytes)) return nullptr;
  std::u16string text;
  if (!Decode(bytes, static_cast<std::size_t>(numBytes), encoding, text)) return nullptr;
  return CFRef<CFStringRef>(new __CFString(std::move(text)));
}

CFRef<CFStringRef> CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars,
                                                CFIndex numChars) {
  if (numChars < 0 || (!chars && numChars)) return nullptr;
  return CFRef<CFStringRef>(
      new __CFString(std::u16string(chars ? chars : u"", static_cast<std::size_t>(numChars))));
}

CFRef<CFStringRef> CFStringCreateCopy(CFAllocatorRef, CFStringRef s) {
  if (!s) return nullptr;
  return CFRef<CFStringRef>(new __CFString(s->text));
}

CFRef<CFMutableStringRef> CFStringCreateMutable(CFAllocatorRef, CFIndex) {
  return CFRef<CFMutableStringRef>(new __CFString(u"", true));
}

CFRef<CFMutableStringRef> CFStringCreateMutableCopy(CFAllocatorRef, CFIndex, CFStringRef s) {
  if (!s) return nullptr;
  return CFRef<CFMutableStringRef>(new __CFString(s->text, true));
}

CFIndex CFStringGetLength(CFStringRef s) { return s ? static_cast<CFIndex>(s->text.size()) : 0; }

UniChar CFStringGetCharacterAtIndex(CFStringRef s, CFIndex idx) {
  assert(s && idx >= 0 && static_cast<std::size_t>(idx) < s->text.size());
  return s->text[static_cast<std::size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef s, CFRange range, UniChar* buffer) {
  assert(s && range.location >= 0 && range.length >= 0 &&
         static_cast<std::size_t>(range.location + range.length) <= s->text.size());
  std::memcpy(buffer, s->text.data() + range.location,
              static_cast<std::size_t>(range.length) * sizeof(UniChar));
}

Boolean CFStringGetCString(CFStringRef s, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
  if (!s || !buffer || bufferSize <= 0) return false;
  std::string out;
  if (!Encode(s->text, encoding, out)) return false;
  if (static_cast<CFIndex>(out.size()) + 1 > bufferSize) return false;
  std::memcpy(buffer, out.data(), out.size());
  buffer[out.size()] = '\0';
  return true;
}

const char* CFStringGetCStringPtr(CFStringRef, CFStringEncoding) { return nullptr; }

CFComparisonResult CFStringCompare(CFStringRef a, CFStringRef b, CFOptionFlags options) {
  std::u16string x = a ? a->text : u"", y = b ? b->text : u"";
  if (options & kCFCompareCaseInsensitive) {
    auto fold = [](std::u16string& t) {
      for (auto& c : t)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    };
    fold(x);
    fold(y);
  }
  int c = x.compare(y);
  return c < 0 ? kCFCompareLessThan : c > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo;
}

void CFStringAppend(CFMutableStringRef s, CFStringRef appended) {
  assert(s && s->mutableString);
  if (appended) s->text += appended->text;
}

void CFStringAppendCString(CFMutableStringRef s, const char* cStr, CFStringEncoding encoding) {
  assert(s && s->mutableString);
  std::u16string text;
  if (cStr && Decode(reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), encoding, text))
    s->text += text;
}

void CFStringAppendCharacters(CFMutableStringRef s, const UniChar* chars, CFIndex numChars) {
  assert(s && s->mutableString);
  s->text.append(chars, static_cast<std::size_t>(numChars));
}

void CFStringDelete(CFMutableStringRef s, CFRange range) {
  assert(s && s->mutableString && range.location >= 0 && range.length >= 0 &&
         static_cast<std::size_t>(range.location + range.length) <= s->text.size());
  s->text.erase(static_cast<std::size_t>(range.location), static_cast<std::size_t>(range.length));
}

Boolean CFStringHasSuffix(CFStringRef s, CFStringRef suffix) {
  return s && suffix && s->text.ends_with(suffix->text);
}

Boolean CFStringHasPrefix(CFStringRef s, CFStringRef prefix) {
  return s && prefix && s->text.starts_with(prefix->text);
}

std::string CFStringToUTF8(CFStringRef s) { return s ? UTF16ToUTF8(s->text) : std::string(); }

CFRef<CFStringRef> CFStringFromUTF8(std::string_view utf8) {
  return CFRef<CFStringRef>(new __CFString(UTF8ToUTF16(utf8)));
}
