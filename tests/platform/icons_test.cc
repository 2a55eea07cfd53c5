#include "platform/icons/Icons.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hosts/sim/SimFileSystem.h"
#include "hosts/sim/SimIcons.h"
#include "platform/core/MacErrors.h"
#include "platform/files/Files.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/host/Host.h"
#include "platform/menus/Menus.h"
#include "support/desktop_fixture.h"

namespace {

// Plots icon into a cleared square bitmap of side pixels and returns the
// premultiplied RGBA bytes, top row first.
std::vector<UInt8> Render(IconRef icon, IconTransformType transform, size_t side = 32) {
  std::vector<UInt8> px(side * side * 4, 0xAB);
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGContextRef c = CGBitmapContextCreate(px.data(), side, side, 8, side * 4, rgb,
                                         kCGImageAlphaPremultipliedLast);
  CGColorSpaceRelease(rgb);
  CGRect all = CGRectMake(0, 0, static_cast<CGFloat>(side), static_cast<CGFloat>(side));
  CGContextClearRect(c, all);
  RGBColor black;
  EXPECT_EQ(
      PlotIconRefInContext(c, &all, kAlignNone, transform, &black, kPlotIconRefNormalFlags, icon),
      noErr);
  CGContextRelease(c);
  return px;
}

UInt8 MaxAlpha(const std::vector<UInt8>& px) {
  UInt8 m = 0;
  for (size_t i = 3; i < px.size(); i += 4) m = std::max(m, px[i]);
  return m;
}

IconRef IconOfKind(IconKind kind, std::optional<IconKind> target = std::nullopt) {
  IconDescription d;
  d.kind = kind;
  d.aliasTarget = target;
  return CreateIconRefForDescription(d);
}

struct ReleaseCount {
  int calls = 0;
};
void CountAndFree(void* info, const void* data, size_t) {
  ++static_cast<ReleaseCount*>(info)->calls;
  std::free(const_cast<void*>(data));
}

// The simulated desktop's icons and volumes over a sandbox folder.
class IconsTest : public fixture::FileSystemTest {
 protected:
  void SetUp() override { host.icons = &icons_; }

  std::string Path(const std::string& name) const { return root + "/" + name; }
  void MakeFile(const std::string& name, const std::string& text, mode_t mode = 0644) const {
    std::ofstream(Path(name)) << text;
    chmod(Path(name).c_str(), mode);
  }

  // The icon's description as GetIconRefFromFileInfo gives it for the item
  // at path, in the short form (no name, no catalog information).
  std::string DescribeItem(const std::string& path) const {
    FSRef ref;
    if (FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr) != noErr)
      return "no ref";
    IconRef icon = nullptr;
    SInt16 label = -1;
    OSErr err = GetIconRefFromFileInfo(&ref, 0, nullptr, kFSCatInfoNone, nullptr,
                                       kIconServicesNormalUsageFlag, &icon, &label);
    if (err != noErr) return "error " + std::to_string(err);
    EXPECT_EQ(label, 0);
    std::string text = DescribeIconRef(icon);
    (void)ReleaseIconRef(icon);
    return text;
  }

  SimIcons icons_;
};

}  // namespace

TEST(IconRefs, OwnersCountAndNullArguments) {
  IconRef icon = IconOfKind(IconKind::kFolder);
  UInt16 owners = 0;
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 1);
  EXPECT_EQ(AcquireIconRef(icon), noErr);
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 2);
  EXPECT_EQ(ReleaseIconRef(icon), noErr);
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 1);
  EXPECT_EQ(GetIconRefOwners(icon, nullptr), paramErr);
  EXPECT_EQ(ReleaseIconRef(icon), noErr);  // the last owner: freed (ASan watches)

  EXPECT_EQ(AcquireIconRef(nullptr), paramErr);
  EXPECT_EQ(ReleaseIconRef(nullptr), paramErr);
  EXPECT_EQ(GetIconRefOwners(nullptr, &owners), paramErr);
  EXPECT_EQ(DescribeIconRef(nullptr), "no icon");
}

