// Making working sources: reading a source's type and finding where its
// file, application or folder is.
#include <algorithm>
#include <cstring>
#include <string>

#include "menus/MenuBuilder.h"
#include "menus/WorkingSources.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"
#include "shell/Aliases.h"
#include "shell/Settings.h"
#include "triggers/Triggers.h"

namespace {

// Type values are four-character codes; a longer text is not one.
constexpr std::size_t kTypeCodeLength = 4;
// The separator's type as the preference pane writes it.
constexpr const char* kSeparatorTypeText = "-";
// What ResolveSourceLocation returns for a path that leads nowhere when
// there is no alias to try.
constexpr OSErr kNoLocationErr = -1;
// Where 'sdsk' (the desktop shown on the screen) lives.
constexpr const char* kDesktopFolderPath = "/Desktop Folder";

// The cache keys: kept between rebuilds, never taken from the settings.
const CFStringRef kCacheKeys[] = {kSourceFSRefKey, kSourceContentsKey, kSourceCountKey,
                                  kSourceDateKey, kSourceSubmenuKey};

bool NeedsNoLocation(OSType code) {
  switch (code) {
    case kRecentDocumentsSourceCode:
    case kProcessesSourceCode:
    case kRecentApplicationsSourceCode:
    case kTextSourceCode:
    case kVolumesSourceCode:
    case kPanesSourceCode: return true;
    default: return false;
  }
}

// The folder type codes of sources, as the settings name them.
bool IsKnownFolderType(OSType code) {
  switch (code) {
    case kApplicationsFolderType:
    case kApplicationSupportFolderType:
    case kCurrentUserFolderType:
    case kDesktopFolderType:
    case kDocumentsFolderType:
    case kDomainLibraryFolderType:
    case kPreferencesFolderType:
    case kPreferencePanesFolderType:
    case kSystemDesktopFolderType:
    case kTrashFolderType:
    case kUtilitiesFolderType: return true;
    default: return false;
  }
}

// "menu definition 2, source 3", or without the definition's number (a
// trigger not made from the settings as read) "source 3".
std::string SourceDescription(const UtilityMenu& trigger, UInt16 number) {
  if (trigger.definitionNumber == 0) return Fmt("source %u", number);
  return Fmt("menu definition %u, source %u", trigger.definitionNumber, number);
}

}  // namespace

bool ParseSourceType(CFTypeRef value, OSType* code, bool* isSeparator) {
  *isSeparator = false;
  // The first four bytes of data, or the Mac Roman text of a string.
  UInt8 bytes[kTypeCodeLength] = {};
  std::size_t length = 0;
  if (value && CFGetTypeID(value) == CFDataGetTypeID()) {
    auto data = static_cast<CFDataRef>(value);
    length = static_cast<std::size_t>(
        std::min<CFIndex>(CFDataGetLength(data), static_cast<CFIndex>(kTypeCodeLength)));
    CFDataGetBytes(data, CFRangeMake(0, static_cast<CFIndex>(length)), bytes);
  } else if (value && CFGetTypeID(value) == CFStringGetTypeID()) {
    auto string = static_cast<CFStringRef>(value);
    char buffer[kTypeCodeLength + 1];
    const char* text = CFStringGetCStringPtr(string, kCFStringEncodingMacRoman);
    if (!text) {
      if (!CFStringGetCString(string, buffer, sizeof(buffer), kCFStringEncodingMacRoman))
        return false;
      text = buffer;
    }
    length = std::strlen(text);
    if (length > kTypeCodeLength) return false;
    std::memcpy(bytes, text, length);
  } else {
    return false;
  }
  if (length == 0) return false;
  // The separator's one-character text.
  if (length == 1 && bytes[0] == static_cast<UInt8>(kSeparatorTypeText[0])) {
    *isSeparator = true;
    return true;
  }
  // Big-endian, padded with zero bytes.
  *code = static_cast<OSType>(bytes[0]) << 24 | static_cast<OSType>(bytes[1]) << 16 |
          static_cast<OSType>(bytes[2]) << 8 | static_cast<OSType>(bytes[3]);
  if (*code == kSeparatorSourceCode) *isSeparator = true;
  return true;
}

