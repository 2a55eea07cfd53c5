// Builds a trigger's menu from its sources and keeps it current: rebuilt
// incrementally before every pop-up, each source either leaving its items in
// place or replacing exactly its own range. Folder submenus fill when they
// open.
//
// A source's items occupy the contiguous range [start, start + "num" - 1]
// of the trigger's menu; the ranges follow each other in "Items" order, so
// every source ends by stepping the trigger's next item index over its own
// range. The keys of a source entry are in menus/WorkingSources.h.
#pragma once

#include "menus/ItemRecords.h"
#include "platform/events/Events.h"

class UtilityMenu;
struct SettingsNotes;

// Set only around a trigger's first build: volumes, processes and recent
// items are then left out (the first pop-up lists them).
extern bool gInitialBuild;
// Menus opened so far (incremented on every menu opening).
extern SInt32 gOpenMenuCount;
// The placeholders of folder submenus; start-up replaces them by the
// localized texts.
extern CFStringRef gUnavailableText;
extern CFStringRef gEmptyFolderText;

// CFArray apply function over a definition's "Items", with the trigger as
// context: copies one entry into a working source (appended to the
// trigger's sources) and resolves its location. An element that is not a
// dictionary makes no source. Cache keys the entry came with are dropped.
// What CheckSourceEntry finds is reported, as is a type code that names no
// folder (such a source shows nothing), naming the source by its 1-based
// place: "menu definition 2, source 3".
void PrepareSource(const void* entry, void* trigger);
// Whether a source entry can show anything as written: false for an element
// that is not a dictionary, and for one without "URL" whose "Type" is
// missing, of another type than string or data, or no type code. notes
// receive why, and every value of the wrong type (which counts as absent).
bool CheckSourceEntry(CFTypeRef entry, SettingsNotes* notes);
// Next item index = 1, then BuildSource for every working source in order.
// Nothing happens for a trigger without menu.
void RebuildMenu(UtilityMenu* trigger);
// CFArray apply function: (re)builds one working source's range at the
// trigger's next item index and steps that index over it.
void BuildSource(const void* source, void* trigger);
// Reads a "Type" value (CFString of at most four Mac Roman characters, or
// CFData of which the first four bytes count; shorter ones are padded with
// zero bytes). "-" and '-   ' set *isSeparator ("-" leaves *code as it was).
// False (unreadable) for an empty value, a longer string, or another type.
bool ParseSourceType(CFTypeRef value, OSType* code, bool* isSeparator);
// Where a file source is: the "URL" path, else the source's "Alias" (no user
// interaction); without url, the folder typeCode names ('sdsk' the desktop,
// 'apps' and 'utiƒ' in the local domain, others in the user's, created
// there when missing). Status: noErr; -1 (the URL leads nowhere and there
// is no "Alias"); what alias resolution reports (fnfErr, nsvErr, paramErr);
// what FSPathMakeRef or FSFindFolder report (fnfErr, ...).
OSErr ResolveSourceLocation(CFDictionaryRef source, CFStringRef url, OSType typeCode, FSRef* out);
// Inserts one item at the trigger's next item index: text, else the item's
// display name, else " " without ref; an icon when prefs->useIcons (an image
// of iconSize pixels, or an IconRef when iconSize is 0); 'FILE', 'NODE' and
// 'FLAG' with a ref, and the item's bound key. False when nothing was
// inserted (no display name, or the menu refused the item).
bool InsertSingleItem(const FSRef* ref, MenuRef menu, UtilityMenu* trigger, CFStringRef text,
                      UInt32 lsFlags, const DisplayPrefs* prefs, UInt16 iconSize);
// The one item with a submenu that a generated list shows behind: made once
// (item at the next item index, submenu with handlers, 'PREF', font and
// 'ICON', but no 'FILE': its contents are remade at every rebuild) and
// remembered in the source's "sub". Null when the item cannot be made.
MenuRef AttachSourceSubmenu(CFMutableDictionaryRef source, const FSRef* ref, MenuRef menu,
                            UtilityMenu* trigger, const DisplayPrefs* prefs, UInt16 iconSize);
// The installer passed down to every menu subsystem 3 creates: installs the
// menu handlers on the menu's event target, in their fixed order, with the
// trigger as user data (the mouse-moved handler gets none).
void InstallMenuHandlers(MenuRef menu, void* trigger);
// 'menu'/4: clears the trigger's close timer, counts the opening, and fills
// a submenu (the event's direct object) that is not the trigger's top-level
// menu. Always noErr (eventNotHandledErr without a trigger).
OSStatus MenuOpeningHandler(EventHandlerCallRef callRef, EventRef event, void* trigger);
// 'menu'/102: after the standard drawing, counts the drawn item for a drop
// menu's close countdown and remembers an item drawn selected as the
// trigger's highlighted menu and item. Always noErr.
OSStatus MenuDrawItemHandler(EventHandlerCallRef callRef, EventRef event, void* trigger);
// 'menu'/6: puts back the key equivalent the modifier hint replaced, keeps
// the new target item as the trigger's highlighted item and, in drop mode,
// starts or calls off the close countdown. Always noErr.
OSStatus MenuTargetItemHandler(EventHandlerCallRef callRef, EventRef event, void* trigger);
// RefreshFolderMenu with the menu's 'PREF' (the defaults, icon size the
// trigger's, when it has none), submenus made, the trigger's handlers.
void PopulateSubmenu(UtilityMenu* trigger, MenuRef menu);
// Relists a folder submenu (its 'FILE') when the folder's date differs from
// its 'DATE' (or it has none), else only revalidates its items. A folder
// that is gone or cannot be read shows gUnavailableText, an empty one
// gEmptyFolderText, as one disabled item. 'DATE' is kept only for a folder
// that was listed and whose date is settled. A menu without 'FILE' is left
// alone.
void RefreshFolderMenu(MenuRef menu, bool makeSubmenus, const DisplayPrefs* prefs,
                       MenuInstaller installer, void* refcon);
// Reads the folder's content-modification date (to the nanosecond) into
// *outDate and the status of that read into *outStatus (noErr, fnfErr,
// errFSBadFSRef, paramErr). True (changed) when the read failed, stored is
// null, or the dates differ. *outSettled (may be null) tells whether the
// new date may be stored: false when the read failed or the date is too
// recent to show that nothing changes later (the caller then stores none,
// and the next look relists).
bool FolderChanged(const FSRef* ref, const FolderDate* stored, FolderDate* outDate,
                   OSStatus* outStatus, bool* outSettled = nullptr);
