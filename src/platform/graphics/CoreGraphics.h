// CoreGraphics subset: colour spaces, bitmap contexts that draw into the
// caller's memory, paths, data providers and images, rasterised with cairo.
//
// Coordinates are those of a Mac bitmap context: the origin is the bottom-left
// corner of the bitmap and y grows upwards, so row 0 of the caller's buffer is
// the top of the picture. Contexts, colour spaces, providers and images are
// reference counted; a Create function hands out one reference that the caller
// gives back with the matching Release. Everything runs on the main thread.
//
// Pixels stay where the caller put them: a bitmap context has no private copy
// of the picture. Around each operation that paints (ClearRect, the fills,
// DrawImage, and icon plotting) the caller's bytes are converted in place into
// cairo's native layout, painted, and converted back, so that between calls the
// buffer always holds the layout the context was created with. That costs two
// passes over the bitmap per painting call, which is nothing for the tab and
// icon sizes drawn here, and in exchange the buffer may be read, written or
// handed to an image at any moment, and it may outlive the context.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/core/MacTypes.h"

struct CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
};
struct CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
};
struct CGRect {
  CGPoint origin;
  CGSize size;
};
constexpr CGPoint CGPointMake(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
constexpr CGSize CGSizeMake(CGFloat w, CGFloat h) { return CGSize{w, h}; }
constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
  return CGRect{CGPoint{x, y}, CGSize{w, h}};
}

using CGColorSpaceRef = struct CGColorSpace*;
using CGContextRef = struct CGContext*;
using CGDataProviderRef = struct CGDataProvider*;
using CGImageRef = struct CGImage*;

// The low five bits say where alpha is and whether colours are premultiplied;
// the byte-order bits say how a 32-bit pixel is laid out in memory. One enum,
// so that the two kinds combine with | as they do on the Mac.
using CGBitmapInfo = UInt32;
using CGImageAlphaInfo = UInt32;
enum : CGBitmapInfo {
  kCGImageAlphaNone = 0,
  kCGImageAlphaPremultipliedLast = 1,   // R G B A in memory, colours times alpha
  kCGImageAlphaPremultipliedFirst = 2,  // A R G B
  kCGImageAlphaLast = 3,                // R G B A, colours not premultiplied
  kCGImageAlphaFirst = 4,               // A R G B, colours not premultiplied
  kCGImageAlphaNoneSkipLast = 5,        // R G B x
  kCGImageAlphaNoneSkipFirst = 6,       // x R G B
  kCGImageAlphaOnly = 7,
  kCGBitmapAlphaInfoMask = 0x1F,
  kCGBitmapByteOrderMask = 0x7000,
  kCGBitmapByteOrderDefault = 0,
  kCGBitmapByteOrder32Little = 2 << 12,
  kCGBitmapByteOrder32Big = 4 << 12
};

enum CGColorRenderingIntent : UInt32 {
  kCGRenderingIntentDefault = 0,
  kCGRenderingIntentAbsoluteColorimetric = 1,
  kCGRenderingIntentRelativeColorimetric = 2,
  kCGRenderingIntentPerceptual = 3,
  kCGRenderingIntentSaturation = 4
};

using CGDataProviderReleaseDataCallback = void (*)(void* info, const void* data, size_t size);

// ------------------------------------------------------------ colour spaces

// A device RGB (three components) or gray (one component) colour space; null
// only when memory runs out.
[[nodiscard]] CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
[[nodiscard]] CGColorSpaceRef CGColorSpaceCreateDeviceGray();
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);        // null passes through
void CGColorSpaceRelease(CGColorSpaceRef space);                  // null is ignored
size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space);  // 0 for null

// ---------------------------------------------------------- bitmap contexts

// A context drawing into data (width x height pixels, bytesPerRow apart). data
// stays the caller's and must outlive every painting call; with null data the
// context allocates (and frees) a cleared buffer of its own. Supported: an RGB
// colour space, 8 bits per component, kCGImageAlphaPremultipliedLast or
// kCGImageAlphaPremultipliedFirst with the default, big or little 32-bit byte
// order, bytesPerRow a multiple of 4 and at least width x 4. Anything else, a
// zero size, or memory running out gives null. The context keeps no reference
// to the colour space: it may be released at once.
[[nodiscard]] CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height,
                                                 size_t bitsPerComponent, size_t bytesPerRow,
                                                 CGColorSpaceRef space, CGBitmapInfo bitmapInfo);
