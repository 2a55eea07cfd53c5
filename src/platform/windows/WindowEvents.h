// The event target of a window: where the handlers a window gets are
// installed, and where the host's requests to paint the window arrive.
#pragma once

#include "platform/events/Events.h"
#include "platform/windows/Windows.h"

// The window's own event target, created on first use: its parent is the
// application target and transcripts call it "window N" (N the window's host
// number). The target lives in the window's event-target slot and is disposed
// of, with every handler installed on it, when the window is released. Null
// for a window that is not live.
EventTargetRef GetWindowEventTarget(WindowRef inWindow);

// Ours, called by hosts: the window with host number hostNumber is asked to
// paint itself. Sends kEventWindowPaint ('wind'/1013, the window as
// kEventParamDirectObject, typeWindowRef) to the window's event target.
// Status: the handler's result (noErr when one painted); eventNotHandledErr
// when no handler took the event; errInvalidWindowRef when no live window
// has that number.
OSStatus DeliverWindowPaint(UInt32 hostNumber);
