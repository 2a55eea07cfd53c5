// What the agent knows about a menu item lives on the item itself, as
// properties under the creator 'SKID'; menus carry the same kind of
// properties on item 0. This header fixes that record set and the small
// operations every content source uses to insert, validate and remove items.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/icons/Icons.h"
#include "platform/menus/Menus.h"

// The creator code of every item and menu property the agent stores.
inline constexpr OSType kSKIDCreator = 'SKID';

// Property tags and their exact sizes; a read with another size counts as
// absent.
inline constexpr OSType kFileTag = 'FILE';     // 80: FSRef of the item / of the listed folder
inline constexpr OSType kNodeTag = 'NODE';     // 4: catalog node ID
inline constexpr OSType kFlagTag = 'FLAG';     // 4: LSItemInfoFlags (basic flags)
inline constexpr OSType kPrefTag = 'PREF';     // 12: DisplayPrefs
inline constexpr OSType kIconTag = 'ICON';     // 2: icon size of the menu's items
inline constexpr OSType kLabelTag = 'LABL';    // 1: name header of an inline folder
inline constexpr OSType kVolumeTag = 'VOLR';   // 2: FSVolumeRefNum of a volume item
inline constexpr OSType kProcessTag = 'PROC';  // 8: ProcessSerialNumber of a process item
inline constexpr OSType kDateTag = 'DATE';     // 16: FolderDate of the listed folder
inline constexpr OSType kSystemPanesDateTag = 'SDAT';
inline constexpr OSType kUserPanesDateTag = 'UDAT';
inline constexpr OSType kLocalPanesDateTag = 'LDAT';

inline constexpr ByteCount kFileTagSize = 80;
inline constexpr ByteCount kNodeTagSize = 4;
inline constexpr ByteCount kFlagTagSize = 4;
inline constexpr ByteCount kPrefTagSize = 12;
inline constexpr ByteCount kIconTagSize = 2;
inline constexpr ByteCount kLabelTagSize = 1;
inline constexpr ByteCount kVolumeTagSize = 2;
inline constexpr ByteCount kProcessTagSize = 8;
inline constexpr ByteCount kDateTagSize = 16;

// A listed folder's modification date to the nanosecond, as 'DATE' and a
// source's "date" hold it. Kept only while it is settled (see
// FSGetModificationStamp): a date the listing was made within the file
// system's timestamp granularity of may stay the same through a change.
struct FolderDate {
  SInt64 seconds = 0;
  UInt32 nanoseconds = 0;
  UInt32 reserved = 0;  // zero, so that equal dates are equal bytes
};
static_assert(sizeof(FolderDate) == kDateTagSize);

// How a folder listing and the submenus below it are made. Stored as the
// 12-byte 'PREF' value; copied unchanged into every submenu of one source.
#pragma pack(push, 1)
struct DisplayPrefs {
  UInt8 useIcons = 1;
  SInt8 splitItems = 0;   // 0 mixed, 1 files then folders, 2 folders only, 3 files only
  SInt16 filterKind = 0;  // 1: only applications among the files
  SInt16 fontID = -1;     // -1: the parent menu's font
  UInt16 fontSize = 0;
  SInt16 iconSize = 0;  // copied into the submenu's 'ICON'
  UInt8 noDirOpen = 0;
  UInt8 pad = 0;
};
#pragma pack(pop)
static_assert(sizeof(DisplayPrefs) == 12);
static_assert(offsetof(DisplayPrefs, filterKind) == 2 && offsetof(DisplayPrefs, fontID) == 4 &&
              offsetof(DisplayPrefs, fontSize) == 6 && offsetof(DisplayPrefs, iconSize) == 8 &&
              offsetof(DisplayPrefs, noDirOpen) == 10);

// Called on every menu the sources create, to give it the agent's handlers.
using MenuInstaller = void (*)(MenuRef menu, void* refcon);

// The ID of the next menu the agent creates: used, then incremented (16-bit,
// wrapping). IDs are never handed out again.
extern MenuID gNextMenuID;
// Set while a menu is shown to choose the target of a drop.
extern bool gDropMenuActive;

