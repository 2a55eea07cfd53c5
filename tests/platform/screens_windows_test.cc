#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimScreens.h"
#include "hosts/sim/SimWindows.h"
#include "platform/core/MacErrors.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/windows/Screens.h"
#include "platform/windows/Windows.h"

namespace {

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() { desktop.recorder.lines.clear(); }
  std::vector<std::string>& Lines() { return desktop.recorder.lines; }

  SimDesktop desktop;
  SimScreens& screens = desktop.screens;
  SimWindows& windows = desktop.windows;
};

// ------------------------------------------------------------------ screens

using ScreensTest = DesktopTest;

std::vector<Rect> Walk(bool activeOnly) {
  std::vector<Rect> seen;
  for (GDHandle gd = DMGetFirstScreenDevice(activeOnly); gd;
       gd = DMGetNextScreenDevice(gd, activeOnly))
    seen.push_back((**gd).gdRect);
  return seen;
}

constexpr Rect kLeft{0, -1280, 1024, 0};
constexpr Rect kMain{0, 0, 900, 1440};
constexpr Rect kRight{0, 1440, 900, 2880};

TEST_F(ScreensTest, DevicesComeInTheHostsOrderAndActiveOnlySkipsTheRest) {
  screens.Declare(
      {{.bounds = kLeft}, {.bounds = kMain, .main = true}, {.bounds = kRight, .active = false}});
  EXPECT_EQ(Walk(false), (std::vector{kLeft, kMain, kRight}));
  EXPECT_EQ(Walk(true), (std::vector{kLeft, kMain}));

  std::vector<Rect> all;
  for (GDHandle gd = GetDeviceList(); gd; gd = GetNextDevice(gd)) all.push_back((**gd).gdRect);
  EXPECT_EQ(all, (std::vector{kLeft, kMain, kRight}));

  GDHandle main = GetMainDevice();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ((**main).gdRect, kMain);
  EXPECT_TRUE(TestDeviceAttribute(main, mainScreen));
  EXPECT_TRUE(TestDeviceAttribute(main, screenDevice));
  EXPECT_TRUE(TestDeviceAttribute(main, screenActive));
  GDHandle first = DMGetFirstScreenDevice(false);
  EXPECT_FALSE(TestDeviceAttribute(first, mainScreen));
  GDHandle right = GetNextDevice(main);
  EXPECT_FALSE(TestDeviceAttribute(right, screenActive));
  EXPECT_TRUE(TestDeviceAttribute(right, screenDevice));
  EXPECT_FALSE(TestDeviceAttribute(nullptr, screenDevice));
  EXPECT_FALSE(TestDeviceAttribute(main, 16));
  // Walking on from an inactive device in active-only mode still ends.
  EXPECT_EQ(DMGetNextScreenDevice(right, true), nullptr);
}

TEST_F(ScreensTest, MainDeviceIsTheFlaggedOneOrNone) {
  EXPECT_EQ((**GetMainDevice()).gdRect, (Rect{0, 0, 768, 1024}));  // the default desktop
  screens.Declare({{.bounds = kLeft}, {.bounds = kRight}});
  EXPECT_EQ(GetMainDevice(), nullptr);
  screens.Declare({{.bounds = kLeft, .main = true}, {.bounds = kRight, .main = true}});
  EXPECT_EQ((**GetMainDevice()).gdRect, kLeft);  // one menu bar only
  EXPECT_FALSE(TestDeviceAttribute(DMGetNextScreenDevice(GetMainDevice(), true), mainScreen));

  desktop.host().screens = nullptr;
  EXPECT_EQ(GetMainDevice(), nullptr);
  EXPECT_EQ(GetDeviceList(), nullptr);
  EXPECT_EQ(DMGetFirstScreenDevice(true), nullptr);
}

struct Heard {
  std::vector<SInt16> messages;
  std::vector<Rect> mainAtEvent;
};

void Listener(void* userData, SInt16 message, void* notifyData) {
  auto* heard = static_cast<Heard*>(userData);
  EXPECT_EQ(notifyData, nullptr);
  heard->messages.push_back(message);
  if (message == kDMNotifyEvent) {
    GDHandle main = GetMainDevice();
    heard->mainAtEvent.push_back(main ? (**main).gdRect : Rect{});
  }
}

