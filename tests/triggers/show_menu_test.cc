// Showing a trigger's menu: where it is placed, what the pop-up leaves
// behind, and the tracking of highlighted items, on the simulated desktop
// with a scripted user.
#include <algorithm>
#include <functional>

#include "../menus/builder_test_support.h"
#include "common/PrivateFunctions.h"
#include "platform/menus/MenuTracking.h"
#include "platform/windows/Screens.h"
#include "shell/AppHandlers.h"
#include "triggers/ShowMenu.h"
#include "triggers/TabWindows.h"

namespace {

using namespace builder_test;
using Kind = SimMenuStep::Kind;

constexpr Rect kMain1024 = {0, 0, 768, 1024};

class ShowMenuTest : public Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    gDragOutStarted = false;
    gItemDrawCount = 0;
    gDockWorkaroundActive = false;
    gMenuTrackingActive = false;
    File("F/a.txt");
    File("F/b.txt");
    File("F/Sub/c.txt");
    File("F/Sub/d.txt");
    Touch("F/Sub");
    Touch("F");
  }
  void TearDown() override {
    for (ScreenMenu* tab : tabs_) {
      std::erase(gTriggers, static_cast<UtilityMenu*>(tab));
      delete tab;
    }
    Sandbox::TearDown();
    ForgetAPIAddressesForTesting();
  }

  CFRef<CFMutableArrayRef> FolderItems() { return Items({Entry().Str("URL", Path("F"))}); }

  ScreenMenu* MakeTab(int position) {
    TriggerConfig config;
    config.items = items_;
    config.position = static_cast<SInt8>(position);
    tabs_.push_back(new ScreenMenu(0.5f, RGBColor{65535, 0, 0}, 20, config));
    gTriggers.push_back(tabs_.back());
    return tabs_.back();
  }

  void Step(Kind kind, std::vector<std::string> path = {}) {
    SimMenuStep step;
    step.kind = kind;
    step.path = std::move(path);
    desktop.menuTracking.Queue(std::move(step));
  }
  void Do(std::function<void()> action, double waitBefore = 0) {
    if (waitBefore > 0) {
      SimMenuStep wait;
      wait.kind = Kind::kWait;
      wait.seconds = waitBefore;
      desktop.menuTracking.Queue(std::move(wait));
    }
    SimMenuStep step;
    step.kind = Kind::kDo;
    step.description = "the test acts";
    step.action = std::move(action);
    desktop.menuTracking.Queue(std::move(step));
  }
  void Wait(double seconds) {
    SimMenuStep step;
    step.kind = Kind::kWait;
    step.seconds = seconds;
    desktop.menuTracking.Queue(std::move(step));
  }
  bool Saw(const std::string& line) const {
    const auto& lines = desktop.recorder.lines;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static MenuItemIndex ItemNamed(MenuRef menu, const std::string& text) {
    const auto texts = Texts(menu);
    const auto at = std::find(texts.begin(), texts.end(), text);
    return at == texts.end() ? 0 : static_cast<MenuItemIndex>(at - texts.begin() + 1);
  }
  static UInt32 Choice(MenuRef menu, MenuItemIndex item) {
    return (static_cast<UInt32>(GetMenuID(menu)) << 16) | item;
  }

  CFRef<CFMutableArrayRef> items_ = FolderItems();
  std::vector<ScreenMenu*> tabs_;
};

// ------------------------------------------------------------- placement

class MenuPlacementTest : public ShowMenuTest {
 protected:
  void SetUp() override {
    ShowMenuTest::SetUp();
    ASSERT_EQ(CreateNewMenu(900, 0, &menu_), noErr);
  }
  void TearDown() override {
    DisposeMenu(menu_);
    ShowMenuTest::TearDown();
  }
  // The menu popped up at the pointer (v, h) with the given size.
  Point AtPointer(SInt16 v, SInt16 h, SInt16 width, SInt16 height) {
    desktop.menuTracking.fixedSize = {width, height};
    const Rect anchor{static_cast<SInt16>(v + 1), static_cast<SInt16>(h - 1),
                      static_cast<SInt16>(v + 1), static_cast<SInt16>(h + 1)};
    return ComputeMenuPosition(anchor, menu_, true);
  }
  Point BesideTab(const Rect& anchor, SInt16 width, SInt16 height) {
    desktop.menuTracking.fixedSize = {width, height};
    return ComputeMenuPosition(anchor, menu_, false);
  }
  MenuRef menu_ = nullptr;
};

