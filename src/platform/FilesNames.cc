// File names between POSIX bytes and the UTF-16 of the File Manager, and the
// order in which a folder lists them.
//
// A name that is not valid UTF-8 must still list and still lead back to its
// file, so every byte outside valid UTF-8 becomes the lone surrogate
// U+DC00 + byte (valid UTF-8 never encodes surrogates, so this is
// reversible).
#include "platform/FilesInternal.h"

namespace FilesPrivate {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

// One code point at s[i]; an invalid byte comes back escaped, length 1.
char32_t DecodeOne(std::string_view s, std::size_t i, std::size_t* length) {
  auto c = static_cast<unsigned char>(s[i]);
  *length = 1;
  if (c < 0x80) return c;
  std::size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return kEscapeBase + c;
  char32_t v = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    auto cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return kEscapeBase + c;
    v = (v << 6) | (cc & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return kEscapeBase + c;
  *length = len;
  return v;
}

void AppendUTF8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

char32_t FoldASCII(char32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Simple case folding for the scripts users most often name files in; other
// letters compare by code point.
char32_t Fold(char32_t c) {
  if (c < 0x80) return FoldASCII(c);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1
  if (c >= 0x100 && c <= 0x17F) {                          // Latin Extended-A
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    bool oddIsUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    bool upper = oddIsUpper ? (c & 1) : !(c & 1);
    return upper ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

}  // namespace

std::size_t NameToUnits(std::string_view name, UniChar* out, std::size_t capacity) {
  std::size_t n = 0;
  for (std::size_t i = 0, len = 0; i < name.size(); i += len) {
    char32_t c = DecodeOne(name, i, &len);
    if (c >= 0x10000) {
      if (n + 2 > capacity) break;
      c -= 0x10000;
      out[n++] = static_cast<UniChar>(0xD800 + (c >> 10));
      out[n++] = static_cast<UniChar>(0xDC00 + (c & 0x3FF));
    } else {
      if (n + 1 > capacity) break;
      out[n++] = static_cast<UniChar>(c);
    }
  }
  return n;
}

void NameToHFSUniStr(std::string_view name, HFSUniStr255* out) {
  out->length = static_cast<UInt16>(NameToUnits(name, out->unicode, 255));
}

bool UnitsToName(const UniChar* units, std::size_t count, std::string* out) {
  out->clear();
  out->reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= count || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      AppendUTF8(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      if (u < kEscapeBase + 0x80 || u > kEscapeBase + 0xFF) return false;
      out->push_back(static_cast<char>(u - kEscapeBase));
    } else {
      AppendUTF8(u, out);
    }
  }
  return true;
}

int CompareNames(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[j]);
    char32_t fa, fb;
    if (ca < 0x80 && cb < 0x80) {
      fa = FoldASCII(ca);
      fb = FoldASCII(cb);
      ++i;
      ++j;
    } else {
      std::size_t la, lb;
      fa = Fold(DecodeOne(a, i, &la));
      fb = Fold(DecodeOne(b, j, &lb));
      i += la;
      j += lb;
    }
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  int bytes = a.compare(b);
  return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

std::string_view NameExtension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
  return name.substr(dot + 1);
}

bool EqualsIgnoringASCIICase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldASCII(static_cast<unsigned char>(a[i])) != FoldASCII(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool EndsWithIgnoringASCIICase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoringASCIICase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace FilesPrivate
