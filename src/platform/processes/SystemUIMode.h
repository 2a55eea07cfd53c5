// The system UI mode: how much of the system's own interface (menu bar, Dock)
// is shown while this process is in front.
#pragma once

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"

using SystemUIMode = UInt32;
using SystemUIOptions = UInt32;

enum : SystemUIMode {
  kUIModeNormal = 0,
  kUIModeContentSuppressed = 1,
  kUIModeContentHidden = 2,
  kUIModeAllHidden = 3,
  kUIModeAllSuppressed = 4,
};

enum : SystemUIOptions {
  kUIOptionAutoShowMenuBar = 1 << 0,
  kUIOptionDisableAppleMenu = 1 << 2,
  kUIOptionDisableProcessSwitch = 1 << 3,
  kUIOptionDisableForceQuit = 1 << 4,
  kUIOptionDisableSessionTerminate = 1 << 5,
  kUIOptionDisableHide = 1 << 6,
};

// Sets the mode and options for this process (the host shows it; the
// simulated desktop transcribes "system ui mode 3").
// Returns noErr, paramErr (a mode outside 0 to 4), or unimpErr (no host
// process table).
OSStatus SetSystemUIMode(SystemUIMode inMode, SystemUIOptions inOptions);

// The mode and options last set successfully (kUIModeNormal, 0 before any).
// Either pointer may be null.
void GetSystemUIMode(SystemUIMode* outMode, SystemUIOptions* outOptions);
