// Interface files: opening them from the main bundle and the menu bar.
#include "platform/interface/Nibs.h"

#include <gtest/gtest.h>

#include "platform/bundles/Bundle.h"
#include "support/desktop_fixture.h"
#include "support/plist_support.h"

namespace {

using plist_test::WriteFile;

// The desktop sandbox with a bundle of the test's making as the main bundle.
class NibsTest : public fixture::DesktopTest {
 protected:
  NibsTest() {
    plist_test::MakeFolders(bundle_ / "Contents/Resources");
    SetMainBundlePath(bundle_.path());
  }
  ~NibsTest() override { SetMainBundlePath(""); }
  void WriteNib(const std::string& body) {
    WriteFile(bundle_ / "Contents/Resources/main.nib",
              "<?xml version=\"1.0\"?><plist version=\"1.0\">" + body + "</plist>");
  }
  plist_test::TempDir bundle_;
};

TEST_F(NibsTest, AMissingOrUnreadableNibCannotBeFound) {
  IBNibRef nib = reinterpret_cast<IBNibRef>(1);
  EXPECT_EQ(CreateNibReference(CFSTR("main"), &nib), kIBCarbonRuntimeCantFindNibFile);
  EXPECT_EQ(nib, nullptr);
  WriteNib("<array/>");
  EXPECT_EQ(CreateNibReference(CFSTR("main"), &nib), kIBCarbonRuntimeCantFindNibFile);
  WriteFile(bundle_ / "Contents/Resources/main.nib", "<dict>");
  EXPECT_EQ(CreateNibReference(CFSTR("main"), &nib), kIBCarbonRuntimeCantFindNibFile);
  EXPECT_EQ(CreateNibReference(nullptr, &nib), paramErr);
}

TEST_F(NibsTest, TheMenuBarGoesToTheHostWithoutItsMalformedParts) {
  WriteNib(R"(<dict><key>MenuBar</key><array>
    <dict><key>Title</key><string>Korvane</string><key>Items</key>
      <array><string>About</string><integer>3</integer><string>-</string><string>Quit</string></array></dict>
    <dict><key>Items</key><array><string>untitled</string></array></dict>
    <string>not a menu</string>
    <dict><key>Title</key><string>Help</string></dict>
    </array><key>Other</key><string>x</string></dict>)");
  IBNibRef nib = nullptr;
  ASSERT_EQ(CreateNibReference(CFSTR("main"), &nib), noErr);
  EXPECT_EQ(SetMenuBarFromNib(nib, CFSTR("Missing")), kIBCarbonRuntimeCantFindObject);
  EXPECT_EQ(SetMenuBarFromNib(nib, CFSTR("Other")), kIBCarbonRuntimeObjectNotOfRequestedType);
  EXPECT_TRUE(desktop.menuBar.menus.empty());
  ASSERT_EQ(SetMenuBarFromNib(nib, CFSTR("MenuBar")), noErr);
  DisposeNibReference(nib);
  ASSERT_EQ(desktop.menuBar.menus.size(), 2u);
  EXPECT_EQ(desktop.menuBar.menus[0].items, (std::vector<std::string>{"About", "-", "Quit"}));
  EXPECT_EQ(desktop.menuBar.menus[1].title, "Help");
  EXPECT_FALSE(desktop.menuBar.shown);
  ShowMenuBar();
  EXPECT_TRUE(desktop.menuBar.shown);
  EXPECT_EQ(desktop.recorder.lines.back(), "menu bar shown");
}

TEST_F(NibsTest, WithoutAHostMenuBarTheBarCannotBeSet) {
  WriteNib("<dict><key>MenuBar</key><array/></dict>");
  desktop.host().menuBar = nullptr;
  IBNibRef nib = nullptr;
  ASSERT_EQ(CreateNibReference(CFSTR("main"), &nib), noErr);
  EXPECT_EQ(SetMenuBarFromNib(nib, CFSTR("MenuBar")), unimpErr);
  DisposeNibReference(nib);
  ShowMenuBar();  // nothing to show, nothing breaks
}

}  // namespace