CGContextRef CGContextRetain(CGContextRef c);  // null passes through
void CGContextRelease(CGContextRef c);         // null is ignored
void* CGBitmapContextGetData(CGContextRef c);
size_t CGBitmapContextGetWidth(CGContextRef c);
size_t CGBitmapContextGetHeight(CGContextRef c);
size_t CGBitmapContextGetBytesPerRow(CGContextRef c);

// Graphics state: the fill colour and the transformation. Restores without a
// matching save are ignored. The current path is not part of the state.
void CGContextSaveGState(CGContextRef c);
void CGContextRestoreGState(CGContextRef c);
// Colour components are kept as given and clamped to 0..1 when painting, so
// an alpha of 1.2 paints opaque.
void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha);

// Paths. Adding a line or arc needs a current point (set by MoveToPoint);
// without one the call is ignored, as on the Mac.
void CGContextBeginPath(CGContextRef c);
void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y);
// The arc of the given radius tangent to the line from the current point to
// (x1, y1) and to the line from (x1, y1) to (x2, y2): a straight line runs
// from the current point to the first tangent point, and the arc ends at the
// second, which becomes the current point. When the three points are on one
// line, or the radius is 0, only the line to (x1, y1) is added.
void CGContextAddArcToPoint(CGContextRef c, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2,
                            CGFloat radius);
void CGContextClosePath(CGContextRef c);

// Painting. The fills consume the current path; FillRect and ClearRect clear
// it too. ClearRect makes the pixels fully transparent.
void CGContextFillPath(CGContextRef c);    // nonzero winding rule
void CGContextEOFillPath(CGContextRef c);  // even-odd rule
void CGContextFillRect(CGContextRef c, CGRect rect);
void CGContextClearRect(CGContextRef c, CGRect rect);
// Draws the image scaled into rect, upright (its first row at the rect's top).
void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);
// Pixels are already in the caller's buffer after every call; Flush tells
// whoever shows the buffer (see CGContextSetFlushHandler) that it may do so.
void CGContextFlush(CGContextRef c);

// Ours: the owner of a context that stands for something on screen (a window's
// port) learns here when the drawing code flushes it.
void CGContextSetFlushHandler(CGContextRef c, std::function<void(CGContextRef)> handler);

// ----------------------------------------------------------- data providers

// A provider over size bytes at data, which stay the caller's until release
// is called, exactly once, when the provider's last reference goes (images
// hold references of their own). Null only when memory runs out.
[[nodiscard]] CGDataProviderRef CGDataProviderCreateWithData(
    void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback release);
CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);  // null passes through
void CGDataProviderRelease(CGDataProviderRef provider);              // null is ignored

// ------------------------------------------------------------------- images

// An image over the provider's bytes, which it reads in place (no copy) and
// keeps alive by retaining the provider. Supported with 8 bits per component:
// RGB at 32 bits per pixel with any alpha layout and byte order, RGB at 24
// bits without alpha, gray at 8 bits without alpha or 16 bits with alpha last
// or first. decode is null or the identity (0, 1 for every component).
// Unsupported layouts, a provider too small for the geometry, or missing
// arguments give null.
[[nodiscard]] CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent,
                                       size_t bitsPerPixel, size_t bytesPerRow,
                                       CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                                       CGDataProviderRef provider, const CGFloat* decode,
                                       bool shouldInterpolate, CGColorRenderingIntent intent);
CGImageRef CGImageRetain(CGImageRef image);  // null passes through
void CGImageRelease(CGImageRef image);       // null is ignored
size_t CGImageGetWidth(CGImageRef image);    // 0 for null
size_t CGImageGetHeight(CGImageRef image);   // 0 for null
size_t CGImageGetBytesPerRow(CGImageRef image);
size_t CGImageGetBitsPerPixel(CGImageRef image);
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image);

// Ours: the image's pixels as premultiplied RGBA, rows top first, width x 4
// bytes per row, whatever the image's own layout; empty for null.
std::vector<UInt8> CGImageCopyPixelsForTesting(CGImageRef image);
// Ours: a short deterministic text for transcripts, e.g. "image 16x16" or,
// when icons were plotted into the bitmap the image wraps,
// "image 16x16 icon:folder dimmed". "no image" for null.
std::string CGImageDescribe(CGImageRef image);

// Ours, for tools: writes a PNG file. The buffer form takes premultiplied RGBA
// rows (bytesPerRow apart, at least width x 4). Returns noErr, paramErr (null
// image, empty size, short buffer or row length), memFullErr, or ioErr (the
// file cannot be written).
[[nodiscard]] OSStatus WriteImagePNG(CGImageRef image, const std::string& path);
[[nodiscard]] OSStatus WriteImagePNG(std::span<const UInt8> rgba, size_t width, size_t height,
                                     size_t bytesPerRow, const std::string& path);
