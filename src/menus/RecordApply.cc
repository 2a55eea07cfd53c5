// Inserting collected records (panes, recent items, processes): apply
// functions for CFArrayApplyFunction, each consuming its record.
#include <cstring>

#include "menus/ItemRecords.h"

MenuItemIndex gRecordInsertIndex = 0;

namespace {

CollectedItem* RecordOf(const void* record) {
  return static_cast<CollectedItem*>(const_cast<void*>(record));
}

// Inserts the record after the running index; the index of the new item, or
// 0 when nothing was inserted (the running index then stays).
MenuItemIndex InsertRecord(CollectedItem* item, MenuRef menu, bool iconIsImage) {
  void* icon = item->icon;
  item->icon = nullptr;  // the menu's from here on
  if (InsertFileItem(menu, item->name, &item->ref, icon, iconIsImage, gRecordInsertIndex,
                     item->nodeID, item->lsFlags) != noErr)
    return 0;
  return ++gRecordInsertIndex;
}

void FreeRecord(CollectedItem* item) {
  if (item->name) CFRelease(item->name);
  delete item;
}

}  // namespace

void InsertPaneRecord(const void* record, void* menu) {
  CollectedItem* item = RecordOf(record);
  auto theMenu = static_cast<MenuRef>(menu);
  // Panes are validated as plain items: disabled in drop mode.
  if (MenuItemIndex index = InsertRecord(item, theMenu, true))
    ValidateItem(item->nodeID, 0, theMenu, index, nullptr, nullptr, nullptr);
  FreeRecord(item);
}

void InsertRecentRecord(const void* record, void* menu) {
  CollectedItem* item = RecordOf(record);
  auto theMenu = static_cast<MenuRef>(menu);
  if (MenuItemIndex index = InsertRecord(item, theMenu, item->extra[0] != 0))
    ValidateItem(item->nodeID, item->lsFlags, theMenu, index, nullptr, nullptr, nullptr);
  FreeRecord(item);
}

void InsertProcessRecord(const void* record, void* menu) {
  CollectedItem* item = RecordOf(record);
  auto theMenu = static_cast<MenuRef>(menu);
  if (MenuItemIndex index = InsertRecord(item, theMenu, true)) {
    ValidateItem(item->nodeID, item->lsFlags, theMenu, index, nullptr, nullptr, nullptr);
    ProcessSerialNumber psn;
    std::memcpy(&psn, item->extra, sizeof psn);
    SetMenuItemProperty(theMenu, index, kSKIDCreator, kProcessTag, kProcessTagSize, &psn);
  }
  FreeRecord(item);
}
