// Resolving alias files and stored alias records, with one rule for volumes
// that are not mounted: try without user interaction first, and only when
// the volume is missing and interaction is allowed, come to the front, let
// the system ask to mount it, and hand the front back.
//
// The rule, for allowUI and mountFlags:
//   allowUI false:               one call with kResolveAliasFileNoUI;
//   allowUI true, mountFlags≠0:  one call with mountFlags;
//   allowUI true, mountFlags 0:  a call with kResolveAliasFileNoUI, and
//     only when it fails with nsvErr, a second call with mount flags 0
//     between SaveFrontAndActivateSelf and RestoreFront.
// The result is that of the last call.
#pragma once

#include "platform/core/Handles.h"
#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"

// Resolves the alias file ref in place (a ref that is no alias file is
// left as it is, wasAliased false). Out pointers may be null.
// noErr; paramErr; errFSBadFSRef; fnfErr (the item or its target is
// missing); nsvErr (the target's volume is not mounted).
[[nodiscard]] OSStatus ResolveAliasFile(FSRef* ref, bool resolveChains, bool* targetIsFolder,
                                        bool* wasAliased, bool allowUI, UInt32 mountFlags);
// Resolves an alias record into *ref; wasChanged (may be null) tells
// whether the item was found elsewhere than recorded.
// noErr; paramErr (null handle or ref, or not one of our records); fnfErr;
// nsvErr.
[[nodiscard]] OSStatus ResolveAliasRecord(Handle alias, FSRef* ref, bool* wasChanged, bool allowUI,
                                          UInt32 mountFlags);
// Resolves an alias record stored as data in the settings, with mount flags
// 0; the stored alias is not updated even when the item moved.
// As ResolveAliasRecord; paramErr also for null data; memFullErr (copying
// the record).
[[nodiscard]] OSStatus ResolveAliasData(CFDataRef data, FSRef* ref, bool allowUI);
