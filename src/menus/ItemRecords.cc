// Menu IDs, the typed item properties, and putting one file item or one
// folder submenu into a menu.
#include "menus/ItemRecords.h"

#include <algorithm>
#include <vector>

MenuID gNextMenuID = 0;
bool gDropMenuActive = false;

namespace {

// Longest item text shown whole, in UTF-16 units; longer names are cut and
// get kEllipsis.
constexpr CFIndex kMaxItemTextLength = 76;
constexpr const char* kEllipsis = "...";
// kMenuItemAttrSubmenuParentChoosable | kMenuItemAttrIgnoreMeta |
// kMenuItemAttrCustomDraw: a folder item with a submenu can itself be
// chosen, a leading hyphen in a file name is shown as it is, and the item is
// drawn by the menu's draw-item handler.
constexpr MenuItemAttributes kFileItemAttributes = 0x904;
static_assert(kFileItemAttributes == (kMenuItemAttrSubmenuParentChoosable |
                                      kMenuItemAttrIgnoreMeta | kMenuItemAttrCustomDraw));

// The menus CreateAgentMenu made, so that tools can find one by its ID.
std::vector<MenuRef>& AgentMenus() {
  static std::vector<MenuRef> menus;
  return menus;
}

bool IsHighSurrogate(UniChar c) { return c >= 0xD800 && c <= 0xDBFF; }

// The item text for name: the name itself, or its first 76 units and "...".
// A cut never splits a surrogate pair, which would leave a broken character
// in front of the dots.
CFRef<CFStringRef> ItemText(CFStringRef name) {
  const CFIndex length = CFStringGetLength(name);
  if (length <= kMaxItemTextLength) return CFRef<CFStringRef>::Retain(name);
  CFIndex keep = kMaxItemTextLength;
  if (IsHighSurrogate(CFStringGetCharacterAtIndex(name, keep - 1))) --keep;
  CFRef<CFMutableStringRef> text = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, name);
  CFStringDelete(text, CFRangeMake(keep, length - keep));
  CFStringAppendCString(text, kEllipsis, kCFStringEncodingASCII);
  return text;
}

void ReleaseIcon(void* icon, bool iconIsImage) {
  if (!icon) return;
  if (iconIsImage)
    CGImageRelease(static_cast<CGImageRef>(icon));
  else
    (void)ReleaseIconRef(static_cast<IconRef>(icon));
}

}  // namespace

OSStatus CreateAgentMenu(MenuRef* outMenu) {
  if (!outMenu) return paramErr;
  const MenuID id = gNextMenuID;
  gNextMenuID = static_cast<MenuID>(static_cast<UInt16>(gNextMenuID) + 1);
  const OSStatus status = CreateNewMenu(id, 0, outMenu);
  if (status == noErr) {
    auto& menus = AgentMenus();
    std::erase_if(menus, [](MenuRef m) { return !IsValidMenu(m); });
    menus.push_back(*outMenu);
  }
  return status;
}

MenuRef FindAgentMenu(MenuID id) {
  const auto& menus = AgentMenus();
  for (auto it = menus.rbegin(); it != menus.rend(); ++it)
    if (IsValidMenu(*it) && GetMenuID(*it) == id) return *it;
  return nullptr;
}

bool GetItemFSRef(MenuRef menu, MenuItemIndex item, FSRef* out) {
  return GetMenuItemProperty(menu, item, kSKIDCreator, kFileTag, kFileTagSize, nullptr, out) ==
         noErr;
}

bool GetItemDisplayPrefs(MenuRef menu, MenuItemIndex item, DisplayPrefs* out) {
  return GetMenuItemProperty(menu, item, kSKIDCreator, kPrefTag, kPrefTagSize, nullptr, out) ==
         noErr;
}

bool GetItemNodeID(MenuRef menu, MenuItemIndex item, UInt32* out) {
  return GetMenuItemProperty(menu, item, kSKIDCreator, kNodeTag, kNodeTagSize, nullptr, out) ==
         noErr;
}

