#include "bindings/Drops.h"

// PENDING: dropping onto menu items arrives with its own Part. Until then
// the hot-key drop window tracks drags without acting on them.
OSErr HotKeyDropTrackingHandler(DragTrackingMessage, WindowRef, void*, DragRef) { return noErr; }
