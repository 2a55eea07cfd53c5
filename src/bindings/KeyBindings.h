// The key binding table: hot keys bound to single files, folders and
// applications, stored under "Key Bindings" and registered as global hot
// keys, sorted by catalog node ID.
//
// A stored binding that cannot be found or registered is dropped quietly
// (the stored entry stays). A new binding that cannot be saved is refused
// with a message and the alert sound, and a removal that cannot be saved is
// reported: nothing is announced as stored unless the preference file holds
// it. What a user can see goes to the transcript: the layer transcribes hot
// keys registered, refused and unregistered, and this table adds one line
// per entry stored or deleted.
#pragma once

#include <memory>
#include <vector>

#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/menus/Menus.h"

struct OpaqueEventHotKeyRef;
struct SettingsNotes;

inline constexpr UInt32 kItemBindingHotKeyID = 0xFFFFFFFE;
inline constexpr UInt32 kTriggerHotKeyID = 0xFFFFFFFF;
// A binding assigned without the command key also carries this bit.
inline constexpr UInt32 kFunctionKeyModifierBit = 0x00020000;

// The keys of one stored entry of "Key Bindings".
inline constexpr const char* kKeyBindingsKey = "Key Bindings";
inline constexpr const char* kHotKeyKey = "Hot Key";
inline constexpr const char* kBindingURLKey = "URL";
inline constexpr const char* kBindingAliasKey = "Alias";
// "Hot Key": key code, then modifier mask, each 32-bit big-endian.
inline constexpr CFIndex kHotKeyDataSize = 8;

struct KeyBindingRecord {
  UInt32 nodeID = 0;  // 0 when the item was not found at start
  FSRef fileRef{};    // zero-filled when nodeID is 0
  UInt32 keyCode = 0;
  UInt32 modifiers = 0;
  OpaqueEventHotKeyRef* hotKeyRef = nullptr;
  // The handle the hot key was registered with (see HotKeySignatureFor),
  // given back when the hot key is unregistered.
  UInt32 signature = 0;
  // The stored entry the signature leads to. Held here as well so that a
  // pressed hot key never leads to an entry that is gone.
  CFRef<CFDictionaryRef> entry;
};

// Sorted by nodeID (CompareBindingNodeIDs); owns its records.
extern std::vector<std::unique_ptr<KeyBindingRecord>> gKeyBindingRecords;

// -1, 0 or 1: the unsigned smaller node ID first; equal node IDs are equal.
int CompareBindingNodeIDs(const KeyBindingRecord* a, const KeyBindingRecord* b);

// Registers every entry of gKeyBindingEntries in array order, then sorts the
// records. A second call replaces the first table (its hot keys are
// unregistered first).
void LoadKeyBindings();
// Unregisters every binding's hot key and empties gKeyBindingRecords; the
// stored entries are left alone. Used by LoadKeyBindings, and by tests and
// the simulator between runs of the agent.
void UnloadKeyBindings();
// Whether a stored entry of "Key Bindings" can be registered: a dictionary
// with a "Hot Key" of at least 8 bytes. notes (may be null) receive why it
// cannot, or which of its values count as absent.
bool CheckKeyBindingEntry(CFTypeRef entry, SettingsNotes* notes);
// Finds one entry's item (by its "URL" path, else its "Alias") and registers
// it; an item that cannot be found registers with node ID 0. Entries without
// a "Hot Key" of at least 8 bytes are skipped; a longer one is read by its
// first 8 bytes.
void RegisterStoredBinding(CFDictionaryRef entry);
// Registers the entry's hot key and appends a record (unsorted); a refused
// hot key drops the record silently.
void RegisterKeyBinding(UInt32 nodeID, const FSRef* fileRef, CFDictionaryRef entry);
// Stores a new entry (written to the preferences at once) and registers it;
// true when it was saved. A binding that cannot be saved is not made at all:
// when the item's path cannot be made, is not UTF-8, cannot be held by the
// preference file, or the file cannot be written, nothing is stored or
// registered, the reason is reported (ReportProblem) and the alert sound
// plays. "key binding stored" is transcribed only once the file holds it.
bool AddKeyBinding(UInt32 nodeID, const FSRef* fileRef, UInt32 keyCode, UInt32 modifiers);
// Unregisters the item's binding and deletes the first stored entry with the
// same "Hot Key" bytes. Nothing happens when the item has no record. When the
// file cannot be written the binding is gone for this run only, and that is
// reported.
void RemoveKeyBinding(UInt32 nodeID, const FSRef* fileRef);

// Shows the key bound to the item's file ('SKID'/'FILE') as its key
// equivalent, or clears it.
void ShowItemKeyBinding(UInt32 nodeID, MenuRef menu, MenuItemIndex item);
void ClearItemKey(MenuRef menu, MenuItemIndex item);
void SetItemKey(MenuRef menu, MenuItemIndex item, UInt32 keyCode, UInt32 modifiers);
// The menu modifier flags of a Carbon modifier mask (shift 1, option 2,
// control 4, no command key 8).
UInt8 MenuModifiersForMask(UInt32 modifiers);
// The key glyph shown for a virtual key code, 0 when the key has none.
SInt16 KeyGlyphForKeyCode(UInt32 keyCode);
// The name of a glyph of that table ("Return", "F5", ...); null for others.
const char* KeyGlyphName(SInt16 glyph);

// Hot-key signatures are 32 bits wide, pointers are not: a signature is a
// handle from this table, which maps it back to the stored binding entry or
// the trigger it was registered for. Handles read as four printable
// characters ('K001', 'K002', ...) so that transcripts stay legible; 0 is
// never a handle.
//
// HotKeySignatureFor hands out the object's handle, the same one for as long
// as the object holds one, counting the uses; 0 for a null object or when
// every handle is in use. Each use is given back with
// ReleaseHotKeySignature once its hot key is unregistered (or was refused).
// A handle is not handed out again while any use of it remains, and fresh
// handles are preferred over recently released ones.
UInt32 HotKeySignatureFor(const void* object);
void ReleaseHotKeySignature(UInt32 signature);
// Null for 0 and for a handle that is not in use.
const void* HotKeyObjectForSignature(UInt32 signature);
