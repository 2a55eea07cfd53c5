// Memory Manager handles and pointers.
//
// A Handle points at a master pointer that points at the block; blocks never
// move here, so locking is a no-op kept for callers that bracket their
// accesses as they would on the Mac. Each Handle is owned by whoever created
// it and freed with DisposeHandle; pointers from NewPtr with DisposePtr.
#pragma once

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"

// A new block of byteCount bytes (contents undefined), or null when memory
// runs out or byteCount is negative; MemError() tells which.
[[nodiscard]] Handle NewHandle(Size byteCount);
// As NewHandle, with the block cleared to zero.
[[nodiscard]] Handle NewHandleClear(Size byteCount);
// A new handle holding a copy of size bytes at srcPtr.
// noErr; paramErr (null dstHndl, negative size, null srcPtr with a size);
// memFullErr (*dstHndl is then null).
[[nodiscard]] OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size);
// Frees the handle and its block; null is ignored.
void DisposeHandle(Handle h);
// Bytes in the handle's block; 0 for null (MemError() is then nilHandleErr).
Size GetHandleSize(Handle h);
// Resizes the block, keeping its leading bytes; MemError() reports
// nilHandleErr, paramErr or memFullErr (the block is then unchanged).
void SetHandleSize(Handle h, Size newSize);
void HLock(Handle h);
void HUnlock(Handle h);

// A new non-relocatable block, or null (MemError() is then memFullErr).
[[nodiscard]] Ptr NewPtr(Size byteCount);
[[nodiscard]] Ptr NewPtrClear(Size byteCount);
// Frees a block from NewPtr; null is ignored.
void DisposePtr(Ptr p);

// The status of the most recent handle or pointer call: noErr, paramErr,
// nilHandleErr or memFullErr.
OSErr MemError();
