// Menu lifetime, the registry of live menus, fonts, slots and the redraw
// bookkeeping.
#include <algorithm>
#include <cassert>
#include <unordered_set>

#include "platform/core/MacErrors.h"
#include "platform/menus/MenusInternal.h"

namespace {

// Every live menu. A MenuRef is only dereferenced after it was found here,
// which turns a stale or foreign reference into menuInvalidErr.
std::unordered_set<OpaqueMenuRef*>& LiveMenus() {
  static std::unordered_set<OpaqueMenuRef*> live;
  return live;
}

UInt64 gNextMenuSerial = 1;

void Destroy(OpaqueMenuRef* menu) {
  // Out of the registry first: whatever the disposers below do, they can no
  // longer reach a half-destroyed menu through the layer.
  LiveMenus().erase(menu);
  menu->eventTarget.Drop();
  menu->hostData.Drop();
  delete menu;  // items release their icons
}

}  // namespace

namespace menus {

OpaqueMenuRef* Find(MenuRef ref) {
  if (!ref) return nullptr;
  return LiveMenus().contains(ref) ? ref : nullptr;
}

Item* FindItem(OpaqueMenuRef& menu, MenuItemIndex index) {
  if (index == 0 || index > menu.items.size()) return nullptr;
  return &menu.items[index - 1];
}

PropertyStore* FindStore(OpaqueMenuRef& menu, MenuItemIndex index) {
  if (index == 0) return &menu.properties;
  Item* item = FindItem(menu, index);
  return item ? &item->properties : nullptr;
}

MenuRef LiveSubmenu(const Item& item) {
  OpaqueMenuRef* sub = Find(item.submenu);
  return sub && sub->serial == item.submenuSerial ? sub : nullptr;
}

void Touch(OpaqueMenuRef& menu, MenuItemIndex first, MenuItemIndex last) {
  ++menu.generation;
  last = std::min<MenuItemIndex>(last, static_cast<MenuItemIndex>(menu.items.size()));
  if (first == 0 || first > last) return;
  if (menu.invalidFirst == 0) {
    menu.invalidFirst = first;
    menu.invalidLast = last;
  } else {
    menu.invalidFirst = std::min(menu.invalidFirst, first);
    menu.invalidLast = std::max(menu.invalidLast, last);
  }
}

void TouchAll(OpaqueMenuRef& menu) {
  Touch(menu, 1, static_cast<MenuItemIndex>(menu.items.size()));
}

MenuItemRange PendingRange(const OpaqueMenuRef& menu) {
  auto last = std::min<ItemCount>(menu.invalidLast, menu.items.size());
  if (menu.invalidFirst == 0 || menu.invalidFirst > last) return {};
  return {menu.invalidFirst, last - menu.invalidFirst + 1};
}

}  // namespace menus

using menus::Find;

OSStatus CreateNewMenu(MenuID menuID, MenuAttributes menuAttributes, MenuRef* outMenuRef) {
  if (!outMenuRef) return paramErr;
  auto* menu = new OpaqueMenuRef;
  menu->id = menuID;
  menu->attributes = menuAttributes;
  menu->serial = gNextMenuSerial++;
  LiveMenus().insert(menu);
  *outMenuRef = menu;
  return noErr;
}

OSStatus RetainMenu(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  ++menu->retainCount;
  return noErr;
}

OSStatus ReleaseMenu(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  assert(menu->retainCount > 0);
  if (--menu->retainCount == 0) Destroy(menu);
  return noErr;
}

OSStatus DisposeMenu(MenuRef theMenu) { return ReleaseMenu(theMenu); }

ItemCount GetMenuRetainCount(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  return menu ? menu->retainCount : 0;
}

Boolean IsValidMenu(MenuRef inMenu) { return Find(inMenu) != nullptr; }

MenuID GetMenuID(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  return menu ? menu->id : 0;
}

OSStatus SetMenuFont(MenuRef inMenu, SInt16 inFontID, UInt16 inFontSize) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menu->fontID = inFontID;
  menu->fontSize = inFontSize;
  menus::TouchAll(*menu);
  return noErr;
}

OSStatus GetMenuFont(MenuRef inMenu, SInt16* outFontID, UInt16* outFontSize) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  if (!outFontID || !outFontSize) return paramErr;
  *outFontID = menu->fontID;
  *outFontSize = menu->fontSize;
  return noErr;
}

OSStatus InvalidateMenuItems(MenuRef inMenu, MenuItemIndex inFirstItem, ItemCount inNumItems) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  if (!menus::FindItem(*menu, inFirstItem)) return menuItemNotFoundErr;
  if (inNumItems == 0) return noErr;
  ItemCount last = std::min<ItemCount>(inFirstItem + inNumItems - 1, menu->items.size());
  menus::Touch(*menu, inFirstItem, static_cast<MenuItemIndex>(last));
  return noErr;
}

OSStatus UpdateInvalidMenuItems(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menu->lastUpdated = menus::PendingRange(*menu);
  menu->invalidFirst = menu->invalidLast = 0;
  ++menu->updateCount;
  return noErr;
}

OSStatus SetMenuEventTargetSlot(MenuRef inMenu, void* target, MenuSlotDisposer dispose) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menu->eventTarget.Set(target, dispose);
  return noErr;
}

void* GetMenuEventTargetSlot(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  return menu ? menu->eventTarget.Get() : nullptr;
}

OSStatus SetMenuHostSlot(MenuRef inMenu, void* data, MenuSlotDisposer dispose) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menu->hostData.Set(data, dispose);
  return noErr;
}

void* GetMenuHostSlot(MenuRef inMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  return menu ? menu->hostData.Get() : nullptr;
}

std::size_t CountLiveMenusForTesting() { return LiveMenus().size(); }

std::vector<MenuID> LiveMenuIDsForTesting() {
  std::vector<MenuID> ids;
  for (const OpaqueMenuRef* menu : LiveMenus()) ids.push_back(menu->id);
  std::sort(ids.begin(), ids.end());
  return ids;
}
