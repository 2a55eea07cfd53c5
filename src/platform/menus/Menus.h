// The Menu Manager: menus, their items, and everything a host needs to draw
// an item (text, icon, enabled state, key equivalent, glyph, modifiers,
// separator, submenu mark, font).
//
// The model is purely in-process and the same on every host: nothing here
// calls the host, so a host (simulated or real) renders and tracks menus by
// reading this model through the inspection functions at the end of this
// header. Changes to the model are not transcribed here; a host transcribes
// what it shows.
//
// Validity. Every operation first looks its MenuRef up among the live menus,
// so a null, disposed or foreign MenuRef is refused with menuInvalidErr (or
// an empty result where the call has no status) instead of being touched.
// Item indexes are 1-based; 0 addresses the menu itself where an operation
// says so, and is otherwise menuItemNotFoundErr like any index beyond the
// item count.
//
// Changing an item marks it invalid (see InvalidateMenuItems), so that a host
// that tracks the menu redraws it at the next UpdateInvalidMenuItems.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"

struct OpaqueMenuRef;
using MenuRef = OpaqueMenuRef*;
using MenuAttributes = UInt32;
using MenuItemAttributes = UInt32;
using ConstStr255Param = const unsigned char*;  // length byte, then up to 255 Mac Roman bytes

enum : MenuItemAttributes {
  kMenuItemAttrDisabled = 0x1,
  kMenuItemAttrIconDisabled = 0x2,
  kMenuItemAttrSubmenuParentChoosable = 0x4,
  kMenuItemAttrDynamic = 0x8,
  kMenuItemAttrNotPreviousAlternate = 0x10,
  kMenuItemAttrHidden = 0x20,
  kMenuItemAttrSeparator = 0x40,
  kMenuItemAttrSectionHeader = 0x80,
  kMenuItemAttrIgnoreMeta = 0x100,
  kMenuItemAttrAutoRepeat = 0x200,
  kMenuItemAttrUseVirtualKey = 0x400,
  kMenuItemAttrCustomDraw = 0x800,
  kMenuItemAttrIncludeInCmdKeyMatching = 0x1000,
};

// Key-equivalent modifiers of an item. The command key is shown unless
// kMenuNoCommandModifier is set.
enum : UInt8 {
  kMenuNoModifiers = 0,
  kMenuShiftModifier = 1,
  kMenuOptionModifier = 2,
  kMenuControlModifier = 4,
  kMenuNoCommandModifier = 8,
};

// Kinds of item icon this layer knows. The icon object itself is opaque here.
enum : UInt8 {
  kMenuNoIcon = 0,
  kMenuIconRefType = 6,
  kMenuCGImageRefType = 7,
};

// ------------------------------------------------------------------ menus

// Creates an empty, enabled menu holding one reference (the creator's).
// IDs need not be unique. Status: noErr; paramErr (outMenuRef null).
[[nodiscard]] OSStatus CreateNewMenu(MenuID menuID, MenuAttributes menuAttributes,
                                     MenuRef* outMenuRef);
// Releases the creator's reference. The menu's submenus are neither disposed
// nor touched: whoever builds a tree disposes it. Status: noErr;
// menuInvalidErr.
OSStatus DisposeMenu(MenuRef theMenu);
// Reference counting; the menu goes, with its items, icons and properties,
// when the last reference is released. Status: noErr; menuInvalidErr.
OSStatus RetainMenu(MenuRef inMenu);
OSStatus ReleaseMenu(MenuRef inMenu);
// 0 for a menu that is not live.
ItemCount GetMenuRetainCount(MenuRef inMenu);
// True while the menu is live (created and not yet released for good).
Boolean IsValidMenu(MenuRef inMenu);
// 0 for a menu that is not live.
MenuID GetMenuID(MenuRef menu);

// A new menu has font 0 (the system font) at size 0 (the host's default).
// Status: noErr; menuInvalidErr; paramErr (an out pointer null).
OSStatus SetMenuFont(MenuRef menu, SInt16 inFontID, UInt16 inFontSize);
[[nodiscard]] OSStatus GetMenuFont(MenuRef menu, SInt16* outFontID, UInt16* outFontSize);

// ------------------------------------------------------------------ items

