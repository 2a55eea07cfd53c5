// Lists one folder's visible entries into a menu: which entries are shown,
// in which order files and folders come, whether only applications are
// shown, how application names read and which entries get submenus.
#pragma once

#include "menus/ItemRecords.h"

// The name of the file in which a folder lists the names it hides, as UTF-16
// with its length; start-up fills it with ".hidden". A length of 0 means no
// hidden-names file is read. Lengths above the capacity count as the
// capacity.
inline constexpr UniCharCount kHiddenListNameCapacity = 255;
extern UniChar gHiddenListName[kHiddenListNameCapacity];
extern UniCharCount gHiddenListNameLength;

// The "Split Items" values: which entries are listed, and in which order.
inline constexpr SInt8 kSplitMixed = 0;             // files and folders in iteration order
inline constexpr SInt8 kSplitFilesThenFolders = 1;  // two passes: files, then folders
inline constexpr SInt8 kSplitFoldersOnly = 2;
inline constexpr SInt8 kSplitFilesOnly = 3;
// The "Filter Kind" value that keeps only applications among the files.
inline constexpr SInt16 kFilterApplications = 1;

// Inserts the folder's entries after item `after` (0: at the top) and
// returns how many items it inserted. Entries come in the file system's
// iteration order; invisible entries and those the folder's hidden-names
// file lists are left out; alias files count as what they lead to. prefs
// (useIcons, filterKind) decides icons and filtering and goes onto folder
// items as 'PREF'; icons are IconRefs, or images of the menu's 'ICON' size
// when that is non-zero. With makeSubmenus, folder items get an empty
// submenu (aliases to folders get theirs from validation in any case);
// installer(newMenu, refcon) is called on each. A folder that cannot be
// read, or a null folder or prefs, lists nothing; outStatus (may be null)
// then gets why (paramErr for a null argument, else FSOpenIterator's
// status), and noErr when the folder was listed, even if it showed nothing.
// Insertion stops early when the menu takes no more items (65535): that
// cut is reported with ReportProblem, naming the folder.
UInt16 ListFolder(MenuRef menu, const FSRef* folder, bool makeSubmenus, const DisplayPrefs* prefs,
                  SInt8 splitMode, MenuItemIndex after, MenuInstaller installer, void* refcon,
                  OSErr* outStatus = nullptr);

// strcmp, normalised to -1, 0, 1: the order of the hidden-names list.
int CompareCStrings(const char* a, const char* b);

// The name without its last extension (the text from the last "." of its
// last path component, unless that "." starts the component). Takes over
// `name` and returns a new string; null gives null.
CFRef<CFStringRef> StripExtension(CFRef<CFStringRef> name);
