// The menu object behind MenuRef, shared by the Menus*.cc files only.
#pragma once

#include <utility>
#include <vector>

#include "platform/menus/Menus.h"

namespace menus {

struct Property {
  OSType creator = 0;
  OSType tag = 0;
  std::vector<UInt8> bytes;
};
// A handful of properties per item at most, so a vector searched in order
// beats a map and keeps the first-set order for listings.
using PropertyStore = std::vector<Property>;

// The menu's own reference to an item's icon. It remembers the release
// function in force when it was taken, so an icon is always released by the
// module that retained it, even if the registration changes meanwhile.
class OwnedIcon {
 public:
  OwnedIcon() = default;
  OwnedIcon(UInt8 type, void* icon);  // takes a reference when registered
  OwnedIcon(const OwnedIcon&) = delete;
  OwnedIcon& operator=(const OwnedIcon&) = delete;
  OwnedIcon(OwnedIcon&& o) noexcept { Swap(o); }
  OwnedIcon& operator=(OwnedIcon&& o) noexcept {
    OwnedIcon old(std::move(*this));
    Swap(o);
    return *this;
  }
  ~OwnedIcon();
  UInt8 Type() const { return type_; }
  void* Object() const { return object_; }

 private:
  void Swap(OwnedIcon& o) noexcept {
    std::swap(type_, o.type_);
    std::swap(object_, o.object_);
    std::swap(release_, o.release_);
  }
  UInt8 type_ = kMenuNoIcon;
  void* object_ = nullptr;
  MenuIconRelease release_ = nullptr;
};

// An opaque value with the function that drops it.
class Slot {
 public:
  Slot() = default;
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;
  ~Slot() { Drop(); }
  void Set(void* value, MenuSlotDisposer dispose) {
    if (value != value_) Drop();
    value_ = value;
    dispose_ = dispose;
  }
  void* Get() const { return value_; }
  void Drop() {
    void* value = std::exchange(value_, nullptr);
    if (auto d = std::exchange(dispose_, nullptr); d && value) d(value);
  }

 private:
  void* value_ = nullptr;
  MenuSlotDisposer dispose_ = nullptr;
};

struct Item {
  CFRef<CFStringRef> text;
  MenuCommand command = 0;
  MenuItemAttributes attributes = 0;
  UInt16 commandChar = 0;
  UInt16 commandVirtualKey = 0;
  SInt16 glyph = 0;
  UInt8 modifiers = kMenuNoModifiers;
  OwnedIcon icon;
  // A plain link: the submenu is recognised as still the same menu by its
  // serial number, so a link to a disposed menu reads as no submenu.
  MenuRef submenu = nullptr;
  UInt64 submenuSerial = 0;
  PropertyStore properties;
};

}  // namespace menus

struct OpaqueMenuRef {
  MenuID id = 0;
  MenuAttributes attributes = 0;
  UInt64 serial = 0;  // unique per menu ever created
  ItemCount retainCount = 1;
  bool enabled = true;
  SInt16 fontID = 0;
  UInt16 fontSize = 0;
  std::vector<menus::Item> items;
  menus::PropertyStore properties;  // item 0
  menus::Slot eventTarget;
  menus::Slot hostData;
  // Pending and last updated redraw ranges, as first..last (first 0: none).
  MenuItemIndex invalidFirst = 0;
  MenuItemIndex invalidLast = 0;
  MenuItemRange lastUpdated;
  UInt32 updateCount = 0;
  UInt64 generation = 0;
  // The size CalcMenuSize last had the host measure.
  SInt16 width = 0;
  SInt16 height = 0;
};

namespace menus {

// The live menu behind ref, or null when ref is not a live menu.
OpaqueMenuRef* Find(MenuRef ref);
// The item at a 1-based index, or null when the index names no item.
Item* FindItem(OpaqueMenuRef& menu, MenuItemIndex index);
// The property store of an item, or of the menu for index 0.
PropertyStore* FindStore(OpaqueMenuRef& menu, MenuItemIndex index);
// The submenu an item links to, when it is still live.
MenuRef LiveSubmenu(const Item& item);
// Records a change of items first..last (clamped to the menu) as pending
// redraw and bumps the generation.
void Touch(OpaqueMenuRef& menu, MenuItemIndex first, MenuItemIndex last);
inline void TouchItem(OpaqueMenuRef& menu, MenuItemIndex index) { Touch(menu, index, index); }
void TouchAll(OpaqueMenuRef& menu);
// The pending redraw range, without items deleted since they were marked.
MenuItemRange PendingRange(const OpaqueMenuRef& menu);

}  // namespace menus
