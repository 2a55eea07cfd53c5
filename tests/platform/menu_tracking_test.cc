// Pop-up menu tracking in the layer: the events a host's reports become, the
// queue's Escape, and what counts as a choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "platform/menus/MenuEvents.h"
#include "platform/menus/MenuTracking.h"

namespace {

// A host whose user is a function: it runs inside Track with the session.
class ScriptedTracking final : public HostMenuTracking {
 public:
  void Measure(MenuRef, SInt16* w, SInt16* h) override {
    *w = 123;
    *h = 45;
  }
  void Track(MenuTrackingSession& session) override {
    ++tracks;
    if (user) user(session);
  }
  void EndTracking(MenuTrackingSession&) override { ++ends; }
  std::function<void(MenuTrackingSession&)> user;
  int tracks = 0;
  int ends = 0;
};

class MenuTracking : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop.host().menuTracking = &tracking;
    ASSERT_EQ(CreateNewMenu(7, 0, &top), noErr);
    ASSERT_EQ(CreateNewMenu(8, 0, &sub), noErr);
    for (const char* text : {"one", "two"}) {
      ASSERT_EQ(AppendMenuItemTextWithCFString(top, CFStringFromUTF8(text), 0, 0, nullptr), noErr);
      ASSERT_EQ(AppendMenuItemTextWithCFString(sub, CFStringFromUTF8(text), 0, 0, nullptr), noErr);
    }
    ASSERT_EQ(SetMenuItemHierarchicalMenu(top, 2, sub), noErr);
    const EventTypeSpec kinds[] = {{kEventClassMenu, kEventMenuOpening},
                                   {kEventClassMenu, kEventMenuClosed},
                                   {kEventClassMenu, kEventMenuTargetItem},
                                   {kEventClassMenu, kEventMenuDrawItem},
                                   {kEventClassKeyboard, kEventRawKeyDown}};
    for (MenuRef m : {top, sub})
      ASSERT_EQ(InstallEventHandler(GetMenuEventTarget(m), Log, GetEventTypeCount(kinds), kinds,
                                    &log, nullptr),
                noErr);
  }
  void TearDown() override {
    DisposeMenu(sub);
    DisposeMenu(top);
  }
  static OSStatus Log(EventHandlerCallRef, EventRef event, void* userData) {
    MenuRef menu = nullptr;
    MenuItemIndex item = 0;
    UInt32 key = 0;
    (void)GetEventParameter(event, kEventParamDirectObject, typeMenuRef, nullptr, sizeof menu,
                            nullptr, &menu);
    (void)GetEventParameter(event, kEventParamMenuItemIndex, typeMenuItemIndex, nullptr,
                            sizeof item, nullptr, &item);
    (void)GetEventParameter(event, kEventParamKeyCode, typeUInt32, nullptr, sizeof key, nullptr,
                            &key);
    std::string line = std::to_string(GetEventKind(event));
    if (menu) line += " menu " + std::to_string(GetMenuID(menu));
    if (item) line += " item " + std::to_string(item);
    if (key) line += " key " + std::to_string(key);
    static_cast<std::vector<std::string>*>(userData)->push_back(line);
    return noErr;
  }

  SimDesktop desktop;
  ScriptedTracking tracking;
  MenuRef top = nullptr;
  MenuRef sub = nullptr;
  std::vector<std::string> log;
};

TEST_F(MenuTracking, ReportsBecomeMenuEventsAndTheChoiceIsReturned) {
  tracking.user = [&](MenuTrackingSession& s) {
    EXPECT_TRUE(IsMenuTrackingActive());
    EXPECT_EQ(s.Location(), (Point{10, 20}));
    s.TargetItem(top, 2);
    s.Opened(sub);
    s.DrawItem(sub, 1, kThemeMenuSelected);
    s.Key(kEventRawKeyDown, 12, 0);
    s.Choose(sub, 1);
  };
  EXPECT_EQ(PopUpMenuSelect(top, 10, 20, 0), (8 << 16) | 1);
  EXPECT_EQ(
      log, (std::vector<std::string>{"4 menu 7", "6 menu 7 item 2", "4 menu 8", "102 menu 8 item 1",
                                     "1 key 12", "5 menu 8", "5 menu 7"}));
  EXPECT_FALSE(IsMenuTrackingActive());
  CalcMenuSize(top);
  EXPECT_EQ(GetMenuWidth(top), 123);
  EXPECT_EQ(GetMenuHeight(top), 45);
}

TEST_F(MenuTracking, StaleOrUnopenedChoicesAndNestedTrackingChooseNothing) {
  // A menu that was never opened in this tracking.
  tracking.user = [&](MenuTrackingSession& s) { s.Choose(sub, 1); };
  EXPECT_EQ(PopUpMenuSelect(top, 0, 0, 0), 0);
  // An item deleted after the release.
  tracking.user = [&](MenuTrackingSession& s) {
    s.Choose(top, 1);
    (void)DeleteMenuItem(top, 2);
    (void)DeleteMenuItem(top, 1);
  };
  EXPECT_EQ(PopUpMenuSelect(top, 0, 0, 0), 0);
  // A tracking inside a tracking is refused.
  SInt32 inner = -1;
  tracking.user = [&](MenuTrackingSession& s) {
    tracking.user = nullptr;
    inner = PopUpMenuSelect(sub, 0, 0, 0);
    s.Cancel();
  };
  EXPECT_EQ(PopUpMenuSelect(top, 0, 0, 0), 0);
  EXPECT_EQ(inner, 0);
  EXPECT_EQ(tracking.tracks, 3);
  // Without a host concern, or for a dead menu, nothing is tracked.
  desktop.host().menuTracking = nullptr;
  EXPECT_EQ(PopUpMenuSelect(top, 0, 0, 0), 0);
  desktop.host().menuTracking = &tracking;
  EXPECT_EQ(PopUpMenuSelect(nullptr, 0, 0, 0), 0);
  EXPECT_EQ(tracking.tracks, 3);
}

TEST_F(MenuTracking, EscapeFromTheQueueEndsTheTracking) {
  tracking.user = [&](MenuTrackingSession& s) {
    EventRef escape = nullptr;
    ASSERT_EQ(CreateEvent(nullptr, kEventClassKeyboard, kEventRawKeyDown, 0, 0, &escape), noErr);
    const UInt32 code = kEscapeKeyCode;
    (void)SetEventParameter(escape, kEventParamKeyCode, typeUInt32, sizeof code, &code);
    ASSERT_EQ(PostEventToQueue(GetMainEventQueue(), escape, kEventPriorityHigh), noErr);
    ReleaseEvent(escape);
    // The host's nested loop: the queue is drained inside it.
    while (!s.Finished() && desktop.runLoop.FireNext()) {
    }
  };
  EXPECT_EQ(PopUpMenuSelect(top, 0, 0, 0), 0);
  EXPECT_EQ(tracking.ends, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"4 menu 7", "1 key 53", "5 menu 7"}));
  // Afterwards queued events go to the application again.
  EXPECT_EQ(GetUserFocusEventTarget(), GetApplicationEventTarget());
}

}  // namespace