TEST_F(ScreensTest, ConfigurationChangeNotifiesWithTheNewScreensInPlace) {
  Heard heard;
  Heard twice;
  ASSERT_EQ(
      DMRegisterExtendedNotifyProc(NewDMExtendedNotificationUPP(Listener), &heard, 0, nullptr),
      noErr);
  ASSERT_EQ(DMRegisterExtendedNotifyProc(Listener, &twice, 0, nullptr), noErr);
  ASSERT_EQ(DMRegisterExtendedNotifyProc(Listener, &twice, 0, nullptr), noErr);  // no second entry
  EXPECT_EQ(DMRegisterExtendedNotifyProc(nullptr, &heard, 0, nullptr), paramErr);

  screens.ChangeConfiguration({{.bounds = kMain, .main = true}, {.bounds = kRight}});
  EXPECT_EQ(heard.messages, (std::vector<SInt16>{kDMNotifyPrep, kDMNotifyEvent}));
  EXPECT_EQ(heard.mainAtEvent, std::vector{kMain});
  EXPECT_EQ(twice.messages, heard.messages);
  EXPECT_EQ(Lines(),
            std::vector<std::string>{"display configuration: screen 1 at 0,0 1440x900 main; "
                                     "screen 2 at 1440,0 1440x900"});

  screens.SendMessage(kDMNotifySuspendConfigure);
  EXPECT_EQ(heard.messages.back(), kDMNotifySuspendConfigure);

  ASSERT_EQ(DMRemoveExtendedNotifyProc(Listener, &heard, nullptr, 0), noErr);
  EXPECT_EQ(DMRemoveExtendedNotifyProc(Listener, &heard, nullptr, 0), paramErr);
  std::size_t before = heard.messages.size();
  screens.SendMessage(kDMNotifyEvent);
  EXPECT_EQ(heard.messages.size(), before);
  EXPECT_EQ(twice.messages.back(), kDMNotifyEvent);
  ASSERT_EQ(DMRemoveExtendedNotifyProc(Listener, &twice, nullptr, 0), noErr);
}

TEST_F(ScreensTest, HandlesKeepNamingTheirScreenAcrossChanges) {
  screens.Declare({{.bounds = kMain, .main = true, .id = 7}, {.bounds = kRight, .id = 8}});
  GDHandle right = DMGetNextScreenDevice(DMGetFirstScreenDevice(true), true);
  ASSERT_NE(right, nullptr);

  screens.ChangeConfiguration({{.bounds = kMain, .main = true, .id = 7}});
  EXPECT_FALSE(TestDeviceAttribute(right, screenDevice));
  EXPECT_EQ(DMGetNextScreenDevice(right, false), nullptr);
  EXPECT_EQ(GetNextDevice(right), nullptr);
  EXPECT_EQ(Walk(true), std::vector{kMain});

  // The screen returns, now to the left of the main one and first in order.
  screens.ChangeConfiguration(
      {{.bounds = kLeft, .id = 8}, {.bounds = kMain, .main = true, .id = 7}});
  EXPECT_EQ(DMGetFirstScreenDevice(true), right);
  EXPECT_EQ((**right).gdRect, kLeft);
  EXPECT_TRUE(TestDeviceAttribute(right, screenActive));
}

// ------------------------------------------------------------------ windows

using WindowsTest = DesktopTest;

constexpr WindowAttributes kTabAttributes =
    kWindowNoConstrainAttribute | kWindowStandardHandlerAttribute | kWindowOpaqueForEventsAttribute;

WindowRef MakeWindow(Rect bounds, WindowClass windowClass = kOverlayWindowClass,
                     WindowAttributes attributes = kTabAttributes) {
  WindowRef window = nullptr;
  EXPECT_EQ(CreateNewWindow(windowClass, attributes, &bounds, &window), noErr);
  return window;
}

