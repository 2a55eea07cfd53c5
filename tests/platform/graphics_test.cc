#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/MacErrors.h"
#include "platform/graphics/CoreGraphics.h"
#include "support/plist_support.h"

namespace {

// A bitmap with its context, laid out the way the agent makes its icon and
// tab bitmaps: premultiplied RGBA, tightly packed rows.
struct Bitmap {
  explicit Bitmap(size_t w, size_t h, CGBitmapInfo info = kCGImageAlphaPremultipliedLast)
      : width(w), height(h), pixels(w * h * 4, 0) {
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    context = CGBitmapContextCreate(pixels.data(), w, h, 8, w * 4, rgb, info);
    CGColorSpaceRelease(rgb);
  }
  ~Bitmap() { CGContextRelease(context); }
  // Row 0 is the top of the picture.
  const UInt8* At(size_t x, size_t row) const { return &pixels[(row * width + x) * 4]; }
  UInt8 Alpha(size_t x, size_t row) const { return At(x, row)[3]; }

  size_t width, height;
  std::vector<UInt8> pixels;
  CGContextRef context = nullptr;
};

::testing::AssertionResult PixelIs(const UInt8* p, int r, int g, int b, int a, int tolerance = 1) {
  const int want[4] = {r, g, b, a};
  for (int i = 0; i < 4; ++i) {
    if (std::abs(p[i] - want[i]) > tolerance)
      return ::testing::AssertionFailure()
             << "pixel (" << int(p[0]) << ", " << int(p[1]) << ", " << int(p[2]) << ", "
             << int(p[3]) << ") wanted (" << r << ", " << g << ", " << b << ", " << a << ")";
  }
  return ::testing::AssertionSuccess();
}

struct ReleaseLog {
  int calls = 0;
  const void* data = nullptr;
  size_t size = 0;
};

void FreeAndLog(void* info, const void* data, size_t size) {
  auto* log = static_cast<ReleaseLog*>(info);
  ++log->calls;
  log->data = data;
  log->size = size;
  std::free(const_cast<void*>(data));
}

void KeepData(void*, const void*, size_t) {}

}  // namespace

