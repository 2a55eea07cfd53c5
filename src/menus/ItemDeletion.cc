// Taking items out of menus: a range of items with their submenu trees, and
// whole menu trees.
#include <algorithm>
#include <vector>

#include "menus/ItemRecords.h"

namespace {

// Disposes the tree below menu. open holds the menus whose disposal is under
// way further up, so that a submenu link leading back up cannot recurse
// forever.
void DisposeTree(MenuRef menu, std::vector<MenuRef>& open) {
  if (std::find(open.begin(), open.end(), menu) != open.end()) return;
  open.push_back(menu);
  for (UInt16 index = CountMenuItems(menu); index >= 1; --index) {
    MenuRef submenu = nullptr;
    if (GetMenuItemHierarchicalMenu(menu, index, &submenu) == noErr && submenu)
      DisposeTree(submenu, open);
    DeleteMenuItems(menu, index, 1);
  }
  open.pop_back();
  DisposeMenu(menu);
}

}  // namespace

void DeleteItemRange(MenuRef menu, MenuItemIndex first, MenuItemIndex last) {
  const UInt16 count = CountMenuItems(menu);
  if (first == 0) first = 1;
  if (last == 0 || last > count) last = count;
  // From the end, so that the lower indexes stay valid.
  for (UInt32 index = last; index >= first && index >= 1; --index) {
    const auto item = static_cast<MenuItemIndex>(index);
    MenuRef submenu = nullptr;
    if (GetMenuItemHierarchicalMenu(menu, item, &submenu) == noErr && submenu)
      DisposeMenuTree(submenu);
    DeleteMenuItems(menu, item, 1);
  }
}

void DisposeMenuTree(MenuRef menu) {
  if (!IsValidMenu(menu)) return;
  std::vector<MenuRef> open;
  DisposeTree(menu, open);
}
