// Item icons and the menu's own references to them.
#include "platform/core/MacErrors.h"
#include "platform/menus/MenusInternal.h"

using menus::Find;
using menus::FindItem;

namespace {

// Registered by the graphics module that owns the icon objects; both or
// neither, since a retain without its release would leak every icon.
MenuIconRetain gIconRetain = nullptr;
MenuIconRelease gIconRelease = nullptr;

bool IsKnownIconType(UInt8 type) {
  return type == kMenuNoIcon || type == kMenuIconRefType || type == kMenuCGImageRefType;
}

}  // namespace

void SetMenuIconOwnership(MenuIconRetain retain, MenuIconRelease release) {
  bool both = retain && release;
  gIconRetain = both ? retain : nullptr;
  gIconRelease = both ? release : nullptr;
}

namespace menus {

OwnedIcon::OwnedIcon(UInt8 type, void* icon) : type_(type), object_(icon) {
  if (!object_ || type_ == kMenuNoIcon) {
    type_ = kMenuNoIcon;
    object_ = nullptr;
    return;
  }
  if (gIconRetain) {
    gIconRetain(type_, object_);
    release_ = gIconRelease;
  }
}

OwnedIcon::~OwnedIcon() {
  if (release_ && object_) release_(type_, object_);
}

}  // namespace menus

OSStatus SetMenuItemIconHandle(MenuRef inMenu, MenuItemIndex inItem, UInt8 inIconType,
                               Handle inIconHandle) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, inItem);
  if (!item) return menuItemNotFoundErr;
  if (!IsKnownIconType(inIconType)) return paramErr;
  // The new reference is taken before the old one is dropped, so setting the
  // icon an item already has never lets its count touch zero.
  menus::OwnedIcon icon(inIconType, static_cast<void*>(inIconHandle));
  item->icon = std::move(icon);
  menus::TouchItem(*menu, inItem);
  return noErr;
}

OSStatus GetMenuItemIconHandle(MenuRef inMenu, MenuItemIndex inItem, UInt8* outIconType,
                               Handle* outIconHandle) {
  OpaqueMenuRef* menu = Find(inMenu);
  if (!menu) return menuInvalidErr;
  menus::Item* item = FindItem(*menu, inItem);
  if (!item) return menuItemNotFoundErr;
  if (!outIconType || !outIconHandle) return paramErr;
  *outIconType = item->icon.Type();
  *outIconHandle = static_cast<Handle>(item->icon.Object());
  return noErr;
}
