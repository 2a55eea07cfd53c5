// File names between POSIX bytes and the UTF-16 of the File Manager, and the
// order in which a folder lists them.
//
// The order is the one Linux file managers show: GLib's collation key for
// file names (numbers by their value, "file2" before "file10"; the dot
// before an extension ordered first, so "event.c" and "event.h" stay
// together) made from the name with case and accents left out ("ä" with
// "a", "É" with "e"), the name's bytes breaking ties. This process leaves
// the locale at "C", so the order is the same wherever it runs.
//
// A name that is not valid UTF-8 must still list and still lead back to its
// file, so every byte outside valid UTF-8 becomes the lone surrogate
// U+DC00 + byte (valid UTF-8 never encodes surrogates, so this is
// reversible).
#include <glib.h>

#include <memory>

#include "platform/files/FilesInternal.h"

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

// GLib's strings, freed when they go.
struct GFreer {
  void operator()(gchar* p) const { g_free(p); }
};
using GOwned = std::unique_ptr<gchar, GFreer>;

// The name with case and accents left out: what the order looks at first.
// Canonical decomposition (compatibility forms too: "ﬁ" is "fi") without
// the combining marks, then Unicode case folding. Bytes that are not UTF-8
// stand as U+FFFD here (the tie-break on the bytes keeps such names apart).
// *out is reused from name to name, so that a folder's worth of names
// costs no allocation here.
void FoldName(std::string_view name, std::string* out) {
  bool ascii = true;
  for (char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  out->assign(name);
  if (ascii) {
    for (char& c : *out) c = static_cast<char>(FoldASCII(static_cast<unsigned char>(c)));
    return;
  }
  GOwned valid(g_utf8_make_valid(name.data(), static_cast<gssize>(name.size())));
  GOwned decomposed(g_utf8_normalize(valid.get(), -1, G_NORMALIZE_ALL));
  if (!decomposed) return;
  out->clear();
  for (const gchar* p = decomposed.get(); *p; p = g_utf8_next_char(p)) {
    if (!g_unichar_ismark(g_utf8_get_char(p)))
      out->append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
  }
  GOwned folded(g_utf8_casefold(out->data(), static_cast<gssize>(out->size())));
  if (folded) out->assign(folded.get());
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

void AppendNameSortKey(std::string_view name, std::string* keys) {
  static std::string folded;  // main thread only, as the whole layer
  FoldName(name, &folded);
  GOwned key(g_utf8_collate_key_for_filename(folded.data(), static_cast<gssize>(folded.size())));
  keys->append(key ? std::string_view(key.get()) : std::string_view(folded));
}

std::string NameSortKey(std::string_view name) {
  std::string key;
  AppendNameSortKey(name, &key);
  return key;
}

int CompareNameKeys(std::string_view keyA, std::string_view a, std::string_view keyB,
                    std::string_view b) {
  int order = keyA.compare(keyB);
  if (order == 0) order = a.compare(b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
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
