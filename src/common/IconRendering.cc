#include "common/IconRendering.h"

#include <cstdlib>
#include <limits>

namespace {

constexpr size_t kBitsPerComponent = 8;
constexpr size_t kComponentsPerPixel = 4;
constexpr size_t kBitsPerPixel = kBitsPerComponent * kComponentsPerPixel;
constexpr size_t kBytesPerPixel = kBitsPerPixel / 8;

// The identity decode array: each of the four components maps 0..1 to 0..1.
constexpr CGFloat kIdentityDecode[] = {0, 1, 0, 1, 0, 1, 0, 1};

// Icons are plotted without a label tint.
constexpr RGBColor kNoLabelColor{0, 0, 0};

}  // namespace

CGContextRef CreateBitmapContext(size_t width, size_t height, void** outBuffer,
                                 size_t* outByteCount) {
  if (!outByteCount) return nullptr;
  // The byte count is stored first, as callers expect to find it even when
  // no context comes back; a size whose bytes do not fit in a size_t is
  // refused before anything is allocated.
  if (width == 0 || height == 0 ||
      width > std::numeric_limits<size_t>::max() / kBytesPerPixel / height) {
    *outByteCount = 0;
    return nullptr;
  }
  const size_t bytesPerRow = width * kBytesPerPixel;
  const size_t byteCount = bytesPerRow * height;
  *outByteCount = byteCount;

  // RGBA, 8 bits a component, in a buffer of our own.
  CGColorSpaceRef colorSpace = CGColorSpaceCreateDeviceRGB();
  if (!colorSpace) return nullptr;
  void* buffer = std::malloc(byteCount);
  if (!buffer) {
    CGColorSpaceRelease(colorSpace);
    return nullptr;
  }

  // The buffer goes back to the caller only with a context drawing into it.
  CGContextRef context =
      CGBitmapContextCreate(buffer, width, height, kBitsPerComponent, bytesPerRow, colorSpace,
                            kCGImageAlphaPremultipliedLast);
  if (!context)
    std::free(buffer);
  else if (outBuffer)
    *outBuffer = buffer;

  // The context holds its own reference to the colour space.
  CGColorSpaceRelease(colorSpace);
  return context;
}

void MyProviderReleaseData(void* /*info*/, const void* data, size_t /*size*/) {
  if (data) std::free(const_cast<void*>(data));
}

CGImageRef GetCGImageForIconRef(IconRef iconRef, UInt16 size, IconTransformType transform) {
  // The caller's reference is ours from here on, whatever happens below.
  struct IconReference {
    IconRef icon;
    ~IconReference() {
      if (icon) (void)ReleaseIconRef(icon);
    }
  } owned{iconRef};
  if (size > kLargestIconSize) return nullptr;

  // The icon is drawn into a square bitmap of its size,
  const CGFloat side = static_cast<CGFloat>(size);
  void* buffer = nullptr;
  size_t byteCount = 0;
  CGContextRef context = CreateBitmapContext(size, size, &buffer, &byteCount);
  if (!context) return nullptr;

  // cleared to transparent first,
  const CGRect bounds = CGRectMake(0, 0, side, side);
  CGContextClearRect(context, bounds);

  // and its reference is given up as soon as it is drawn.
  if (owned.icon) {
    (void)PlotIconRefInContext(context, &bounds, kAlignNone, transform, &kNoLabelColor,
                               kPlotIconRefNormalFlags, owned.icon);
    (void)ReleaseIconRef(owned.icon);
    owned.icon = nullptr;
  }

  // From here the buffer belongs to the provider, which frees it when the
  // last image holding it goes.
  CGDataProviderRef provider =
      CGDataProviderCreateWithData(nullptr, buffer, byteCount, MyProviderReleaseData);
  if (!provider) {
    CGContextRelease(context);
    std::free(buffer);
    return nullptr;
  }

  // The image reads the bitmap's pixels as they are, without a copy.
  CGColorSpaceRef colorSpace = CGColorSpaceCreateDeviceRGB();
  CGImageRef image = CGImageCreate(
      size, size, kBitsPerComponent, kBitsPerPixel, size * kBytesPerPixel, colorSpace,
      kCGImageAlphaPremultipliedLast, provider, kIdentityDecode, false, kCGRenderingIntentDefault);
  CGColorSpaceRelease(colorSpace);

  // Without an image the provider's release frees the buffer.
  CGDataProviderRelease(provider);
  CGContextRelease(context);
  return image;
}

CGImageRef GetFileIconImage(const FSRef* ref, UInt16 size, IconTransformType transform) {
  IconRef iconRef = nullptr;
  if (GetIconRefFromFileInfo(ref, 0, nullptr, kFSCatInfoNone, nullptr, kIconServicesNormalUsageFlag,
                             &iconRef, nullptr) != noErr ||
      !iconRef)
    return nullptr;
  return GetCGImageForIconRef(iconRef, size, transform);
}
