// Finding processes by signature, and bringing the agent to the front around
// anything that may show system UI, handing the front back afterwards.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/processes/Processes.h"

// The alternative file browser: a process of type 'APPL', creator 'PFdR'.
inline constexpr OSType kAltBrowserType = 'APPL';
inline constexpr OSType kAltBrowserCreator = 'PFdR';
// The Finder: type 'FNDR', creator 'MACS'.
inline constexpr OSType kFinderType = 'FNDR';
inline constexpr OSType kFinderCreator = 'MACS';
// The processInfoLength callers of FindProcessBySignature prepare.
inline constexpr UInt32 kProcessInfoRecLength = 60;

// Whether the alternative file browser runs.
bool IsAltBrowserRunning();

// Walks the process list from its start and stops at the first process of
// that type and creator: *psn names it and *info describes it. The caller
// prepares info (processInfoLength 60, processName and processAppSpec null).
// noErr; procNotFound when no process matches (info then holds the last
// process examined); paramErr (a null argument).
[[nodiscard]] OSStatus FindProcessBySignature(OSType type, OSType creator, ProcessSerialNumber* psn,
                                              ProcessInfoRec* info);

// *psn = the process in front ({0, kNoProcess} when there is none), then
// the agent comes to the front.
void SaveFrontAndActivateSelf(ProcessSerialNumber* psn);
// Brings the process saved by SaveFrontAndActivateSelf back to the front,
// its front window only; nothing happens for {0, kNoProcess} or a process
// that has ended meanwhile.
void RestoreFront(const ProcessSerialNumber* psn);
