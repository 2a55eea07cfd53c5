// Resolving alias files and stored alias records, with one rule for volumes
// that are not mounted: try without user interaction first, and only when
// the volume is missing and interaction is allowed, come to the front, let
// the system ask to mount it, and hand the front back.
#pragma once

#include "platform/CoreFoundation.h"
#include "platform/Handles.h"
#include "platform/MacTypes.h"

// Resolves ref in place. Returns the status of the last resolution call.
OSStatus ResolveAliasFile(FSRef* ref, bool resolveChains, bool* targetIsFolder, bool* wasAliased,
                          bool allowUI, UInt32 mountFlags);
OSStatus ResolveAliasRecord(Handle alias, FSRef* ref, bool* wasChanged, bool allowUI,
                            UInt32 mountFlags);
// Resolves an alias record stored as data in the settings; the stored alias
// is not updated.
OSStatus ResolveAliasData(CFDataRef data, FSRef* ref, bool allowUI);
