// Dropping files onto menu items: the drag tracking of the hidden window that
// catches a drag while a trigger's hot key is pressed.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/windows/Windows.h"

struct OpaqueDragRef;
using DragRef = OpaqueDragRef*;
using DragTrackingMessage = SInt16;

// The drag tracking handler of gHotKeyDropWindow, installed at start-up.
OSErr HotKeyDropTrackingHandler(DragTrackingMessage message, WindowRef window, void* refCon,
                                DragRef drag);
