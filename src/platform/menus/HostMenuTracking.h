// The host's side of modal menu tracking. The layer keeps the menus
// (platform/menus/Menus.h) and dispatches their events; the host draws the
// pop-up and its submenus, follows the user, and tells the layer what
// happens through the MenuTrackingSession it is handed
// (platform/menus/MenuTracking.h). A host that draws its own menu windows
// implements Track as a nested run of its main loop (a nested GLib main
// loop on X11) that ends when the session finishes.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/menus/Menus.h"

class MenuTrackingSession;

class HostMenuTracking {
 public:
  virtual ~HostMenuTracking() = default;
  // The size the menu is drawn at, from the host's fonts and metrics:
  // CalcMenuSize keeps it for GetMenuWidth and GetMenuHeight.
  virtual void Measure(MenuRef menu, SInt16* outWidth, SInt16* outHeight) = 0;
  // Shows session.Menu() with its top-left corner at session.Location() and
  // tracks it until session.Finished(). The top-level menu's opening event
  // has been sent when Track is called; the host reports every submenu it
  // opens or closes, every change of the highlighted item, every item it
  // draws and every key the user presses, and ends with Choose or Cancel.
  // Timers and queued events keep firing meanwhile: the loop is the host's
  // main loop, run nested.
  virtual void Track(MenuTrackingSession& session) = 0;
  // The layer finished the session itself (an Escape key-down reached the
  // event queue): the host hides the menus and leaves its nested loop.
  virtual void EndTracking(MenuTrackingSession& session) = 0;
};
