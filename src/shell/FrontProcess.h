// Finding processes by signature, and bringing the agent to the front around
// anything that may show system UI, handing the front back afterwards.
#pragma once

#include "platform/MacTypes.h"
#include "platform/Processes.h"

// The alternative file browser: a process of type 'APPL', creator 'PFdR'.
inline constexpr OSType kAltBrowserType = 'APPL';
inline constexpr OSType kAltBrowserCreator = 'PFdR';
// The Finder: type 'FNDR', creator 'MACS'.
inline constexpr OSType kFinderType = 'FNDR';
inline constexpr OSType kFinderCreator = 'MACS';

bool IsAltBrowserRunning();
// procNotFound when no process matches; info then holds the last process
// examined. The caller prepares info (processInfoLength 60, no name, no spec).
OSStatus FindProcessBySignature(OSType type, OSType creator, ProcessSerialNumber* psn,
                                ProcessInfoRec* info);
void SaveFrontAndActivateSelf(ProcessSerialNumber* psn);
void RestoreFront(const ProcessSerialNumber* psn);
