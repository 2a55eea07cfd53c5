// The handlers every menu the agent makes gets, and the lazy filling of
// folder submenus when they open.
#include "menus/FolderListing.h"
#include "menus/MenuBuilder.h"
#include "platform/files/Files.h"
#include "platform/menus/MenuEvents.h"
#include "triggers/Triggers.h"

namespace {

struct MenuHandlerEntry {
  EventTypeSpec type;
  // Null while the work that owns the handler is still to come: its
  // registration keeps its place in the order.
  EventHandlerUPP handler;
  bool triggerAsUserData;
};

// One handler per event type, installed in this order.
const MenuHandlerEntry kMenuHandlers[] = {
    {{kEventClassMenu, kEventMenuOpening}, MenuOpeningHandler, true},
    // MenuClosedHandler: comes with the hot keys and key assignment.
    {{kEventClassMenu, kEventMenuClosed}, nullptr, true},
    {{kEventClassMenu, kEventMenuTargetItem}, MenuTargetItemHandler, true},
    // MenuKeyDownHandler: comes with the item commands.
    {{kEventClassKeyboard, kEventRawKeyDown}, nullptr, true},
    // MenuKeyRepeatHandler: comes with the hot keys and key assignment.
    {{kEventClassKeyboard, kEventRawKeyRepeat}, nullptr, true},
    // MenuModifiersChangedHandler: comes with the hot keys and key assignment.
    {{kEventClassKeyboard, kEventRawKeyModifiersChanged}, nullptr, true},
    {{kEventClassMenu, kEventMenuDrawItem}, MenuDrawItemHandler, true},
    // MenuMouseMovedHandler: comes with the drops onto menu items.
    {{kEventClassMouse, kEventMouseMoved}, nullptr, false},
};

// kMenuItemAttrDisabled: the placeholders are lines, not items.
constexpr MenuItemAttributes kPlaceholderAttributes = kMenuItemAttrDisabled;

void AppendPlaceholder(MenuRef menu, CFStringRef text) {
  (void)AppendMenuItemTextWithCFString(menu, text, kPlaceholderAttributes, 0, nullptr);
}

}  // namespace

void InstallMenuHandlers(MenuRef menu, void* trigger) {
  EventTargetRef target = GetMenuEventTarget(menu);
  if (!target) return;
  // The handler references are not kept: the handlers go with the menu.
  for (const MenuHandlerEntry& entry : kMenuHandlers) {
    if (!entry.handler) continue;
    (void)InstallEventHandler(target, entry.handler, 1, &entry.type,
                              entry.triggerAsUserData ? trigger : nullptr, nullptr);
  }
}

OSStatus MenuOpeningHandler(EventHandlerCallRef /*callRef*/, EventRef event, void* userData) {
  auto* trigger = static_cast<UtilityMenu*>(userData);
  if (!trigger) return eventNotHandledErr;
  // A menu opening means the pointer is on the menus again: a drop menu's
  // pending close is called off. The timer is removed, not only forgotten,
  // so that it cannot close the menu later.
  if (trigger->closeTimer) {
    (void)RemoveEventLoopTimer(trigger->closeTimer);
    trigger->closeTimer = nullptr;
  }
  gOpenMenuCount += 1;
  MenuRef menu = nullptr;
  if (GetEventParameter(event, kEventParamDirectObject, typeMenuRef, nullptr, sizeof(menu), nullptr,
                        &menu) == noErr &&
      menu != trigger->menu)
    PopulateSubmenu(trigger, menu);
  return noErr;
}

void PopulateSubmenu(UtilityMenu* trigger, MenuRef menu) {
  DisplayPrefs prefs;
  if (!GetItemDisplayPrefs(menu, 0, &prefs)) {
    prefs = DisplayPrefs{};
    prefs.iconSize = static_cast<SInt16>(trigger->iconSize);
  }
  RefreshFolderMenu(menu, true, &prefs, InstallMenuHandlers, trigger);
}

void RefreshFolderMenu(MenuRef menu, bool makeSubmenus, const DisplayPrefs* prefs,
                       MenuInstaller installer, void* refcon) {
  // Submenus of generated lists have no folder: their source remakes them.
  FSRef folder;
  if (!GetItemFSRef(menu, 0, &folder)) return;
  FolderDate stored;
  const bool hasStored =
      GetMenuItemProperty(menu, 0, kSKIDCreator, kDateTag, kDateTagSize, nullptr, &stored) == noErr;
  FolderDate newDate;
  OSStatus status = noErr;
  bool settled = false;
  const bool changed =
      FolderChanged(&folder, hasStored ? &stored : nullptr, &newDate, &status, &settled);
  // An unchanged folder keeps its items; they are only revalidated.
  if (!changed) {
    RevalidateItemRange(menu, 1, CountMenuItems(menu), prefs, installer, refcon);
    return;
  }
  // A date too recent to show that nothing changes later is not kept:
  // the next opening relists.
  DeleteItemRange(menu, 1, 0);
  (void)RemoveMenuItemProperty(menu, 0, kSKIDCreator, kDateTag);
  if (status != noErr) {
    AppendPlaceholder(menu, gUnavailableText);
    return;
  }
  OSErr listed = noErr;
  const UInt16 n = ListFolder(menu, &folder, makeSubmenus, prefs, prefs->splitItems, 0, installer,
                              refcon, &listed);
  // A folder that cannot be read is not empty but unavailable. Its date is
  // not kept either: being made readable changes no modification date.
  if (listed != noErr) {
    AppendPlaceholder(menu, gUnavailableText);
    return;
  }
  if (settled) SetMenuItemProperty(menu, 0, kSKIDCreator, kDateTag, kDateTagSize, &newDate);
  if (n == 0) AppendPlaceholder(menu, gEmptyFolderText);
}

bool FolderChanged(const FSRef* ref, const FolderDate* stored, FolderDate* outDate,
                   OSStatus* outStatus, bool* outSettled) {
  FSModificationStamp stamp;
  *outStatus = FSGetModificationStamp(ref, &stamp);
  *outDate = FolderDate{stamp.seconds, stamp.nanoseconds, 0};
  if (outSettled) *outSettled = *outStatus == noErr && stamp.settled;
  return *outStatus != noErr || !stored || stored->seconds != outDate->seconds ||
         stored->nanoseconds != outDate->nanoseconds;
}
