// Shared between the property list sources: libplist node trees, the
// checks run over the bytes before libplist sees them, and atomic writing.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/propertylists/PropertyList.h"

namespace plist_internal {

// Containers nested deeper than this are refused, on reading and writing:
// libplist reads and writes recursively, and a deep enough file would
// overflow the stack.
constexpr int kMaxDepth = 512;

struct PlistFree {
  void operator()(void* node) const;
};
// An owned libplist node (plist_t).
using PlistPtr = std::unique_ptr<void, PlistFree>;

// ------------------------------------------------------------- pre-scans

// What the scan of a binary property list's object table found.
struct BinaryScan {
  // Why the bytes are not a property list we read (empty when they are).
  std::string malformed;
  // Offsets of the markers of dictionaries that hold a key with a NUL
  // character. libplist cannot hand such a key out (it asserts), so these
  // dictionaries are turned into objects the reader leaves out.
  std::vector<std::size_t> dictionariesWithNULKeys;
  // The same for strings holding a NUL character, which libplist would
  // hand out cut short: malformed text is left out rather than misread.
  std::vector<std::size_t> stringsWithNUL;
  std::size_t textsWithNUL = 0;  // of those, the ones that are values, not keys
  // A key or a string holds U+0000, which libplist's writers cut off: the
  // file cannot be written back as it is.
  bool holdsNUL = false;
};

// Walks the object graph from the top object without recursion: checks the
// trailer, the offsets and references, refuses cycles, nesting deeper than
// kMaxDepth and graphs that expand beyond a sane number of values once
// shared objects are copied (libplist copies them).
BinaryScan ScanBinaryPropertyList(const unsigned char* bytes, std::size_t length);

// Checks the text of an XML property list before libplist reads it:
// nesting no deeper than kMaxDepth, and <integer>, <real>, <date> and
// <data> texts in the syntax Python's plistlib reads (libplist takes
// "0,6" as 0 and "12px" as 12). Empty when fine, else the reason.
std::string ScanXMLPropertyList(const char* text, std::size_t length);

// -------------------------------------------------------------- node trees

struct ParsedNodes {
  PlistPtr root;  // null when the bytes are not a property list we read
  CFPropertyListFormat format = kCFPropertyListXMLFormat_v1_0;
  std::string error;  // why root is null
  std::size_t skippedDictionaries = 0;
  std::size_t skippedStrings = 0;
  bool holdsNUL = false;
};

// The pre-scans, then libplist.
ParsedNodes ParseNodes(const unsigned char* bytes, std::size_t length);

// The value of a node tree; null for a node that has no value kind here.
// *tooDeep is set when nesting went beyond kMaxDepth.
CFRef<CFTypeRef> ValueFromNode(void* node, CFOptionFlags mutabilityOption, bool* tooDeep);

// A node tree for a value that CFPropertyListIsValid(value, binary) accepts;
// null only when libplist fails.
void* NodeFromValue(CFTypeRef value);

// True when every string and key in the tree can be written as XML text
// and the tree holds nothing only the binary format has (UIDs).
bool NodeTreeFitsXML(void* node);

// The bytes of a node tree in the format; empty when libplist fails.
std::string SerializeNodes(void* node, CFPropertyListFormat format);

// ------------------------------------------------------------------ files

// Writes bytes to path atomically: a temporary file beside path, flushed,
// given mode, renamed over path. Returns 0 or the errno of the failing step;
// path is untouched on every failure.
int WriteFileAtomically(const std::string& path, const void* bytes, std::size_t length,
                        mode_t mode);

// Reads a whole regular file of at most 64 MiB. Returns 0 or an errno
// (EISDIR/EINVAL for something that is not a regular file, EFBIG when too large).
int ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes);

}  // namespace plist_internal
