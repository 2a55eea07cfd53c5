// Popping a trigger's menu up: the Dock check, the anchor, the rebuild,
// the placement, the tracking and the cleanup after it.
#include "common/PrivateFunctions.h"
#include "menus/MenuBuilder.h"
#include "platform/core/Rects.h"
#include "platform/events/Input.h"
#include "platform/menus/MenuTracking.h"
#include "platform/windows/Screens.h"
#include "shell/AppHandlers.h"
#include "triggers/ShowMenu.h"
#include "triggers/TabWindows.h"
#include "triggers/Triggers.h"

bool gDragOutStarted = false;
SInt32 gItemDrawCount = 0;

namespace {

// The Dock hides itself when menu tracking begins if it auto-hides; the
// agent then answers the begin notification at once (see AppHandlers).
// Triggers in the menu bar's place, and the one in the top-left corner of
// the main screen, are never where the Dock is.
void CheckDock(const UtilityMenu* trigger) {
  if (!gCoreDockIsDockRunning || !gCoreDockGetAutoHideEnabled) return;
  if (trigger->position == 1 || (trigger->position == 2 && trigger->screen == 0)) return;
  if (gCoreDockIsDockRunning() && gCoreDockGetAutoHideEnabled() && !gMenuTrackingActive)
    gDockWorkaroundActive = true;
}

SInt16 Half(int value) { return static_cast<SInt16>(static_cast<SInt16>(value) / 2); }
SInt16 S16(int value) { return static_cast<SInt16>(value); }

}  // namespace

UInt32 UtilityMenu::ShowMenu(bool anchorToTab) {
  CheckDock(this);

  // Beside the tab that was clicked, or at the pointer.
  Rect anchor;
  bool fromPointer = false;
  if (anchorToTab && anchorTab) {
    DrawTab(anchorTab, true);
    if (GetWindowBounds(anchorTab->window, kWindowGlobalPortRgn, &anchor) != noErr) anchor = Rect{};
    InsetRect(&anchor, 1, 1);
  } else {
    Point p;
    GetGlobalMouse(&p);
    anchor = Rect{S16(p.v + 1), S16(p.h - 1), S16(p.v + 1), S16(p.h + 1)};
    fromPointer = true;
  }

  RebuildMenu(this);

  UInt32 result = 0;
  if (menu) {
    const Point pt = ComputeMenuPosition(anchor, menu, fromPointer);
    gOpenMenuCount = 0;
    gDragOutStarted = false;
    result = static_cast<UInt32>(PopUpMenuSelect(menu, pt.v, pt.h, 0));
  }

  gDockWorkaroundActive = false;
  if (anchorToTab && anchorTab) DrawTab(anchorTab, false);
  anchorTab = nullptr;

  // A drag-out took the item elsewhere: releasing on it chose nothing.
  return gDragOutStarted ? 0 : result;
}

Rect FindScreenRect(Point p) {
  GDHandle chosen = nullptr;
  for (GDHandle device = GetDeviceList(); device && !chosen; device = GetNextDevice(device)) {
    if (TestDeviceAttribute(device, screenDevice) && TestDeviceAttribute(device, screenActive) &&
        PtInRect(p, &(*device)->gdRect))
      chosen = device;
  }
  if (!chosen) chosen = GetMainDevice();
  if (!chosen) return Rect{};
  Rect r = (*chosen)->gdRect;
  if (r.top == 0 && r.left == 0) r.top = 3;
  return r;
}

Point ComputeMenuPosition(const Rect& anchor, MenuRef menu, bool fromPointer) {
  const Point c{Half(anchor.top + anchor.bottom), Half(anchor.left + anchor.right)};
  const Rect s = FindScreenRect(c);

  CalcMenuSize(menu);
  const SInt16 w = GetMenuWidth(menu);
  const SInt16 h = S16(GetMenuHeight(menu) + 10);

  const Rect a{anchor.top, S16(anchor.left - 3), anchor.bottom, S16(anchor.right + 3)};

  SInt16 left = a.right;
  SInt16 top = fromPointer ? S16(a.top - Half(h)) : a.top;

  // Below the anchor if it fits; otherwise against the screen's bottom (at
  // the pointer) or opening upwards from the tab's bottom.
  if (S16(top + h) >= S16(s.bottom - 4)) {
    if (fromPointer)
      // A menu taller than the screen would start above it, its first
      // items out of reach: it starts near the top instead, as beside a tab.
      top = S16(s.bottom - h - 3) >= S16(s.top + 10) ? S16(s.bottom - h - 3) : S16(s.top + 10);
    else if (S16(a.bottom - h) >= S16(s.top + 3))
      top = S16(a.bottom - h - 3);
    else
      top = S16(s.top + 10);
  } else if (top < S16(s.top + 10)) {
    top = S16(s.top + 10);
  }

  // To the right of the anchor if it fits, else to its left, else against
  // the screen's left edge.
  if (S16(left + w) >= S16(s.right - 5)) left = S16(a.left - w) > s.left ? S16(a.left - w) : s.left;

  return Point{top, left};
}

void PostMenuCancelKey() {
  EventRef event = nullptr;
  if (CreateEvent(nullptr, kEventClassKeyboard, kEventRawKeyDown, 0, kEventAttributeNone, &event) !=
      noErr)
    return;
  const UInt32 escape = kEscapeKeyCode;
  if (SetEventParameter(event, kEventParamKeyCode, typeUInt32, sizeof escape, &escape) == noErr)
    (void)PostEventToQueue(GetCurrentEventQueue(), event, kEventPriorityHigh);
  // The queue holds its own reference.
  ReleaseEvent(event);
}

void MenuCloseTimerFired(EventLoopTimerRef /*timer*/, void* userData) {
  PostMenuCancelKey();
  if (auto* trigger = static_cast<UtilityMenu*>(userData)) trigger->closeTimer = nullptr;
}
