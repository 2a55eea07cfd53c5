// Item information and display names.
#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"
#include "platform/launchservices/LaunchServices.h"
#include "platform/launchservices/LaunchServicesInternal.h"

using namespace FilesPrivate;
using namespace LaunchServicesPrivate;

namespace {

struct Item {
  std::string path;
  struct stat st;
  std::string_view name;
  bool isVolumeRoot = false;
};

OSStatus LookUpItem(const FSRef* ref, Item* item) {
  RefData data;
  if (OSStatus s = LookUpRef(ref, &item->path, &item->st, &data)) return s;
  item->name = data.node == 0 ? std::string_view("/") : NameOfNode(data.node);
  item->isVolumeRoot = S_ISDIR(item->st.st_mode) && (data.node == 0 || HostVolumeAt(item->path));
  return noErr;
}

bool IsApplicationBundle(const Item& item) {
  return S_ISDIR(item.st.st_mode) && !item.isVolumeRoot &&
         EqualsIgnoringASCIICase(NameExtension(item.name), "app");
}

bool IsDesktopApplication(const Item& item) {
  if (!S_ISREG(item.st.st_mode) || !IsDesktopFileName(item.name)) return false;
  auto entry = ReadDesktopEntry(item.path);
  return entry && entry->isApplication;
}

LSItemInfoFlags BasicFlags(const Item& item) {
  const mode_t mode = item.st.st_mode;
  LSItemInfoFlags flags = 0;
  if (S_ISLNK(mode)) {
    flags = kLSItemInfoIsPlainFile | kLSItemInfoIsAliasFile | kLSItemInfoIsSymlink;
  } else if (S_ISDIR(mode)) {
    if (item.isVolumeRoot) {
      flags = kLSItemInfoIsVolume | kLSItemInfoIsContainer;
    } else {
      flags = kLSItemInfoIsContainer;
      if (IsPackageExtension(NameExtension(item.name))) flags |= kLSItemInfoIsPackage;
      if (IsApplicationBundle(item)) flags |= kLSItemInfoIsApplication;
    }
  } else if (S_ISREG(mode)) {
    flags = kLSItemInfoIsPlainFile;
    if (IsProgramFile(item.path, item.st) || IsDesktopApplication(item))
      flags |= kLSItemInfoIsApplication;
  }
  if (!item.name.empty() && item.name.front() == '.') flags |= kLSItemInfoIsInvisible;
  return flags;
}

}  // namespace

OSStatus LSCopyItemInfoForRef(const FSRef* inItemRef, LSRequestedInfo inWhichInfo,
                              LSItemInfoRecord* outItemInfo) {
  if (!inItemRef || !outItemInfo) return paramErr;
  Item item;
  if (OSStatus s = LookUpItem(inItemRef, &item)) return s;
  *outItemInfo = LSItemInfoRecord{};

  constexpr LSRequestedInfo kAnyFlags = kLSRequestBasicFlagsOnly | kLSRequestAppTypeFlags |
                                        kLSRequestAllFlags | kLSRequestExtensionFlagsOnly;
  if (inWhichInfo & kAnyFlags) {
    const LSItemInfoFlags basic = BasicFlags(item);
    LSItemInfoFlags flags = 0;
    if (inWhichInfo & (kLSRequestBasicFlagsOnly | kLSRequestAllFlags)) flags |= basic;
    if ((inWhichInfo & (kLSRequestAppTypeFlags | kLSRequestAllFlags)) &&
        (basic & kLSItemInfoIsApplication))
      flags |= kLSItemInfoIsApplication | kLSItemInfoIsNativeApp | kLSItemInfoAppPrefersNative;
    if ((inWhichInfo & (kLSRequestExtensionFlagsOnly | kLSRequestAllFlags)) &&
        IsApplicationBundle(item))
      flags |= kLSItemInfoExtensionIsHidden;
    outItemInfo->flags = flags;
  }
  if ((inWhichInfo & kLSRequestTypeCreator) && S_ISDIR(item.st.st_mode) && !item.isVolumeRoot &&
      IsPackageExtension(NameExtension(item.name))) {
    if (auto info = ReadBundleInfo(item.path)) {
      outItemInfo->filetype = info->packageType;
      outItemInfo->creator = info->signature;
    }
  }
  if (inWhichInfo & kLSRequestExtension) {
    std::string_view extension = NameExtension(item.name);
    if (!extension.empty()) outItemInfo->extension = CFStringFromUTF8(extension).Detach();
  }
  return noErr;
}

OSStatus LSCopyDisplayNameForRef(const FSRef* inRef, CFStringRef* outDisplayName) {
  if (!inRef || !outDisplayName) return paramErr;
  Item item;
  if (OSStatus s = LookUpItem(inRef, &item)) return s;
  std::string text(item.name);
  if (const HostVolume* volume = item.isVolumeRoot ? HostVolumeAt(item.path) : nullptr) {
    text = volume->name;
  } else if (S_ISREG(item.st.st_mode) && IsDesktopFileName(item.name)) {
    auto entry = ReadDesktopEntry(item.path);
    if (entry && entry->isApplication && !entry->name.empty()) text = entry->name;
  } else if (IsApplicationBundle(item) && item.name.size() > 4) {
    text = item.name.substr(0, item.name.size() - 4);  // ".app" is hidden
  }
  *outDisplayName = CFStringFromUTF8(text).Detach();
  return noErr;
}
