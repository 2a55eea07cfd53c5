// Typed access to the keys of a working source.
#include "menus/WorkingSources.h"

#include <cstring>

#include "platform/launchservices/LaunchServices.h"

namespace {

// The kind flags that tell a folder from everything else.
constexpr UInt32 kKindFlags = kLSItemInfoIsPlainFile | kLSItemInfoIsPackage |
                              kLSItemInfoIsApplication | kLSItemInfoIsContainer;

// What "sub" holds: the submenu and the ID it was created with. A menu is
// taken to be the same one only while it is live and still has that ID, so a
// stale entry never leads to a menu that came later at the same address.
struct SubmenuLink {
  MenuRef menu = nullptr;
  MenuID id = 0;
};

template <class T>
T NumberValue(CFDictionaryRef source, CFStringRef key, CFNumberType type, T absent) {
  CFNumberRef number = CFDictionaryGetTyped<CFNumberRef>(source, key);
  if (!number) return absent;
  T value = absent;
  // A number out of range is stored truncated, as it is read on the Mac.
  (void)CFNumberGetValue(number, type, &value);
  return value;
}

}  // namespace

CFStringRef SourceString(CFDictionaryRef source, CFStringRef key) {
  return CFDictionaryGetTyped<CFStringRef>(source, key);
}

CFDataRef SourceData(CFDictionaryRef source, CFStringRef key) {
  return CFDictionaryGetTyped<CFDataRef>(source, key);
}

bool SourceFlag(CFDictionaryRef source, CFStringRef key, bool absent) {
  CFBooleanRef value = CFDictionaryGetTyped<CFBooleanRef>(source, key);
  return value ? CFBooleanGetValue(value) : absent;
}

bool SourceHas(CFDictionaryRef source, CFStringRef key) {
  return CFDictionaryGetValue(source, key) != nullptr;
}

std::optional<UInt16> SourceCount(CFDictionaryRef source) {
  CFNumberRef number = CFDictionaryGetTyped<CFNumberRef>(source, kSourceCountKey);
  SInt16 count = 0;
  if (!number || !CFNumberGetValue(number, kCFNumberSInt16Type, &count)) return std::nullopt;
  return static_cast<UInt16>(count);
}

void SetSourceCount(CFMutableDictionaryRef source, UInt16 count) {
  const auto value = static_cast<SInt16>(count);
  CFRef<CFNumberRef> number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt16Type, &value);
  CFDictionarySetValue(source, kSourceCountKey, number);
}

bool SourceFSRef(CFDictionaryRef source, FSRef* out) {
  CFDataRef data = SourceData(source, kSourceFSRefKey);
  if (!data || CFDataGetLength(data) != static_cast<CFIndex>(sizeof(FSRef))) return false;
  CFDataGetBytes(data, CFRangeMake(0, sizeof(FSRef)), reinterpret_cast<UInt8*>(out));
  return true;
}

void SetSourceFSRef(CFMutableDictionaryRef source, const FSRef& ref) {
  CFRef<CFDataRef> data =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(&ref), sizeof(FSRef));
  CFDictionarySetValue(source, kSourceFSRefKey, data);
}

void SetSourceUnresolved(CFMutableDictionaryRef source) {
  CFRef<CFMutableDataRef> empty = CFDataCreateMutable(kCFAllocatorDefault, 0);
  CFDictionarySetValue(source, kSourceFSRefKey, empty);
}

std::optional<FolderDate> SourceDate(CFDictionaryRef source) {
  CFDataRef data = SourceData(source, kSourceDateKey);
  if (!data || CFDataGetLength(data) != static_cast<CFIndex>(sizeof(FolderDate)))
    return std::nullopt;
  FolderDate date;
  CFDataGetBytes(data, CFRangeMake(0, sizeof(date)), reinterpret_cast<UInt8*>(&date));
  return date;
}

void SetSourceDate(CFMutableDictionaryRef source, const FolderDate& date) {
  CFRef<CFDataRef> data =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(&date), sizeof(date));
  CFDictionarySetValue(source, kSourceDateKey, data);
}

MenuRef SourceSubmenu(CFDictionaryRef source) {
  CFDataRef data = SourceData(source, kSourceSubmenuKey);
  if (!data || CFDataGetLength(data) != static_cast<CFIndex>(sizeof(SubmenuLink))) return nullptr;
  SubmenuLink link;
  std::memcpy(&link, CFDataGetBytePtr(data), sizeof(link));
  if (!IsValidMenu(link.menu) || GetMenuID(link.menu) != link.id) return nullptr;
  return link.menu;
}

void SetSourceSubmenu(CFMutableDictionaryRef source, MenuRef submenu) {
  const SubmenuLink link{submenu, GetMenuID(submenu)};
  CFRef<CFDataRef> data =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(&link), sizeof(link));
  CFDictionarySetValue(source, kSourceSubmenuKey, data);
}

DisplayPrefs SourceDisplayPrefs(CFDictionaryRef source, UInt16 triggerIconSize) {
  DisplayPrefs prefs;
  prefs.useIcons = SourceFlag(source, kSourceUseIconsKey, true) ? 1 : 0;
  prefs.splitItems = NumberValue<SInt8>(source, kSourceSplitItemsKey, kCFNumberSInt8Type, 0);
  prefs.filterKind = NumberValue<SInt16>(source, kSourceFilterKindKey, kCFNumberSInt16Type, 0);
  prefs.fontID = NumberValue<SInt16>(source, kSourceFontKey, kCFNumberSInt16Type, -1);
  prefs.fontSize =
      static_cast<UInt16>(NumberValue<SInt16>(source, kSourceSizeKey, kCFNumberSInt16Type, 0));
  prefs.iconSize = NumberValue<SInt16>(source, kSourceIconSizeKey, kCFNumberSInt16Type,
                                       static_cast<SInt16>(triggerIconSize));
  prefs.noDirOpen = SourceFlag(source, kSourceNoDirOpenKey, false) ? 1 : 0;
  return prefs;
}

UInt32 BasicFlagsOf(const FSRef* ref) {
  LSItemInfoRecord info;
  if (!ref || LSCopyItemInfoForRef(ref, kLSRequestBasicFlagsOnly, &info) != noErr) return 0;
  return info.flags;
}

bool IsFolderFlags(UInt32 lsFlags) { return (lsFlags & kKindFlags) == kLSItemInfoIsContainer; }
