// Colour spaces, data providers and images: reference-counted descriptions of
// pixels that stay where their owner put them.
#include <cstdint>
#include <new>

#include "platform/graphics/CGPrivate.h"

namespace {

CGColorSpaceRef NewColorSpace(size_t components) {
  auto* s = new (std::nothrow) CGColorSpace;
  if (s) s->components = components;
  return s;
}

}  // namespace

CGColorSpaceRef CGColorSpaceCreateDeviceRGB() { return NewColorSpace(3); }
CGColorSpaceRef CGColorSpaceCreateDeviceGray() { return NewColorSpace(1); }

CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space) {
  if (space) ++space->refs;
  return space;
}

void CGColorSpaceRelease(CGColorSpaceRef space) {
  if (space && --space->refs == 0) delete space;
}

size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space) {
  return space ? space->components : 0;
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback release) {
  auto* p = new (std::nothrow) CGDataProvider;
  if (!p) return nullptr;
  p->info = info;
  p->data = data;
  p->size = size;
  p->release = release;
  return p;
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider) {
  if (provider) ++provider->refs;
  return provider;
}

void CGDataProviderRelease(CGDataProviderRef provider) {
  if (!provider || --provider->refs != 0) return;
  cg::SetBufferLabel(provider->data, {});
  if (provider->release) provider->release(provider->info, provider->data, provider->size);
  delete provider;
}

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode, bool shouldInterpolate,
                         CGColorRenderingIntent /*intent: device colour only*/) {
  if (!space || !provider || !provider->data || bitsPerComponent != 8) return nullptr;
  if (width == 0 || height == 0) return nullptr;
  cg::PixelFormat format;
  if (!cg::FormatFor(space->components, bitsPerPixel, bitmapInfo, format)) return nullptr;
  if (width > SIZE_MAX / format.bytesPerPixel) return nullptr;
  size_t rowBytes = width * format.bytesPerPixel;
  if (bytesPerRow < rowBytes) return nullptr;
  if (height - 1 > (SIZE_MAX - rowBytes) / bytesPerRow) return nullptr;
  if (provider->size < bytesPerRow * (height - 1) + rowBytes) return nullptr;
  if (decode) {
    // Only the identity mapping: anything else would need per-component
    // remapping that no caller asks for.
    size_t ranges = space->components + (format.alpha >= 0 ? 1 : 0);
    for (size_t i = 0; i < ranges; ++i)
      if (decode[2 * i] != 0 || decode[2 * i + 1] != 1) return nullptr;
  }
  auto* image = new (std::nothrow) CGImage;
  if (!image) return nullptr;
  image->width = width;
  image->height = height;
  image->bitsPerPixel = bitsPerPixel;
  image->bytesPerRow = bytesPerRow;
  image->bitmapInfo = bitmapInfo;
  image->format = format;
  image->provider = CGDataProviderRetain(provider);
  image->interpolate = shouldInterpolate;
  image->label = cg::BufferLabel(provider->data);
  return image;
}

CGImageRef CGImageRetain(CGImageRef image) {
  if (image) ++image->refs;
  return image;
}

void CGImageRelease(CGImageRef image) {
  if (!image || --image->refs != 0) return;
  CGDataProviderRelease(image->provider);
  delete image;
}

size_t CGImageGetWidth(CGImageRef image) { return image ? image->width : 0; }
size_t CGImageGetHeight(CGImageRef image) { return image ? image->height : 0; }
size_t CGImageGetBytesPerRow(CGImageRef image) { return image ? image->bytesPerRow : 0; }
size_t CGImageGetBitsPerPixel(CGImageRef image) { return image ? image->bitsPerPixel : 0; }
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image) { return image ? image->bitmapInfo : 0; }

std::vector<UInt8> CGImageCopyPixelsForTesting(CGImageRef image) {
  if (!image) return {};
  std::vector<UInt8> out(image->width * image->height * 4);
  const auto* base = static_cast<const UInt8*>(image->provider->data);
  UInt8* dst = out.data();
  for (size_t y = 0; y < image->height; ++y) {
    const UInt8* src = base + y * image->bytesPerRow;
    for (size_t x = 0; x < image->width; ++x, src += image->format.bytesPerPixel, dst += 4)
      cg::ReadPremultiplied(src, image->format, dst);
  }
  return out;
}

std::string CGImageDescribe(CGImageRef image) {
  if (!image) return "no image";
  std::string text = "image " + std::to_string(image->width) + "x" + std::to_string(image->height);
  if (!image->label.empty()) text += " " + image->label;
  return text;
}