OSErr ResolveSourceLocation(CFDictionaryRef source, CFStringRef url, OSType typeCode, FSRef* out) {
  // The path, and when it leads nowhere the alias, which finds an item
  // that moved; no user interaction while a menu is being built.
  if (url) {
    CFRef<CFURLRef> location =
        CFURLCreateWithFileSystemPath(kCFAllocatorDefault, url, kCFURLPOSIXPathStyle, false);
    if (location && CFURLGetFSRef(location, out)) return noErr;
    CFDataRef alias = SourceData(source, kSourceAliasKey);
    if (!alias) return kNoLocationErr;
    return static_cast<OSErr>(ResolveAliasData(alias, out, false));
  }
  // Without a path the type code names a folder.
  if (typeCode == kSystemDesktopFolderType)
    return static_cast<OSErr>(
        FSPathMakeRef(reinterpret_cast<const UInt8*>(kDesktopFolderPath), out, nullptr));
  if (typeCode == kApplicationsFolderType || typeCode == kUtilitiesFolderType)
    return FSFindFolder(kLocalDomain, typeCode, kDontCreateFolder, out);
  return FSFindFolder(kUserDomain, typeCode, kCreateFolder, out);
}

void PrepareSource(const void* value, void* context) {
  auto* trigger = static_cast<UtilityMenu*>(context);
  auto entry = static_cast<CFDictionaryRef>(value);
  // The user hears of every entry that shows nothing or is read in part.
  const std::string which = SourceDescription(*trigger, ++trigger->preparedEntries_);
  SettingsNotes notes;
  const bool usable = CheckSourceEntry(static_cast<CFTypeRef>(value), &notes);
  ReportSettingsNotes(which, notes);
  if (!entry || CFGetTypeID(entry) != CFDictionaryGetTypeID()) return;
  // The working source: a copy of the entry, in the trigger's sources.
  CFTypeRef type = static_cast<CFTypeRef>(CFDictionaryGetValue(entry, kSourceTypeKey));
  CFStringRef url = SourceString(entry, kSourceURLKey);
  CFRef<CFMutableDictionaryRef> copy = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, entry);
  // An entry carrying cache keys of its own (written by hand, or by a
  // program that saved a working source) would otherwise pass for a source
  // built before: its "num" would make the builder skip items that do not
  // exist.
  for (CFStringRef key : kCacheKeys) CFDictionaryRemoveValue(copy, key);
  CFArrayAppendValue(trigger->sources, copy.get());
  CFMutableDictionaryRef source = copy.get();
  trigger->ownedSources_.push_back(std::move(copy));
  const bool isSub = SourceFlag(entry, kSourceIsSubmenuKey, false);

  // Sources without a location are done here.
  OSType code = 0;
  if (!url) {
    bool isSeparator = false;
    if (!usable || !type || !ParseSourceType(type, &code, &isSeparator)) return;
    if (isSeparator || NeedsNoLocation(code)) return;
  }

  // By default a folder lists its contents inline; "Is Submenu" keeps it
  // as one item with a submenu.
  FSRef ref;
  if (ResolveSourceLocation(entry, url, code, &ref) == noErr) {
    SetSourceFSRef(source, ref);
    if (!isSub && IsFolderFlags(BasicFlagsOf(&ref)))
      CFDictionarySetValue(source, kSourceContentsKey, kCFBooleanTrue);
  } else {
    SetSourceUnresolved(source);
    // A path that leads nowhere shows itself as a disabled line, and a
    // known folder that is missing appears once it exists; a code that
    // names no folder shows nothing ever, which a typo would leave
    // unexplained.
    if (!url && !IsKnownFolderType(code))
      ReportProblem(
          Fmt("settings: %s: \"Type\" '%s' is no kind of source and names no folder "
              "Korvane knows; the source shows nothing",
              which.c_str(), FourCCString(code).c_str()));
  }
}
