// The agent's program entry: the start-up sequence, the event loop, and the
// hand-back of the front process.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/windows/Windows.h"

// Systems before 10.1 (binary-coded 0x1010) are not supported.
inline constexpr SInt32 kLastUnsupportedSystemVersion = 0x100F;
inline constexpr int kResultSystemTooOld = -1;
inline constexpr int kResultDone = 0;

// The interface file of the bundle and its menu bar entry.
inline constexpr const char* kMainNibName = "main";
inline constexpr const char* kMenuBarName = "MenuBar";

// The parked window: a borderless utility window kept off screen.
inline constexpr WindowAttributes kParkedWindowAttributes = 0x80240200;
inline constexpr Rect kParkedWindowBounds = {50, 50, 60, 60};
inline constexpr SInt16 kParkedWindowLeft = 20000;
inline constexpr SInt16 kParkedWindowTop = 20000;

// The name of the file in which a folder lists the names it hides.
inline constexpr char16_t kHiddenListFileName[] = u".hidden";
// The placeholder texts of folder submenus (their localization keys).
inline constexpr const char* kEmptyFolderKey = "Empty Folder";
inline constexpr const char* kUnavailableKey = "Unavailable";

// Starts the agent, runs its event loop and returns the program's result:
// 0 (kResultDone) after the loop ends or after a quiet stop during start-up
// (no interface file, no parked window), -1 (kResultSystemTooOld) when the
// system version is unknown or older than 10.1.
int KorvaneMain();

// Brings the Finder's front window to the front, when the Finder runs.
void ActivateFinder();

// Takes down what start-up built (triggers, key bindings, handlers, windows,
// the key binding entries), while the host it ran on is still installed.
// The agent itself never does this: it lives until its process ends. Tests
// and the simulator, which run the agent inside their own process, do, so
// that one run leaves nothing behind for the next or for the leak checker.
void TearDownAgentForTesting();