TEST_F(IconsTest, KindFollowsTheItemOnDisk) {
  std::filesystem::create_directory(Path("Documents"));
  std::filesystem::create_directory(Path("Mail.app"));
  std::filesystem::create_directory(Path("SHOUT.APP"));
  std::filesystem::create_directory(Path("Sound.prefPane"));
  std::filesystem::create_directory(Path("Photos.app.d"));
  MakeFile("notes.txt", "hello");
  MakeFile("tool", "#!/bin/sh\n", 0755);
  MakeFile("report.pdf", "%PDF-1.4\n", 0755);  // as a FAT or NTFS stick shows it
  MakeFile("editor.desktop", "# comment\n[Desktop Entry]\nName=Editor\nType = Application\n");
  MakeFile("site.desktop", "[Desktop Entry]\nType=Link\n[Extra]\nType=Application\n");
  ASSERT_EQ(symlink(Path("Mail.app").c_str(), Path("Mail").c_str()), 0);
  ASSERT_EQ(symlink(Path("Documents").c_str(), Path("Docs").c_str()), 0);
  ASSERT_EQ(symlink(Path("nowhere").c_str(), Path("broken").c_str()), 0);
  sim.AddVolume("Backup", "Volumes/Backup");

  EXPECT_EQ(DescribeItem(Path("Documents")), "icon:folder");
  EXPECT_EQ(DescribeItem(Path("Mail.app")), "icon:application");
  EXPECT_EQ(DescribeItem(Path("SHOUT.APP")), "icon:application");
  EXPECT_EQ(DescribeItem(Path("Sound.prefPane")), "icon:pane");
  EXPECT_EQ(DescribeItem(Path("Photos.app.d")), "icon:folder");
  EXPECT_EQ(DescribeItem(Path("notes.txt")), "icon:document");
  EXPECT_EQ(DescribeItem(Path("tool")), "icon:application");
  EXPECT_EQ(DescribeItem(Path("report.pdf")), "icon:document");
  EXPECT_EQ(DescribeItem(Path("editor.desktop")), "icon:application");
  EXPECT_EQ(DescribeItem(Path("site.desktop")), "icon:document");
  EXPECT_EQ(DescribeItem(Path("Mail")), "icon:alias:application");
  EXPECT_EQ(DescribeItem(Path("Docs")), "icon:alias:folder");
  EXPECT_EQ(DescribeItem(Path("broken")), "icon:alias");
  EXPECT_EQ(DescribeItem(Path("Volumes/Backup")), "icon:volume");
  EXPECT_EQ(DescribeItem(Path("Volumes")), "icon:folder");
  EXPECT_EQ(DescribeItem("/"), "icon:volume");
}

TEST_F(IconsTest, LookupKeepsTheCallersNameAndFailsQuietly) {
  MakeFile("report.txt", "x");
  FSRef ref;
  ASSERT_EQ(
      FSPathMakeRef(reinterpret_cast<const UInt8*>(Path("report.txt").c_str()), &ref, nullptr),
      noErr);
  const UniChar name[] = {u'R', u'e', u'p', u'o', u'r', u't'};
  IconRef icon = nullptr;
  ASSERT_EQ(GetIconRefFromFileInfo(&ref, 6, name, kFSCatInfoNone, nullptr,
                                   kIconServicesNormalUsageFlag, &icon, nullptr),
            noErr);
  ASSERT_NE(GetIconRefDescription(icon), nullptr);
  EXPECT_EQ(GetIconRefDescription(icon)->name, "Report");
  EXPECT_EQ(GetIconRefDescription(icon)->path, Path("report.txt"));
  (void)ReleaseIconRef(icon);

  EXPECT_EQ(GetIconRefFromFileInfo(nullptr, 0, nullptr, 0, nullptr, 0, &icon, nullptr), paramErr);
  EXPECT_EQ(GetIconRefFromFileInfo(&ref, 0, nullptr, 0, nullptr, 0, nullptr, nullptr), paramErr);
  unlink(Path("report.txt").c_str());
  IconRef stale = IconOfKind(IconKind::kFolder);
  icon = stale;
  EXPECT_EQ(GetIconRefFromFileInfo(&ref, 0, nullptr, 0, nullptr, 0, &icon, nullptr), fnfErr);
  EXPECT_EQ(icon, nullptr);
  (void)ReleaseIconRef(stale);
}

