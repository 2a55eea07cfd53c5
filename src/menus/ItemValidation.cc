// Bringing an item's derived state up to date: its bound key, the submenu of
// an alias to a folder, and its enabled state in and out of drop mode.
#include "bindings/KeyBindings.h"
#include "menus/ItemRecords.h"
#include "platform/files/Aliases.h"
#include "platform/launchservices/LaunchServices.h"
#include "shell/Aliases.h"

namespace {

// The kind flags that tell a folder from everything else: a folder is a
// container and none of the others.
constexpr LSItemInfoFlags kKindFlags = kLSItemInfoIsPlainFile | kLSItemInfoIsPackage |
                                       kLSItemInfoIsApplication | kLSItemInfoIsContainer;

bool IsFolder(LSItemInfoFlags flags) { return (flags & kKindFlags) == kLSItemInfoIsContainer; }

MenuRef SubmenuOf(MenuRef menu, MenuItemIndex index) {
  MenuRef submenu = nullptr;
  if (GetMenuItemHierarchicalMenu(menu, index, &submenu) != noErr) return nullptr;
  return submenu;
}

void DetachSubmenu(MenuRef menu, MenuItemIndex index, MenuRef submenu) {
  DisposeMenuTree(submenu);
  SetMenuItemHierarchicalMenu(menu, index, nullptr);
}

// Whether submenu lists the folder target (its 'FILE' names the same item).
bool ListsFolder(MenuRef submenu, const FSRef& target) {
  FSRef listed;
  return GetItemFSRef(submenu, 0, &listed) && FSCompareFSRefs(&listed, &target) == noErr;
}

}  // namespace

void ValidateItem(UInt32 nodeID, UInt32 lsFlags, MenuRef menu, MenuItemIndex index,
                  const DisplayPrefs* prefs, MenuInstaller installHandlers, void* refcon) {
  // The bound key.
  ShowItemKeyBinding(nodeID, menu, index);

  // Alias targets. The stored 'FILE' keeps naming the alias file itself.
  if (lsFlags & kLSItemInfoIsAliasFile) {
    FSRef target;
    bool targetIsFolder = false;
    bool wasAliased = false;
    LSItemInfoRecord info;
    const bool resolved =
        GetItemFSRef(menu, index, &target) &&
        ResolveAliasFile(&target, true, &targetIsFolder, &wasAliased, false, 0) == noErr &&
        LSCopyItemInfoForRef(&target, kLSRequestBasicFlagsOnly, &info) == noErr;
    MenuRef submenu = SubmenuOf(menu, index);
    if (resolved) {
      lsFlags = info.flags;
      if (IsFolder(lsFlags)) {
        // A submenu made for an earlier target of the alias lists the wrong
        // folder: it is replaced when the display record allows a new one.
        if (submenu && prefs && !ListsFolder(submenu, target)) {
          DetachSubmenu(menu, index, submenu);
          submenu = nullptr;
        }
        if (!submenu && prefs)
          AttachFolderSubmenu(menu, index, &target, prefs, installHandlers, refcon);
      } else if (submenu) {
        // The alias now leads to something that is not a folder.
        DetachSubmenu(menu, index, submenu);
      }
    } else if (submenu) {
      DetachSubmenu(menu, index, submenu);
    }
  }

  // Enabled state. While a drop target is chosen only folders,
  // applications and folder headers are enabled; outside drop mode
  // folder headers are inert labels.
  const bool isApp = lsFlags & kLSItemInfoIsApplication;
  const bool isContainer = lsFlags & kLSItemInfoIsContainer;
  const bool isPackage = lsFlags & kLSItemInfoIsPackage;
  if (isApp && (!isContainer || isPackage)) {
    // An application keeps its enabled state.
  } else if (isContainer && !isPackage) {
    UInt8 label = 0;
    if (GetMenuItemProperty(menu, index, kSKIDCreator, kLabelTag, kLabelTagSize, nullptr, &label) ==
            noErr &&
        label != 0) {
      if (gDropMenuActive)
        EnableMenuItem(menu, index);
      else
        DisableMenuItem(menu, index);
    }
  } else if (gDropMenuActive) {
    DisableMenuItem(menu, index);
  } else {
    EnableMenuItem(menu, index);
  }
}

void RevalidateItemRange(MenuRef menu, MenuItemIndex first, MenuItemIndex last,
                         const DisplayPrefs* prefs, MenuInstaller installHandlers, void* refcon) {
  // Item 0 is the menu itself, never an item to validate; the wide counter
  // ends the loop also when last is the highest index.
  for (UInt32 index = first == 0 ? 1 : first; index <= last; ++index) {
    const auto item = static_cast<MenuItemIndex>(index);
    UInt32 nodeID = 0;
    if (!GetItemNodeID(menu, item, &nodeID)) continue;
    ValidateItem(nodeID, GetItemLSFlags(menu, item), menu, item, prefs, installHandlers, refcon);
  }
}