UInt32 GetItemLSFlags(MenuRef menu, MenuItemIndex item) {
  UInt32 flags = 0;
  (void)GetMenuItemProperty(menu, item, kSKIDCreator, kFlagTag, kFlagTagSize, nullptr, &flags);
  return flags;
}

SInt16 GetMenuIconSize(MenuRef menu) {
  SInt16 size = 0;
  (void)GetMenuItemProperty(menu, 0, kSKIDCreator, kIconTag, kIconTagSize, nullptr, &size);
  return size;
}

OSStatus InsertFileItem(MenuRef menu, CFStringRef name, const FSRef* ref, void* icon,
                        bool iconIsImage, MenuItemIndex afterIndex, UInt32 nodeID, UInt32 lsFlags) {
  if (!name) {
    ReleaseIcon(icon, iconIsImage);
    return paramErr;
  }
  // Long names are cut to fit.
  CFRef<CFStringRef> text = ItemText(name);
  // An index past the end inserts at the end, so the new item's index is
  // taken from the count as it was.
  const auto index = static_cast<MenuItemIndex>(std::min(afterIndex, CountMenuItems(menu)) + 1);
  const OSStatus status =
      InsertMenuItemTextWithCFString(menu, text, afterIndex, kFileItemAttributes, 0);
  if (status != noErr || !ref) {
    // Without a ref no properties and no icon are written.
    ReleaseIcon(icon, iconIsImage);
    return status;
  }
  SetMenuItemProperty(menu, index, kSKIDCreator, kFileTag, kFileTagSize, ref);
  // The menu keeps its own reference to the icon.
  if (icon) {
    SetMenuItemIconHandle(menu, index, iconIsImage ? kMenuCGImageRefType : kMenuIconRefType,
                          static_cast<Handle>(icon));
    ReleaseIcon(icon, iconIsImage);
  }
  // Node ID and flags are stored only when known.
  if (nodeID != 0) SetMenuItemProperty(menu, index, kSKIDCreator, kNodeTag, kNodeTagSize, &nodeID);
  if (lsFlags != 0)
    SetMenuItemProperty(menu, index, kSKIDCreator, kFlagTag, kFlagTagSize, &lsFlags);
  return noErr;
}

void AttachFolderSubmenu(MenuRef menu, MenuItemIndex index, const FSRef* folderRef,
                         const DisplayPrefs* prefs, MenuInstaller installHandlers, void* refcon) {
  MenuRef oldMenu = nullptr;
  if (!folderRef || GetMenuItemHierarchicalMenu(menu, index, &oldMenu) != noErr) return;
  // An item holds one submenu tree; one it had would otherwise be orphaned.
  if (oldMenu) {
    DisposeMenuTree(oldMenu);
    SetMenuItemHierarchicalMenu(menu, index, nullptr);
  }
  const DisplayPrefs defaults;
  if (!prefs) prefs = &defaults;
  // The submenu takes the same handlers as its parent.
  MenuRef newMenu = nullptr;
  if (CreateAgentMenu(&newMenu) != noErr) return;
  if (installHandlers) installHandlers(newMenu, refcon);
  // Item 0 of the submenu holds the folder it lists.
  SetMenuItemProperty(newMenu, 0, kSKIDCreator, kFileTag, kFileTagSize, folderRef);
  SetMenuItemHierarchicalMenu(menu, index, newMenu);
  // The display preferences go on to the submenu.
  SetMenuItemProperty(newMenu, 0, kSKIDCreator, kPrefTag, kPrefTagSize, prefs);
  // Its own font, else the parent menu's.
  if (prefs->fontID != -1) {
    SetMenuFont(newMenu, prefs->fontID, prefs->fontSize);
  } else {
    SInt16 fontID = 0;
    UInt16 fontSize = 0;
    if (GetMenuFont(menu, &fontID, &fontSize) == noErr) SetMenuFont(newMenu, fontID, fontSize);
  }
  // The icon size its items are drawn at.
  const SInt16 iconSize = prefs->iconSize;
  SetMenuItemProperty(newMenu, 0, kSKIDCreator, kIconTag, kIconTagSize, &iconSize);
}
