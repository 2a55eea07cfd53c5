// The Process Manager: the running processes, which one is in front, hiding,
// showing and ending them. The table itself belongs to the host
// (platform/host/HostProcesses.h); this layer resolves the special serial
// number {0, kCurrentProcess} to the agent's own process and fills the
// records the agent reads.
//
// Every operation that takes a serial number accepts {0, kCurrentProcess}.
// Without a host process table, operations fail with procNotFound.
#pragma once

#include <sys/types.h>

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"

using OptionBits = UInt32;

// Process mode flags (ProcessInfoRec::processMode).
enum : UInt32 {
  modeReserved = 0x01000000,
  modeControlPanel = 0x00080000,
  modeLaunchDontSwitch = 0x00040000,
  modeDeskAccessory = 0x00020000,
  modeMultiLaunch = 0x00010000,
  modeNeedSuspendResume = 0x00004000,
  modeCanBackground = 0x00001000,
  modeDoesActivateOnFGSwitch = 0x00000800,
  modeOnlyBackground = 0x00000400,
  modeGetFrontClicks = 0x00000200,
  modeGetAppDiedMsg = 0x00000100,
  mode32BitCompatible = 0x00000080,
  modeHighLevelEventAware = 0x00000040,
  modeLocalAndRemoteHLEvents = 0x00000020,
  modeStationeryAware = 0x00000010,
  modeUseTextEditServices = 0x00000008,
  modeDisplayManagerAware = 0x00000004,
};

enum : OptionBits {
  kSetFrontProcessFrontWindowOnly = 1 << 0,
};

// The FSSpec record of classic Mac OS has no counterpart here; the
// record keeps the field so that callers can pass null as they always do.
using FSSpecPtr = void*;

struct ProcessInfoRec {
  UInt32 processInfoLength = 0;
  StringPtr processName = nullptr;  // Str31 buffer filled when not null
  ProcessSerialNumber processNumber;
  UInt32 processType = 0;
  OSType processSignature = 0;
  UInt32 processMode = 0;
  Ptr processLocation = nullptr;
  UInt32 processSize = 0;
  UInt32 processFreeMem = 0;
  ProcessSerialNumber processLauncher;
  UInt32 processLaunchDate = 0;
  UInt32 processActiveTime = 0;
  FSSpecPtr processAppSpec = nullptr;  // never written
};
using ProcessInfoRecPtr = ProcessInfoRec*;

// Walks the process table. Start with {0, kNoProcess}; each call replaces
// *pPSN with the next process. Returns noErr, paramErr (pPSN null), or
// procNotFound at the end of the table or for a process not in it (then
// *pPSN is {0, kNoProcess}).
[[nodiscard]] OSErr GetNextProcess(ProcessSerialNumber* pPSN);

// Fills info for the process. processName, when not null, receives the name
// as a Pascal string of at most 31 bytes in Mac Roman (characters without a
// Mac Roman form become '?'). processAppSpec and processInfoLength are left
// as the caller set them. Returns noErr, paramErr (a null argument) or
// procNotFound.
[[nodiscard]] OSErr GetProcessInformation(const ProcessSerialNumber* PSN, ProcessInfoRec* info);

// The agent's own serial number (not {0, kCurrentProcess}). Returns noErr,
// paramErr or procNotFound (no host).
[[nodiscard]] OSErr GetCurrentProcess(ProcessSerialNumber* PSN);

// The process in front. Returns noErr, paramErr or procNotFound (no host, or
// no process in front).
[[nodiscard]] OSErr GetFrontProcess(ProcessSerialNumber* PSN);

// Brings the process, all its windows, to the front (showing it if hidden).
// Returns noErr, paramErr or procNotFound.
OSErr SetFrontProcess(const ProcessSerialNumber* PSN);

// As SetFrontProcess; with kSetFrontProcessFrontWindowOnly only the
// process's front window comes forward. Returns noErr, paramErr (null, or
// unknown option bits) or procNotFound.
OSStatus SetFrontProcessWithOptions(const ProcessSerialNumber* inProcess, OptionBits inOptions);

// *result = whether both numbers name the same process, after resolving
// {0, kCurrentProcess}. The processes need not be running any more: a
// process that has ended still compares equal to its own serial number.
// Returns noErr, paramErr (a null argument) or procNotFound (kCurrentProcess
// without a host); *result is untouched on failure.
[[nodiscard]] OSErr SameProcess(const ProcessSerialNumber* PSN1, const ProcessSerialNumber* PSN2,
                                Boolean* result);

// Hides (visible false) or shows the process's windows. Returns noErr,
// paramErr or procNotFound.
OSErr ShowHideProcess(const ProcessSerialNumber* psn, Boolean visible);

// Hides every application but the process (which is not brought forward);
// background-only and already hidden processes are left alone. Returns
// noErr, paramErr or procNotFound.
OSErr CPSPostHideMostReq(const ProcessSerialNumber* psn);

// False for a hidden process and for one not in the table.
Boolean IsProcessVisible(const ProcessSerialNumber* psn);

// Ends the process at once. Returns noErr, paramErr or procNotFound.
OSErr KillProcess(const ProcessSerialNumber* inProcess);

// *location = a ref to the process's bundle (or its executable when it has
// no bundle). Returns noErr, paramErr, procNotFound, fnfErr (the host knows
// no location, or nothing is there any more) or another FSPathMakeRef
// failure.
[[nodiscard]] OSStatus GetProcessBundleLocation(const ProcessSerialNumber* psn, FSRef* location);

// *outName = a new string holding the process's name; the caller releases
// it (wrap it in a CFRef). Returns noErr, paramErr or procNotFound; *outName
// is untouched on failure.
[[nodiscard]] OSStatus CopyProcessName(const ProcessSerialNumber* psn, CFStringRef* outName);

// *pid = the process's POSIX process id. Returns noErr, paramErr or
// procNotFound.
[[nodiscard]] OSStatus GetProcessPID(const ProcessSerialNumber* psn, pid_t* pid);
