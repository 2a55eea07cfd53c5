#include "bindings/HotKeys.h"

// PENDING: the hot-key handler arrives with hot keys and key assignment.
// Until then a pressed hot key is passed on untouched, so start-up can
// already install the registration in its place and order.
OSStatus HotKeyPressedHandler(EventHandlerCallRef, EventRef, void*) { return eventNotHandledErr; }
