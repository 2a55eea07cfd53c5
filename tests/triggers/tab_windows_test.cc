// Tab windows: which screen a tab lands on, where on it, how it is drawn,
// and that display changes and paint requests reach it.
#include <algorithm>
#include <cmath>

#include "../menus/builder_test_support.h"
#include "common/PrivateFunctions.h"
#include "platform/host/Transcript.h"
#include "platform/preferences/Preferences.h"
#include "platform/windows/Screens.h"
#include "shell/AppHandlers.h"
#include "support/plist_support.h"
#include "triggers/TabWindows.h"

namespace {

using namespace builder_test;

constexpr RGBColor kRed = {65535, 0, 0};

struct Look {
  float alpha = 1.0f;
  SInt16 squareSize = 20;
  RGBColor color = kRed;
};

class TabWindowsTest : public Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    LoadAPIAddresses(true);
  }
  void TearDown() override {
    Sandbox::TearDown();
    ForgetAPIAddressesForTesting();
  }

  ScreenMenu* MakeTab(int position, int screen = 0, int offset = 0, Look look = {}) {
    TriggerConfig config;
    config.items = items_;
    config.position = static_cast<SInt8>(position);
    config.screen = static_cast<SInt8>(screen);
    config.offset = static_cast<SInt16>(offset);
    auto* tab = new ScreenMenu(look.alpha, look.color, look.squareSize, config);
    gTriggers.push_back(tab);
    return tab;
  }
  static Point TopLeft(const ScreenMenu* tab) {
    Rect r;
    EXPECT_EQ(GetWindowBounds(tab->window, kWindowContentRgn, &r), noErr);
    return Point{r.top, r.left};
  }
  const SimWindow& Shown(const ScreenMenu* tab) const {
    return *desktop.windows.Find(GetWindowHostNumber(tab->window));
  }
  // Premultiplied RGBA of column x, row y (rows counted from the top).
  std::vector<int> Pixel(const ScreenMenu* tab, int x, int y) const {
    const SimWindow& w = Shown(tab);
    const auto at = w.pixels.begin() + (y * static_cast<int>(w.pixelWidth) + x) * 4;
    return {at[0], at[1], at[2], at[3]};
  }
  std::size_t Count(const std::string& prefix) const {
    return std::count_if(desktop.recorder.lines.begin(), desktop.recorder.lines.end(),
                         [&](const std::string& l) { return l.starts_with(prefix); });
  }

  CFRef<CFMutableArrayRef> items_ = Items({});
};

constexpr Rect kMain1024 = {0, 0, 768, 1024};

TEST_F(TabWindowsTest, ScreenIndexCountsActiveNonMainScreensInOrder) {
  desktop.screens.Declare({{Rect{0, 1440, 900, 2880}, false, true, 0},
                           {Rect{0, 0, 900, 1440}, true, true, 0},
                           {Rect{0, -800, 600, 0}, false, false, 0},  // inactive
                           {Rect{-1200, 0, 0, 1920}, false, true, 0}});
  EXPECT_EQ(TopLeft(MakeTab(1, 1)), (Point{0, 1440}));
  ScreenMenu* second = MakeTab(1, 2);
  EXPECT_EQ(TopLeft(second), (Point{-1200, 0})) << "the main and inactive screens are skipped";
  EXPECT_TRUE(IsWindowVisible(second->window));
  EXPECT_EQ(TopLeft(MakeTab(1, 0)), (Point{0, 0}));

  for (int missing : {3, -1}) {
    ScreenMenu* tab = MakeTab(1, missing);
    EXPECT_FALSE(IsWindowVisible(tab->window)) << "screen " << missing;
  }

  // Only one screen besides the main one: Screen 2 does not exist.
  desktop.screens.Declare({{kMain1024, true, true, 0}, {Rect{0, 1024, 768, 2048}, false, true, 0}});
  EXPECT_FALSE(IsWindowVisible(MakeTab(4, 2)->window));
  // No main device: a Screen 0 tab is hidden.
  desktop.screens.Declare({{kMain1024, false, true, 0}});
  EXPECT_FALSE(IsWindowVisible(MakeTab(1, 0)->window));
}