TEST_F(MenuPlacementTest, AtThePointerOnTheMainScreen) {
  // Centred on the pointer, 4 pixels to its right, while it fits.
  EXPECT_EQ(AtPointer(500, 300, 200, 300), (Point{346, 304}));
  EXPECT_EQ(AtPointer(500, 300, 200, 400), (Point{296, 304}));
  // Too tall to stay centred: against the screen's bottom.
  EXPECT_EQ(AtPointer(500, 300, 200, 600), (Point{155, 304}));
  // Taller than the screen: not above its top, where the first items would
  // be out of reach, but 10 pixels below it, as beside a tab.
  EXPECT_EQ(AtPointer(500, 300, 200, 800), (Point{13, 304}));
  // Near the top: 10 pixels below the screen's top (3, the menu bar's edge).
  EXPECT_EQ(AtPointer(20, 300, 200, 300), (Point{13, 304}));
  // 100 pixels from the right edge: to the left of the pointer.
  EXPECT_EQ(AtPointer(500, 924, 200, 300), (Point{346, 924 - 1 - 3 - 200}));
  // Neither side fits: against the screen's left edge.
  EXPECT_EQ(AtPointer(500, 100, 1000, 300), (Point{346, 0}));
}

TEST_F(MenuPlacementTest, BesideATab) {
  // Left edge 2 pixels beyond the window's right edge, top 1 pixel below its
  // top (the anchor is the window inset by 1).
  EXPECT_EQ(BesideTab(Rect{101, 1, 119, 19}, 200, 300), (Point{101, 22}));
  // Near the bottom: the menu opens upwards, ending near the tab's bottom.
  EXPECT_EQ(BesideTab(Rect{700, 1, 718, 19}, 200, 300), (Point{718 - 310 - 3, 22}));
  // Taller than the room above the tab's bottom: 10 below the screen's top.
  EXPECT_EQ(BesideTab(Rect{101, 1, 119, 19}, 200, 800), (Point{13, 22}));
  // A tab at the right edge opens the menu to its left.
  EXPECT_EQ(BesideTab(Rect{101, 1005, 119, 1023}, 200, 300), (Point{101, 1002 - 200}));
}

TEST_F(MenuPlacementTest, ByTheScreenThePointerIsOn) {
  desktop.screens.Declare({{kMain1024, true, true, 0},
                           {Rect{0, 1024, 1024, 2304}, false, true, 0},
                           {Rect{0, -800, 600, 0}, false, false, 0}});
  // The secondary screen's bottom (1024) and right edge (2304) count, and
  // its top is not moved: it is not at the origin.
  EXPECT_EQ(AtPointer(900, 1500, 200, 300), (Point{1024 - 310 - 3, 1504}));
  EXPECT_EQ(AtPointer(5, 1500, 200, 300), (Point{10, 1504}));
  // Outside every active screen (the inactive one included): the main one.
  EXPECT_EQ(AtPointer(300, -400, 200, 300), (Point{146, -396}));
  EXPECT_EQ(AtPointer(2000, 3000, 200, 300), (Point{768 - 310 - 3, 2999 - 3 - 200}));
}