TEST_F(IconsTest, EachKindHasItsOwnPicture) {
  std::vector<std::pair<std::string, std::vector<UInt8>>> pictures;
  for (auto [kind, target] :
       {std::pair<IconKind, std::optional<IconKind>>{IconKind::kFolder, std::nullopt},
        {IconKind::kDocument, std::nullopt},
        {IconKind::kApplication, std::nullopt},
        {IconKind::kVolume, std::nullopt},
        {IconKind::kPane, std::nullopt},
        {IconKind::kAlias, IconKind::kFolder},
        {IconKind::kAlias, std::nullopt}}) {
    IconRef icon = IconOfKind(kind, target);
    pictures.emplace_back(DescribeIconRef(icon), Render(icon, kTransformNone));
    (void)ReleaseIconRef(icon);
    EXPECT_EQ(MaxAlpha(pictures.back().second), 255) << pictures.back().first;
  }
  for (size_t i = 0; i < pictures.size(); ++i)
    for (size_t j = i + 1; j < pictures.size(); ++j)
      EXPECT_NE(pictures[i].second, pictures[j].second)
          << pictures[i].first << " looks like " << pictures[j].first;
}

TEST_F(IconsTest, TransformsChangeTheIcon) {
  IconRef icon = IconOfKind(IconKind::kApplication);
  std::vector<UInt8> normal = Render(icon, kTransformNone, 16);
  std::vector<UInt8> dimmed = Render(icon, kTransformDisabled, 16);
  std::vector<UInt8> selected = Render(icon, kTransformSelected, 16);
  (void)ReleaseIconRef(icon);

  // A hidden application's icon is see-through: about half the opacity.
  EXPECT_NE(normal, dimmed);
  EXPECT_EQ(MaxAlpha(normal), 255);
  EXPECT_NEAR(MaxAlpha(dimmed), 128, 2);
  // Selected keeps the shape and darkens the colour.
  const size_t centre = (8 * 16 + 8) * 4;
  EXPECT_EQ(selected[centre + 3], normal[centre + 3]);
  EXPECT_LT(selected[centre] + selected[centre + 1] + selected[centre + 2],
            normal[centre] + normal[centre + 1] + normal[centre + 2]);
}

TEST_F(IconsTest, IconIsPlacedInTheLargestSquare) {
  IconRef icon = IconOfKind(IconKind::kApplication);  // a diamond touching the middle of each side
  auto columnsPainted = [&](IconAlignmentType align) {
    std::vector<UInt8> px(32 * 16 * 4, 0);
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    CGContextRef c =
        CGBitmapContextCreate(px.data(), 32, 16, 8, 128, rgb, kCGImageAlphaPremultipliedLast);
    CGColorSpaceRelease(rgb);
    CGRect wide = CGRectMake(0, 0, 32, 16);
    EXPECT_EQ(PlotIconRefInContext(c, &wide, align, kTransformNone, nullptr, 0, icon), noErr);
    CGContextRelease(c);
    std::string columns;
    for (size_t x = 0; x < 32; ++x) {
      bool painted = false;
      for (size_t row = 0; row < 16; ++row) painted |= px[(row * 32 + x) * 4 + 3] != 0;
      columns += painted ? '#' : '.';
    }
    return columns;
  };
  EXPECT_EQ(columnsPainted(kAlignNone), "........################........");
  EXPECT_EQ(columnsPainted(kAlignAbsoluteCenter), "........################........");
  EXPECT_EQ(columnsPainted(kAlignLeft), "################................");
  EXPECT_EQ(columnsPainted(kAlignBottomRight), "................################");
  (void)ReleaseIconRef(icon);
}

TEST(IconsWithoutHost, PlotANeutralSquare) {
  Host bare;
  Host* previous = InstallHost(&bare);
  IconRef icon = IconOfKind(IconKind::kFolder);
  std::vector<UInt8> px = Render(icon, kTransformNone, 16);
  const size_t centre = (8 * 16 + 8) * 4;
  EXPECT_EQ(px[centre + 3], 255);
  EXPECT_EQ(px[centre], px[centre + 1]);  // gray
  EXPECT_EQ(px[3], 0);                    // the corner stays clear

  CGRect r = CGRectMake(0, 0, 16, 16);
  std::vector<UInt8> buffer(16 * 16 * 4);
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGContextRef c =
      CGBitmapContextCreate(buffer.data(), 16, 16, 8, 64, rgb, kCGImageAlphaPremultipliedLast);
  CGColorSpaceRelease(rgb);
  EXPECT_EQ(PlotIconRefInContext(nullptr, &r, kAlignNone, 0, nullptr, 0, icon), paramErr);
  EXPECT_EQ(PlotIconRefInContext(c, nullptr, kAlignNone, 0, nullptr, 0, icon), paramErr);
  EXPECT_EQ(PlotIconRefInContext(c, &r, kAlignNone, 0, nullptr, 0, nullptr), paramErr);
  CGContextRelease(c);
  (void)ReleaseIconRef(icon);
  InstallHost(previous);
}

