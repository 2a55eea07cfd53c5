// PNG output for tools (korvane-sim's snapshots, debugging): premultiplied
// RGBA in, a straight-alpha PNG file out, through cairo's writer.
#include <cstdint>

#include "platform/core/MacErrors.h"
#include "platform/graphics/CGPrivate.h"

OSStatus WriteImagePNG(std::span<const UInt8> rgba, size_t width, size_t height, size_t bytesPerRow,
                       const std::string& path) {
  if (width == 0 || height == 0 || width > INT32_MAX / 4 || height > INT32_MAX) return paramErr;
  if (bytesPerRow < width * 4) return paramErr;
  if (height - 1 > (SIZE_MAX - width * 4) / bytesPerRow) return paramErr;
  if (rgba.size() < bytesPerRow * (height - 1) + width * 4) return paramErr;
  cairo_surface_t* s = cg::SurfaceFromRGBA(rgba, width, height, bytesPerRow);
  if (!s) return memFullErr;
  cairo_status_t status = cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
  if (status == CAIRO_STATUS_NO_MEMORY) return memFullErr;
  return status == CAIRO_STATUS_SUCCESS ? noErr : ioErr;
}

OSStatus WriteImagePNG(CGImageRef image, const std::string& path) {
  if (!image) return paramErr;
  std::vector<UInt8> rgba = CGImageCopyPixelsForTesting(image);
  return WriteImagePNG(rgba, CGImageGetWidth(image), CGImageGetHeight(image),
                       CGImageGetWidth(image) * 4, path);
}
