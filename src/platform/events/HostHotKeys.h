// Global hot keys: key combinations grabbed for this process wherever the
// user is. Modifiers are in the Carbon mask (cmdKey, shiftKey, optionKey,
// controlKey, platform/Events.h). A host reports presses by calling
// DispatchHotKeyEvent (platform/HotKeys.h).
#pragma once

#include "platform/core/MacTypes.h"

class HostHotKeys {
 public:
  virtual ~HostHotKeys() = default;
  // Grabs the combination. Returns noErr, or eventHotKeyExistsErr when it is
  // already taken (by another program, or by this one).
  virtual OSStatus Register(UInt32 keyCode, UInt32 modifiers) = 0;
  virtual void Unregister(UInt32 keyCode, UInt32 modifiers) = 0;
};
