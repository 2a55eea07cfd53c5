// Interface files ("nibs") of the main bundle, as far as the agent uses
// them: its menu bar.
//
// A nib here is Resources/<name>.nib in the main bundle, a property list
// dictionary. Its "MenuBar" entry (or any entry named to SetMenuBarFromNib)
// is an array of menus, each a dictionary with "Title" (string) and "Items"
// (array of strings, "-" for a separator line):
//
//   <key>MenuBar</key>
//   <array><dict><key>Title</key><string>Korvane</string>
//     <key>Items</key><array><string>Quit Korvane</string></array></dict></array>
#pragma once

#include "platform/core/MacErrors.h"
#include "platform/corefoundation/CoreFoundation.h"

struct OpaqueIBNibRef;
using IBNibRef = OpaqueIBNibRef*;

// Opens the nib inNibName of the main bundle. The caller disposes of
// *outNibRef with DisposeNibReference.
// noErr; paramErr (a null argument); kIBCarbonRuntimeCantFindNibFile (no
// main bundle, no such nib, or a file that is not a property list
// dictionary). *outNibRef is null on failure.
[[nodiscard]] OSStatus CreateNibReference(CFStringRef inNibName, IBNibRef* outNibRef);

// Makes the menus of the nib's entry inName the menu bar (the host shows
// it; the simulated desktop transcribes "menu bar: ..."). Menus without a
// string "Title" and items that are not strings are left out.
// noErr; paramErr (a null argument); kIBCarbonRuntimeCantFindObject (no
// such entry); kIBCarbonRuntimeObjectNotOfRequestedType (the entry is not
// an array); unimpErr (the host has no menu bar).
OSStatus SetMenuBarFromNib(IBNibRef inNibRef, CFStringRef inName);

// Frees the reference; null is ignored.
void DisposeNibReference(IBNibRef inNibRef);

// Shows the menu bar (nothing happens when the host has none).
void ShowMenuBar();