// Takes the next menu ID and creates a menu with it (attributes 0). Every
// menu the agent makes comes from here. Status: noErr; paramErr (outMenu
// null; no ID is used up).
[[nodiscard]] OSStatus CreateAgentMenu(MenuRef* outMenu);
// The live menu the agent created last with this ID, or null (for tools that
// name menus by ID).
MenuRef FindAgentMenu(MenuID id);

// A record collected, sorted and then inserted by the process, recent-item
// and pane sources. Allocated with new; the apply function that inserts it
// releases its name and deletes it.
struct CollectedItem {
  FSRef ref{};
  CFStringRef name = nullptr;  // owned
  UInt32 nodeID = 0;
  UInt32 lsFlags = 0;
  void* icon = nullptr;  // CGImageRef or IconRef, owned; passes to the menu
  UInt8 extra[8] = {};   // processes: the PSN; recent items: iconIsImage
};

// Inserts one item after afterIndex (0 = at the top; beyond the end: at the
// end). A name longer than 76 UTF-16 units shows its first 76 and "...".
// name stays the caller's; icon passes to the menu (it is released even when
// nothing keeps it). 'FILE', the icon, 'NODE' (non-zero) and 'FLAG'
// (non-zero) are written only with a ref. Callers need not look at the
// status: noErr; paramErr (no name); what the insertion reported
// (menuInvalidErr, memFullErr), in which case no item was added.
OSStatus InsertFileItem(MenuRef menu, CFStringRef name, const FSRef* ref, void* icon,
                        bool iconIsImage, MenuItemIndex afterIndex, UInt32 nodeID, UInt32 lsFlags);
// Gives item index an empty submenu for folderRef, filled when it opens; a
// submenu tree the item had is disposed first. Nothing happens without
// folderRef or when the item does not exist. prefs null means the defaults.
void AttachFolderSubmenu(MenuRef menu, MenuItemIndex index, const FSRef* folderRef,
                         const DisplayPrefs* prefs, MenuInstaller installHandlers, void* refcon);
// Brings one item's derived state up to date: bound key, alias target
// submenu, enabled state (gDropMenuActive decides for plain items and folder
// headers). Without prefs no submenu is attached.
void ValidateItem(UInt32 nodeID, UInt32 lsFlags, MenuRef menu, MenuItemIndex index,
                  const DisplayPrefs* prefs, MenuInstaller installHandlers, void* refcon);
// ValidateItem for every item of first..last that has a 'NODE'.
void RevalidateItemRange(MenuRef menu, MenuItemIndex first, MenuItemIndex last,
                         const DisplayPrefs* prefs, MenuInstaller installHandlers, void* refcon);
// first 0 means 1, last 0 means the item count; items and their submenu
// trees go from the last to the first.
void DeleteItemRange(MenuRef menu, MenuItemIndex first, MenuItemIndex last);
// Deletes every item (and submenu tree) from the last up, then disposes of
// the menu. A menu that is not live is left alone.
void DisposeMenuTree(MenuRef menu);

// Apply functions for the collecting sources: each inserts after the running
// index, which the source sets to (first index of its range) - 1.
extern MenuItemIndex gRecordInsertIndex;
void InsertPaneRecord(const void* record, void* menu);
void InsertRecentRecord(const void* record, void* menu);
void InsertProcessRecord(const void* record, void* menu);

// Typed property access (absent when missing or of another size; item 0 is
// the menu). A failed read leaves *out untouched.
bool GetItemFSRef(MenuRef menu, MenuItemIndex item, FSRef* out);
bool GetItemDisplayPrefs(MenuRef menu, MenuItemIndex item, DisplayPrefs* out);
bool GetItemNodeID(MenuRef menu, MenuItemIndex item, UInt32* out);
UInt32 GetItemLSFlags(MenuRef menu, MenuItemIndex item);  // 0 when absent
SInt16 GetMenuIconSize(MenuRef menu);                     // 0 when absent
