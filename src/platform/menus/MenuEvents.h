// The event target of a menu: where the handlers a menu gets are installed
// and where the host sends the menu's events while it is tracked.
#pragma once

#include "platform/events/Events.h"
#include "platform/menus/Menus.h"

// The menu's own event target, created on first use: its parent is the
// application target and transcripts call it "menu <ID>". The target lives
// in the menu's event-target slot, so it goes (with every handler installed
// on it) when the menu goes. Null for a menu that is not live.
EventTargetRef GetMenuEventTarget(MenuRef menu);