TEST_F(MenuPlacementTest, ScreenRectangles) {
  desktop.screens.Declare({{kMain1024, true, true, 0},
                           {Rect{0, 1024, 1024, 2304}, false, false, 0},
                           {Rect{-600, 0, 0, 800}, false, true, 0}});
  EXPECT_EQ(FindScreenRect(Point{10, 10}), (Rect{3, 0, 768, 1024})) << "the origin's menu-bar edge";
  EXPECT_EQ(FindScreenRect(Point{-1, 0}), (Rect{-600, 0, 0, 800}));
  EXPECT_EQ(FindScreenRect(Point{10, 1500}), (Rect{3, 0, 768, 1024})) << "inactive: the main one";
  EXPECT_EQ(FindScreenRect(Point{768, 0}), (Rect{3, 0, 768, 1024})) << "bottom edge is outside";
  desktop.screens.Declare({});
  EXPECT_EQ(FindScreenRect(Point{10, 10}), (Rect{}));
}

TEST_F(MenuPlacementTest, SixteenBitArithmetic) {
  // Near the end of the coordinate range the sums wrap as 16-bit values:
  // 32704 + 200 reads as negative, so the menu is not moved to the left.
  desktop.screens.Declare({{Rect{0, 32000, 768, 32767}, true, true, 0}});
  EXPECT_EQ(AtPointer(500, 32700, 200, 300), (Point{346, 32704}));
}

// --------------------------------------------------------------- pop-ups

TEST_F(ShowMenuTest, PointerMenuWalksIntoASubmenuAndReturnsTheChoice) {
  UtilityMenu* t = MakeTrigger(items_);
  desktop.input.pointer = Point{500, 300};
  Step(Kind::kOpen, {"Sub"});
  Step(Kind::kHighlight, {"Sub", "d.txt"});
  MenuRef sub = nullptr;
  MenuItemIndex highlighted = 0;
  Do([&] {
    sub = t->highlightedMenu;
    highlighted = t->highlightedItem;
  });
  Step(Kind::kChoose);
  const UInt32 result = t->ShowMenu(false);

  ASSERT_NE(sub, nullptr);
  EXPECT_NE(sub, t->menu) << "the draw handler keeps the submenu's highlighted item";
  EXPECT_EQ(Texts(sub)[highlighted - 1], "d.txt");
  EXPECT_EQ(result, Choice(sub, highlighted));
  ASSERT_TRUE(desktop.menuTracking.lastLocation);
  EXPECT_EQ(desktop.menuTracking.lastLocation->h, 304);
  EXPECT_EQ(gOpenMenuCount, 2) << "the top-level menu and the submenu opened";
  EXPECT_FALSE(IsMenuTrackingActive());
}

TEST_F(ShowMenuTest, CancelledOrDraggedOutChoosesNothing) {
  UtilityMenu* t = MakeTrigger(items_);
  Step(Kind::kHighlight, {"a.txt"});
  Step(Kind::kCancel);
  EXPECT_EQ(t->ShowMenu(false), 0u);

  // A drag-out started from the open menu: releasing on an item afterwards
  // chooses nothing.
  Step(Kind::kHighlight, {"a.txt"});
  Do([] { gDragOutStarted = true; });
  Step(Kind::kChoose);
  EXPECT_EQ(t->ShowMenu(false), 0u);
  EXPECT_TRUE(Saw("menu chosen: menu " + std::to_string(GetMenuID(t->menu)) + " item " +
                  std::to_string(ItemNamed(t->menu, "a.txt")) + " \"a.txt\""));

  // The flag belongs to one pop-up: the next one starts clear.
  Step(Kind::kChoose, {"a.txt"});
  const UInt32 chosen = t->ShowMenu(false);
  EXPECT_EQ(chosen, Choice(t->menu, ItemNamed(t->menu, "a.txt")));

  // Out of steps: the user dismissed the menu.
  EXPECT_EQ(t->ShowMenu(false), 0u);
  EXPECT_TRUE(Saw("menu cancelled: no more steps"));
}