// Inserts one item after afterItem (0: at the top; beyond the item count: at
// the end). The text is copied. The one-character text "-" makes a disabled
// separator item unless kMenuItemAttrIgnoreMeta is among inAttributes; no
// other character has a meaning. Status: noErr; menuInvalidErr; paramErr
// (inString null); memFullErr (the menu already holds 65535 items).
OSStatus InsertMenuItemTextWithCFString(MenuRef menu, CFStringRef inString, MenuItemIndex afterItem,
                                        MenuItemAttributes inAttributes, MenuCommand inCommandID);
// The same at the end; outNewItem (may be null) receives the new index.
OSStatus AppendMenuItemTextWithCFString(MenuRef menu, CFStringRef inString,
                                        MenuItemAttributes inAttributes, MenuCommand inCommandID,
                                        MenuItemIndex* outNewItem);
// The same with a Pascal string of Mac Roman text, no attributes, command 0.
// Status: as above; paramErr also when the text cannot be decoded.
OSStatus InsertMenuItemText(MenuRef menu, ConstStr255Param itemString, MenuItemIndex afterItem);

// 0 for a menu that is not live.
UInt16 CountMenuItems(MenuRef theMenu);
// Deletes inNumItems items from inFirstItem on (a count reaching past the
// end stops at the last item). Icons are released with their items;
// submenus are not disposed. Status: noErr; menuInvalidErr;
// menuItemNotFoundErr (inFirstItem 0 or beyond the count).
OSStatus DeleteMenuItems(MenuRef menu, MenuItemIndex inFirstItem, ItemCount inNumItems);
OSStatus DeleteMenuItem(MenuRef theMenu, MenuItemIndex item);

// outString receives a reference the caller owns. Status: noErr;
// menuInvalidErr; menuItemNotFoundErr; paramErr (outString null).
[[nodiscard]] OSStatus CopyMenuItemTextAsCFString(MenuRef inMenu, MenuItemIndex inItem,
                                                  CFRef<CFStringRef>* outString);
// Replaces the text (copied, shown as is: no separator rule). Status: noErr;
// menuInvalidErr; menuItemNotFoundErr; paramErr (inString null).
OSStatus SetMenuItemTextWithCFString(MenuRef inMenu, MenuItemIndex inItem, CFStringRef inString);

// -------------------------------------------------- enabled state, attributes

// Item 0 is the menu as a whole. An item's enabled state is exactly the
// absence of kMenuItemAttrDisabled. Status: noErr; menuInvalidErr;
// menuItemNotFoundErr.
OSStatus EnableMenuItem(MenuRef theMenu, MenuItemIndex item);
OSStatus DisableMenuItem(MenuRef theMenu, MenuItemIndex item);
// False also for a menu that is not live or an index beyond the count.
Boolean IsMenuItemEnabled(MenuRef menu, MenuItemIndex item);

// Clears clearTheseAttributes, then sets setTheseAttributes (a bit in both
// ends up set). Items only. Status: noErr; menuInvalidErr;
// menuItemNotFoundErr.
OSStatus ChangeMenuItemAttributes(MenuRef menu, MenuItemIndex item,
                                  MenuItemAttributes setTheseAttributes,
                                  MenuItemAttributes clearTheseAttributes);
// Status: noErr; menuInvalidErr; menuItemNotFoundErr; paramErr (out null).
[[nodiscard]] OSStatus GetMenuItemAttributes(MenuRef menu, MenuItemIndex item,
                                             MenuItemAttributes* outAttributes);

// --------------------------------------------------------- key equivalents

// An item keeps a character and a virtual key code side by side;
// kMenuItemAttrUseVirtualKey says which one is its key equivalent. Setting
// the virtual key sets that attribute, setting the character clears it.
// A virtual key is a key equivalent whatever its code (code 0 is the A key);
// character 0 without the attribute means no key equivalent. Status (all six): noErr;
// menuInvalidErr; menuItemNotFoundErr; paramErr (an out pointer null).
OSStatus SetMenuItemCommandKey(MenuRef inMenu, MenuItemIndex inItem, Boolean inSetVirtualKey,
                               UInt16 inKey);
