// Inserting, deleting and naming menu items.
#include <algorithm>
#include <limits>

#include "platform/core/MacErrors.h"
#include "platform/menus/MenusInternal.h"

using menus::Find;
using menus::FindItem;

namespace {

// The one meta character this layer honours: an item whose whole text is a
// hyphen is a separator line, which cannot be chosen.
bool IsSeparatorText(CFStringRef text) {
  return CFStringGetLength(text) == 1 && CFStringGetCharacterAtIndex(text, 0) == u'-';
}

OSStatus InsertItem(OpaqueMenuRef& menu, CFStringRef text, MenuItemIndex afterItem,
                    MenuItemAttributes attributes, MenuCommand command, MenuItemIndex* outNewItem) {
  if (menu.items.size() >= std::numeric_limits<MenuItemIndex>::max()) return memFullErr;
  if (!(attributes & kMenuItemAttrIgnoreMeta) && IsSeparatorText(text))
    attributes |= kMenuItemAttrSeparator | kMenuItemAttrDisabled;
  menus::Item item;
  item.text = CFStringCreateCopy(kCFAllocatorDefault, text);
  item.attributes = attributes;
  item.command = command;
  std::size_t at = std::min<std::size_t>(afterItem, menu.items.size());
  menu.items.insert(menu.items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  auto newIndex = static_cast<MenuItemIndex>(at + 1);
  // Everything from the new item down has moved and needs drawing again.
  menus::Touch(menu, newIndex, static_cast<MenuItemIndex>(menu.items.size()));
  if (outNewItem) *outNewItem = newIndex;
  return noErr;
}

}  // namespace

OSStatus InsertMenuItemTextWithCFString(MenuRef inMenu, CFStringRef inString,
                                        MenuItemIndex afterItem, MenuItemAttributes inAttributes,
                                        MenuCommand inCommandID) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  if (!inString) return paramErr;
  return InsertItem(*menu, inString, afterItem, inAttributes, inCommandID, nullptr);
}

OSStatus AppendMenuItemTextWithCFString(MenuRef inMenu, CFStringRef inString,
                                        MenuItemAttributes inAttributes, MenuCommand inCommandID,
                                        MenuItemIndex* outNewItem) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  if (!inString) return paramErr;
  return InsertItem(*menu, inString, std::numeric_limits<MenuItemIndex>::max(), inAttributes,
                    inCommandID, outNewItem);
}

OSStatus InsertMenuItemText(MenuRef inMenu, ConstStr255Param itemString, MenuItemIndex afterItem) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  if (!itemString) return paramErr;
  std::u16string text;
  std::string_view bytes(reinterpret_cast<const char*>(itemString + 1), itemString[0]);
  if (!MacRomanToUTF16(bytes, text)) return paramErr;
  auto string = CFStringCreateWithCharacters(kCFAllocatorDefault, text.data(),
                                             static_cast<CFIndex>(text.size()));
  return InsertItem(*menu, string, afterItem, 0, 0, nullptr);
}

UInt16 CountMenuItems(MenuRef theMenu) {
  OpaqueMenuRef* menu = Find(theMenu);
  return menu ? static_cast<UInt16>(menu->items.size()) : 0;
}

OSStatus DeleteMenuItems(MenuRef inMenu, MenuItemIndex inFirstItem, ItemCount inNumItems) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  if (!FindItem(*menu, inFirstItem)) return menuItemNotFoundErr;
  std::size_t first = inFirstItem - 1u;
  std::size_t count = std::min<std::size_t>(inNumItems, menu->items.size() - first);
  auto begin = menu->items.begin() + static_cast<std::ptrdiff_t>(first);
  MenuItemIndex oldCount = static_cast<MenuItemIndex>(menu->items.size());
  menu->items.erase(begin, begin + static_cast<std::ptrdiff_t>(count));
  // The items that moved up into the gap are redrawn; Touch clamps the range.
  menus::Touch(*menu, inFirstItem, oldCount);
  return noErr;
}

OSStatus DeleteMenuItem(MenuRef theMenu, MenuItemIndex item) {
  return DeleteMenuItems(theMenu, item, 1);
}

OSStatus CopyMenuItemTextAsCFString(MenuRef inMenu, MenuItemIndex inItem,
                                    CFRef<CFStringRef>* outString) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, inItem);
  if (!item) return menuItemNotFoundErr;
  if (!outString) return paramErr;
  *outString = item->text;
  return noErr;
}

OSStatus SetMenuItemTextWithCFString(MenuRef inMenu, MenuItemIndex inItem, CFStringRef inString) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, inItem);
  if (!item) return menuItemNotFoundErr;
  if (!inString) return paramErr;
  item->text = CFStringCreateCopy(kCFAllocatorDefault, inString);
  menus::TouchItem(*menu, inItem);
  return noErr;
}
