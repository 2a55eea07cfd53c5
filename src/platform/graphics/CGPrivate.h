// Inside the CoreGraphics layer: the objects behind the opaque references and
// the pixel conversions shared by contexts, images, PNG output and icon
// plotting. Nothing outside src/platform includes this.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/CoreGraphics.h"

namespace cg {

// Where the channels of one pixel sit in memory. Gray formats name the same
// offset for red, green and blue.
struct PixelFormat {
  size_t bytesPerPixel = 4;
  int red = 0;
  int green = 1;
  int blue = 2;
  int alpha = 3;  // -1: no alpha, the pixel is opaque
  bool premultiplied = true;
};

// The layout of 8-bit components for a colour space with the given number of
// components, bits per pixel and bitmap info; false when we do not read it.
bool FormatFor(size_t components, size_t bitsPerPixel, CGBitmapInfo info, PixelFormat& out);

// One pixel of src (in format) as premultiplied R, G, B, A.
void ReadPremultiplied(const UInt8* src, const PixelFormat& format, UInt8 out[4]);

// Converts width pixels of each of height rows in place between a 4-byte
// premultiplied caller format and cairo's native ARGB32 word.
void RowsToNative(UInt8* data, size_t width, size_t height, size_t bytesPerRow,
                  const PixelFormat& format);
void RowsFromNative(UInt8* data, size_t width, size_t height, size_t bytesPerRow,
                    const PixelFormat& format);

// A new ARGB32 surface holding premultiplied RGBA rows; null when cairo cannot
// make one. The caller destroys it.
cairo_surface_t* SurfaceFromRGBA(std::span<const UInt8> rgba, size_t width, size_t height,
                                 size_t bytesPerRow);

// What was plotted into a bitmap since it was last cleared whole, keyed by the
// bitmap's memory, so that an image later made over the same memory can say
// what it shows. An empty label forgets the memory.
void SetBufferLabel(const void* data, std::string label);
std::string BufferLabel(const void* data);

}  // namespace cg

struct CGColorSpace {
  long refs = 1;
  size_t components = 3;
};

struct CGContext {
  long refs = 1;
  UInt8* data = nullptr;
  bool ownsData = false;
  size_t width = 0;
  size_t height = 0;
  size_t bytesPerRow = 0;
  cg::PixelFormat format;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  int saveDepth = 0;
  std::function<void(CGContextRef)> flushHandler;
};

struct CGDataProvider {
  long refs = 1;
  void* info = nullptr;
  const void* data = nullptr;
  size_t size = 0;
  CGDataProviderReleaseDataCallback release = nullptr;
};

struct CGImage {
  long refs = 1;
  size_t width = 0;
  size_t height = 0;
  size_t bitsPerPixel = 0;
  size_t bytesPerRow = 0;
  CGBitmapInfo bitmapInfo = 0;
  cg::PixelFormat format;
  CGDataProviderRef provider = nullptr;
  bool interpolate = false;
  std::string label;
};

namespace cg {

// Brackets one painting call: the caller's bytes are in cairo's layout while
// it lives and back in the caller's layout when it goes. ok() is false for a
// null context or one whose cairo state has failed; then nothing may paint.
class PaintScope {
 public:
  explicit PaintScope(CGContextRef c);
  ~PaintScope();
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  bool ok() const { return c_ != nullptr; }
  cairo_t* cr() const { return c_->cr; }

 private:
  CGContextRef c_ = nullptr;
};

// Records that an icon described by label was plotted into the context.
void NotePlotted(CGContextRef c, std::string_view label);

// Sets up cr so that drawing at (0, 0)..(rect width, rect height) in cairo's
// y-down sense lands upright in rect of the context's y-up space.
void EnterUprightRect(cairo_t* cr, const CGRect& rect);

}  // namespace cg