TEST_F(WindowsTest, FailedCreationLeavesNoWindow) {
  Rect bounds{0, 0, 20, 20};
  WindowRef window = reinterpret_cast<WindowRef>(&bounds);  // garbage that must be cleared
  windows.FailCreation(memFullErr);
  EXPECT_EQ(CreateNewWindow(kOverlayWindowClass, kTabAttributes, &bounds, &window), memFullErr);
  EXPECT_EQ(window, nullptr);
  windows.FailCreation(noErr);

  window = reinterpret_cast<WindowRef>(&bounds);
  EXPECT_EQ(CreateNewWindow(9, 0, &bounds, &window), errUnrecognizedWindowClass);
  EXPECT_EQ(window, nullptr);
  Rect inverted{20, 0, 0, 20};
  EXPECT_EQ(CreateNewWindow(kOverlayWindowClass, 0, &inverted, &window), paramErr);
  EXPECT_EQ(CreateNewWindow(kOverlayWindowClass, 0, nullptr, &window), paramErr);
  desktop.host().windows = nullptr;
  EXPECT_EQ(CreateNewWindow(kOverlayWindowClass, 0, &bounds, &window), unimpErr);
  EXPECT_EQ(window, nullptr);

  EXPECT_EQ(windows.Count(), 0u);
  EXPECT_TRUE(Lines().empty());

  // The next window that succeeds is still the first the desktop shows.
  desktop.host().windows = &windows;
  WindowRef ok = MakeWindow(bounds);
  EXPECT_EQ(GetWindowHostNumber(ok), 1u);
  EXPECT_EQ(ReleaseWindow(ok), noErr);
}

TEST_F(WindowsTest, MoveShowHideAndBounds) {
  WindowRef parked = MakeWindow({50, 50, 60, 60}, kUtilityWindowClass, 0x80240200);
  WindowRef tab = MakeWindow({0, 0, 20, 20});
  EXPECT_FALSE(IsWindowVisible(tab));

  MoveWindow(tab, 1004, 748, true);
  Rect r;
  ASSERT_EQ(GetWindowBounds(tab, kWindowContentRgn, &r), noErr);
  EXPECT_EQ(r, (Rect{748, 1004, 768, 1024}));
  ASSERT_EQ(GetWindowBounds(tab, kWindowStructureRgn, &r), noErr);
  EXPECT_EQ(r, (Rect{748, 1004, 768, 1024}));
  EXPECT_EQ(GetWindowBounds(tab, 0, &r), errWindowRegionCodeInvalid);
  EXPECT_EQ(GetWindowBounds(tab, kWindowGlobalPortRgn, nullptr), paramErr);

  ShowWindow(tab);
  EXPECT_TRUE(IsWindowVisible(tab));
  EXPECT_EQ(windows.WindowAt({750, 1010}), GetWindowHostNumber(tab));
  HideWindow(tab);
  EXPECT_FALSE(IsWindowVisible(tab));
  EXPECT_EQ(windows.WindowAt({750, 1010}), std::nullopt);

  // The parked window far off screen keeps its size; a move that would run
  // past the coordinate range stops at its end.
  MoveWindow(parked, 20000, 20000, true);
  ASSERT_EQ(GetWindowBounds(parked, kWindowContentRgn, &r), noErr);
  EXPECT_EQ(r, (Rect{20000, 20000, 20010, 20010}));
  EXPECT_EQ(windows.StackingOrder().front(), GetWindowHostNumber(parked));
  MoveWindow(parked, 32760, 0, false);
  ASSERT_EQ(GetWindowBounds(parked, kWindowContentRgn, &r), noErr);
  EXPECT_EQ(r, (Rect{0, 32760, 10, 32767}));

  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "window 1 created: class 8, attributes 0x80240200, at 50,50 10x10",
                         "window 2 created: class 14, attributes 0x82040000, at 0,0 20x20",
                         "window 2 moved to 1004,748 (front)", "window 2 shown", "window 2 hidden",
                         "window 1 moved to 20000,20000 (front)", "window 1 moved to 32760,0"}));
  EXPECT_EQ(ReleaseWindow(tab), noErr);
  EXPECT_EQ(ReleaseWindow(parked), noErr);
}