TEST(BitmapContext, GeometryAndRefusedLayouts) {
  // A 32-pixel icon bitmap: 128 bytes per row, 4096 bytes in all.
  const size_t side = 32, bytesPerRow = side * 4, byteCount = bytesPerRow * side;
  EXPECT_EQ(bytesPerRow, 128u);
  EXPECT_EQ(byteCount, 4096u);
  void* buffer = std::malloc(byteCount);
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGContextRef c = CGBitmapContextCreate(buffer, side, side, 8, bytesPerRow, rgb,
                                         kCGImageAlphaPremultipliedLast);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(CGBitmapContextGetData(c), buffer);
  EXPECT_EQ(CGBitmapContextGetBytesPerRow(c), 128u);
  EXPECT_EQ(CGBitmapContextGetWidth(c), 32u);
  EXPECT_EQ(CGBitmapContextGetHeight(c), 32u);
  CGContextRelease(c);

  UInt8 small[64];
  CGColorSpaceRef gray = CGColorSpaceCreateDeviceGray();
  EXPECT_EQ(CGBitmapContextCreate(small, 4, 4, 16, 16, rgb, kCGImageAlphaPremultipliedLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(small, 4, 4, 8, 12, rgb, kCGImageAlphaPremultipliedLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(small, 4, 4, 8, 18, rgb, kCGImageAlphaPremultipliedLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(small, 0, 4, 8, 16, rgb, kCGImageAlphaPremultipliedLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(small, 4, 4, 8, 16, gray, kCGImageAlphaPremultipliedLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(small, 4, 4, 8, 16, nullptr, kCGImageAlphaPremultipliedLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(small, 4, 4, 8, 16, rgb, kCGImageAlphaLast), nullptr);
  CGColorSpaceRelease(gray);
  CGColorSpaceRelease(rgb);
  std::free(buffer);
}

TEST(BitmapContext, ProviderReleasedOnceWhenTheLastImageGoes) {
  const size_t side = 32, byteCount = side * side * 4;
  ReleaseLog log;
  void* buffer = std::malloc(byteCount);
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGContextRef c =
      CGBitmapContextCreate(buffer, side, side, 8, side * 4, rgb, kCGImageAlphaPremultipliedLast);
  ASSERT_NE(c, nullptr);
  CGContextClearRect(c, CGRectMake(0, 0, side, side));
  CGDataProviderRef provider = CGDataProviderCreateWithData(&log, buffer, byteCount, FreeAndLog);
  const CGFloat decode[] = {0, 1, 0, 1, 0, 1, 0, 1};
  CGImageRef image = CGImageCreate(side, side, 8, 32, side * 4, rgb, kCGImageAlphaPremultipliedLast,
                                   provider, decode, false, kCGRenderingIntentDefault);
  ASSERT_NE(image, nullptr);
  CGDataProviderRelease(provider);
  CGContextRelease(c);
  CGColorSpaceRelease(rgb);
  EXPECT_EQ(log.calls, 0) << "the context's release must not free the image's pixels";

  CGImageRef menuReference = CGImageRetain(image);
  CGImageRelease(image);
  EXPECT_EQ(log.calls, 0);
  EXPECT_EQ(CGImageGetWidth(menuReference), 32u);
  EXPECT_EQ(CGImageGetBytesPerRow(menuReference), 128u);
  CGImageRelease(menuReference);
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.data, buffer);
  EXPECT_EQ(log.size, byteCount);

  // Releasing nothing is harmless.
  CGImageRelease(nullptr);
  CGContextRelease(nullptr);
  CGDataProviderRelease(nullptr);
  CGColorSpaceRelease(nullptr);
}

TEST(BitmapContext, ClearAndFillLandInCallerLayout) {
  Bitmap bm(8, 8);
  ASSERT_NE(bm.context, nullptr);
  std::fill(bm.pixels.begin(), bm.pixels.end(), 0xFF);
  CGContextClearRect(bm.context, CGRectMake(0, 0, 8, 4));  // the bottom half
  EXPECT_TRUE(PixelIs(bm.At(0, 0), 255, 255, 255, 255, 0));
  EXPECT_TRUE(PixelIs(bm.At(7, 3), 255, 255, 255, 255, 0));
  EXPECT_TRUE(PixelIs(bm.At(0, 4), 0, 0, 0, 0, 0));
  EXPECT_TRUE(PixelIs(bm.At(7, 7), 0, 0, 0, 0, 0));
  CGContextClearRect(bm.context, CGRectMake(0, 0, 8, 8));
  for (UInt8 byte : bm.pixels) ASSERT_EQ(byte, 0);

  // Half-transparent orange: colours are stored premultiplied, alpha last.
  CGContextSetRGBFillColor(bm.context, 1, 0.5, 0, 0.5);
  CGContextFillRect(bm.context, CGRectMake(0, 0, 8, 8));
  EXPECT_TRUE(PixelIs(bm.At(3, 3), 128, 64, 0, 128));

  // Components beyond 0..1 are clamped when painting, as a highlighted tab's
  // alpha of 0.9 + 0.3 is.
  CGContextClearRect(bm.context, CGRectMake(0, 0, 8, 8));
  CGContextSetRGBFillColor(bm.context, 2.0, -1.0, 0.5, 1.2);
  CGContextFillRect(bm.context, CGRectMake(0, 0, 8, 8));
  EXPECT_TRUE(PixelIs(bm.At(5, 5), 255, 0, 128, 255));
}

TEST(BitmapContext, AlphaFirstLayouts) {
  Bitmap argb(2, 2, kCGImageAlphaPremultipliedFirst);
  ASSERT_NE(argb.context, nullptr);
  CGContextSetRGBFillColor(argb.context, 1, 0, 0, 1);
  CGContextFillRect(argb.context, CGRectMake(0, 0, 2, 2));
  EXPECT_TRUE(PixelIs(argb.At(0, 0), 255, 255, 0, 0, 0));  // A R G B

  Bitmap bgra(2, 2, kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
  ASSERT_NE(bgra.context, nullptr);
  CGContextSetRGBFillColor(bgra.context, 1, 0, 0, 1);
  CGContextFillRect(bgra.context, CGRectMake(0, 0, 2, 2));
  EXPECT_TRUE(PixelIs(bgra.At(1, 1), 0, 0, 255, 255, 0));  // B G R A
}

TEST(BitmapContext, OriginIsBottomLeftWithYUp) {
  Bitmap bm(6, 6);
  CGContextSetRGBFillColor(bm.context, 0, 0, 1, 1);
  CGContextFillRect(bm.context, CGRectMake(0, 0, 2, 2));  // the bottom-left corner
  EXPECT_EQ(bm.Alpha(0, 5), 255);
  EXPECT_EQ(bm.Alpha(1, 4), 255);
  EXPECT_EQ(bm.Alpha(0, 0), 0);
  EXPECT_EQ(bm.Alpha(2, 5), 0);
  EXPECT_EQ(bm.Alpha(0, 3), 0);
}

TEST(BitmapContext, GraphicsStateSavesFillColour) {
  Bitmap bm(2, 2);
  CGContextSetRGBFillColor(bm.context, 1, 0, 0, 1);
  CGContextSaveGState(bm.context);
  CGContextSetRGBFillColor(bm.context, 0, 0, 1, 1);
  CGContextRestoreGState(bm.context);
  // A restore too many is ignored and leaves the context working.
  CGContextRestoreGState(bm.context);
  CGContextFillRect(bm.context, CGRectMake(0, 0, 2, 2));
  EXPECT_TRUE(PixelIs(bm.At(0, 0), 255, 0, 0, 255, 0));
}

// The four corner tabs: a quarter disc of the window's size centred on the
// window corner that sits in the screen corner. Each row: the path's points
// as the tab drawing makes them, and the pixel at the disc's centre.
struct CornerCase {
  int code;
  CGPoint start, second, third, through, towards;
  size_t centreX, centreRow;
};
void PrintTo(const CornerCase& k, std::ostream* os) { *os << "corner " << k.code; }

class QuarterDisc : public ::testing::TestWithParam<CornerCase> {};

TEST_P(QuarterDisc, ArcToPointFillsTheCornerDisc) {
  const CornerCase& k = GetParam();
  const size_t s = 20;
  Bitmap bm(s, s);
  CGContextSetRGBFillColor(bm.context, 1, 1, 1, 1);
  CGContextBeginPath(bm.context);
  CGContextMoveToPoint(bm.context, k.start.x, k.start.y);
  CGContextAddLineToPoint(bm.context, k.second.x, k.second.y);
  CGContextAddLineToPoint(bm.context, k.third.x, k.third.y);
  CGContextAddArcToPoint(bm.context, k.through.x, k.through.y, k.towards.x, k.towards.y, s);
  CGContextEOFillPath(bm.context);

  size_t farX = s - 1 - k.centreX, farRow = s - 1 - k.centreRow;
  EXPECT_EQ(bm.Alpha(k.centreX, k.centreRow), 255) << "corner " << k.code;
  EXPECT_EQ(bm.Alpha(farX, farRow), 0) << "corner " << k.code;
  // Along both window edges from the centre the disc reaches (almost) the
  // far side: 18.5 pixels out is wholly inside.
  size_t nearFarX = k.centreX == 0 ? s - 2 : 1, nearFarRow = k.centreRow == 0 ? s - 2 : 1;
  EXPECT_EQ(bm.Alpha(nearFarX, k.centreRow), 255) << "corner " << k.code;
  EXPECT_EQ(bm.Alpha(k.centreX, nearFarRow), 255) << "corner " << k.code;
  // On the diagonal: inside at 0.7 of the radius, outside at 0.75.
  auto diagonal = [&](size_t d) {
    size_t x = k.centreX == 0 ? d : s - 1 - d;
    size_t row = k.centreRow == 0 ? d : s - 1 - d;
    return bm.Alpha(x, row);
  };
  EXPECT_EQ(diagonal(13), 255) << "corner " << k.code;  // centre 14.1 from the corner
  EXPECT_EQ(diagonal(15), 0) << "corner " << k.code;    // 21.9 from the corner
}

INSTANTIATE_TEST_SUITE_P(
    TabCorners, QuarterDisc,
    ::testing::Values(CornerCase{1, {0, 0}, {0, 20}, {20, 20}, {20, 0}, {0, 0}, 0, 0},
                      CornerCase{2, {0, 20}, {20, 20}, {20, 0}, {0, 0}, {0, 20}, 19, 0},
                      CornerCase{3, {20, 0}, {0, 0}, {0, 20}, {20, 20}, {20, 0}, 0, 19},
                      CornerCase{4, {20, 20}, {20, 0}, {0, 0}, {0, 20}, {20, 20}, 19, 19}),
    [](const ::testing::TestParamInfo<CornerCase>& param) {
      return "Position" + std::to_string(param.param.code);
    });

TEST(Paths, ArcToPointContinuesFromTheSecondTangentPoint) {
  // A 20-pixel square with corners rounded to radius 6, built from four
  // arcs: each one must end where the next line starts.
  Bitmap bm(20, 20);
  CGContextRef c = bm.context;
  CGContextBeginPath(c);
  CGContextMoveToPoint(c, 10, 0);
  CGContextAddArcToPoint(c, 20, 0, 20, 20, 6);
  CGContextAddArcToPoint(c, 20, 20, 0, 20, 6);
  CGContextAddArcToPoint(c, 0, 20, 0, 0, 6);
  CGContextAddArcToPoint(c, 0, 0, 20, 0, 6);
  CGContextClosePath(c);
  CGContextFillPath(c);
  for (auto [x, row] : {std::pair{0, 0}, {19, 0}, {0, 19}, {19, 19}})
    EXPECT_EQ(bm.Alpha(x, row), 0) << x << "," << row;
  for (auto [x, row] : {std::pair{10, 0}, {0, 10}, {19, 10}, {10, 19}, {10, 10}, {3, 3}})
    EXPECT_EQ(bm.Alpha(x, row), 255) << x << "," << row;

  // Points on one line leave only the straight line to the corner point.
  Bitmap tri(10, 10);
  CGContextBeginPath(tri.context);
  CGContextMoveToPoint(tri.context, 0, 0);
  CGContextAddArcToPoint(tri.context, 10, 0, 20, 0, 4);
  CGContextAddLineToPoint(tri.context, 10, 10);
  CGContextFillPath(tri.context);
  EXPECT_EQ(tri.Alpha(9, 1), 255);  // inside the triangle (0,0) (10,0) (10,10)
  EXPECT_EQ(tri.Alpha(1, 1), 0);
}

TEST(Paths, EvenOddLeavesAHoleWindingDoesNot) {
  auto nested = [](CGContextRef c) {
    CGContextBeginPath(c);
    for (double inset : {0.0, 5.0}) {
      CGContextMoveToPoint(c, inset, inset);
      CGContextAddLineToPoint(c, 20 - inset, inset);
      CGContextAddLineToPoint(c, 20 - inset, 20 - inset);
      CGContextAddLineToPoint(c, inset, 20 - inset);
      CGContextClosePath(c);
    }
  };
  Bitmap eo(20, 20);
  nested(eo.context);
  CGContextEOFillPath(eo.context);
  EXPECT_EQ(eo.Alpha(10, 10), 0);
  EXPECT_EQ(eo.Alpha(2, 10), 255);
  // The fill consumed the path: filling again paints nothing more.
  CGContextSetRGBFillColor(eo.context, 1, 0, 0, 1);
  CGContextFillPath(eo.context);
  EXPECT_EQ(eo.Alpha(10, 10), 0);
  EXPECT_TRUE(PixelIs(eo.At(2, 10), 0, 0, 0, 255, 0));

  Bitmap winding(20, 20);
  nested(winding.context);
  CGContextFillPath(winding.context);
  EXPECT_EQ(winding.Alpha(10, 10), 255);

  // A line needs a start: without one it is ignored rather than becoming it.
  Bitmap noStart(20, 20);
  CGContextBeginPath(noStart.context);
  CGContextAddLineToPoint(noStart.context, 0, 0);
  CGContextAddLineToPoint(noStart.context, 20, 0);
  CGContextAddLineToPoint(noStart.context, 20, 20);
  CGContextFillPath(noStart.context);
  for (UInt8 byte : noStart.pixels) ASSERT_EQ(byte, 0);
}

TEST(Images, ReadFormatsAndDrawUpright) {
  // 2 x 2, rows top first: red, green / blue, half-transparent white, stored
  // without premultiplication and alpha first.
  UInt8 argb[] = {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255};
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, argb, sizeof argb, KeepData);
  CGImageRef image = CGImageCreate(2, 2, 8, 32, 8, rgb, kCGImageAlphaFirst, provider, nullptr,
                                   false, kCGRenderingIntentDefault);
  ASSERT_NE(image, nullptr);
  std::vector<UInt8> px = CGImageCopyPixelsForTesting(image);
  ASSERT_EQ(px.size(), 16u);
  EXPECT_TRUE(PixelIs(&px[0], 255, 0, 0, 255, 0));
  EXPECT_TRUE(PixelIs(&px[8], 0, 0, 255, 255, 0));
  EXPECT_TRUE(PixelIs(&px[12], 128, 128, 128, 128));

  // Drawn scaled into a 4 x 4 bitmap: the first row lands at the top.
  Bitmap bm(4, 4);
  CGContextDrawImage(bm.context, CGRectMake(0, 0, 4, 4), image);
  EXPECT_TRUE(PixelIs(bm.At(0, 0), 255, 0, 0, 255, 0));
  EXPECT_TRUE(PixelIs(bm.At(3, 1), 0, 255, 0, 255, 0));
  EXPECT_TRUE(PixelIs(bm.At(1, 3), 0, 0, 255, 255, 0));
  EXPECT_TRUE(PixelIs(bm.At(2, 2), 128, 128, 128, 128));

  // Geometry the provider cannot back, non-identity decoding and unknown
  // layouts are refused.
  const CGFloat inverted[] = {1, 0, 0, 1, 0, 1, 0, 1};
  EXPECT_EQ(CGImageCreate(2, 3, 8, 32, 8, rgb, kCGImageAlphaFirst, provider, nullptr, false,
                          kCGRenderingIntentDefault),
            nullptr);
  EXPECT_EQ(CGImageCreate(2, 2, 8, 32, 8, rgb, kCGImageAlphaFirst, provider, inverted, false,
                          kCGRenderingIntentDefault),
            nullptr);
  EXPECT_EQ(CGImageCreate(2, 2, 16, 64, 16, rgb, kCGImageAlphaFirst, provider, nullptr, false,
                          kCGRenderingIntentDefault),
            nullptr);
  EXPECT_EQ(CGImageCreate(2, 2, 8, 32, 8, rgb, kCGImageAlphaNone, provider, nullptr, false,
                          kCGRenderingIntentDefault),
            nullptr);

  // Gray with alpha last, as a loaded gray image with transparency comes.
  UInt8 grayAlpha[] = {200, 255, 100, 0};
  CGColorSpaceRef gray = CGColorSpaceCreateDeviceGray();
  CGDataProviderRef grayData =
      CGDataProviderCreateWithData(nullptr, grayAlpha, sizeof grayAlpha, KeepData);
  CGImageRef grayImage = CGImageCreate(2, 1, 8, 16, 4, gray, kCGImageAlphaPremultipliedLast,
                                       grayData, nullptr, true, kCGRenderingIntentDefault);
  ASSERT_NE(grayImage, nullptr);
  px = CGImageCopyPixelsForTesting(grayImage);
  EXPECT_TRUE(PixelIs(&px[0], 200, 200, 200, 255, 0));
  EXPECT_EQ(px[7], 0);

  CGImageRelease(grayImage);
  CGDataProviderRelease(grayData);
  CGColorSpaceRelease(gray);
  CGImageRelease(image);
  CGDataProviderRelease(provider);
  CGColorSpaceRelease(rgb);
}

TEST(BitmapContext, FlushReachesTheOwnerAndPixelsOutliveTheContext) {
  std::vector<UInt8> window(4 * 4 * 4, 0);
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGContextRef c =
      CGBitmapContextCreate(window.data(), 4, 4, 8, 16, rgb, kCGImageAlphaPremultipliedLast);
  CGColorSpaceRelease(rgb);
  int flushes = 0;
  CGContextRef flushed = nullptr;
  CGContextSetFlushHandler(c, [&](CGContextRef which) {
    ++flushes;
    flushed = which;
    // What the owner shows is already complete at flush time.
    EXPECT_TRUE(PixelIs(&window[0], 0, 255, 0, 255, 0));
  });
  CGContextSetRGBFillColor(c, 0, 1, 0, 1);
  CGContextFillRect(c, CGRectMake(0, 0, 4, 4));
  CGContextFlush(c);
  EXPECT_EQ(flushes, 1);
  EXPECT_EQ(flushed, c);
  CGContextRelease(c);
  EXPECT_TRUE(PixelIs(&window[60], 0, 255, 0, 255, 0));
}

TEST(PNGOutput, WritesReadableFilesAndReportsFailures) {
  UInt8 rgba[] = {255, 0, 0, 255, 0, 0, 128, 128};  // red, half-transparent blue
  plist_test::TempDir dir;
  std::string path = dir / "out.png";
  ASSERT_EQ(WriteImagePNG(rgba, 2, 1, 8, path), noErr);

  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 2);
  UInt32 words[2];
  std::memcpy(words, cairo_image_surface_get_data(s), 8);
  EXPECT_EQ(words[0], 0xFFFF0000u);
  EXPECT_EQ(words[1] >> 24, 128u);
  EXPECT_NEAR(static_cast<int>(words[1] & 0xFF), 128, 1);
  cairo_surface_destroy(s);

  EXPECT_EQ(WriteImagePNG(rgba, 2, 1, 4, path), paramErr);
  EXPECT_EQ(WriteImagePNG(std::span<const UInt8>(rgba, 4), 2, 1, 8, path), paramErr);
  EXPECT_EQ(WriteImagePNG(nullptr, path), paramErr);
  EXPECT_EQ(WriteImagePNG(rgba, 2, 1, 8, dir / "missing/out.png"), ioErr);
}
