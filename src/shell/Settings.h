// The settings model: the preference keys, the record one menu definition
// is read into, and the key binding entries.
//
// Everything lives in the agent's own preference domain. "Global Menus" and
// "Key Bindings" are read once at start-up; the first run seeds the menu
// definitions from the default settings resource of the bundle.
#pragma once

#include <string>
#include <vector>

#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"

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
// A tab is at least one pixel and at most this many pixels square (and never
// more than a quarter of its screen's smaller side): an invisible tab of
// thousands of pixels would take every click on the desktop.
inline constexpr SInt16 kSmallestSquareSize = 1;
inline constexpr SInt16 kLargestSquareSize = 256;

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
  // The definition's 1-based place in "Global Menus" as stored, which the
  // messages about it use; 0 when it did not come from LoadSettings.
  UInt16 definitionNumber = 0;
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

// What reading one setting (a menu definition, a source entry, a key
// binding) found wrong with it, for the messages the agent writes.
struct SettingsNotes {
  // Why the setting is left out; empty when it is used.
  std::string skipped;
  // One text per value that was corrected or counts as absent.
  std::vector<std::string> corrected;

  void Skip(const std::string& why) { skipped += (skipped.empty() ? "" : "; ") + why; }
  void Correct(std::string what) { corrected.push_back(std::move(what)); }
};

// A value's kind in words: "a string", "an integer", "a real number", "a
// boolean", "data", "a date", "an array", "a dictionary".
std::string SettingsValueKind(CFTypeRef value);
// "\"key\" is <its kind>, <needed> is needed".
std::string WrongTypeNote(const char* key, CFTypeRef value, const char* needed);
// Reports what notes say about the setting named which ("menu definition 3",
// "key binding 2", "menu definition 1, source 4"), one ReportProblem line
// each: "settings: <which> skipped: <why>", then "settings: <which>:
// <correction>" for every correction. Nothing when notes are empty.
void ReportSettingsNotes(const std::string& which, const SettingsNotes& notes);

// Reads "Global Menus" (seeding it from the bundle's default settings when
// the domain has none) and the key binding entries. The caller owns the
// result; null when there are no menu definitions. Only the definitions that
// make a menu are in the result; every one left out (not a dictionary, or
// refused by ReadTriggerConfig) and every corrected value is reported, and
// the key binding entries that cannot be registered are reported too. A
// stored "Global Menus" that is not an array gives null and is left as it is
// on disk (no seeding over it). When the seeded definitions cannot be saved
// they are used for this run only, and that is reported.
CFRef<CFArrayRef> LoadSettings();

// The 1-based place in the stored "Global Menus" of a definition that the
// last LoadSettings read; 0 for any other dictionary.
UInt16 MenuDefinitionNumber(CFDictionaryRef definition);

// Reads one definition into config and, for tab triggers, look (absent keys
// give the defaults; look keeps its defaults for window-less triggers).
// False when the definition is not a dictionary, lacks "Position", "Drags"
// or "Items", or holds one of them with the wrong type: such a definition
// makes no trigger. A Position outside 0 to 9 is kept (the trigger is not
// placed at any corner or edge). Optional keys of the wrong type count as
// absent, as do a "Hot Key" shorter than 8 bytes and a "Color" shorter than
// 6 (longer ones are read by their first bytes); "Square Size" is kept
// within 1 to 256. When notes is given it receives why the definition is
// skipped, or what was corrected.
bool ReadTriggerConfig(CFDictionaryRef definition, TriggerConfig* config, TabLook* look,
                       SettingsNotes* notes = nullptr);

// A tab trigger owns a window: a non-zero Position without modifiers. Every
// other definition makes a window-less trigger.
bool IsTabTrigger(const TriggerConfig& config);
