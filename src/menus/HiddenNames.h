// The names a folder's hidden-names file lists, read once per listing.
#pragma once

#include "platform/core/Handles.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/Files.h"

// The longest file name in bytes, and a buffer that holds one with its NUL.
inline constexpr std::size_t kLongestFileName = 255;
using FileNameBuffer = char[kLongestFileName + 1];

// Only this much of a hidden-names file is read: a list of names is small,
// and anything beyond is treated like the bytes after the last line feed.
inline constexpr SInt64 kLargestHiddenList = 1 << 20;

class HiddenNameList {
 public:
  HiddenNameList() = default;
  ~HiddenNameList();
  HiddenNameList(const HiddenNameList&) = delete;
  HiddenNameList& operator=(const HiddenNameList&) = delete;

  // Reads the file named gHiddenListName in folder: every line ended by a
  // line feed is one name, bytes after the last line feed are ignored. A
  // missing, unreadable or empty file, one that is not a plain file, or a
  // failed allocation leaves the list empty.
  void Read(const FSRef* folder);
  // Whether the list has an entry byte for byte equal to name (case counts).
  bool Contains(const char* name) const;
  bool IsEmpty() const { return !entries_ || CFArrayGetCount(entries_) == 0; }

 private:
  Ptr buffer_ = nullptr;              // the whole file; entries point into it
  CFRef<CFMutableArrayRef> entries_;  // C strings, sorted with CompareCStrings
};
