#include "actions/OpenItems.h"

#include "actions/FinderEvents.h"
#include "menus/ItemRecords.h"
#include "platform/appleevents/AppleEvents.h"
#include "platform/events/Input.h"
#include "platform/files/FilesCatalog.h"
#include "platform/preferences/Preferences.h"
#include "platform/processes/Processes.h"
#include "platform/sound/Sound.h"
#include "shell/Aliases.h"
#include "shell/FrontProcess.h"
#include "shell/Paths.h"
#include "shell/Settings.h"
#include "triggers/Triggers.h"

UtilityMenu* gActiveTrigger = nullptr;

namespace {

constexpr UInt32 kChoiceModifiers = cmdKey | shiftKey | optionKey | controlKey;
// The item information OpenItem asks for: the extension and the kind flags.
constexpr LSRequestedInfo kOpenItemInfo = kLSRequestExtension | kLSRequestBasicFlagsOnly;

// Keeps gActiveTrigger set while a pop-up and its action run, and clears it
// on whichever path the action ends.
class ActiveTriggerScope {
 public:
  explicit ActiveTriggerScope(UtilityMenu* trigger) { gActiveTrigger = trigger; }
  ~ActiveTriggerScope() { gActiveTrigger = nullptr; }
  ActiveTriggerScope(const ActiveTriggerScope&) = delete;
  ActiveTriggerScope& operator=(const ActiveTriggerScope&) = delete;
};

// Whether the user asked that Command-choosing an item does nothing.
bool RevealViaCommandKeyDisabled() {
  Boolean exists = false;
  const Boolean value = CFPreferencesGetAppBooleanValue(CFSTR(kNoRevealViaCommandKeyKey),
                                                        kCFPreferencesCurrentApplication, &exists);
  return exists && value;
}

// A running process was chosen: the modifiers say whether it comes forward
// alone, hides the application that was in front, or hides every other.
void ActOnProcess(const ProcessSerialNumber& psn, UInt32 modifiers) {
  if ((modifiers & cmdKey) && (modifiers & optionKey)) {
    (void)CPSPostHideMostReq(&psn);
  } else if (modifiers & optionKey) {
    ProcessSerialNumber previous{0, kNoProcess};
    const bool hadFront = GetFrontProcess(&previous) == noErr;
    (void)SetFrontProcess(&psn);
    // The chosen process may have been in front already: it is not hidden.
    Boolean same = false;
    if (hadFront && (SameProcess(&previous, &psn, &same) != noErr || !same))
      (void)ShowHideProcess(&previous, false);
  } else {
    (void)SetFrontProcess(&psn);
  }
}

// The 'PREF' record's noDirOpen byte; false without the record.
bool NoDirOpenOf(MenuRef menu, MenuItemIndex item) {
  DisplayPrefs prefs;
  ByteCount size = 0;
  if (GetMenuItemProperty(menu, item, kSKIDCreator, kPrefTag, kPrefTagSize, &size, &prefs) !=
          noErr ||
      size != kPrefTagSize)
    return false;
  return prefs.noDirOpen != 0;
}

// Opens the pane with System Preferences; false when that cannot be done.
bool OpenWithSystemPreferences(const FSRef* ref) {
  FSRef app;
  if (LocateSystemPreferences(&app) != noErr) return false;
  LSLaunchFSRefSpec launchSpec;
  launchSpec.appRef = &app;
  launchSpec.numDocs = 1;
  launchSpec.itemRefs = ref;
  launchSpec.passThruParams = nullptr;
  launchSpec.launchFlags = kLSLaunchDefaults;
  launchSpec.asyncRefCon = nullptr;
  return LSOpenFromRefSpec(&launchSpec, nullptr) == noErr;
}

}  // namespace

