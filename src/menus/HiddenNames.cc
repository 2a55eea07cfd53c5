// The hidden-names file: one name per line, matched by binary search.
#include "menus/HiddenNames.h"

#include <algorithm>
#include <cstring>

#include "menus/FolderListing.h"

namespace {

constexpr char kLineFeed = 10;

CFComparisonResult CompareCStringValues(const void* a, const void* b, void* /*context*/) {
  return static_cast<CFComparisonResult>(
      CompareCStrings(static_cast<const char*>(a), static_cast<const char*>(b)));
}

// Closes the fork however reading ends.
struct ForkCloser {
  FSIORefNum fork;
  ~ForkCloser() { (void)FSCloseFork(fork); }
};

}  // namespace

UniChar gHiddenListName[kHiddenListNameCapacity] = {};
UniCharCount gHiddenListNameLength = 0;

int CompareCStrings(const char* a, const char* b) {
  const int order = std::strcmp(a, b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

HiddenNameList::~HiddenNameList() { DisposePtr(buffer_); }

void HiddenNameList::Read(const FSRef* folder) {
  const UniCharCount nameLength = std::min(gHiddenListNameLength, kHiddenListNameCapacity);
  if (nameLength == 0) return;
  FSRef listRef;
  if (FSMakeFSRefUnicode(folder, nameLength, gHiddenListName, kTextEncodingUnknown, &listRef) !=
      noErr)
    return;
  FSIORefNum fork = 0;
  if (FSOpenFork(&listRef, 0, nullptr, fsRdPerm, &fork) != noErr) return;
  ForkCloser closer{fork};

  SInt64 forkSize = 0;
  if (FSGetForkSize(fork, &forkSize) != noErr || forkSize <= 0) return;
  const SInt64 size = std::min(forkSize, kLargestHiddenList);
  Ptr buffer = NewPtr(static_cast<Size>(size));
  if (!buffer) return;
  ByteCount actual = 0;
  if (FSReadFork(fork, fsAtMark, 0, static_cast<ByteCount>(size), buffer, &actual) != noErr) {
    DisposePtr(buffer);
    return;
  }

  // Each line feed ends one entry in place; what follows the last one is
  // not a name.
  CFRef<CFMutableArrayRef> entries = CFArrayCreateMutable(kCFAllocatorDefault, 0, nullptr);
  char* lineStart = buffer;
  for (ByteCount i = 0; i < actual; ++i) {
    if (buffer[i] != kLineFeed) continue;
    buffer[i] = '\0';
    CFArrayAppendValue(entries, lineStart);
    lineStart = buffer + i + 1;
  }
  CFArraySortValues(entries, CFRangeMake(0, CFArrayGetCount(entries)), CompareCStringValues,
                    nullptr);
  buffer_ = buffer;
  entries_ = std::move(entries);
}

bool HiddenNameList::Contains(const char* name) const {
  if (IsEmpty()) return false;
  const CFRange all = CFRangeMake(0, CFArrayGetCount(entries_));
  const CFIndex at = CFArrayBSearchValues(entries_, all, name, CompareCStringValues, nullptr);
  return at < all.length &&
         CompareCStrings(static_cast<const char*>(CFArrayGetValueAtIndex(entries_, at)), name) == 0;
}
