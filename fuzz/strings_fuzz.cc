// .strings files: any bytes parse into a table without harm, and any text
// written as a quoted value with the format's escapes reads back unchanged.
#include <cstdint>
#include <span>
#include <string>

#include "FuzzSupport.h"
#include "platform/bundles/StringsTable.h"

namespace {

// The text as one quoted .strings value: \" and \\ escaped, everything
// outside printable ASCII as \UXXXX (one UTF-16 unit each).
std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\U%04X", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + "\"";
}

std::u16string TextOf(CFStringRef s) {
  std::u16string text(static_cast<std::size_t>(CFStringGetLength(s)), u'\0');
  CFStringGetCharacters(s, CFRangeMake(0, CFStringGetLength(s)),
                        reinterpret_cast<UniChar*>(text.data()));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::span<const UInt8> input(bytes, size);
  const StringsTable table = StringsTable::Parse(input);
  (void)table.Find(u"Empty Folder");
  (void)table.Find(u"");

  // The decoded text, stored under a key and read back.
  const std::u16string text = DecodeStringsFileText(input);
  const std::string document =
      "/* written by the fuzz target */\n\"fuzz.key\" = " + Quoted(text) + ";\nfuzz.word;\n";
  const StringsTable written = StringsTable::Parse(
      std::span(reinterpret_cast<const UInt8*>(document.data()), document.size()));
  CFStringRef value = written.Find(u"fuzz.key");
  if (!value || TextOf(value) != text) fuzz::Fail("a quoted value did not read back:\n" + document);
  CFStringRef word = written.Find(u"fuzz.word");
  if (!word || TextOf(word) != u"fuzz.word" || written.size() != 2)
    fuzz::Fail("a key-only entry did not read back:\n" + document);
  return 0;
}