TEST_F(TabWindowsTest, EveryPositionCodeOnItsScreen) {
  desktop.screens.Declare({{kMain1024, true, true, 0}, {Rect{0, 1440, 900, 2880}, false, true, 0}});
  EXPECT_EQ(TopLeft(MakeTab(6, 1, 2500)), (Point{0, 1800}));
  EXPECT_EQ(TopLeft(MakeTab(4, 0, 0, {.squareSize = 20})), (Point{748, 1004}));

  // A screen away from the origin, a 10-pixel tab, half-way along the edges.
  desktop.screens.Declare({{Rect{100, 200, 700, 1000}, true, true, 0}});
  const Look small{.squareSize = 10};
  const std::vector<std::pair<int, Point>> expected = {
      {1, {100, 200}}, {2, {100, 990}}, {3, {690, 200}}, {4, {690, 990}},
      {5, {400, 200}}, {6, {100, 600}}, {7, {400, 990}}, {8, {690, 600}}};
  for (const auto& [position, place] : expected)
    EXPECT_EQ(TopLeft(MakeTab(position, 0, 5000, small)), place) << "position " << position;
  // Corners ignore the offset; the edge offset is not reduced by the tab.
  EXPECT_EQ(TopLeft(MakeTab(3, 0, 7000, small)), (Point{690, 200}));
  EXPECT_EQ(TopLeft(MakeTab(5, 0, 10000, small)), (Point{700, 200}));

  // Any other code stays at the creation bounds, and is still shown.
  for (int other : {9, 0, -3, 12}) {
    ScreenMenu* tab = MakeTab(other, 0, 5000, small);
    EXPECT_EQ(TopLeft(tab), (Point{0, 0})) << "position " << other;
    EXPECT_TRUE(IsWindowVisible(tab->window));
  }
}

TEST_F(TabWindowsTest, ATabIsNeverMoreThanAQuarterOfItsScreensSmallerSide) {
  desktop.screens.Declare({{kMain1024, true, true, 0}, {Rect{0, 1024, 300, 1424}, false, true, 0}});
  const auto size = [](const ScreenMenu* tab) {
    Rect r;
    EXPECT_EQ(GetWindowBounds(tab->window, kWindowContentRgn, &r), noErr);
    return std::pair{r.right - r.left, r.bottom - r.top};
  };
  // 768 / 4 = 192 on the main screen; the corner places the smaller tab.
  ScreenMenu* corner = MakeTab(4, 0, 0, {.squareSize = 256});
  EXPECT_EQ(corner->squareSize, 192);
  EXPECT_EQ(size(corner), (std::pair{192, 192}));
  EXPECT_EQ(TopLeft(corner), (Point{768 - 192, 1024 - 192}));
  EXPECT_EQ(Count("settings: a tab: \"Square Size\" 256 is more than a quarter of its screen's "
                  "smaller side; the tab is 192 pixels"),
            1u);
  // 300 / 4 = 75 on screen 1; a screen that does not exist counts as the main one.
  EXPECT_EQ(MakeTab(1, 1, 0, {.squareSize = 100})->squareSize, 75);
  EXPECT_EQ(MakeTab(1, 3, 0, {.squareSize = 200})->squareSize, 192);
  // A size within the limit is left alone, and said nothing of.
  const std::size_t reported = Count("settings:");
  EXPECT_EQ(MakeTab(2, 0, 0, {.squareSize = 192})->squareSize, 192);
  EXPECT_EQ(Count("settings:"), reported);
  // Without any screen only the settings' own limit holds.
  desktop.screens.Declare({});
  EXPECT_EQ(MakeTab(1, 0, 0, {.squareSize = 256})->squareSize, 256);
}

TEST_F(TabWindowsTest, PlacesBeyondTheCoordinateSpaceStopAtItsEnd) {
  // Worked in 16 bits these would wrap round to the far side of the desktop.
  desktop.screens.Declare({{Rect{32000, 32000, 32767, 32767}, true, true, 0},
                           {Rect{-32768, -32768, -32000, -32000}, false, true, 0}});
  EXPECT_EQ(TopLeft(MakeTab(8, 0, 32767, {.squareSize = 10})), (Point{32757, 32767}));
  EXPECT_EQ(TopLeft(MakeTab(5, 1, -32768, {.squareSize = 10})), (Point{-32768, -32768}));
}

