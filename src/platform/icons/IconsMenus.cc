// The menu module stores icons as untyped pointers; these functions give it
// the reference counting that matches each icon type.
#include "platform/icons/Icons.h"
#include "platform/menus/Menus.h"

namespace {

void RetainMenuIcon(UInt8 iconType, void* icon) {
  if (iconType == kMenuIconRefType)
    (void)AcquireIconRef(static_cast<IconRef>(icon));
  else if (iconType == kMenuCGImageRefType)
    CGImageRetain(static_cast<CGImageRef>(icon));
}

void ReleaseMenuIcon(UInt8 iconType, void* icon) {
  if (iconType == kMenuIconRefType)
    (void)ReleaseIconRef(static_cast<IconRef>(icon));
  else if (iconType == kMenuCGImageRefType)
    CGImageRelease(static_cast<CGImageRef>(icon));
}

}  // namespace

void RegisterIconOwnershipWithMenus() { SetMenuIconOwnership(RetainMenuIcon, ReleaseMenuIcon); }
