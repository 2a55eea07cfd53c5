#include "shell/Aliases.h"

#include "platform/files/Aliases.h"
#include "shell/FrontProcess.h"

namespace {

// The mount-and-retry rule shared by alias files and alias records: without
// user interaction one quiet call; with interaction and explicit mount flags,
// one call with them; otherwise a quiet call first and, only when the volume
// is not mounted, a second call that may ask the user, with the agent in
// front for the length of it.
template <class Resolve>
OSStatus ResolveWithMountRule(bool allowUI, UInt32 mountFlags, Resolve resolve) {
  if (!allowUI) return resolve(kResolveAliasFileNoUI);
  if (mountFlags != 0) return resolve(mountFlags);
  OSStatus err = resolve(kResolveAliasFileNoUI);
  if (err == nsvErr) {
    ProcessSerialNumber front;
    SaveFrontAndActivateSelf(&front);
    err = resolve(0);
    RestoreFront(&front);
  }
  return err;
}

}  // namespace

OSStatus ResolveAliasFile(FSRef* ref, bool resolveChains, bool* targetIsFolder, bool* wasAliased,
                          bool allowUI, UInt32 mountFlags) {
  Boolean isFolder = false, aliased = false;
  OSStatus err = ResolveWithMountRule(allowUI, mountFlags, [&](unsigned long flags) {
    return FSResolveAliasFileWithMountFlags(ref, resolveChains, &isFolder, &aliased, flags);
  });
  if (targetIsFolder) *targetIsFolder = isFolder;
  if (wasAliased) *wasAliased = aliased;
  return err;
}

OSStatus ResolveAliasRecord(Handle alias, FSRef* ref, bool* wasChanged, bool allowUI,
                            UInt32 mountFlags) {
  Boolean changed = false;
  OSStatus err = ResolveWithMountRule(allowUI, mountFlags, [&](unsigned long flags) {
    return FSResolveAliasWithMountFlags(nullptr, alias, ref, &changed, flags);
  });
  if (wasChanged) *wasChanged = changed;
  return err;
}

OSStatus ResolveAliasData(CFDataRef data, FSRef* ref, bool allowUI) {
  if (!data) return paramErr;
  Handle alias = nullptr;
  OSErr err = PtrToHand(CFDataGetBytePtr(data), &alias, CFDataGetLength(data));
  if (err != noErr) return err;
  OSStatus result = ResolveAliasRecord(alias, ref, nullptr, allowUI, 0);
  DisposeHandle(alias);
  return result;
}
