// Renders file icons into square premultiplied RGBA images that own their
// pixel buffer. Built into both programs: the agent's menus and the drag-out
// helper's drag image. Nothing is cached; every call renders anew.
#pragma once

#include <cstddef>

#include "platform/core/MacTypes.h"
#include "platform/files/Files.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/icons/Icons.h"

// The largest icon edge rendered. Sizes come from the settings as 16-bit
// numbers, so a stray negative value arrives as tens of thousands of pixels:
// a bitmap of gigabytes per menu item. Larger requests give no image.
inline constexpr UInt16 kLargestIconSize = 1024;

// A bitmap context on a fresh malloc'd buffer of width x height pixels: 8
// bits per component, 4 components, alpha premultiplied and stored last,
// width x 4 bytes per row, device RGB. *outByteCount (required) is set
// first, to the buffer's size. The buffer is not cleared. It belongs to the
// caller, who frees it with free() (releasing the context does not): it is
// handed out through outBuffer, or else reached with CGBitmapContextGetData.
// Null (nothing allocated, *outBuffer untouched) when a side is 0, the byte
// count does not fit, or memory runs out.
CGContextRef CreateBitmapContext(size_t width, size_t height, void** outBuffer,
                                 size_t* outByteCount);

// The release callback of the data providers made here: frees data
// (null is ignored).
void MyProviderReleaseData(void* info, const void* data, size_t size);

// A size x size image of iconRef plotted with transform (kTransformNone, or
// kTransformDisabled for a dimmed icon). Takes over the caller's reference
// to iconRef and releases it in every case. A null iconRef gives a fully
// transparent image of the size asked. The image belongs to the caller; its
// pixel buffer is freed when the image's last reference goes. Null when size
// is 0 or above kLargestIconSize, or memory runs out.
CGImageRef GetCGImageForIconRef(IconRef iconRef, UInt16 size, IconTransformType transform);

// The icon of the item ref names, rendered as GetCGImageForIconRef does;
// null when the item has no icon (gone, not a ref) or rendering fails.
CGImageRef GetFileIconImage(const FSRef* ref, UInt16 size, IconTransformType transform);