TEST_F(TabWindowsTest, WindowAttributesTagAndPaintHandlerFollowTheLook) {
  ScreenMenu* undrawn = MakeTab(1, 0, 0, {.alpha = 0.0f});
  ScreenMenu* drawn = MakeTab(2, 0, 0, {.alpha = 0.5f});
  EXPECT_EQ(Shown(undrawn).windowClass, 14u);
  EXPECT_EQ(Shown(undrawn).attributes, 0x86040000u);
  EXPECT_EQ(Shown(drawn).attributes, 0x86000000u);
  const auto number = [](const ScreenMenu* t) {
    return static_cast<SInt32>(GetWindowHostNumber(t->window));
  };
  EXPECT_EQ(
      desktop.privateFunctions.windowTags,
      (std::vector<std::pair<SInt32, UInt32>>{{number(undrawn), 0x800}, {number(drawn), 0x800}}));

  // Alpha 0.0: no paint handler, so a paint request draws nothing.
  EXPECT_EQ(Count(Fmt("handler installed: window %d 'wind'/1013", number(undrawn))), 0u);
  EXPECT_EQ(Count(Fmt("handler installed: window %d 'wind'/1013", number(drawn))), 1u);
  EXPECT_EQ(desktop.windows.Paint(number(undrawn)), eventNotHandledErr);
  DrawTab(undrawn, true);
  EXPECT_EQ(Shown(undrawn).drawCount, 0);

  // "No Fullscreen Disable" keeps the tab on screen in full-screen mode;
  // without the private functions the window is used untagged.
  CFPreferencesSetAppValue(CFSTR(kNoFullscreenDisableKey), kCFBooleanTrue,
                           kCFPreferencesCurrentApplication);
  ForgetAPIAddressesForTesting();
  ScreenMenu* untagged = MakeTab(3, 0, 0, {.alpha = 0.0f});
  EXPECT_EQ(Shown(untagged).attributes, 0x82040000u);
  EXPECT_EQ(desktop.privateFunctions.windowTags.size(), 2u);
}

