// A window's event target: made once, named after the window, gone with the
// window; paint requests from the desktop reach it.
#include <gtest/gtest.h>

#include "hosts/sim/SimDesktop.h"
#include "platform/windows/WindowEvents.h"

namespace {

class WindowEventsTest : public ::testing::Test {
 protected:
  WindowRef MakeWindow() {
    const Rect bounds{0, 0, 10, 10};
    WindowRef window = nullptr;
    EXPECT_EQ(CreateNewWindow(kOverlayWindowClass, 0, &bounds, &window), noErr);
    return window;
  }

  SimDesktop desktop;
};

int gPaints = 0;
WindowRef gPainted = nullptr;

OSStatus CountPaint(EventHandlerCallRef, EventRef event, void*) {
  ++gPaints;
  EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr,
                              sizeof gPainted, nullptr, &gPainted),
            noErr);
  return noErr;
}

constexpr EventTypeSpec kPaint = {kEventClassWindow, kEventWindowPaint};

TEST_F(WindowEventsTest, TargetMadeOnceAndGoneWithItsWindow) {
  WindowRef first = MakeWindow();
  WindowRef second = MakeWindow();
  EventTargetRef target = GetWindowEventTarget(second);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(GetWindowEventTarget(second), target);
  EXPECT_EQ(GetEventTargetName(target), "window 2");
  EXPECT_NE(GetWindowEventTarget(first), target);
  EXPECT_EQ(GetWindowEventTarget(nullptr), nullptr);

  ASSERT_EQ(ReleaseWindow(second), noErr);
  EXPECT_EQ(GetEventTargetName(target), "(no target)") << "disposed of with the window";
  EXPECT_EQ(GetWindowEventTarget(second), nullptr);
  EXPECT_EQ(ReleaseWindow(first), noErr);
}

TEST_F(WindowEventsTest, PaintRequestsReachTheWindowThenTheApplication) {
  gPaints = 0;
  WindowRef own = MakeWindow();
  WindowRef plain = MakeWindow();
  ASSERT_EQ(
      InstallEventHandler(GetWindowEventTarget(own), CountPaint, 1, &kPaint, nullptr, nullptr),
      noErr);
  EXPECT_EQ(desktop.windows.Paint(GetWindowHostNumber(own)), noErr);
  EXPECT_EQ(gPaints, 1);
  EXPECT_EQ(gPainted, own);

  // Showing a hidden window asks it to paint; showing it again does not.
  ShowWindow(own);
  ShowWindow(own);
  EXPECT_EQ(gPaints, 2);

  // A window without a target of its own: the application hears of it.
  EXPECT_EQ(desktop.windows.Paint(GetWindowHostNumber(plain)), eventNotHandledErr);
  EventHandlerRef app = nullptr;
  ASSERT_EQ(InstallApplicationEventHandler(CountPaint, 1, &kPaint, nullptr, &app), noErr);
  EXPECT_EQ(desktop.windows.Paint(GetWindowHostNumber(plain)), noErr);
  EXPECT_EQ(gPainted, plain);
  EXPECT_EQ(RemoveEventHandler(app), noErr);

  EXPECT_EQ(DeliverWindowPaint(99), errInvalidWindowRef);
  EXPECT_EQ(desktop.windows.Paint(99), errInvalidWindowRef);
  EXPECT_EQ(ReleaseWindow(own), noErr);
  EXPECT_EQ(ReleaseWindow(plain), noErr);
}

}  // namespace
