// Item paths for the drag-out helper, and where System Preferences lives.
#pragma once

#include "platform/core/MacTypes.h"

inline constexpr std::size_t kItemPathBufferSize = 1024;
inline constexpr const char* kSystemPreferencesPath = "/Applications/System Preferences.app";
inline constexpr OSType kSystemPreferencesType = 'APPL';
inline constexpr OSType kSystemPreferencesCreator = 'sprf';

// The item's POSIX path in Mac Roman, NUL-terminated, into buffer (1024
// bytes). False when the item is gone, the path does not fit, or a
// character has no Mac Roman form; the buffer is then not usable.
bool GetItemPath(const FSRef* ref, char* buffer);

// Finds System Preferences at its fixed path, else through Launch Services
// (type 'APPL', creator 'sprf'), and caches it: later calls return the
// cached ref without asking again. A failed lookup caches nothing.
// noErr; the Launch Services error (kLSApplicationNotFoundErr, ...) when it
// is found nowhere.
[[nodiscard]] OSStatus LocateSystemPreferences(FSRef* ref);
// Forgets the cached location (tests run several agents in one process).
void ForgetSystemPreferencesForTesting();
