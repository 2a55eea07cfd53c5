// The Apple events the agent sends to the file browser (the Finder, or the
// alternative browser when it runs and the operation allows it) and to
// applications it asks to quit. The agent never moves, copies, trashes or
// reveals files itself, so that the user sees the browser's own progress,
// conflict and permission handling.
#pragma once

#include <span>

#include "common/FinderTrash.h"
#include "platform/core/MacTypes.h"

// Event classes and IDs of the alternative browser's own events.
inline constexpr OSType kAltBrowserEventClass = 'PFdR';
inline constexpr OSType kAltBrowserOpenFolder = 'odoC';
inline constexpr OSType kAltBrowserInfo = 'Info';
// The property of an item that is its information window.
inline constexpr OSType kInfoWindowProperty = 'iwnd';
// No reply, always interact, may switch layer: the receiver may come forward
// and ask the user.
inline constexpr SInt32 kInteractiveSendMode = 0x71;

// Sends (eventClass, eventID) with 'kocl' = 'alia' and a minimal alias of
// item as the direct object (left out when no alias can be made) to the
// process of that type and creator, by process serial number, and on
// success brings that process's front window forward when bringToFront.
// Returns the process search's status when it does not run (nothing is
// sent), else the send's.
OSStatus SendAliasEvent(OSType type, OSType creator, bool bringToFront, const FSRef* item,
                        OSType eventClass, OSType eventID);

// Opens the item's information window: in the alternative browser when it
// runs, else in the Finder (addressed by signature, the item named by its
// HFS path), which is then brought forward.
OSStatus ShowInfoWindow(const FSRef* item);

// Moves, copies (copy) or makes aliases of (makeAliases) the items in the
// destination folder, through the alternative browser when it runs, else the
// Finder. Before a move or copy onto items of the same names the user is
// asked whether to trash those first; "Stop" sends nothing. Items whose
// alias cannot be made are left out; with none left nothing is sent.
OSStatus MoveOrCopyItems(std::span<const FSRef* const> items, const FSRef* destination, bool copy,
                         bool makeAliases);

// Asks the process to quit ('aevt'/'quit', no reply awaited).
OSStatus QuitProcess(const ProcessSerialNumber* psn);
