// The hot-key handler: a trigger's hot key opens its menu at the pointer, an
// item's hot key opens the item.
#pragma once

#include "platform/events/Events.h"

// 'keyb'/5 on the application target, installed at start-up.
OSStatus HotKeyPressedHandler(EventHandlerCallRef callRef, EventRef event, void* userData);