[[nodiscard]] OSStatus GetMenuItemCommandKey(MenuRef inMenu, MenuItemIndex inItem,
                                             Boolean inGetVirtualKey, UInt16* outKey);
// A glyph other than 0 is drawn in place of the key equivalent.
OSStatus SetMenuItemKeyGlyph(MenuRef inMenu, MenuItemIndex inItem, SInt16 inGlyph);
[[nodiscard]] OSStatus GetMenuItemKeyGlyph(MenuRef inMenu, MenuItemIndex inItem, SInt16* outGlyph);
OSStatus SetMenuItemModifiers(MenuRef inMenu, MenuItemIndex inItem, UInt8 inModifiers);
[[nodiscard]] OSStatus GetMenuItemModifiers(MenuRef inMenu, MenuItemIndex inItem,
                                            UInt8* outModifiers);

// ------------------------------------------------------------------ icons

// The graphics module registers how icon objects are retained and released,
// so that the menu keeps its own reference to every icon it holds and drops
// it when the item goes or the icon is replaced. With no pair registered
// (both null, the start state) icons are stored without reference counting.
// An icon is released by the release function that was registered when it
// was stored.
using MenuIconRetain = void (*)(UInt8 iconType, void* icon);
using MenuIconRelease = void (*)(UInt8 iconType, void* icon);
void SetMenuIconOwnership(MenuIconRetain retain, MenuIconRelease release);

// Gives the item an icon (kMenuIconRefType or kMenuCGImageRefType), or none
// (kMenuNoIcon, or a null handle). The caller keeps its own reference.
// Status: noErr; menuInvalidErr; menuItemNotFoundErr; paramErr (unknown type).
OSStatus SetMenuItemIconHandle(MenuRef inMenu, MenuItemIndex inItem, UInt8 inIconType,
                               Handle inIconHandle);
// The icon is borrowed. kMenuNoIcon and null without icon. Status: noErr;
// menuInvalidErr; menuItemNotFoundErr; paramErr (an out pointer null).
[[nodiscard]] OSStatus GetMenuItemIconHandle(MenuRef inMenu, MenuItemIndex inItem,
                                             UInt8* outIconType, Handle* outIconHandle);

// --------------------------------------------------------------- submenus

// Hangs inHierMenu (or nothing, when null) off the item. The link is not a
// reference: the submenu's owner keeps it alive, and once the submenu is
// gone the item no longer reports it. Status: noErr; menuInvalidErr (menu or
// a non-null inHierMenu not live); menuItemNotFoundErr; paramErr (a menu as
// its own submenu).
OSStatus SetMenuItemHierarchicalMenu(MenuRef inMenu, MenuItemIndex inItem, MenuRef inHierMenu);
// Null and noErr when the item has no (live) submenu. Status: noErr;
// menuInvalidErr; menuItemNotFoundErr; paramErr (out null).
[[nodiscard]] OSStatus GetMenuItemHierarchicalMenu(MenuRef inMenu, MenuItemIndex inItem,
                                                   MenuRef* outHierMenu);

// ------------------------------------------------------------- properties

// Opaque byte blobs per item, keyed by (creator, tag); item 0 is the menu's
// own store. Properties belong to their item and move with it when items
// above it are inserted or deleted.
//
// Set replaces any previous value. Status: noErr; menuInvalidErr;
// menuItemNotFoundErr; menuPropertyInvalidErr (creator 0); paramErr (data
// null with a non-zero size).
OSStatus SetMenuItemProperty(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                             OSType propertyTag, ByteCount propertySize, const void* propertyData);
// Copies the value only when bufferSize equals its stored size exactly. On
// any failure neither the buffer nor actualSize (may be null) is written.
// Status: noErr; menuInvalidErr; menuItemNotFoundErr; menuPropertyNotFoundErr;
// paramErr (bufferSize differs from the stored size, or buffer null with a
// non-zero bufferSize).
[[nodiscard]] OSStatus GetMenuItemProperty(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                                           OSType propertyTag, ByteCount bufferSize,
                                           ByteCount* actualSize, void* propertyBuffer);
// Status: noErr; menuInvalidErr; menuItemNotFoundErr; menuPropertyNotFoundErr;
// paramErr (size null).
[[nodiscard]] OSStatus GetMenuItemPropertySize(MenuRef menu, MenuItemIndex item,
                                               OSType propertyCreator, OSType propertyTag,
                                               ByteCount* size);
