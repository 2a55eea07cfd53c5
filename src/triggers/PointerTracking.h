// Pointer tracking and activation: clicks on tabs and on the empty part of
// the menu bar open the trigger the button and modifiers select.
#pragma once

#include "platform/events/Events.h"

// 'mous'/1 and 'mous'/2 on the application target, installed at start-up.
OSStatus AppMouseDownHandler(EventHandlerCallRef callRef, EventRef event, void* userData);
OSStatus AppMouseUpHandler(EventHandlerCallRef callRef, EventRef event, void* userData);
