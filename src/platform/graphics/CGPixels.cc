// Pixel layouts and the conversions between them and cairo's ARGB32 word (a
// native-endian 32-bit value with alpha in the high byte, premultiplied).
#include <cstring>
#include <unordered_map>

#include "platform/graphics/CGPrivate.h"

namespace cg {

namespace {

UInt32 NativeWord(UInt8 r, UInt8 g, UInt8 b, UInt8 a) {
  return (UInt32{a} << 24) | (UInt32{r} << 16) | (UInt32{g} << 8) | UInt32{b};
}

UInt8 Premultiply(UInt8 c, UInt8 a) { return static_cast<UInt8>((c * a + 127) / 255); }

// Offsets for a 4-byte pixel whose colour comes after (or before) its alpha
// byte, as the bytes appear with big-endian order; a little-endian 32-bit
// order mirrors them.
bool FourByteFormat(CGImageAlphaInfo alpha, CGBitmapInfo order, PixelFormat& out) {
  bool alphaFirst = false;
  switch (alpha) {
    case kCGImageAlphaPremultipliedLast:
    case kCGImageAlphaLast:
    case kCGImageAlphaNoneSkipLast: break;
    case kCGImageAlphaPremultipliedFirst:
    case kCGImageAlphaFirst:
    case kCGImageAlphaNoneSkipFirst: alphaFirst = true; break;
    default: return false;
  }
  if (order != kCGBitmapByteOrderDefault && order != kCGBitmapByteOrder32Big &&
      order != kCGBitmapByteOrder32Little)
    return false;
  int base = alphaFirst ? 1 : 0;
  PixelFormat f;
  f.bytesPerPixel = 4;
  f.red = base;
  f.green = base + 1;
  f.blue = base + 2;
  f.alpha = alphaFirst ? 0 : 3;
  if (order == kCGBitmapByteOrder32Little) {
    f.red = 3 - f.red;
    f.green = 3 - f.green;
    f.blue = 3 - f.blue;
    f.alpha = 3 - f.alpha;
  }
  if (alpha == kCGImageAlphaNoneSkipLast || alpha == kCGImageAlphaNoneSkipFirst) f.alpha = -1;
  f.premultiplied = alpha != kCGImageAlphaLast && alpha != kCGImageAlphaFirst;
  out = f;
  return true;
}

}  // namespace

bool FormatFor(size_t components, size_t bitsPerPixel, CGBitmapInfo info, PixelFormat& out) {
  CGImageAlphaInfo alpha = info & kCGBitmapAlphaInfoMask;
  CGBitmapInfo order = info & kCGBitmapByteOrderMask;
  if (components == 3 && bitsPerPixel == 32) return FourByteFormat(alpha, order, out);
  if (order != kCGBitmapByteOrderDefault) return false;
  PixelFormat f;
  if (components == 3 && bitsPerPixel == 24 && alpha == kCGImageAlphaNone) {
    f.bytesPerPixel = 3;
    f.alpha = -1;
  } else if (components == 1 && bitsPerPixel == 8 && alpha == kCGImageAlphaNone) {
    f = PixelFormat{1, 0, 0, 0, -1, true};
  } else if (components == 1 && bitsPerPixel == 16) {
    switch (alpha) {
      case kCGImageAlphaPremultipliedLast:
      case kCGImageAlphaLast:
        f = PixelFormat{2, 0, 0, 0, 1, alpha == kCGImageAlphaPremultipliedLast};
        break;
      case kCGImageAlphaPremultipliedFirst:
      case kCGImageAlphaFirst:
        f = PixelFormat{2, 1, 1, 1, 0, alpha == kCGImageAlphaPremultipliedFirst};
        break;
      default: return false;
    }
  } else {
    return false;
  }
  out = f;
  return true;
}

void ReadPremultiplied(const UInt8* src, const PixelFormat& format, UInt8 out[4]) {
  UInt8 r = src[format.red];
  UInt8 g = src[format.green];
  UInt8 b = src[format.blue];
  UInt8 a = format.alpha < 0 ? 255 : src[format.alpha];
  if (!format.premultiplied) {
    r = Premultiply(r, a);
    g = Premultiply(g, a);
    b = Premultiply(b, a);
  }
  out[0] = r;
  out[1] = g;
  out[2] = b;
  out[3] = a;
}

void RowsToNative(UInt8* data, size_t width, size_t height, size_t bytesPerRow,
                  const PixelFormat& format) {
  for (size_t y = 0; y < height; ++y) {
    UInt8* p = data + y * bytesPerRow;
    for (size_t x = 0; x < width; ++x, p += 4) {
      UInt32 word = NativeWord(p[format.red], p[format.green], p[format.blue], p[format.alpha]);
      std::memcpy(p, &word, 4);
    }
  }
}

void RowsFromNative(UInt8* data, size_t width, size_t height, size_t bytesPerRow,
                    const PixelFormat& format) {
  for (size_t y = 0; y < height; ++y) {
    UInt8* p = data + y * bytesPerRow;
    for (size_t x = 0; x < width; ++x, p += 4) {
      UInt32 word;
      std::memcpy(&word, p, 4);
      p[format.alpha] = static_cast<UInt8>(word >> 24);
      p[format.red] = static_cast<UInt8>(word >> 16);
      p[format.green] = static_cast<UInt8>(word >> 8);
      p[format.blue] = static_cast<UInt8>(word);
    }
  }
}

cairo_surface_t* SurfaceFromRGBA(std::span<const UInt8> rgba, size_t width, size_t height,
                                 size_t bytesPerRow) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                                  static_cast<int>(height));
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_surface_flush(s);
  UInt8* dst = cairo_image_surface_get_data(s);
  auto stride = static_cast<size_t>(cairo_image_surface_get_stride(s));
  for (size_t y = 0; y < height; ++y) {
    const UInt8* p = rgba.data() + y * bytesPerRow;
    for (size_t x = 0; x < width; ++x, p += 4) {
      UInt32 word = NativeWord(p[0], p[1], p[2], p[3]);
      std::memcpy(dst + y * stride + x * 4, &word, 4);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

namespace {
std::unordered_map<const void*, std::string>& Labels() {
  static std::unordered_map<const void*, std::string> labels;
  return labels;
}
}  // namespace

void SetBufferLabel(const void* data, std::string label) {
  if (!data) return;
  if (label.empty())
    Labels().erase(data);
  else
    Labels()[data] = std::move(label);
}

std::string BufferLabel(const void* data) {
  auto it = Labels().find(data);
  return it == Labels().end() ? std::string() : it->second;
}

}  // namespace cg