// Status: noErr; menuInvalidErr; menuItemNotFoundErr; menuPropertyNotFoundErr.
OSStatus RemoveMenuItemProperty(MenuRef menu, MenuItemIndex item, OSType propertyCreator,
                                OSType propertyTag);

// ----------------------------------------------------------- invalidation

// Marks inNumItems items from inFirstItem on as needing a redraw (the pending
// range grows to cover them). Status: noErr; menuInvalidErr;
// menuItemNotFoundErr (inFirstItem 0 or beyond the count).
OSStatus InvalidateMenuItems(MenuRef inMenu, MenuItemIndex inFirstItem, ItemCount inNumItems);
// Asks for the pending items to be redrawn: the pending range becomes the
// menu's last updated range and its update count goes up by one, which a
// host that shows the menu polls. Status: noErr; menuInvalidErr.
OSStatus UpdateInvalidMenuItems(MenuRef inMenu);

// ------------------------------------------------------------------ slots

// Two opaque per-menu slots: the event target the event module attaches to a
// menu, and one for the host. The disposer (may be null) is called with the
// value when the menu goes or the value is replaced by another one.
// Status: noErr; menuInvalidErr.
using MenuSlotDisposer = void (*)(void* value);
OSStatus SetMenuEventTargetSlot(MenuRef menu, void* target, MenuSlotDisposer dispose);
void* GetMenuEventTargetSlot(MenuRef menu);
OSStatus SetMenuHostSlot(MenuRef menu, void* data, MenuSlotDisposer dispose);
void* GetMenuHostSlot(MenuRef menu);

// ------------------------------------------- inspection for hosts and tests

// A range of items; count 0 means none.
struct MenuItemRange {
  MenuItemIndex first = 0;
  ItemCount count = 0;
  friend bool operator==(const MenuItemRange&, const MenuItemRange&) = default;
};

struct MenuView {
  MenuID id = 0;
  MenuAttributes attributes = 0;
  bool enabled = true;  // false: every item is shown disabled
  SInt16 fontID = 0;
  UInt16 fontSize = 0;
  UInt16 itemCount = 0;
  ItemCount retainCount = 0;
  MenuItemRange invalid;      // pending redraw
  MenuItemRange lastUpdated;  // what the last UpdateInvalidMenuItems asked for
  UInt32 updateCount = 0;     // number of UpdateInvalidMenuItems calls
  UInt64 generation = 0;      // goes up with every change to the menu or its items
};

struct MenuItemView {
  std::string text;  // UTF-8
  MenuCommand command = 0;
  MenuItemAttributes attributes = 0;
  bool isSeparator = false;
  bool enabled = true;  // the item's own state; see MenuView::enabled
  bool hidden = false;
  // Whether the item shows a key equivalent at all: a glyph, a virtual key
  // (any code, 0 included: that is the A key) or a non-zero character. A
  // renderer asks this rather than testing commandKey for 0.
  bool hasKeyEquivalent = false;
  UInt16 commandKey = 0;  // the virtual key code or the character in use
  bool isVirtualKey = false;
  SInt16 glyph = 0;
  UInt8 modifiers = kMenuNoModifiers;
  UInt8 iconType = kMenuNoIcon;
  void* icon = nullptr;
  MenuRef submenu = nullptr;  // null when none or no longer live
};

struct MenuPropertyView {
  OSType creator = 0;
  OSType tag = 0;
  std::vector<UInt8> bytes;
};

// nullopt for a menu that is not live or an item index that names no item.
std::optional<MenuView> GetMenuView(MenuRef menu);
std::optional<MenuItemView> GetMenuItemView(MenuRef menu, MenuItemIndex item);
// The item's (item 0: the menu's) properties in the order they were first
// set; empty when there are none or the index is bad.
std::vector<MenuPropertyView> ListMenuItemProperties(MenuRef menu, MenuItemIndex item);

// Live menus, so that a test can tell a leaked menu tree.
std::size_t CountLiveMenusForTesting();
// Their IDs, sorted, to name the leaked ones.
std::vector<MenuID> LiveMenuIDsForTesting();
