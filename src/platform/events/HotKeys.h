// Global hot keys. A registered combination, pressed anywhere, arrives at
// its target (the agent uses the application target) as 'keyb'/5
// (kEventHotKeyPressed) with kEventParamDirectObject of typeEventHotKeyID
// carrying the identifier it was registered with; its release as 'keyb'/6.
#pragma once

#include "platform/events/Events.h"

using OptionBits = UInt32;

struct EventHotKeyID {
  OSType signature = 0;
  UInt32 id = 0;
};
static_assert(sizeof(EventHotKeyID) == 8);

struct OpaqueEventHotKeyRef;
using EventHotKeyRef = OpaqueEventHotKeyRef*;

// Registers the combination. Refused, with *outRef untouched, when this
// process or (through the host) another program already holds it.
// Transcribed: "hot key registered: key 49 mods 0x0900 id 'Kvn1'/0xFFFFFFFF",
// or "hot key refused: ... (-9878)".
// Status: noErr; paramErr (no target or outRef); eventHotKeyExistsErr;
// eventInternalErr (the host has no hot keys); what the host reports.
OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers,
                             EventHotKeyID inHotKeyID, EventTargetRef inTarget,
                             OptionBits inOptions, EventHotKeyRef* outRef);
// Frees the combination. Status: noErr; eventHotKeyInvalidErr (not a
// registered hot key).
OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey);

// Our own, for hosts: the user pressed (kEventHotKeyPressed) or released
// (kEventHotKeyReleased) a combination. Sends the event to the target of the
// registration and returns the dispatch result.
// Status: that result; eventHotKeyInvalidErr (nothing of ours is registered
// for the combination); paramErr (another kind).
OSStatus DispatchHotKeyEvent(UInt32 keyCode, UInt32 modifiers, UInt32 kind);
// Our own: whether this process holds the combination.
Boolean IsEventHotKeyRegistered(UInt32 keyCode, UInt32 modifiers);
