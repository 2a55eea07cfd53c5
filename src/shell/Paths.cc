#include "shell/Paths.h"

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/Files.h"
#include "platform/launchservices/LaunchServices.h"

namespace {
FSRef gSystemPreferencesRef;
bool gSystemPreferencesFound = false;
}  // namespace

bool GetItemPath(const FSRef* ref, char* buffer) {
  CFRef<CFURLRef> url = CFURLCreateFromFSRef(kCFAllocatorDefault, ref);
  if (!url) return false;
  CFRef<CFStringRef> path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
  if (!path) return false;
  return CFStringGetCString(path, buffer, kItemPathBufferSize, kCFStringEncodingMacRoman);
}

OSStatus LocateSystemPreferences(FSRef* ref) {
  if (gSystemPreferencesFound) {
    *ref = gSystemPreferencesRef;
    return noErr;
  }
  FSRef found;
  OSStatus err =
      FSPathMakeRef(reinterpret_cast<const UInt8*>(kSystemPreferencesPath), &found, nullptr);
  if (err != noErr)
    err = LSGetApplicationForInfo(kSystemPreferencesType, kSystemPreferencesCreator, nullptr,
                                  kLSRolesNone, &found, nullptr);
  if (err != noErr) return err;
  gSystemPreferencesRef = found;
  gSystemPreferencesFound = true;
  *ref = found;
  return noErr;
}

void ForgetSystemPreferencesForTesting() { gSystemPreferencesFound = false; }
