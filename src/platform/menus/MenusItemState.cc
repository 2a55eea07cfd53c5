// Enabled state, attributes and key equivalents of menu items.
#include "platform/core/MacErrors.h"
#include "platform/menus/MenusInternal.h"

using menus::Find;
using menus::FindItem;

namespace {

// Runs change on the item at index and marks it for redraw.
template <class Change>
OSStatus ChangeItem(MenuRef ref, MenuItemIndex index, Change change) {
  OpaqueMenuRef* menu = Find(ref);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, index);
  if (!item) return menuItemNotFoundErr;
  change(*item);
  menus::TouchItem(*menu, index);
  return noErr;
}

// Copies one field of the item at index out through out.
template <class T, class Read>
OSStatus ReadItem(MenuRef ref, MenuItemIndex index, T* out, Read read) {
  OpaqueMenuRef* menu = Find(ref);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, index);
  if (!item) return menuItemNotFoundErr;
  if (!out) return paramErr;
  *out = read(*item);
  return noErr;
}

OSStatus SetEnabled(MenuRef ref, MenuItemIndex index, bool enabled) {
  if (index == 0) {
    OpaqueMenuRef* menu = Find(ref);
    if (!menu) return menuInvalidErr;
    menu->enabled = enabled;
    menus::TouchAll(*menu);
    return noErr;
  }
  return ChangeItem(ref, index, [enabled](menus::Item& item) {
    if (enabled)
      item.attributes &= ~MenuItemAttributes{kMenuItemAttrDisabled};
    else
      item.attributes |= kMenuItemAttrDisabled;
  });
}

}  // namespace

OSStatus EnableMenuItem(MenuRef theMenu, MenuItemIndex item) {
  return SetEnabled(theMenu, item, true);
}

OSStatus DisableMenuItem(MenuRef theMenu, MenuItemIndex item) {
  return SetEnabled(theMenu, item, false);
}

Boolean IsMenuItemEnabled(MenuRef inMenu, MenuItemIndex index) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return false;
  if (index == 0) return menu->enabled;
  menus::Item* item = FindItem(*menu, index);
  return item && !(item->attributes & kMenuItemAttrDisabled);
}

OSStatus ChangeMenuItemAttributes(MenuRef menu, MenuItemIndex item,
                                  MenuItemAttributes setTheseAttributes,
                                  MenuItemAttributes clearTheseAttributes) {
  return ChangeItem(menu, item, [&](menus::Item& it) {
    it.attributes = (it.attributes & ~clearTheseAttributes) | setTheseAttributes;
  });
}

OSStatus GetMenuItemAttributes(MenuRef menu, MenuItemIndex item,
                               MenuItemAttributes* outAttributes) {
  return ReadItem(menu, item, outAttributes, [](const menus::Item& it) { return it.attributes; });
}

OSStatus SetMenuItemCommandKey(MenuRef inMenu, MenuItemIndex inItem, Boolean inSetVirtualKey,
                               UInt16 inKey) {
  return ChangeItem(inMenu, inItem, [&](menus::Item& item) {
    if (inSetVirtualKey) {
      item.commandVirtualKey = inKey;
      item.attributes |= kMenuItemAttrUseVirtualKey;
    } else {
      item.commandChar = inKey;
      item.attributes &= ~MenuItemAttributes{kMenuItemAttrUseVirtualKey};
    }
  });
}

OSStatus GetMenuItemCommandKey(MenuRef inMenu, MenuItemIndex inItem, Boolean inGetVirtualKey,
                               UInt16* outKey) {
  return ReadItem(inMenu, inItem, outKey, [&](const menus::Item& item) {
    return inGetVirtualKey ? item.commandVirtualKey : item.commandChar;
  });
}

OSStatus SetMenuItemKeyGlyph(MenuRef inMenu, MenuItemIndex inItem, SInt16 inGlyph) {
  return ChangeItem(inMenu, inItem, [&](menus::Item& item) { item.glyph = inGlyph; });
}

OSStatus GetMenuItemKeyGlyph(MenuRef inMenu, MenuItemIndex inItem, SInt16* outGlyph) {
  return ReadItem(inMenu, inItem, outGlyph, [](const menus::Item& item) { return item.glyph; });
}

OSStatus SetMenuItemModifiers(MenuRef inMenu, MenuItemIndex inItem, UInt8 inModifiers) {
  return ChangeItem(inMenu, inItem, [&](menus::Item& item) { item.modifiers = inModifiers; });
}

OSStatus GetMenuItemModifiers(MenuRef inMenu, MenuItemIndex inItem, UInt8* outModifiers) {
  return ReadItem(inMenu, inItem, outModifiers,
                  [](const menus::Item& item) { return item.modifiers; });
}
