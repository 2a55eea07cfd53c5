#include "hosts/sim/SimHotKeys.h"

#include "platform/events/HotKeys.h"
#include "platform/host/Transcript.h"

OSStatus SimHotKeys::Register(UInt32 keyCode, UInt32 modifiers) {
  Combination c{keyCode, modifiers};
  if (taken_.count(c) || ours_.count(c)) return eventHotKeyExistsErr;
  ours_.insert(c);
  return noErr;
}

void SimHotKeys::Unregister(UInt32 keyCode, UInt32 modifiers) { ours_.erase({keyCode, modifiers}); }

void SimHotKeys::MarkTaken(UInt32 keyCode, UInt32 modifiers) {
  taken_.insert({keyCode, modifiers});
}

bool SimHotKeys::IsGrabbed(UInt32 keyCode, UInt32 modifiers) const {
  return ours_.count({keyCode, modifiers}) != 0;
}

OSStatus SimHotKeys::Deliver(UInt32 keyCode, UInt32 modifiers, UInt32 kind) {
  if (!ours_.count({keyCode, modifiers})) {
    Transcribe(
        Fmt("hot key %s: key %u mods 0x%04X: %s",
            kind == kEventHotKeyPressed ? "pressed" : "released", keyCode, modifiers,
            taken_.count({keyCode, modifiers}) ? "taken by another program" : "nothing bound"));
    return eventHotKeyInvalidErr;
  }
  return DispatchHotKeyEvent(keyCode, modifiers, kind);
}

OSStatus SimHotKeys::Press(UInt32 keyCode, UInt32 modifiers) {
  return Deliver(keyCode, modifiers, kEventHotKeyPressed);
}

OSStatus SimHotKeys::Release(UInt32 keyCode, UInt32 modifiers) {
  return Deliver(keyCode, modifiers, kEventHotKeyReleased);
}