void ShowMenuAndOpenChoice(UtilityMenu* trigger, bool anchorToTab) {
  if (!trigger) return;
  ActiveTriggerScope scope(trigger);

  const UInt32 result = trigger->ShowMenu(anchorToTab);
  const auto item = static_cast<SInt16>(result & 0xFFFF);
  if (item <= 0) return;

  // The item is found in the menu that was highlighted last, which may be a
  // submenu; a menu disposed of or shortened meanwhile chose nothing.
  MenuRef menu = trigger->highlightedMenu;
  if (!menu || !IsValidMenu(menu) || item > static_cast<SInt16>(CountMenuItems(menu))) return;
  const auto index = static_cast<MenuItemIndex>(item);
  if (!IsMenuItemEnabled(menu, index)) return;

  FSRef ref;
  ByteCount size = 0;
  if (GetMenuItemProperty(menu, index, kSKIDCreator, kFileTag, kFileTagSize, &size, &ref) !=
          noErr ||
      size != kFileTagSize)
    return;

  // The keys held now, after the menu closed, decide the action.
  const UInt32 modifiers = GetCurrentKeyModifiers() & kChoiceModifiers;

  if ((modifiers & cmdKey) && !(modifiers & optionKey)) {
    if (RevealViaCommandKeyDisabled()) return;
    (void)RevealItem(&ref);
    return;
  }

  ProcessSerialNumber psn;
  if (GetMenuItemProperty(menu, index, kSKIDCreator, kProcessTag, kProcessTagSize, &size, &psn) ==
          noErr &&
      size == kProcessTagSize) {
    ActOnProcess(psn, modifiers);
    return;
  }

  (void)OpenItem(&ref, NoDirOpenOf(menu, index));
}

OSStatus OpenItem(const FSRef* ref, bool noDirOpen) {
  LSItemInfoRecord info;
  if (OSStatus s = LSCopyItemInfoForRef(ref, kOpenItemInfo, &info); s != noErr) {
    SysBeep(1);
    return s;
  }

  // A preference pane opens in System Preferences; when that fails it is
  // opened as any other item below.
  if (info.extension) {
    const bool isPane = CFStringCompare(info.extension, CFSTR("prefPane"), 0) == kCFCompareEqualTo;
    CFRelease(info.extension);
    info.extension = nullptr;
    if (isPane && OpenWithSystemPreferences(ref)) return noErr;
  }

  if (noDirOpen && IsFolderItem(&info, ref)) return noErr;

  if (IsAltBrowserRunning() && IsFolderItem(&info, ref))
    return SendAliasEvent(kAltBrowserType, kAltBrowserCreator, true, ref, kAltBrowserEventClass,
                          kAltBrowserOpenFolder);

  if (LSOpenFSRef(ref, nullptr) == noErr) return noErr;

  // The open may have failed on an alias whose volume is not mounted:
  // resolve it letting the user be asked to mount it, and try again.
  FSRef resolved = *ref;
  if (OSStatus s = ResolveAliasFile(&resolved, true, nullptr, nullptr, true, 0); s != noErr) {
    SysBeep(1);
    return s;
  }
  if (OSStatus s = LSOpenFSRef(&resolved, nullptr); s != noErr) {
    SysBeep(1);
    return s;
  }
  return noErr;
}

bool IsFolderItem(const LSItemInfoRecord* info, const FSRef* ref) {
  if (info->flags & kLSItemInfoIsAliasFile) {
    FSRef target = *ref;
    bool targetIsFolder = false;
    if (ResolveAliasFile(&target, true, &targetIsFolder, nullptr, false, 0) == noErr)
      return targetIsFolder;
  }
  return (info->flags & kLSItemInfoIsContainer) &&
         !(info->flags &
           (kLSItemInfoIsPlainFile | kLSItemInfoIsPackage | kLSItemInfoIsApplication));
}

OSStatus RevealItem(const FSRef* ref) {
  // An item deleted since it was listed is not there to show: without this
  // the browser would get an event naming nothing and still come forward.
  if (OSStatus s = FSGetCatalogInfo(ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr);
      s != noErr) {
    SysBeep(1);
    return s;
  }
  if (IsAltBrowserRunning())
    return SendAliasEvent(kAltBrowserType, kAltBrowserCreator, true, ref, kAEMiscStandards,
                          kAEMakeObjectsVisible);
  return SendAliasEvent(kFinderType, kFinderCreator, true, ref, kAEMiscStandards,
                        kAEMakeObjectsVisible);
}
