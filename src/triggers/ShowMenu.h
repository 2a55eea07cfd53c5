// Showing a trigger's menu: where it goes, closing it from inside the agent,
// and the flags kept while it is up. UtilityMenu::ShowMenu itself is
// declared with the trigger (triggers/Triggers.h).
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/events/Events.h"
#include "platform/menus/Menus.h"

// Set when a drag-out of an item starts while the menu is open; reset
// before each tracking. A pop-up during which it was set chose nothing.
extern bool gDragOutStarted;
// Items drawn since a drop menu's close countdown began; more than two
// drawn items call the countdown off.
extern SInt32 gItemDrawCount;

// How long a drop menu stays open with the pointer on no item.
inline constexpr EventTimerInterval kMenuCloseDelay = 2.0;

// The bounds of the first active screen that contains p, else of the main
// screen; a screen whose top-left corner is the origin loses its top 3
// pixels (the menu bar's edge). An empty Rect when there is no screen.
Rect FindScreenRect(Point p);
// The top-left corner of a pop-up beside anchor (a tab window's bounds) or,
// fromPointer, at the pointer (anchor then spans the pointer), kept on the
// screen of the anchor's centre. All arithmetic is 16-bit.
Point ComputeMenuPosition(const Rect& anchor, MenuRef menu, bool fromPointer);
// Closes the menu being tracked: posts an Escape key-down to the main queue.
// Failures are silent.
void PostMenuCancelKey();
// The drop menu's close timer: closes the menu and forgets the timer (a
// one-shot timer, not removed here). userData is the trigger.
void MenuCloseTimerFired(EventLoopTimerRef timer, void* userData);
