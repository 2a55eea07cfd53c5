#include "triggers/PointerTracking.h"

// PENDING: pointer tracking arrives with its own Part. Until then the
// application's mouse events are passed on untouched, so start-up can
// already install the registrations in their place and order.
OSStatus AppMouseDownHandler(EventHandlerCallRef, EventRef, void*) { return eventNotHandledErr; }

OSStatus AppMouseUpHandler(EventHandlerCallRef, EventRef, void*) { return eventNotHandledErr; }
