// Opening items: the layer resolves alias files and picks the application
// for a document; the host carries the launch out.
#include "platform/files/Aliases.h"
#include "platform/files/FilesInternal.h"
#include "platform/host/Host.h"
#include "platform/launchservices/HostLaunchServices.h"
#include "platform/launchservices/LaunchServices.h"

using namespace FilesPrivate;

namespace {

OSStatus PathOf(const FSRef* ref, std::string* path) {
  struct stat st;
  return LookUpRef(ref, path, &st);
}

// The application that claims the item's extension, if any.
bool ApplicationForDocument(const FSRef* item, FSRef* app) {
  LSItemInfoRecord info;
  if (LSCopyItemInfoForRef(item, kLSRequestExtension, &info) != noErr || !info.extension)
    return false;
  const OSStatus s = LSGetApplicationForInfo(kLSUnknownType, kLSUnknownCreator, info.extension,
                                             kLSRolesAll, app, nullptr);
  CFRelease(info.extension);
  return s == noErr;
}

}  // namespace

OSStatus LSOpenFSRef(const FSRef* inRef, FSRef* outLaunchedRef) {
  if (!inRef) return paramErr;
  // An alias file opens its target; a volume that is not mounted is not
  // asked for here (the caller decides whether the user may be asked).
  FSRef target = *inRef;
  if (OSStatus s =
          FSResolveAliasFileWithMountFlags(&target, true, nullptr, nullptr, kResolveAliasFileNoUI))
    return s;
  std::string path;
  if (OSStatus s = PathOf(&target, &path)) return s;
  HostLaunchServices* host = CurrentHost().launchServices;
  if (!host) return kLSUnknownErr;

  LSItemInfoRecord info;
  if (OSStatus s = LSCopyItemInfoForRef(&target, kLSRequestBasicFlagsOnly, &info)) return s;
  FSRef app;
  // Applications run and plain folders (not packages) open in the file
  // browser, whatever their names end in.
  const bool opensItself =
      (info.flags & kLSItemInfoIsApplication) ||
      ((info.flags & kLSItemInfoIsContainer) && !(info.flags & kLSItemInfoIsPackage));
  if (!opensItself && ApplicationForDocument(&target, &app)) {
    std::string appPath;
    if (OSStatus s = PathOf(&app, &appPath)) return s;
    if (OSStatus s = host->Open(path, appPath)) return s;
    if (outLaunchedRef) *outLaunchedRef = app;
    return noErr;
  }
  if (OSStatus s = host->Open(path, std::string())) return s;
  if (outLaunchedRef) *outLaunchedRef = target;
  return noErr;
}

OSStatus LSOpenFromRefSpec(const LSLaunchFSRefSpec* inLaunchSpec, FSRef* outLaunchedRef) {
  if (!inLaunchSpec || (inLaunchSpec->numDocs > 0 && !inLaunchSpec->itemRefs)) return paramErr;
  const LSLaunchFSRefSpec& launchSpec = *inLaunchSpec;
  if (!launchSpec.appRef) {
    if (launchSpec.numDocs == 0) return paramErr;
    for (ItemCount i = 0; i < launchSpec.numDocs; ++i)
      if (OSStatus s = LSOpenFSRef(&launchSpec.itemRefs[i], nullptr)) return s;
    return noErr;
  }
  std::string appPath;
  if (OSStatus s = PathOf(launchSpec.appRef, &appPath)) return s;
  HostLaunchServices* host = CurrentHost().launchServices;
  if (!host) return kLSUnknownErr;
  if (launchSpec.numDocs == 0) {
    if (OSStatus s = host->Open(appPath, std::string())) return s;
  }
  for (ItemCount i = 0; i < launchSpec.numDocs; ++i) {
    FSRef item = launchSpec.itemRefs[i];
    if (OSStatus s =
            FSResolveAliasFileWithMountFlags(&item, true, nullptr, nullptr, kResolveAliasFileNoUI))
      return s;
    std::string path;
    if (OSStatus s = PathOf(&item, &path)) return s;
    if (OSStatus s = host->Open(path, appPath)) return s;
  }
  if (outLaunchedRef) *outLaunchedRef = *launchSpec.appRef;
  return noErr;
}
