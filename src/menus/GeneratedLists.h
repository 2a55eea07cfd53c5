// The generated lists a source can show: mounted volumes, running
// applications, recently used applications or documents, and the installed
// preference panes.
//
// Each list operation replaces the old items of its range in menu (from
// first on, oldCount of them; 0xFFFF means everything from first to the end
// of the menu, 0 nothing) and returns how many items the range now holds.
#pragma once

#include "menus/ItemRecords.h"

// An old count that covers every item from the first of the range on.
inline constexpr UInt16 kWholeMenuCount = 0xFFFF;

UInt16 ListVolumes(MenuRef menu, MenuItemIndex first, UInt16 oldCount, const DisplayPrefs* prefs,
                   MenuInstaller installer, void* refcon);
UInt16 ListProcesses(MenuRef menu, MenuItemIndex first, UInt16 oldCount, const DisplayPrefs* prefs);
// typeCode is 'rAPP' or 'rDOC'. outChanged (may be null) receives whether
// the count differs from oldCount.
UInt16 ListRecentItems(MenuRef menu, MenuItemIndex first, UInt16 oldCount,
                       const DisplayPrefs* prefs, MenuInstaller installer, void* refcon,
                       OSType typeCode, bool* outChanged);
// 0 means that none of the pane folders changed and nothing was touched.
UInt16 ListPreferencePanes(MenuRef menu, MenuItemIndex first, UInt16 oldCount, bool useIcons);
