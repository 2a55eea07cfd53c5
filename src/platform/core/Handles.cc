#include "platform/core/Handles.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace {

// The handle is the address of `block`, the first member, so the handle and
// the master record convert into each other without a lookup table.
struct MasterRecord {
  char* block;
  Size size;
};
static_assert(std::is_standard_layout_v<MasterRecord>);

OSErr gMemError = noErr;

MasterRecord* RecordOf(Handle h) { return reinterpret_cast<MasterRecord*>(h); }

// Never hands out a null block, even for 0 bytes, so that *h is always usable
// as the start of the data.
char* AllocateBlock(Size byteCount, bool clear) {
  std::size_t n = byteCount > 0 ? static_cast<std::size_t>(byteCount) : 1;
  return static_cast<char*>(clear ? std::calloc(n, 1) : std::malloc(n));
}

Handle MakeHandle(Size byteCount, bool clear) {
  if (byteCount < 0) {
    gMemError = paramErr;
    return nullptr;
  }
  char* block = AllocateBlock(byteCount, clear);
  auto* record = block ? new (std::nothrow) MasterRecord{block, byteCount} : nullptr;
  if (!record) {
    std::free(block);
    gMemError = memFullErr;
    return nullptr;
  }
  gMemError = noErr;
  return &record->block;
}

}  // namespace

Handle NewHandle(Size byteCount) { return MakeHandle(byteCount, false); }

Handle NewHandleClear(Size byteCount) { return MakeHandle(byteCount, true); }

OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size) {
  if (!dstHndl || size < 0 || (!srcPtr && size > 0)) return gMemError = paramErr;
  *dstHndl = MakeHandle(size, false);
  if (!*dstHndl) return gMemError;
  if (size > 0) std::memcpy(**dstHndl, srcPtr, static_cast<std::size_t>(size));
  return noErr;
}

void DisposeHandle(Handle h) {
  if (!h) {
    gMemError = nilHandleErr;
    return;
  }
  MasterRecord* record = RecordOf(h);
  std::free(record->block);
  delete record;
  gMemError = noErr;
}

Size GetHandleSize(Handle h) {
  if (!h) {
    gMemError = nilHandleErr;
    return 0;
  }
  gMemError = noErr;
  return RecordOf(h)->size;
}

void SetHandleSize(Handle h, Size newSize) {
  if (!h) {
    gMemError = nilHandleErr;
    return;
  }
  if (newSize < 0) {
    gMemError = paramErr;
    return;
  }
  MasterRecord* record = RecordOf(h);
  std::size_t n = newSize > 0 ? static_cast<std::size_t>(newSize) : 1;
  char* grown = static_cast<char*>(std::realloc(record->block, n));
  if (!grown) {
    gMemError = memFullErr;
    return;
  }
  record->block = grown;
  record->size = newSize;
  gMemError = noErr;
}

void HLock(Handle h) { gMemError = h ? noErr : nilHandleErr; }

void HUnlock(Handle h) { gMemError = h ? noErr : nilHandleErr; }

Ptr NewPtr(Size byteCount) {
  if (byteCount < 0) {
    gMemError = paramErr;
    return nullptr;
  }
  Ptr p = AllocateBlock(byteCount, false);
  gMemError = p ? noErr : memFullErr;
  return p;
}

Ptr NewPtrClear(Size byteCount) {
  if (byteCount < 0) {
    gMemError = paramErr;
    return nullptr;
  }
  Ptr p = AllocateBlock(byteCount, true);
  gMemError = p ? noErr : memFullErr;
  return p;
}

void DisposePtr(Ptr p) {
  std::free(p);
  gMemError = noErr;
}

OSErr MemError() { return gMemError; }
