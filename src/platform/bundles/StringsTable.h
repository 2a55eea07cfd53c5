// A localized strings table: the entries of one ".strings" file.
//
// The file is in the old-style format, one `"key" = "value";` entry after
// another, with /* */ and // comments, the escapes \" \' \\ \n \t \r and
// \UXXXX or \uXXXX (UTF-16 code units), keys and values either quoted or
// unquoted words of [A-Za-z0-9_.-], and `"key";` standing for a key whose
// value is the key itself. The text is UTF-8, or UTF-16 when it starts with a
// byte order mark. A file that is an XML or binary property list is read as
// one too (its string values). Entries that do not parse are skipped, so a
// translator's typo costs one text, not the whole table.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/corefoundation/CoreFoundation.h"

class StringsTable {
 public:
  // The entries of a file's bytes. Never fails; a later duplicate wins.
  static StringsTable Parse(std::span<const UInt8> bytes);
  // The table in the file at path, or nullopt when it cannot be read.
  static std::optional<StringsTable> Load(const std::string& path);

  // The text for key (borrowed, valid while the table is), or null.
  CFStringRef Find(std::u16string_view key) const;
  std::size_t size() const { return entries_.size(); }

 private:
  void Add(std::u16string key, std::u16string value);

  std::unordered_map<std::u16string, CFRef<CFStringRef>> entries_;
};

// The text of a strings file's bytes: UTF-16 (either byte order) after a
// byte order mark, else UTF-8 (with or without its mark).
std::u16string DecodeStringsFileText(std::span<const UInt8> bytes);