TEST_F(WindowsTest, AttributeChanges) {
  WindowRef window = MakeWindow({0, 0, 10, 10}, kUtilityWindowClass, 0x80240200);
  ASSERT_EQ(ChangeWindowAttributes(window, kWindowNoConstrainAttribute, 0), noErr);
  WindowAttributes attributes = 0;
  ASSERT_EQ(GetWindowAttributes(window, &attributes), noErr);
  EXPECT_EQ(attributes, 0x80240200u);

  ASSERT_EQ(ChangeWindowAttributes(window, kWindowHideOnFullScreenAttribute,
                                   kWindowNoShadowAttribute | kWindowNoTitleBarAttribute),
            noErr);
  ASSERT_EQ(GetWindowAttributes(window, &attributes), noErr);
  EXPECT_EQ(attributes, 0x84040000u);
  EXPECT_EQ(windows.Find(GetWindowHostNumber(window))->attributes, 0x84040000u);

  EXPECT_EQ(ChangeWindowAttributes(window, kWindowNoShadowAttribute, kWindowNoShadowAttribute),
            windowAttributesConflictErr);
  ASSERT_EQ(GetWindowAttributes(window, &attributes), noErr);
  EXPECT_EQ(attributes, 0x84040000u);
  EXPECT_EQ(GetWindowAttributes(window, nullptr), paramErr);
  EXPECT_EQ(Lines().back(), "window 1 attributes 0x84040000");
  EXPECT_EQ(ReleaseWindow(window), noErr);
}

TEST_F(WindowsTest, ReleasedWindowIsGoneEverywhere) {
  WindowRef window = MakeWindow({0, 0, 20, 20});
  int target = 0;
  SetWindowEventTargetSlot(window, &target);
  EXPECT_EQ(GetWindowEventTargetSlot(window), &target);

  std::vector<void*> disposedTargets;
  SetWindowDisposeHook(
      [&](WindowRef w) { disposedTargets.push_back(GetWindowEventTargetSlot(w)); });
  ASSERT_EQ(ReleaseWindow(window), noErr);
  SetWindowDisposeHook(nullptr);
  EXPECT_EQ(disposedTargets, std::vector<void*>{&target});

  EXPECT_EQ(windows.Count(), 0u);
  EXPECT_EQ(Lines().back(), "window 1 released");
  EXPECT_EQ(ReleaseWindow(window), errInvalidWindowRef);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindowPort(window), nullptr);
  EXPECT_EQ(GetWindowEventTargetSlot(window), nullptr);
  Rect r;
  EXPECT_EQ(GetWindowBounds(window, kWindowContentRgn, &r), errInvalidWindowRef);
  std::size_t lines = Lines().size();
  ShowWindow(window);
  MoveWindow(window, 1, 1, true);
  EXPECT_EQ(Lines().size(), lines);
}

// Premultiplied RGBA of the pixel at column x, row y counted from the top.
std::vector<UInt8> PixelAt(std::span<const UInt8> pixels, int width, int x, int y) {
  auto at = pixels.begin() + (y * width + x) * 4;
  return {at, at + 4};
}

TEST_F(WindowsTest, PortContextDrawsIntoTheWindowBottomUp) {
  WindowRef window = MakeWindow({100, 200, 110, 204});  // 4 wide, 10 high
  CGContextRef context = nullptr;
  ASSERT_EQ(CreateCGContextForPort(GetWindowPort(window), &context), noErr);
  EXPECT_EQ(GetWindowFromPort(GetWindowPort(window)), window);

  CGContextSetRGBFillColor(context, 1, 0, 0, 1);
  CGContextFillRect(context, CGRectMake(0, 0, 4, 3));  // the bottom three rows
  std::span<const UInt8> pixels = GetWindowPixels(window);
  ASSERT_EQ(pixels.size(), 4u * 10 * 4);
  EXPECT_EQ(PixelAt(pixels, 4, 0, 9), (std::vector<UInt8>{255, 0, 0, 255}));
  EXPECT_EQ(PixelAt(pixels, 4, 3, 7), (std::vector<UInt8>{255, 0, 0, 255}));
  EXPECT_EQ(PixelAt(pixels, 4, 0, 6), (std::vector<UInt8>{0, 0, 0, 0}));

  const SimWindow* shown = windows.Find(GetWindowHostNumber(window));
  EXPECT_EQ(shown->drawCount, 0);
  CGContextFlush(context);
  EXPECT_EQ(shown->drawCount, 1);
  EXPECT_EQ(shown->pixelWidth, 4u);
  EXPECT_EQ(std::vector<UInt8>(shown->pixels), std::vector<UInt8>(pixels.begin(), pixels.end()));
  EXPECT_EQ(Lines().back(), "window 1 drawn");

  // A second context draws into the same pixels.
  CGContextRef second = nullptr;
  ASSERT_EQ(CreateCGContextForPort(GetWindowPort(window), &second), noErr);
  CGContextClearRect(second, CGRectMake(0, 0, 4, 10));
  EXPECT_EQ(PixelAt(GetWindowPixels(window), 4, 0, 9), (std::vector<UInt8>{0, 0, 0, 0}));
  CGContextRelease(second);

  // The agent's context outlives the window without drawing into freed memory.
  ASSERT_EQ(ReleaseWindow(window), noErr);
  CGContextFillRect(context, CGRectMake(0, 0, 4, 10));
  CGContextFlush(context);
  CGContextRelease(context);
  EXPECT_EQ(Lines().back(), "window 1 released");

  EXPECT_EQ(CreateCGContextForPort(nullptr, &context), errInvalidWindowRef);
  WindowRef empty = MakeWindow({0, 0, 0, 0});
  EXPECT_EQ(CreateCGContextForPort(GetWindowPort(empty), &context), paramErr);
  EXPECT_EQ(ReleaseWindow(empty), noErr);
}

