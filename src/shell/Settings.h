// The settings model: the preference keys, the record one menu definition
// is read into, and the key binding entries.
//
// Everything lives in the agent's own preference domain. "Global Menus" and
// "Key Bindings" are read once at start-up; the first run seeds the menu
// definitions from the default settings resource of the bundle.
#pragma once

#include "platform/CoreFoundation.h"
#include "platform/MacTypes.h"

inline constexpr const char* kKorvaneDomain = "com.talvik.korvane";
// The default settings resource: "com.talvik.korvane" of type "plist".
inline constexpr const char* kDefaultSettingsName = "com.talvik.korvane";
inline constexpr const char* kDefaultSettingsType = "plist";

// Top-level keys.
inline constexpr const char* kGlobalMenusKey = "Global Menus";
inline constexpr const char* kNoFullscreenDisableKey = "No Fullscreen Disable";
inline constexpr const char* kNoRevealViaCommandKeyKey = "No Reveal Via Command Key";
// "Key Bindings" is named kKeyBindingsKey by the key binding table.

// Keys of one menu definition.
inline constexpr const char* kItemsKey = "Items";
inline constexpr const char* kPositionKey = "Position";
inline constexpr const char* kScreenKey = "Screen";
inline constexpr const char* kOffsetKey = "Offset";
inline constexpr const char* kButtonKey = "Button";
inline constexpr const char* kModifiersKey = "Modifiers";
inline constexpr const char* kDragsKey = "Drags";
inline constexpr const char* kTriggerHotKeyKey = "Hot Key";
inline constexpr const char* kFontKey = "Font";
inline constexpr const char* kSizeKey = "Size";
inline constexpr const char* kIconSizeKey = "Icon Size";
inline constexpr const char* kColorKey = "Color";
inline constexpr const char* kAlphaKey = "Alpha";
inline constexpr const char* kSquareSizeKey = "Square Size";

// Position codes: 0 hot key only, 1-4 the corners (top-left, top-right,
// bottom-left, bottom-right), 5-8 the edges (left, top, right, bottom, at
// Offset), 9 the empty part of the main screen's menu bar.
inline constexpr SInt8 kPositionNone = 0;
inline constexpr SInt8 kPositionMenuBar = 9;
// The fixed binary values: "Hot Key" is a key code and a modifier mask, each
// 32-bit big-endian; "Color" is red, green, blue, each 16-bit big-endian.
inline constexpr CFIndex kTriggerHotKeySize = 8;
inline constexpr CFIndex kColorSize = 6;
inline constexpr SInt16 kDefaultSquareSize = 10;

// One menu definition of "Global Menus", as handed to the trigger
// constructors. items and hotKey are borrowed from the definition.
struct TriggerConfig {
  CFArrayRef items = nullptr;
  UInt32 flags = 0;  // bit 0: "Drags"
  SInt8 position = 0;
  SInt8 screen = 0;
  SInt16 offset = 0;
  UInt16 button = 0;
  UInt16 modifiers = 0;
  CFDataRef hotKey = nullptr;
  SInt16 font = 0;
  UInt16 size = 0;
  UInt16 iconSize = 0;
};

inline constexpr UInt32 kTriggerAcceptsDrops = 1;

// The tab-only values read beside the record.
struct TabLook {
  float alpha = 0.0f;
  RGBColor color{};
  SInt16 squareSize = kDefaultSquareSize;
};

// The stored "Key Bindings" entries; appended to and deleted from by the key
// binding table, written back on every change. Set by LoadSettings: a
// mutable copy of the stored array, or a new empty array.
extern CFMutableArrayRef gKeyBindingEntries;

// Reads "Global Menus" (seeding it from the bundle's default settings when
// the domain has none) and the key binding entries. The caller owns the
// result; null when there are no menu definitions. Elements that are not
// dictionaries are left out of the result. A stored "Global Menus" that is
// not an array gives null and is left as it is on disk (no seeding over it).
CFRef<CFArrayRef> LoadSettings();

// Reads one definition into config and, for tab triggers, look (absent keys
// give the defaults; look keeps its defaults for window-less triggers).
// False when the definition is not a dictionary, lacks "Position", "Drags"
// or "Items", holds one of them with the wrong type, or has a Position
// outside 0 to 9: such a definition makes no trigger. Optional keys of the
// wrong type count as absent, as do a "Hot Key" shorter than 8 bytes and a
// "Color" shorter than 6.
bool ReadTriggerConfig(CFDictionaryRef definition, TriggerConfig* config, TabLook* look);

// A tab trigger owns a window: a non-zero Position without modifiers. Every
// other definition makes a window-less trigger.
bool IsTabTrigger(const TriggerConfig& config);
