// Global hot keys: registrations of this process, kept here; the grab itself
// is the host's.
#include "platform/events/HotKeys.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/events/HostHotKeys.h"
#include "platform/host/Host.h"
#include "platform/host/Transcript.h"

struct OpaqueEventHotKeyRef {
  UInt32 keyCode = 0;
  UInt32 modifiers = 0;
  EventHotKeyID id;
  EventTargetRef target = nullptr;
};

namespace {

std::vector<std::unique_ptr<OpaqueEventHotKeyRef>>& Registered() {
  static std::vector<std::unique_ptr<OpaqueEventHotKeyRef>> hotKeys;
  return hotKeys;
}

OpaqueEventHotKeyRef* Find(UInt32 keyCode, UInt32 modifiers) {
  for (auto& h : Registered())
    if (h->keyCode == keyCode && h->modifiers == modifiers) return h.get();
  return nullptr;
}

std::string Combination(UInt32 keyCode, UInt32 modifiers) {
  return Fmt("key %u mods 0x%04X", keyCode, modifiers);
}

std::string Identifier(const EventHotKeyID& id) {
  return Fmt("id '%s'/0x%08X", FourCCString(id.signature).c_str(), id.id);
}

}  // namespace

OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers,
                             EventHotKeyID inHotKeyID, EventTargetRef inTarget, OptionBits,
                             EventHotKeyRef* outRef) {
  if (!inTarget || !outRef) return paramErr;
  const std::string what =
      Combination(inHotKeyCode, inHotKeyModifiers) + " " + Identifier(inHotKeyID);
  OSStatus status = noErr;
  if (Find(inHotKeyCode, inHotKeyModifiers))
    status = eventHotKeyExistsErr;
  else if (auto* host = CurrentHost().hotKeys)
    status = host->Register(inHotKeyCode, inHotKeyModifiers);
  else
    status = eventInternalErr;
  if (status != noErr) {
    Transcribe(Fmt("hot key refused: %s (%d)", what.c_str(), static_cast<int>(status)));
    return status;
  }
  auto hotKey = std::make_unique<OpaqueEventHotKeyRef>();
  hotKey->keyCode = inHotKeyCode;
  hotKey->modifiers = inHotKeyModifiers;
  hotKey->id = inHotKeyID;
  hotKey->target = inTarget;
  *outRef = hotKey.get();
  Registered().push_back(std::move(hotKey));
  Transcribe("hot key registered: " + what);
  return noErr;
}

OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey) {
  auto& all = Registered();
  auto it =
      std::find_if(all.begin(), all.end(), [&](const auto& h) { return h.get() == inHotKey; });
  if (!inHotKey || it == all.end()) return eventHotKeyInvalidErr;
  if (auto* host = CurrentHost().hotKeys) host->Unregister(inHotKey->keyCode, inHotKey->modifiers);
  Transcribe("hot key unregistered: " + Combination(inHotKey->keyCode, inHotKey->modifiers));
  all.erase(it);
  return noErr;
}

Boolean IsEventHotKeyRegistered(UInt32 keyCode, UInt32 modifiers) {
  return Find(keyCode, modifiers) != nullptr;
}

OSStatus DispatchHotKeyEvent(UInt32 keyCode, UInt32 modifiers, UInt32 kind) {
  if (kind != kEventHotKeyPressed && kind != kEventHotKeyReleased) return paramErr;
  const OpaqueEventHotKeyRef* hotKey = Find(keyCode, modifiers);
  if (!hotKey) return eventHotKeyInvalidErr;
  // Copied: a handler may unregister the hot key while the event runs.
  const EventHotKeyID id = hotKey->id;
  const EventTargetRef target = hotKey->target;
  Transcribe(Fmt("hot key %s: %s %s", kind == kEventHotKeyPressed ? "pressed" : "released",
                 Combination(keyCode, modifiers).c_str(), Identifier(id).c_str()));
  EventRef event = nullptr;
  OSStatus status = CreateEvent(nullptr, kEventClassKeyboard, kind, GetCurrentEventTime(),
                                kEventAttributeNone, &event);
  if (status != noErr) return status;
  status = SetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, sizeof id, &id);
  if (status == noErr) status = SendEventToEventTarget(event, target);
  ReleaseEvent(event);
  return status;
}
