// Icon rendering: bitmap geometry, who owns the pixel buffer and the IconRef,
// transparent and dimmed images, and file icons by kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "common/IconRendering.h"
#include "support/desktop_fixture.h"

namespace {

IconRef IconOfKind(IconKind kind) {
  IconDescription description;
  description.kind = kind;
  return CreateIconRefForDescription(description);
}

UInt16 Owners(IconRef icon) {
  UInt16 owners = 0;
  EXPECT_EQ(GetIconRefOwners(icon, &owners), noErr);
  return owners;
}

UInt8 MaxAlpha(const std::vector<UInt8>& rgba) {
  UInt8 most = 0;
  for (std::size_t i = 3; i < rgba.size(); i += 4) most = std::max(most, rgba[i]);
  return most;
}

// Leaves freed heap blocks of the given size full of a pattern, so that a
// buffer malloc hands out next is not zero by luck.
void DirtyFreedBlocks(std::size_t size) {
  std::vector<void*> blocks;
  for (int i = 0; i < 8; ++i) {
    void* p = std::malloc(size);
    std::memset(p, 0xA5, size);
    blocks.push_back(p);
  }
  for (void* p : blocks) std::free(p);
}

class IconRendering : public fixture::DesktopTest {};

TEST_F(IconRendering, A32PixelIconHas128BytesPerRowIn4096Bytes) {
  void* buffer = nullptr;
  size_t byteCount = 0;
  CGContextRef context = CreateBitmapContext(32, 32, &buffer, &byteCount);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(byteCount, 4096u);
  EXPECT_EQ(CGBitmapContextGetBytesPerRow(context), 128u);
  EXPECT_EQ(CGBitmapContextGetWidth(context), 32u);
  EXPECT_EQ(CGBitmapContextGetHeight(context), 32u);
  EXPECT_EQ(CGBitmapContextGetData(context), buffer);

  // The buffer is the caller's: it outlives the context and is freed once,
  // by the caller.
  CGContextRelease(context);
  std::memset(buffer, 0, byteCount);
  std::free(buffer);

  CGImageRef image = GetCGImageForIconRef(IconOfKind(IconKind::kFolder), 32, kTransformNone);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(CGImageGetWidth(image), 32u);
  EXPECT_EQ(CGImageGetHeight(image), 32u);
  EXPECT_EQ(CGImageGetBytesPerRow(image), 128u);
  EXPECT_EQ(CGImageGetBitsPerPixel(image), 32u);
  EXPECT_EQ(CGImageGetBitmapInfo(image) & kCGBitmapAlphaInfoMask, kCGImageAlphaPremultipliedLast);
  EXPECT_EQ(CGImageDescribe(image), "image 32x32 icon:folder");
  CGImageRelease(image);
}

TEST_F(IconRendering, ABitmapContextThatCannotBeMadeAllocatesNothing) {
  void* buffer = reinterpret_cast<void*>(0x1);
  size_t byteCount = 7;
  EXPECT_EQ(CreateBitmapContext(0, 16, &buffer, &byteCount), nullptr);
  EXPECT_EQ(buffer, reinterpret_cast<void*>(0x1));
  // A byte count that overflows is refused, not wrapped into a small buffer.
  const size_t huge = static_cast<size_t>(1) << (sizeof(size_t) * 8 - 2);
  EXPECT_EQ(CreateBitmapContext(huge, 16, &buffer, &byteCount), nullptr);
  EXPECT_EQ(buffer, reinterpret_cast<void*>(0x1));
  EXPECT_EQ(CreateBitmapContext(16, 16, &buffer, nullptr), nullptr);
}

TEST_F(IconRendering, TheImageTakesOverTheCallersIconReference) {
  IconRef icon = IconOfKind(IconKind::kDocument);
  ASSERT_EQ(AcquireIconRef(icon), noErr);  // a reference of the test's own
  ASSERT_EQ(Owners(icon), 2);

  CGImageRef image = GetCGImageForIconRef(icon, 16, kTransformNone);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Owners(icon), 1);
  CGImageRelease(image);

