// Popping a window-less trigger's menu up.
#include "menus/MenuBuilder.h"
#include "triggers/Triggers.h"

// Pending the showing of menus: until menus are shown, a pop-up only
// rebuilds the menu from its sources, as every pop-up does first, and
// nothing is chosen.
UInt32 UtilityMenu::ShowMenu(bool /*anchorToTab*/) {
  RebuildMenu(this);
  return 0;
}