TEST_F(IconsTest, ImagesSayWhichIconTheyShow) {
  // The agent's icon images: a malloc'd bitmap, cleared, plotted, wrapped.
  auto renderImage = [](IconRef icon, IconTransformType transform, ReleaseCount* count) {
    const size_t side = 16, bytes = side * side * 4;
    void* buffer = std::malloc(bytes);
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    CGContextRef c =
        CGBitmapContextCreate(buffer, side, side, 8, side * 4, rgb, kCGImageAlphaPremultipliedLast);
    CGRect all = CGRectMake(0, 0, side, side);
    CGContextClearRect(c, all);
    if (icon) {
      RGBColor black;
      (void)PlotIconRefInContext(c, &all, kAlignNone, transform, &black, 0, icon);
    }
    CGDataProviderRef provider = CGDataProviderCreateWithData(count, buffer, bytes, CountAndFree);
    CGImageRef image =
        CGImageCreate(side, side, 8, 32, side * 4, rgb, kCGImageAlphaPremultipliedLast, provider,
                      nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    CGContextRelease(c);
    CGColorSpaceRelease(rgb);
    return image;
  };
  ReleaseCount count;
  IconRef folder = IconOfKind(IconKind::kFolder);
  CGImageRef dimmed = renderImage(folder, kTransformDisabled, &count);
  EXPECT_EQ(CGImageDescribe(dimmed), "image 16x16 icon:folder dimmed");
  EXPECT_EQ(DescribeMenuIcon(kMenuCGImageRefType, dimmed), "image 16x16 icon:folder dimmed");
  EXPECT_EQ(DescribeMenuIcon(kMenuIconRefType, folder), "icon:folder");
  EXPECT_EQ(DescribeMenuIcon(kMenuNoIcon, nullptr), "no icon");
  CGImageRef empty = renderImage(nullptr, kTransformNone, &count);
  EXPECT_EQ(CGImageDescribe(empty), "image 16x16");
  std::vector<UInt8> px = CGImageCopyPixelsForTesting(empty);
  EXPECT_EQ(MaxAlpha(px), 0);  // a null icon gives a transparent image
  CGImageRelease(dimmed);
  CGImageRelease(empty);
  EXPECT_EQ(count.calls, 2);
  (void)ReleaseIconRef(folder);
}

TEST_F(IconsTest, MenusHoldTheirOwnReferences) {
  RegisterIconOwnershipWithMenus();
  MenuRef menu = nullptr;
  ASSERT_EQ(CreateNewMenu(300, 0, &menu), noErr);
  ASSERT_EQ(AppendMenuItemTextWithCFString(menu, CFSTR("A"), 0, 0, nullptr), noErr);
  ASSERT_EQ(AppendMenuItemTextWithCFString(menu, CFSTR("B"), 0, 0, nullptr), noErr);

  IconRef icon = IconOfKind(IconKind::kDocument);
  ASSERT_EQ(SetMenuItemIconHandle(menu, 1, kMenuIconRefType, reinterpret_cast<Handle>(icon)),
            noErr);
  UInt16 owners = 0;
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 2);

  ReleaseCount count;
  void* pixels = std::malloc(16);
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGDataProviderRef provider = CGDataProviderCreateWithData(&count, pixels, 16, CountAndFree);
  CGImageRef image = CGImageCreate(2, 2, 8, 32, 8, rgb, kCGImageAlphaPremultipliedLast, provider,
                                   nullptr, false, kCGRenderingIntentDefault);
  CGDataProviderRelease(provider);
  CGColorSpaceRelease(rgb);
  ASSERT_EQ(SetMenuItemIconHandle(menu, 2, kMenuCGImageRefType, reinterpret_cast<Handle>(image)),
            noErr);
  CGImageRelease(image);  // the caller's reference; the menu keeps its own
  EXPECT_EQ(count.calls, 0);

  ASSERT_EQ(DeleteMenuItem(menu, 1), noErr);
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 1);
  ASSERT_EQ(DisposeMenu(menu), noErr);
  EXPECT_EQ(count.calls, 1);
  (void)ReleaseIconRef(icon);
  SetMenuIconOwnership(nullptr, nullptr);
}
