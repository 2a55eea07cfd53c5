// Property lists: CoreFoundation-like values to and from the XML property
// list format (and from the binary format, which other programs write), plus
// reading and writing whole property list files.
//
// The value kinds are dictionary (string keys), array, string, data,
// integer and real numbers, boolean and date. An integer stays an integer and
// a real stays a real across a round trip. XML dates carry whole seconds, as
// the format defines; binary dates keep their fraction on reading. Nodes that
// have no value kind here (keyed-archive UIDs, integers beyond the signed
// 64-bit range) are left out of the containers that hold them, and so are
// binary dictionaries with a NUL character in a key and binary strings with
// one (libplist cannot hand those out whole).
//
// Input is checked before libplist reads it: nesting deeper than 512
// containers, binary object tables that are damaged, cyclic or expand to
// more than 2^24 values, and XML <integer>, <real>, <date> and <data> texts
// outside the syntax Python's plistlib reads make the bytes unreadable.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <type_traits>

#include "platform/core/MacErrors.h"
#include "platform/corefoundation/CoreFoundation.h"

enum : CFOptionFlags {
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

using CFPropertyListFormat = CFIndex;
enum : CFPropertyListFormat {
  kCFPropertyListXMLFormat_v1_0 = 100,
  kCFPropertyListBinaryFormat_v1_0 = 200
};

// Parses an XML or binary ("bplist00") property list. Containers are mutable
// with kCFPropertyListMutableContainers, strings and data too with
// kCFPropertyListMutableContainersAndLeaves; numbers, booleans and dates
// never are. Null when the bytes are not a readable property list; then
// *errorString (when errorString is not null) is set to a constant text
// saying why, which the caller may release or not. On success it is null.
CFRef<CFPropertyListRef> CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData,
                                                         CFOptionFlags mutabilityOption,
                                                         CFStringRef* errorString);

// The XML (plist 1.0) text of a property list, dictionary keys sorted. Null
// when the value is not a valid XML property list (see CFPropertyListIsValid).
CFRef<CFDataRef> CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList);

// A deep copy with the given mutability, or null when the value is not a
// property list. Preferences keep such copies so that a caller who changes
// its mutable value afterwards does not change what was stored.
CFRef<CFPropertyListRef> CFPropertyListCreateDeepCopy(CFAllocatorRef,
                                                      CFPropertyListRef propertyList,
                                                      CFOptionFlags mutabilityOption);

// True when the value can be written in the format: only the value kinds
// above, string dictionary keys, no cycles, nesting no deeper than 512. For
// the XML format, strings must also be representable in XML 1.0 text (no
// control characters other than tab, line feed and carriage return, no
// unpaired surrogates), so that every XML reader accepts what we write.
Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format);

// ------------------------------------------------------ our own helpers

// Reads the property list file at path (XML or binary) into *result.
// Returns noErr; fnfErr when the file (or a folder on the way) does not
// exist; permErr when it may not be read; ioErr when it cannot be read for
// another reason (a folder, a read error); memFullErr when it is larger than
// any property list we accept (64 MiB); kCFPropertyListReadCorruptError when
// its bytes are not a property list. *result is null on every failure.
[[nodiscard]] OSStatus ReadPropertyListFile(const std::string& path, CFOptionFlags mutabilityOption,
                                            CFRef<CFPropertyListRef>* result);

// Writes plist as an XML property list file at path, atomically: the bytes
// go to a temporary file in the same folder, which is flushed to disk, given
// mode and renamed over path. Whatever was at path stays untouched on every
// failure. Returns noErr; paramErr when plist is not a valid XML property
// list; dirNFErr when the folder does not exist; permErr when it may not be
// written; vLckdErr on a read-only file system; dskFulErr when the disk is
// full; ioErr for any other failure.
[[nodiscard]] OSStatus WritePropertyListFile(const std::string& path, CFPropertyListRef plist,
                                             mode_t mode = 0644);

// A property list file whose top level is a dictionary, kept as it was read
// so that it can be written back with only some of its keys changed: every
// key not set or removed through it is written back exactly as it was,
// values that have no kind here (UIDs, integers beyond the signed 64-bit
// range) included. Settings files are shared with other programs.
class PropertyListDocument {
 public:
  PropertyListDocument();  // an empty dictionary, to be written as XML
  ~PropertyListDocument();
  PropertyListDocument(PropertyListDocument&&) noexcept;
  PropertyListDocument& operator=(PropertyListDocument&&) noexcept;

  // Reads the file at path. A file without bytes is an empty dictionary.
  // Returns noErr, or the status ReadPropertyListFile would give (also
  // kCFPropertyListReadCorruptError when the top level is not a dictionary),
  // with *reason (when not null) saying why in words; the document is then
  // an empty dictionary again.
  [[nodiscard]] OSStatus Read(const std::string& path, std::string* reason);

  // The top-level values, immutable; what has no kind here is left out.
  CFRef<CFMutableDictionaryRef> CopyValues() const;

  // Sets (value not null) or removes (null) a top-level key. False, and
  // nothing changed, when the value cannot be written in either format
  // (CFPropertyListIsValid with the binary format).
  bool SetValue(CFStringRef key, CFPropertyListRef value);

  // Dictionaries and strings left out on reading because a key of theirs,
  // or the text, holds a NUL character (libplist cannot hand those out).
  std::size_t skippedDictionaries() const { return skipped_; }
  std::size_t skippedStrings() const { return skippedStrings_; }
  // False when writing would not give back what was read: libplist cuts
  // text off at a NUL character, and skipped dictionaries are not kept.
  bool CanBeWrittenBack() const { return !holdsNUL_; }

  // The format it was read in (XML for a new document), and the one Write
  // uses: the same, or binary when the contents hold text an XML file cannot
  // carry (control characters, U+FFFE, U+FFFF) or UIDs.
  CFPropertyListFormat format() const { return format_; }
  CFPropertyListFormat WriteFormat() const;

  // Writes the document to path atomically (see WritePropertyListFile)
  // with the given mode. Returns 0 or the errno of the failing step.
  [[nodiscard]] int Write(const std::string& path, mode_t mode) const;

 private:
  void* root_;  // the libplist dictionary node
  CFPropertyListFormat format_ = kCFPropertyListXMLFormat_v1_0;
  std::size_t skipped_ = 0;
  std::size_t skippedStrings_ = 0;
  bool holdsNUL_ = false;
};

// An owned reference as the narrower kind T (CFDictionaryRef,
// CFMutableArrayRef, ...), or null when the value is of another kind; the
// reference moves into the result. A mutable kind is given only for an
// object that is mutable (a mutable-containers parse, a mutable copy), so
// that a shared immutable value, such as a cached preference, cannot be
// changed through a cast.
inline bool CFIsMutableObject(const __CFDictionary* d) { return d->mutableDictionary; }
inline bool CFIsMutableObject(const __CFArray* a) { return a->mutableArray; }
inline bool CFIsMutableObject(const __CFString* s) { return s->mutableString; }
inline bool CFIsMutableObject(const __CFData* d) { return d->mutableData; }

template <class T>
CFRef<T> CFRefAs(CFRef<CFTypeRef> value) {
  using Object = std::remove_pointer_t<T>;
  auto typed = dynamic_cast<const std::remove_const_t<Object>*>(value.get());
  if (!typed) return nullptr;
  if constexpr (!std::is_const_v<Object>) {
    if (!CFIsMutableObject(typed)) return nullptr;
  }
  (void)value.Detach();
  return CFRef<T>(const_cast<T>(typed));
}
