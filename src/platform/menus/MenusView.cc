// Read-only views of the model for hosts that draw menus and for tests.
#include "platform/menus/MenusInternal.h"

using menus::Find;

std::optional<MenuView> GetMenuView(MenuRef ref) {
  const OpaqueMenuRef* menu = Find(ref);
  if (!menu) return std::nullopt;
  MenuView view;
  view.id = menu->id;
  view.attributes = menu->attributes;
  view.enabled = menu->enabled;
  view.fontID = menu->fontID;
  view.fontSize = menu->fontSize;
  view.itemCount = static_cast<UInt16>(menu->items.size());
  view.retainCount = menu->retainCount;
  view.invalid = menus::PendingRange(*menu);
  view.lastUpdated = menu->lastUpdated;
  view.updateCount = menu->updateCount;
  view.generation = menu->generation;
  return view;
}

std::optional<MenuItemView> GetMenuItemView(MenuRef ref, MenuItemIndex index) {
  OpaqueMenuRef* menu = Find(ref);
  if (!menu) return std::nullopt;
  const menus::Item* item = menus::FindItem(*menu, index);
  if (!item) return std::nullopt;
  MenuItemView view;
  view.text = CFStringToUTF8(item->text);
  view.command = item->command;
  view.attributes = item->attributes;
  view.isSeparator = item->attributes & kMenuItemAttrSeparator;
  view.enabled = !(item->attributes & kMenuItemAttrDisabled);
  view.hidden = item->attributes & kMenuItemAttrHidden;
  view.isVirtualKey = item->attributes & kMenuItemAttrUseVirtualKey;
  view.commandKey = view.isVirtualKey ? item->commandVirtualKey : item->commandChar;
  view.glyph = item->glyph;
  view.hasKeyEquivalent = view.glyph != 0 || view.isVirtualKey || view.commandKey != 0;
  view.modifiers = item->modifiers;
  view.iconType = item->icon.Type();
  view.icon = item->icon.Object();
  view.submenu = menus::LiveSubmenu(*item);
  return view;
}
