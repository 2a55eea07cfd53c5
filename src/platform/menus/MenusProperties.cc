// Per-item and per-menu property blobs.
#include <algorithm>
#include <cstring>

#include "platform/core/MacErrors.h"
#include "platform/menus/MenusInternal.h"

using menus::Find;

namespace {

menus::Property* FindProperty(menus::PropertyStore& store, OSType creator, OSType tag) {
  auto it = std::find_if(store.begin(), store.end(), [&](const menus::Property& p) {
    return p.creator == creator && p.tag == tag;
  });
  return it == store.end() ? nullptr : &*it;
}

// The store an operation addresses, or the status that says why there is none.
OSStatus StoreFor(MenuRef ref, MenuItemIndex index, menus::PropertyStore** out) {
  OpaqueMenuRef* menu = Find(ref);
  if (!menu) return menuInvalidErr;
  *out = menus::FindStore(*menu, index);
  return *out ? noErr : menuItemNotFoundErr;
}

}  // namespace

OSStatus SetMenuItemProperty(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                             OSType propertyTag, ByteCount propertySize, const void* propertyData) {
  menus::PropertyStore* store = nullptr;
  if (OSStatus err = StoreFor(menu, item, &store); err != noErr) return err;
  if (propertyCreator == 0) return menuPropertyInvalidErr;
  if (!propertyData && propertySize != 0) return paramErr;
  auto* bytes = static_cast<const UInt8*>(propertyData);
  std::vector<UInt8> value(bytes, bytes + propertySize);
  if (menus::Property* existing = FindProperty(*store, propertyCreator, propertyTag))
    existing->bytes = std::move(value);
  else
    store->push_back({propertyCreator, propertyTag, std::move(value)});
  // Properties are not drawn, so the item needs no redraw.
  return noErr;
}

OSStatus GetMenuItemProperty(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                             OSType propertyTag, ByteCount bufferSize, ByteCount* actualSize,
                             void* propertyBuffer) {
  menus::PropertyStore* store = nullptr;
  if (OSStatus err = StoreFor(menu, item, &store); err != noErr) return err;
  const menus::Property* property = FindProperty(*store, propertyCreator, propertyTag);
  if (!property) return menuPropertyNotFoundErr;
  // Exact size only: readers ask for the size of the record they expect, and
  // a value of another size is not that record.
  if (bufferSize != property->bytes.size()) return paramErr;
  if (!propertyBuffer && bufferSize != 0) return paramErr;
  if (bufferSize != 0) std::memcpy(propertyBuffer, property->bytes.data(), bufferSize);
  if (actualSize) *actualSize = bufferSize;
  return noErr;
}

OSStatus GetMenuItemPropertySize(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                                 OSType propertyTag, ByteCount* size) {
  menus::PropertyStore* store = nullptr;
  if (OSStatus err = StoreFor(menu, item, &store); err != noErr) return err;
  const menus::Property* property = FindProperty(*store, propertyCreator, propertyTag);
  if (!property) return menuPropertyNotFoundErr;
  if (!size) return paramErr;
  *size = property->bytes.size();
  return noErr;
}

OSStatus RemoveMenuItemProperty(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                                OSType propertyTag) {
  menus::PropertyStore* store = nullptr;
  if (OSStatus err = StoreFor(menu, item, &store); err != noErr) return err;
  const menus::Property* property = FindProperty(*store, propertyCreator, propertyTag);
  if (!property) return menuPropertyNotFoundErr;
  store->erase(store->begin() + (property - store->data()));
  return noErr;
}

std::vector<MenuPropertyView> ListMenuItemProperties(MenuRef menu, MenuItemIndex item) {
  menus::PropertyStore* store = nullptr;
  if (StoreFor(menu, item, &store) != noErr) return {};
  std::vector<MenuPropertyView> out;
  out.reserve(store->size());
  for (const menus::Property& p : *store) out.push_back({p.creator, p.tag, p.bytes});
  return out;
}
