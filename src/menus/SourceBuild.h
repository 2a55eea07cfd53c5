// The state of one source while BuildSource (re)builds it, shared by the
// files that hold its paths.
#pragma once

#include <optional>

#include "menus/ItemRecords.h"
#include "platform/files/Files.h"

class UtilityMenu;

struct SourceBuild {
  CFMutableDictionaryRef source = nullptr;
  UtilityMenu* trigger = nullptr;
  MenuRef menu = nullptr;
  MenuItemIndex start = 1;  // the trigger's next item index on entry
  DisplayPrefs prefs;
  UInt16 count = 0;           // items the source holds after this build
  bool changed = false;       // its range was (re)made: "num" is rewritten
  std::optional<UInt16> num;  // the stored "num", kept in step with the source
};

// Each returns false for the early returns that skip the bookkeeping (a
// line of text that could not be inserted); otherwise the bookkeeping runs.
bool BuildFileSource(SourceBuild& b);   // "fsref" present
bool BuildTypedSource(SourceBuild& b);  // everything else, by "Type"

// Index arithmetic within one menu, kept in 16 bits.
inline MenuItemIndex ItemAt(MenuItemIndex start, UInt32 delta) {
  return static_cast<MenuItemIndex>(start + delta);
}
// The last index of a range of count items from first (first - 1 for an
// empty range).
inline MenuItemIndex LastOf(MenuItemIndex first, UInt16 count) {
  return static_cast<MenuItemIndex>(static_cast<UInt32>(first) + count - 1);
}
