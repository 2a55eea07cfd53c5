// The generated lists are wired into the menu builder already; what they
// list arrives with their own work. Until then each one leaves its range
// empty: it inserts nothing, and since it never inserted anything there is
// nothing old to delete either.
#include "menus/GeneratedLists.h"

// Pending: the mounted volumes and their submenus.
UInt16 ListVolumes(MenuRef, MenuItemIndex, UInt16, const DisplayPrefs*, MenuInstaller, void*) {
  return 0;
}

// Pending: the running applications.
UInt16 ListProcesses(MenuRef, MenuItemIndex, UInt16, const DisplayPrefs*) { return 0; }

// Pending: the recently used applications and documents.
UInt16 ListRecentItems(MenuRef, MenuItemIndex, UInt16 oldCount, const DisplayPrefs*, MenuInstaller,
                       void*, OSType, bool* outChanged) {
  if (outChanged) *outChanged = oldCount != 0;
  return 0;
}

// Pending: the installed preference panes. 0 also says "nothing changed".
UInt16 ListPreferencePanes(MenuRef, MenuItemIndex, UInt16, bool) { return 0; }
