// Lists one folder's visible entries into a menu.
#pragma once

#include "menus/ItemRecords.h"

// Inserts the folder's entries after `after`; returns how many were inserted.
UInt16 ListFolder(MenuRef menu, const FSRef* folder, bool makeSubmenus, const DisplayPrefs* prefs,
                  SInt8 splitMode, MenuItemIndex after, MenuInstaller installer, void* refcon);
// strcmp, normalised to -1, 0, 1.
int CompareCStrings(const char* a, const char* b);
// The name without its last extension; takes over `name`.
CFRef<CFStringRef> StripExtension(CFRef<CFStringRef> name);
