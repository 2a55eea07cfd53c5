// The state of the pointer and the keyboard, read from the host's input
// concern (platform/events/HostInput.h).
#pragma once

#include "platform/core/MacTypes.h"

// The pointer in global coordinates; (0, 0) without a host input concern.
// Null: nothing happens.
void GetGlobalMouse(Point* globalMouse);
// The modifier keys held now (cmdKey, shiftKey, optionKey, controlKey ...);
// 0 without a host input concern.
UInt32 GetCurrentKeyModifiers();