TEST_F(TabWindowsTest, HighlightAddsToTheAlphaUnclampedAndPaintingClampsIt) {
  ScreenMenu* half = MakeTab(5, 0, 0, {.alpha = 0.5f});
  DrawTab(half, false);
  EXPECT_NEAR(Pixel(half, 10, 10)[3], 128, 1);
  DrawTab(half, true);
  EXPECT_NEAR(Pixel(half, 10, 10)[3], 204, 1);
  EXPECT_EQ(Count(Fmt("tab drawn: window %u position 5, colour 1.000 0.000 0.000 alpha 0.80 "
                      "(highlighted)",
                      GetWindowHostNumber(half->window))),
            1u);

  ScreenMenu* strong = MakeTab(6, 0, 0, {.alpha = 0.9f});
  DrawTab(strong, true);
  EXPECT_EQ(Pixel(strong, 0, 0), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(Count(Fmt("tab drawn: window %u position 6, colour 1.000 0.000 0.000 alpha 1.20 "
                      "(highlighted)",
                      GetWindowHostNumber(strong->window))),
            1u);
}

TEST_F(TabWindowsTest, CornerTabsAreQuarterDiscsAroundTheScreenCorner) {
  const Look look{.alpha = 1.0f, .squareSize = 20, .color = {0, 0, 65535}};
  const std::vector<int> painted = {0, 0, 255, 255}, clear = {0, 0, 0, 0};
  // The disc's centre, then the opposite window corner, in pixel rows.
  const std::vector<std::tuple<int, std::pair<int, int>, std::pair<int, int>>> corners = {
      {1, {0, 0}, {19, 19}}, {2, {19, 0}, {0, 19}}, {3, {0, 19}, {19, 0}}, {4, {19, 19}, {0, 0}}};
  for (const auto& [position, centre, opposite] : corners) {
    ScreenMenu* tab = MakeTab(position, 0, 0, look);
    EXPECT_EQ(Pixel(tab, centre.first, centre.second), painted) << "position " << position;
    EXPECT_EQ(Pixel(tab, opposite.first, opposite.second), clear) << "position " << position;
  }
  ScreenMenu* edge = MakeTab(7, 0, 0, look);
  EXPECT_EQ(Pixel(edge, 19, 19), painted);
  EXPECT_EQ(Pixel(edge, 0, 0), painted);
  ScreenMenu* menuBar = MakeTab(9, 0, 0, look);
  EXPECT_EQ(Shown(menuBar).drawCount, 1);
  EXPECT_EQ(Pixel(menuBar, 10, 10), clear) << "the empty path paints nothing";
}

TEST_F(TabWindowsTest, DisplayChangeReplacesEveryTabInListOrder) {
  ASSERT_EQ(DMRegisterExtendedNotifyProc(DisplayChangedProc, nullptr, 0, nullptr), noErr);
  const SimScreen main = {kMain1024, true, true, 1};
  const SimScreen side = {Rect{0, 1024, 768, 2048}, false, true, 2};
  desktop.screens.Declare({main, side});
  ScreenMenu* onSide = MakeTab(2, 1);
  gTriggers.push_back(new UtilityMenu(TriggerConfig{.items = items_}));  // window-less
  ScreenMenu* onMain = MakeTab(3, 0);
  const unsigned sideNumber = GetWindowHostNumber(onSide->window);
  const unsigned mainNumber = GetWindowHostNumber(onMain->window);
  const std::size_t before = desktop.recorder.lines.size();

  desktop.screens.ChangeConfiguration({{Rect{0, 0, 900, 1440}, true, true, 1}});
  const std::vector<std::string> changed(desktop.recorder.lines.begin() + before,
                                         desktop.recorder.lines.end());
  EXPECT_EQ(changed,
            (std::vector<std::string>{"display configuration: screen 1 at 0,0 1440x900 main",
                                      Fmt("window %u hidden", sideNumber),
                                      Fmt("window %u moved to 0,880 (front)", mainNumber),
                                      Fmt("window %u shown", mainNumber)}));

  // The side screen comes back, to the left now: the tab is shown there and
  // asked to paint again.
  desktop.screens.ChangeConfiguration({main, {Rect{0, -1280, 1024, 0}, false, true, 2}});
  EXPECT_TRUE(IsWindowVisible(onSide->window));
  EXPECT_EQ(TopLeft(onSide), (Point{0, -20}));
  EXPECT_EQ(Shown(onSide).drawCount, 2);
  EXPECT_EQ(TopLeft(onMain), (Point{748, 0}));

  // Other Display Manager messages move nothing.
  const std::size_t quiet = desktop.recorder.lines.size();
  desktop.screens.SendMessage(kDMNotifyPrep);
  EXPECT_EQ(desktop.recorder.lines.size(), quiet);
  ASSERT_EQ(DMRemoveExtendedNotifyProc(DisplayChangedProc, nullptr, nullptr, 0), noErr);
}

TEST_F(TabWindowsTest, TabsWithoutWindowOrDrawingSurfaceStayQuiet) {
  desktop.windows.FailCreation(-108);
  ScreenMenu* failed = MakeTab(1);
  desktop.windows.FailCreation(noErr);
  EXPECT_EQ(failed->window, nullptr);
  EXPECT_EQ(failed->context, nullptr);
  EXPECT_NE(failed->menu, nullptr) << "the trigger keeps its menu";

  ScreenMenu* empty = MakeTab(4, 0, 0, {.squareSize = 0});
  EXPECT_NE(empty->window, nullptr);
  EXPECT_EQ(empty->context, nullptr) << "a window of no pixels has no drawing surface";
  EXPECT_EQ(MakeTab(1, 0, 0, {.squareSize = -5})->window, nullptr);

  PlaceAllTabs();
  DrawTab(failed, true);
  DrawTab(empty, true);
  EXPECT_EQ(Count("tab drawn"), 0u);
}

}  // namespace