  // Also when no image can be made, the reference given is released.
  ASSERT_EQ(AcquireIconRef(icon), noErr);
  EXPECT_EQ(GetCGImageForIconRef(icon, 0, kTransformNone), nullptr);
  EXPECT_EQ(Owners(icon), 1);
  ASSERT_EQ(AcquireIconRef(icon), noErr);
  EXPECT_EQ(GetCGImageForIconRef(icon, kLargestIconSize + 1, kTransformNone), nullptr);
  EXPECT_EQ(Owners(icon), 1);
  // A settings value of -1 arrives as 65535 pixels: no image, no gigabytes.
  ASSERT_EQ(AcquireIconRef(icon), noErr);
  EXPECT_EQ(GetCGImageForIconRef(icon, static_cast<UInt16>(-1), kTransformNone), nullptr);
  EXPECT_EQ(Owners(icon), 1);
  ReleaseIconRef(icon);
}

TEST_F(IconRendering, TheLargestIconSizeIsStillRendered) {
  // 1024 pixels is the largest edge rendered: 4 bytes a pixel, 4 MiB.
  ASSERT_EQ(kLargestIconSize, 1024);
  void* buffer = nullptr;
  size_t byteCount = 0;
  CGContextRef context = CreateBitmapContext(1024, 1024, &buffer, &byteCount);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(byteCount, 4u * 1024 * 1024);
  EXPECT_EQ(CGBitmapContextGetBytesPerRow(context), 4096u);
  CGContextRelease(context);
  std::free(buffer);

  IconRef icon = IconOfKind(IconKind::kFolder);
  ASSERT_EQ(AcquireIconRef(icon), noErr);
  CGImageRef image = GetCGImageForIconRef(icon, kLargestIconSize, kTransformNone);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Owners(icon), 1) << "the reference given was taken over";
  EXPECT_EQ(CGImageGetWidth(image), 1024u);
  EXPECT_EQ(CGImageGetHeight(image), 1024u);
  EXPECT_EQ(CGImageGetBytesPerRow(image), 4096u);
  const std::vector<UInt8> pixels = CGImageCopyPixelsForTesting(image);
  EXPECT_EQ(pixels.size(), 4u * 1024 * 1024);
  EXPECT_EQ(MaxAlpha(pixels), 255) << "the icon is drawn, not only cleared";
  CGImageRelease(image);
  ReleaseIconRef(icon);
}

TEST_F(IconRendering, TheByteCountIsTheBuffersSizeOrZeroWhenRefused) {
  // Sides that are not equal, and the smallest bitmap there is.
  for (const auto& [width, height] : {std::pair<size_t, size_t>{3, 5}, {5, 3}, {1, 1}, {1, 1024}}) {
    void* buffer = nullptr;
    size_t byteCount = 0;
    CGContextRef context = CreateBitmapContext(width, height, &buffer, &byteCount);
    ASSERT_NE(context, nullptr) << width << "x" << height;
    EXPECT_EQ(byteCount, width * height * 4) << width << "x" << height;
    EXPECT_EQ(CGBitmapContextGetBytesPerRow(context), width * 4);
    // Every byte counted is the caller's to write.
    std::memset(buffer, 0xFF, byteCount);
    CGContextRelease(context);
    std::free(buffer);
  }
  // Refused, the count says that nothing was allocated.
  for (const auto& [width, height] : {std::pair<size_t, size_t>{0, 16}, {16, 0}}) {
    size_t byteCount = 7;
    EXPECT_EQ(CreateBitmapContext(width, height, nullptr, &byteCount), nullptr);
    EXPECT_EQ(byteCount, 0u) << width << "x" << height;
  }
  size_t byteCount = 7;
  const size_t huge = static_cast<size_t>(1) << (sizeof(size_t) * 8 - 2);
  EXPECT_EQ(CreateBitmapContext(huge, 16, nullptr, &byteCount), nullptr);
  EXPECT_EQ(byteCount, 0u);
}