TEST_F(ShowMenuTest, AnchorTabIsHighlightedThenClearedAndRedrawn) {
  desktop.screens.Declare({{kMain1024, true, true, 0}});
  ScreenMenu* tab = MakeTab(3);  // bottom-left corner: the menu opens upwards
  Rect bounds;
  ASSERT_EQ(GetWindowBounds(tab->window, kWindowGlobalPortRgn, &bounds), noErr);
  const auto alpha = [&] {
    const SimWindow& w = *desktop.windows.Find(GetWindowHostNumber(tab->window));
    return static_cast<int>(w.pixels[(w.pixelHeight - 1) * w.pixelWidth * 4 + 3]);
  };
  const int normal = alpha();
  int during = -1;
  ScreenMenu* anchorDuring = nullptr;
  Do([&] {
    during = alpha();
    anchorDuring = tab->anchorTab;
  });
  Step(Kind::kCancel);
  EXPECT_EQ(tab->ShowMenu(true), 0u);
  EXPECT_EQ(anchorDuring, tab);
  EXPECT_GT(during, normal) << "highlighted while the menu is up";
  EXPECT_EQ(alpha(), normal) << "drawn normally again";
  EXPECT_EQ(tab->anchorTab, nullptr);
  ASSERT_TRUE(desktop.menuTracking.lastLocation);
  EXPECT_EQ(desktop.menuTracking.lastLocation->h, bounds.right + 2);

  // Opened for a hot key, the tab's menu goes to the pointer; the anchor is
  // cleared all the same.
  desktop.input.pointer = Point{300, 500};
  Step(Kind::kCancel);
  EXPECT_EQ(tab->ShowMenu(false), 0u);
  EXPECT_EQ(desktop.menuTracking.lastLocation->h, 504);
  EXPECT_EQ(tab->anchorTab, nullptr);
  EXPECT_EQ(alpha(), normal);
}

TEST_F(ShowMenuTest, DockWorkaroundOnlyDuringThePopUp) {
  desktop.privateFunctions.SetAllPresent();
  desktop.privateFunctions.dockAutoHide = true;
  LoadAPIAddresses(true);
  UtilityMenu* t = MakeTrigger(items_);
  bool during = false;
  Do([&] { during = gDockWorkaroundActive; });
  Step(Kind::kCancel);
  t->ShowMenu(false);
  EXPECT_TRUE(during);
  EXPECT_FALSE(gDockWorkaroundActive);

  // The top-left corner of the main screen is never where the Dock is.
  t->position = 2;
  t->screen = 0;
  Do([&] { during = gDockWorkaroundActive; });
  Step(Kind::kCancel);
  t->ShowMenu(false);
  EXPECT_FALSE(during);
}

// ------------------------------------------ closing from inside the agent

TEST_F(ShowMenuTest, EscapePostedToTheQueueClosesTheMenu) {
  UtilityMenu* t = MakeTrigger(items_);
  Step(Kind::kHighlight, {"a.txt"});
  Do([] { PostMenuCancelKey(); });
  Wait(1);
  Step(Kind::kChoose);
  EXPECT_EQ(t->ShowMenu(false), 0u);
  EXPECT_TRUE(Saw("menu cancelled: the menu was closed by an Escape key-down"));
  EXPECT_TRUE(Saw("menu tracking: 2 steps left unused"));
  EXPECT_EQ(GetNumEventsInQueue(GetMainEventQueue()), 0u);
}

TEST_F(ShowMenuTest, DropMenuClosesAfterTwoSecondsOnNoItem) {
  UtilityMenu* t = MakeTrigger(items_);
  t->dropMode = 1;
  // Back onto an item within the two seconds: the countdown is called off.
  Step(Kind::kHighlight, {"a.txt"});
  Step(Kind::kOff);
  bool counting = false;
  Do([&] { counting = t->closeTimer != nullptr; }, 1.0);
  Step(Kind::kHighlight, {"b.txt"});
  Wait(3);
  Step(Kind::kChoose);
  const UInt32 chosen = t->ShowMenu(false);
  EXPECT_EQ(chosen, Choice(t->menu, ItemNamed(t->menu, "b.txt")));
  EXPECT_TRUE(counting);
  EXPECT_EQ(t->closeTimer, nullptr);

  // Resting on no item: after two seconds an Escape closes the menu.
  Step(Kind::kHighlight, {"a.txt"});
  Step(Kind::kOff);
  Wait(2.5);
  Step(Kind::kChoose, {"a.txt"});
  EXPECT_EQ(t->ShowMenu(false), 0u);
  EXPECT_EQ(t->closeTimer, nullptr);
  EXPECT_TRUE(Saw("menu cancelled: the menu was closed by an Escape key-down"));
}

