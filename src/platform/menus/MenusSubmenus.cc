// Submenus hanging off items.
#include "platform/core/MacErrors.h"
#include "platform/menus/MenusInternal.h"

using menus::Find;
using menus::FindItem;

OSStatus SetMenuItemHierarchicalMenu(MenuRef inMenu, MenuItemIndex inItem, MenuRef inHierMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, inItem);
  if (!item) return menuItemNotFoundErr;
  OpaqueMenuRef* sub = nullptr;
  if (inHierMenu) {
    sub = Find(inHierMenu);
    if (!sub) return menuInvalidErr;
    if (sub == menu) return paramErr;
  }
  item->submenu = sub;
  item->submenuSerial = sub ? sub->serial : 0;
  menus::TouchItem(*menu, inItem);
  return noErr;
}

OSStatus GetMenuItemHierarchicalMenu(MenuRef inMenu, MenuItemIndex inItem, MenuRef* outHierMenu) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, inItem);
  if (!item) return menuItemNotFoundErr;
  if (!outHierMenu) return paramErr;
  *outHierMenu = menus::LiveSubmenu(*item);
  return noErr;
}