TEST_F(IconRendering, ANullIconGivesATransparentImageOfTheSizeAsked) {
  // The buffer is not cleared by its allocation: clearing is the renderer's.
  DirtyFreedBlocks(48 * 48 * 4);
  CGImageRef image = GetCGImageForIconRef(nullptr, 48, kTransformNone);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(CGImageGetWidth(image), 48u);
  EXPECT_EQ(CGImageGetHeight(image), 48u);
  const std::vector<UInt8> pixels = CGImageCopyPixelsForTesting(image);
  ASSERT_EQ(pixels.size(), 48u * 48u * 4u);
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](UInt8 b) { return b == 0; }));
  CGImageRelease(image);
}

TEST_F(IconRendering, ADimmedIconDiffersFromTheNormalOne) {
  CGImageRef normal = GetCGImageForIconRef(IconOfKind(IconKind::kApplication), 16, kTransformNone);
  CGImageRef dimmed =
      GetCGImageForIconRef(IconOfKind(IconKind::kApplication), 16, kTransformDisabled);
  ASSERT_NE(normal, nullptr);
  ASSERT_NE(dimmed, nullptr);
  const auto a = CGImageCopyPixelsForTesting(normal);
  const auto b = CGImageCopyPixelsForTesting(dimmed);
  EXPECT_NE(a, b);
  EXPECT_EQ(MaxAlpha(a), 255);
  EXPECT_LT(MaxAlpha(b), 200);
  EXPECT_GT(MaxAlpha(b), 0);
  EXPECT_EQ(CGImageDescribe(dimmed), "image 16x16 icon:application dimmed");
  CGImageRelease(normal);
  CGImageRelease(dimmed);
}

TEST_F(IconRendering, ThePixelsLiveAsLongAsTheLastReferenceToTheImage) {
  CGImageRef image = GetCGImageForIconRef(IconOfKind(IconKind::kFolder), 16, kTransformNone);
  ASSERT_NE(image, nullptr);
  const auto before = CGImageCopyPixelsForTesting(image);
  // A second owner (a menu item, say) keeps the pixels when the first goes;
  // the sanitizer build catches a buffer freed early or twice.
  CGImageRef kept = CGImageRetain(image);
  CGImageRelease(image);
  // Another image made meanwhile must not reuse the buffer.
  CGImageRef other = GetCGImageForIconRef(nullptr, 16, kTransformNone);
  EXPECT_EQ(CGImageCopyPixelsForTesting(kept), before);
  CGImageRelease(other);
  CGImageRelease(kept);
}

TEST_F(IconRendering, AFileIconIsRenderedByTheFilesKind) {
  plist_test::MakeFolders(dir / "Folder");
  plist_test::WriteFile(dir / "notes.txt", "text");
  plist_test::WriteFile(dir / "gone", "");
  auto refOf = [this](const char* name) {
    FSRef ref{};
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>((dir / name).c_str()), &ref, nullptr),
              noErr);
    return ref;
  };
  const FSRef folder = refOf("Folder"), document = refOf("notes.txt"), gone = refOf("gone");
  ASSERT_EQ(std::remove((dir / "gone").c_str()), 0);

  CGImageRef folderImage = GetFileIconImage(&folder, 16, kTransformNone);
  CGImageRef documentImage = GetFileIconImage(&document, 16, kTransformDisabled);
  EXPECT_EQ(CGImageDescribe(folderImage), "image 16x16 icon:folder");
  EXPECT_EQ(CGImageDescribe(documentImage), "image 16x16 icon:document dimmed");
  EXPECT_NE(CGImageCopyPixelsForTesting(folderImage), CGImageCopyPixelsForTesting(documentImage));
  CGImageRelease(folderImage);
  CGImageRelease(documentImage);

  // An item that is gone has no icon: null, not a transparent image.
  EXPECT_EQ(GetFileIconImage(&gone, 16, kTransformNone), nullptr);
  EXPECT_EQ(GetFileIconImage(nullptr, 16, kTransformNone), nullptr);
}

}  // namespace