int gCalls = 0;
OSErr TrackingHandler(SInt16, WindowRef, void*, void*) { return static_cast<OSErr>(++gCalls); }
OSErr OtherHandler(SInt16, WindowRef, void*, void*) { return 0; }
OSErr ReceiveHandler(WindowRef, void*, void*) { return 0; }

TEST_F(WindowsTest, DragHandlerSlots) {
  gCalls = 0;
  WindowRef window = MakeWindow({0, 0, 20, 20});
  int tab = 0;
  ASSERT_EQ(InstallTrackingHandler(NewDragTrackingHandlerUPP(TrackingHandler), window, &tab),
            noErr);
  ASSERT_EQ(InstallTrackingHandler(NewDragTrackingHandlerUPP(OtherHandler), window, nullptr),
            noErr);
  EXPECT_EQ(InstallTrackingHandler(NewDragTrackingHandlerUPP(TrackingHandler), window, &tab),
            paramErr);
  ASSERT_EQ(InstallReceiveHandler(NewDragReceiveHandlerUPP(ReceiveHandler), window, &tab), noErr);
  ASSERT_EQ(InstallTrackingHandler(NewDragTrackingHandlerUPP(OtherHandler), nullptr, nullptr),
            noErr);

  auto tracking = GetWindowTrackingHandlers(window);
  ASSERT_EQ(tracking.size(), 2u);
  EXPECT_EQ(tracking[0].refCon, &tab);
  // What the drag module does: cast back to its handler type and call.
  auto proc = reinterpret_cast<OSErr (*)(SInt16, WindowRef, void*, void*)>(tracking[0].handler);
  EXPECT_EQ(proc(1, window, tracking[0].refCon, nullptr), 1);
  EXPECT_EQ(GetWindowReceiveHandlers(window).size(), 1u);
  EXPECT_EQ(GetWindowTrackingHandlers(nullptr).size(), 1u);

  ASSERT_EQ(RemoveTrackingHandler(NewDragTrackingHandlerUPP(TrackingHandler), window), noErr);
  EXPECT_EQ(RemoveTrackingHandler(NewDragTrackingHandlerUPP(TrackingHandler), window), paramErr);
  ASSERT_EQ(GetWindowTrackingHandlers(window).size(), 1u);
  ASSERT_EQ(RemoveTrackingHandler(NewDragTrackingHandlerUPP(OtherHandler), nullptr), noErr);
  EXPECT_EQ(InstallTrackingHandler(nullptr, window, nullptr), paramErr);

  ASSERT_EQ(ReleaseWindow(window), noErr);
  EXPECT_EQ(InstallReceiveHandler(NewDragReceiveHandlerUPP(ReceiveHandler), window, nullptr),
            errInvalidWindowRef);
  EXPECT_TRUE(GetWindowTrackingHandlers(window).empty());
}

}  // namespace
