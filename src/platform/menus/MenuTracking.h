// Pop-up menus: their size and their modal tracking.
//
// PopUpMenuSelect hands the menu to the host's tracking concern
// (platform/menus/HostMenuTracking.h) and returns when the user has chosen
// or cancelled. Meanwhile the host reports what the user does through the
// MenuTrackingSession, which turns it into the menu events the agent's
// handlers receive through the layer's dispatch, each sent to the event
// target of the menu concerned (platform/menus/MenuEvents.h):
//
//   'menu'/4  opening        direct object the menu, '1sto' first opening
//   'menu'/5  closed         direct object the menu
//   'menu'/6  target item    direct object the menu, 'item' the item (0: none),
//                            'mcmd' its command
//   'menu'/102 draw item     direct object the menu, 'item', 'mdrs' the state
//   'keyb'/1, /2, /4         key down, repeat, modifiers changed: 'kcod',
//                            'kmod'; to the innermost open menu
//
// While a menu is tracked, queued events without a post target go to the
// tracking's own target: its keyboard events reach the innermost open menu
// as the host's would, and an Escape key-down (key code 53) cancels the
// tracking, which is how the agent closes its own menu.
#pragma once

#include <vector>

#include "platform/core/MacTypes.h"
#include "platform/events/Events.h"
#include "platform/menus/Menus.h"

// The state an item is drawn in ('mdrs', typeThemeMenuState).
using ThemeMenuState = UInt16;
enum : ThemeMenuState {
  kThemeMenuActive = 0,
  kThemeMenuSelected = 1,
  kThemeMenuDisabled = 2,
};

// The Escape key's virtual key code.
inline constexpr UInt32 kEscapeKeyCode = 53;

// Asks the host for the menu's size and keeps it: GetMenuWidth and
// GetMenuHeight answer it until the next CalcMenuSize. Without a host
// tracking concern the size is 0 by 0. A menu that is not live: nothing.
void CalcMenuSize(MenuRef theMenu);
// The size CalcMenuSize kept; 0 for a menu that is not live.
SInt16 GetMenuWidth(MenuRef menu);
SInt16 GetMenuHeight(MenuRef menu);

// Shows menu with its top-left corner at (top, left), global coordinates,
// and tracks it modally. popUpItem is accepted and has no effect here.
// The begin and end menu-tracking notifications are posted on the
// distributed centre around the tracking, as for every menu the system
// tracks. Result: the chosen menu's ID in the high 16 bits and the item in
// the low 16 bits; 0 when the user cancelled, when the chosen item is no
// longer an enabled item of a live menu of the tree (the menu changed while
// open), when it leads to a submenu without
// kMenuItemAttrSubmenuParentChoosable, without a host tracking concern, for a menu that is not
// live, and when a tracking is already going on.
SInt32 PopUpMenuSelect(MenuRef menu, short top, short left, short popUpItem);

// Whether a menu is being tracked now.
bool IsMenuTrackingActive();

// One tracking, as the host sees it.
class MenuTrackingSession {
 public:
  MenuTrackingSession(MenuRef menu, Point location);
  ~MenuTrackingSession();
  MenuTrackingSession(const MenuTrackingSession&) = delete;
  MenuTrackingSession& operator=(const MenuTrackingSession&) = delete;

  MenuRef Menu() const { return menu_; }
  Point Location() const { return location_; }
  // The menus open now, the top-level one first. Menus that went away while
  // open are left out.
  std::vector<MenuRef> OpenMenus() const;
  bool Finished() const { return finished_; }

  // A menu was shown (the top-level one by the layer, submenus by the host).
  void Opened(MenuRef menu);
  // A menu was hidden; the menus opened from it close first.
  void Closed(MenuRef menu);
  // The highlighted item of menu changed (0: the pointer is on no item).
  void TargetItem(MenuRef menu, MenuItemIndex item);
  void DrawItem(MenuRef menu, MenuItemIndex item, ThemeMenuState state);
  // A keyboard event ('keyb'/kind) to the innermost open menu.
  void Key(UInt32 kind, UInt32 keyCode, UInt32 modifiers);
  // The user released on item of menu, or dismissed the menus.
  void Choose(MenuRef menu, MenuItemIndex item);
  void Cancel();

  // The choice as PopUpMenuSelect returns it.
  SInt32 Result() const;

 private:
  // A menu as the session remembers it: the serial number tells a menu
  // that went away from a newcomer at the same address.
  struct Known {
    MenuRef ref = nullptr;
    UInt64 serial = 0;
  };
  static Known Remember(MenuRef menu);
  static bool StillLive(const Known& known);
  bool WasOpened(MenuRef menu) const;
  void Send(UInt32 eventClass, UInt32 kind, MenuRef menu, MenuItemIndex item, bool withItem);

  MenuRef menu_;
  Point location_;
  std::vector<Known> open_;
  std::vector<Known> everOpened_;
  Known chosen_;
  MenuItemIndex chosenItem_ = 0;
  bool finished_ = false;
};
