// The settings model: the preference keys, the record one menu definition
// is read into, and the key binding entries.
#pragma once

#include "platform/CoreFoundation.h"
#include "platform/MacTypes.h"

inline constexpr const char* kKorvaneDomain = "com.talvik.korvane";

// One menu definition of "Global Menus", as handed to the trigger
// constructors. items and hotKey are borrowed from the definition.
struct TriggerConfig {
  CFArrayRef items = nullptr;
  UInt32 flags = 0;          // bit 0: "Drags"
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
  SInt16 squareSize = 10;
};

// The stored "Key Bindings" entries; appended to and deleted from by the key
// binding table, written back on every change.
extern CFMutableArrayRef gKeyBindingEntries;

// Reads "Global Menus" (seeding it from the bundle on first run) and the key
// binding entries. The caller owns the result.
CFRef<CFArrayRef> LoadSettings();
// Reads one definition. False when it lacks "Position", "Drags" or "Items"
// or one of them has the wrong type: such a definition makes no trigger.
bool ReadTriggerConfig(CFDictionaryRef definition, TriggerConfig* config, TabLook* look);
// A tab trigger owns a window: a non-zero Position without modifiers.
bool IsTabTrigger(const TriggerConfig& config);