// -------------------------------------------- changes while the menu is up

TEST_F(ShowMenuTest, MenuThatGrowsOrShrinksWhileOpen) {
  UtilityMenu* t = MakeTrigger(items_);
  // An item added while the menu is open can be chosen.
  Do([&] { (void)AppendMenuItemTextWithCFString(t->menu, CFSTR("late"), 0, 0, nullptr); });
  Step(Kind::kChoose, {"late"});
  const UInt32 chosen = t->ShowMenu(false);
  EXPECT_EQ(chosen, Choice(t->menu, ItemNamed(t->menu, "late")));

  // The highlighted item goes away before the release: nothing is chosen.
  Step(Kind::kOpen, {"Sub"});
  Step(Kind::kHighlight, {"Sub", "d.txt"});
  Do([&] {
    MenuRef sub = Submenu(t->menu, ItemNamed(t->menu, "Sub"));
    (void)DeleteMenuItems(sub, 1, CountMenuItems(sub));
  });
  Step(Kind::kChoose);
  EXPECT_EQ(t->ShowMenu(false), 0u);

  // A disabled item is no choice either.
  Step(Kind::kHighlight, {"a.txt"});
  Do([&] { (void)DisableMenuItem(t->menu, ItemNamed(t->menu, "a.txt")); });
  Step(Kind::kChoose);
  EXPECT_EQ(t->ShowMenu(false), 0u);
}

TEST_F(ShowMenuTest, SubmenuParentIsAChoiceOnlyWhenItSaysSo) {
  UtilityMenu* t = MakeTrigger(items_);
  const MenuItemIndex sub = ItemNamed(t->menu, "Sub");
  ASSERT_NE(Submenu(t->menu, sub), nullptr);
  Step(Kind::kChoose, {"Sub"});
  EXPECT_EQ(t->ShowMenu(false), Choice(t->menu, sub)) << "folder items are choosable";

  Step(Kind::kHighlight, {"Sub"});
  Do([&] { (void)ChangeMenuItemAttributes(t->menu, sub, 0, kMenuItemAttrSubmenuParentChoosable); });
  Step(Kind::kChoose);
  EXPECT_EQ(t->ShowMenu(false), 0u);
}

TEST_F(ShowMenuTest, ScreenUnpluggedDuringTracking) {
  desktop.screens.Declare({{kMain1024, true, true, 0}, {Rect{0, 1024, 768, 2048}, false, true, 0}});
  ScreenMenu* tab = MakeTab(3);
  desktop.menuTracking.fixedSize = {200, 300};
  desktop.input.pointer = Point{300, 1500};
  Step(Kind::kHighlight, {"a.txt"});
  Do([&] { desktop.screens.ChangeConfiguration({{kMain1024, true, true, 0}}); });
  Step(Kind::kChoose);
  const UInt32 chosen = tab->ShowMenu(false);
  EXPECT_EQ(chosen, Choice(tab->menu, ItemNamed(tab->menu, "a.txt")));
  EXPECT_EQ(tab->anchorTab, nullptr);
  EXPECT_EQ(desktop.menuTracking.lastLocation->h, 1504);
  // The next pop-up at the same pointer, now on no screen, is placed by the
  // main screen's bounds: the menu does not fit to the right of the pointer.
  Step(Kind::kCancel);
  tab->ShowMenu(false);
  EXPECT_EQ(desktop.menuTracking.lastLocation->h, 1500 - 1 - 3 - 200);
}

}  // namespace
