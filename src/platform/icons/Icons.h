// Icon Services: reference-counted icons for files, and plotting them into
// CoreGraphics contexts.
//
// An IconRef stands for a kind of icon (folder, document, application,
// volume, alias, preference pane) decided from the item on disk; what the
// kind looks like is the host's business (platform/host/HostIcons.h). Without
// a host icon provider every icon plots as a plain neutral square.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/MacTypes.h"
#include "platform/files/FilesCatalog.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/icons/HostIcons.h"

using IconRef = struct OpaqueIconRef*;

using IconAlignmentType = SInt16;
enum : IconAlignmentType {
  kAlignNone = 0x00,
  kAlignVerticalCenter = 0x01,
  kAlignTop = 0x02,
  kAlignBottom = 0x03,
  kAlignHorizontalCenter = 0x04,
  kAlignAbsoluteCenter = kAlignVerticalCenter | kAlignHorizontalCenter,
  kAlignCenterTop = kAlignTop | kAlignHorizontalCenter,
  kAlignCenterBottom = kAlignBottom | kAlignHorizontalCenter,
  kAlignLeft = 0x08,
  kAlignCenterLeft = kAlignVerticalCenter | kAlignLeft,
  kAlignTopLeft = kAlignTop | kAlignLeft,
  kAlignBottomLeft = kAlignBottom | kAlignLeft,
  kAlignRight = 0x0C,
  kAlignCenterRight = kAlignVerticalCenter | kAlignRight,
  kAlignTopRight = kAlignTop | kAlignRight,
  kAlignBottomRight = kAlignBottom | kAlignRight
};

using IconTransformType = SInt16;
enum : IconTransformType {
  kTransformNone = 0x00,
  kTransformDisabled = 0x01,
  kTransformOffline = 0x02,
  kTransformOpen = 0x03,
  kTransformSelected = 0x4000,
  kTransformSelectedDisabled = kTransformSelected | kTransformDisabled,
  kTransformSelectedOffline = kTransformSelected | kTransformOffline,
  kTransformSelectedOpen = kTransformSelected | kTransformOpen
};

using PlotIconRefFlags = UInt32;
enum : PlotIconRefFlags {
  kPlotIconRefNormalFlags = 0,
  kPlotIconRefNoImage = 2,
  kPlotIconRefNoMask = 4
};

using IconServicesUsageFlags = UInt32;
enum : IconServicesUsageFlags { kIconServicesNormalUsageFlag = 0 };

// The catalog information worth fetching for GetIconRefFromFileInfo: node
// flags, volume, parent folder, node ID, content date, permissions, Finder
// information, extended Finder information and user access.
constexpr FSCatalogInfoBitmap kIconServicesCatalogInfoMask =
    kFSCatInfoNodeFlags | kFSCatInfoVolume | kFSCatInfoParentDirID | kFSCatInfoNodeID |
    kFSCatInfoContentMod | kFSCatInfoPermissions | kFSCatInfoFinderInfo | kFSCatInfoFinderXInfo |
    kFSCatInfoUserAccess;
static_assert(kIconServicesCatalogInfoMask == 0x81C5E);

// Reference counting. A new IconRef has one owner. Status: noErr; paramErr
// (null IconRef, or null owners pointer).
OSErr AcquireIconRef(IconRef theIconRef);
OSErr ReleaseIconRef(IconRef theIconRef);
[[nodiscard]] OSErr GetIconRefOwners(IconRef theIconRef, UInt16* theRefCount);

// The icon of the item inRef names, with one owner for the caller. The item
// itself is examined (its type, name extension and permissions), so the name
// and catalog information are optional: a name of length 0 and null catalog
// information are the common short form. *outLabel, when given, is set to 0
// (Finder labels are not kept on Linux). Status: noErr; paramErr (null inRef
// or outIconRef); errFSBadFSRef (not a ref); fnfErr (the ref no longer
// names an existing item); memFullErr.
[[nodiscard]] OSErr GetIconRefFromFileInfo(const FSRef* inRef, UniCharCount inFileNameLength,
                                           const UniChar* inFileName,
                                           FSCatalogInfoBitmap inWhichInfo,
                                           const FSCatalogInfo* inCatalogInfo,
                                           IconServicesUsageFlags inUsageFlags, IconRef* outIconRef,
                                           SInt16* outLabel);

// Draws the icon scaled to the largest square that fits inRect, placed by
// inAlign (kAlignNone centres it). kTransformDisabled draws it at half
// opacity, kTransformSelected darkened; the label colour and flags change
// nothing here. Status: noErr; paramErr (null context, rectangle or IconRef).
OSStatus PlotIconRefInContext(CGContextRef inContext, const CGRect* inRect,
                              IconAlignmentType inAlign, IconTransformType inTransform,
                              const RGBColor* inLabelColor, PlotIconRefFlags inFlags,
                              IconRef inIconRef);

// ------------------------------------------------------------------- ours

// The description of an item's icon decided from the item at path (not
// following a final symbolic link, which makes an alias); false when nothing
// is there. name is what the item is called, empty for its last component.
bool DescribeIconForPath(const std::string& path, std::string_view name, IconDescription& out);
// A new IconRef (one owner) for a description; null when memory runs out.
[[nodiscard]] IconRef CreateIconRefForDescription(IconDescription description);
// The description an IconRef was made from; null for null.
const IconDescription* GetIconRefDescription(IconRef icon);

// "folder", "document", "application", "volume", "alias", "pane".
const char* IconKindName(IconKind kind);
// Short deterministic text for transcripts: "icon:folder",
// "icon:alias:application", "icon:alias" for a link leading nowhere, and
// "no icon" for null.
std::string DescribeIconRef(IconRef icon);
// A menu item's icon as the menu module stores it (kMenuIconRefType 6 or
// kMenuCGImageRefType 7): DescribeIconRef or CGImageDescribe; "no icon" for
// none.
std::string DescribeMenuIcon(UInt8 iconType, const void* icon);

// Lets menus keep their own references to the IconRefs and CGImages given to
// their items. Called once at start-up by each program that shows menus.
void RegisterIconOwnershipWithMenus();
