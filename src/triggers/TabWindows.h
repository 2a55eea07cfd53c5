// Tab windows: the small squares at screen corners and edges that open a
// tab trigger's menu. Created once per tab trigger, placed again on every
// display configuration change, drawn when the desktop asks and while the
// tab is highlighted.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/events/Events.h"

class ScreenMenu;

// The largest tab for a tab on that screen: a quarter of the smaller side of
// the screen (the main screen when that one does not exist), within 1 to
// kLargestSquareSize; kLargestSquareSize when there is no screen at all.
SInt16 LargestTabSquareSize(SInt8 screen);
// Creates the tab's window (overlay class; opaque for clicks when its alpha
// is 0.0; hidden in full-screen mode unless "No Fullscreen Disable" is set;
// tagged through the private window-server functions when all three are
// bound), its drawing context and, when alpha is not 0.0, its paint handler,
// then places it. On a window failure the tab keeps no window, context or
// handlers and is never placed; a window without a drawing surface (size 0,
// or too large) keeps no context and is never drawn.
void CreateTabWindow(ScreenMenu* tab, const Rect* bounds);
// The work of ScreenMenu::PlaceTab: moves the window to its place on its
// screen (full device bounds; codes 1-4 corners, 5-8 edges at Offset, any
// other code stays where it was made), bringing it to the front, and shows
// it; hides it when the screen does not exist. Places beyond the 16-bit
// coordinate range stop at its end. Nothing for a tab without a window.
void PlaceTabWindow(ScreenMenu* tab);
// PlaceTab on every trigger of gTriggers, in list order.
void PlaceAllTabs();
// Draws the tab: a quarter disc in a corner, a filled square on an edge, in
// its colour at alpha (plus 0.3 when highlighted, passed on unclamped).
// Nothing at alpha 0.0 or without a drawing context.
void DrawTab(ScreenMenu* tab, bool highlighted);
// 'wind'/1013 handler on the tab's window, user data the tab: draws it in
// its normal state; returns noErr.
OSStatus TabPaintHandler(EventHandlerCallRef callRef, EventRef event, void* tab);
