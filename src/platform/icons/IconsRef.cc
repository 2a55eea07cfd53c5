// IconRef objects: a reference count around the description of an icon.
#include <algorithm>
#include <new>
#include <utility>

#include "platform/core/MacErrors.h"
#include "platform/icons/Icons.h"
#include "platform/menus/Menus.h"

struct OpaqueIconRef {
  // Wider than the 16-bit count the interface reports, so that many menus
  // holding one icon can never wrap it to zero.
  UInt32 owners = 1;
  IconDescription description;
};

OSErr AcquireIconRef(IconRef theIconRef) {
  if (!theIconRef) return paramErr;
  ++theIconRef->owners;
  return noErr;
}

OSErr ReleaseIconRef(IconRef theIconRef) {
  if (!theIconRef) return paramErr;
  if (--theIconRef->owners == 0) delete theIconRef;
  return noErr;
}

OSErr GetIconRefOwners(IconRef theIconRef, UInt16* theRefCount) {
  if (!theIconRef || !theRefCount) return paramErr;
  *theRefCount = static_cast<UInt16>(std::min<UInt32>(theIconRef->owners, 0xFFFF));
  return noErr;
}

IconRef CreateIconRefForDescription(IconDescription description) {
  auto* icon = new (std::nothrow) OpaqueIconRef;
  if (icon) icon->description = std::move(description);
  return icon;
}

const IconDescription* GetIconRefDescription(IconRef icon) {
  return icon ? &icon->description : nullptr;
}

const char* IconKindName(IconKind kind) {
  switch (kind) {
    case IconKind::kFolder: return "folder";
    case IconKind::kDocument: return "document";
    case IconKind::kApplication: return "application";
    case IconKind::kVolume: return "volume";
    case IconKind::kAlias: return "alias";
    case IconKind::kPane: return "pane";
  }
  return "document";
}

std::string DescribeIconRef(IconRef icon) {
  if (!icon) return "no icon";
  const IconDescription& d = icon->description;
  std::string text = std::string("icon:") + IconKindName(d.kind);
  if (d.kind == IconKind::kAlias && d.aliasTarget)
    text += std::string(":") + IconKindName(*d.aliasTarget);
  return text;
}

std::string DescribeMenuIcon(UInt8 iconType, const void* icon) {
  if (!icon) return "no icon";
  switch (iconType) {
    case kMenuIconRefType: return DescribeIconRef(static_cast<IconRef>(const_cast<void*>(icon)));
    case kMenuCGImageRefType:
      return CGImageDescribe(static_cast<CGImageRef>(const_cast<void*>(icon)));
    default: return "no icon";
  }
}
