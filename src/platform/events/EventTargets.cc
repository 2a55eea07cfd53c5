// Event targets, handler installation and the one place events are
// dispatched from.
#include <algorithm>
#include <map>
#include <memory>
#include <unordered_set>

#include "platform/events/EventsInternal.h"
#include "platform/host/Transcript.h"

struct OpaqueEventHandlerRef {
  OpaqueEventTargetRef* target = nullptr;
  EventHandlerUPP proc = nullptr;
  void* userData = nullptr;
  std::vector<EventTypeSpec> types;
  bool removed = false;

  bool Matches(UInt32 eventClass, UInt32 kind) const {
    return std::any_of(types.begin(), types.end(), [&](const EventTypeSpec& t) {
      return t.eventClass == eventClass && t.eventKind == kind;
    });
  }
};

struct OpaqueEventTargetRef {
  std::string name;
  OpaqueEventTargetRef* parent = nullptr;
  // In installation order; dispatch walks it backwards. Shared so that a
  // dispatch in progress keeps a handler alive that is removed meanwhile.
  std::vector<std::shared_ptr<OpaqueEventHandlerRef>> handlers;
};

namespace {

// The chain one dispatch runs, fixed when the dispatch begins.
struct Chain {
  EventRef event = nullptr;
  std::vector<std::shared_ptr<OpaqueEventHandlerRef>> handlers;
};

}  // namespace

struct OpaqueEventHandlerCallRef {
  Chain* chain = nullptr;
  std::size_t index = 0;
  bool nextCalled = false;
};

namespace {

// Function-local so that it exists whenever it is first asked for.
OpaqueEventTargetRef& ApplicationTarget() {
  static OpaqueEventTargetRef target{"application", nullptr, {}};
  return target;
}
OpaqueEventTargetRef* gFocusTarget = nullptr;  // null: the application target

// Every target but the application's, owned here.
std::map<OpaqueEventTargetRef*, std::unique_ptr<OpaqueEventTargetRef>>& Targets() {
  static std::map<OpaqueEventTargetRef*, std::unique_ptr<OpaqueEventTargetRef>> targets;
  return targets;
}

std::unordered_set<OpaqueEventHandlerRef*>& LiveHandlers() {
  static std::unordered_set<OpaqueEventHandlerRef*> handlers;
  return handlers;
}

// Call references of handlers that are running, innermost last.
std::vector<OpaqueEventHandlerCallRef*>& LiveCalls() {
  static std::vector<OpaqueEventHandlerCallRef*> calls;
  return calls;
}

bool IsLiveTarget(EventTargetRef t) {
  return t == &ApplicationTarget() || (t && Targets().count(t) != 0);
}

std::string TypesText(ItemCount n, const EventTypeSpec* list) {
  std::string out;
  for (ItemCount i = 0; i < n; ++i)
    out += " " + events::TypeText(list[i].eventClass, list[i].eventKind);
  return out;
}

void Detach(OpaqueEventHandlerRef* handler) {
  handler->removed = true;
  LiveHandlers().erase(handler);
  auto& list = handler->target->handlers;
  list.erase(
      std::remove_if(list.begin(), list.end(), [&](const auto& h) { return h.get() == handler; }),
      list.end());
}

OSStatus RunFrom(Chain& chain, std::size_t start) {
  for (std::size_t i = start; i < chain.handlers.size(); ++i) {
    const auto handler = chain.handlers[i];
    if (handler->removed) continue;
    OpaqueEventHandlerCallRef call{&chain, i, false};
    LiveCalls().push_back(&call);
    OSStatus result = handler->proc(&call, chain.event, handler->userData);
    LiveCalls().pop_back();
    if (result != eventNotHandledErr || call.nextCalled) return result;
  }
  return eventNotHandledErr;
}

}  // namespace

EventTargetRef GetApplicationEventTarget() { return &ApplicationTarget(); }

EventTargetRef CreateEventTarget(EventTargetRef parent, std::string name) {
  auto target = std::make_unique<OpaqueEventTargetRef>();
  target->name = std::move(name);
  target->parent = IsLiveTarget(parent) ? parent : &ApplicationTarget();
  EventTargetRef raw = target.get();
  Targets().emplace(raw, std::move(target));
  return raw;
}

void DisposeEventTarget(EventTargetRef target) {
  auto it = Targets().find(target);
  if (it == Targets().end()) return;
  while (!target->handlers.empty()) Detach(target->handlers.back().get());
  for (auto& [raw, other] : Targets())
    if (other->parent == target) other->parent = target->parent;
  if (gFocusTarget == target) gFocusTarget = nullptr;
  Targets().erase(it);
}

void DisposeEventTargetValue(void* target) {
  DisposeEventTarget(static_cast<EventTargetRef>(target));
}

std::string GetEventTargetName(EventTargetRef target) {
  return IsLiveTarget(target) ? target->name : std::string("(no target)");
}

EventTargetRef GetUserFocusEventTarget() {
  return gFocusTarget ? gFocusTarget : &ApplicationTarget();
}

void SetUserFocusEventTarget(EventTargetRef target) {
  gFocusTarget = IsLiveTarget(target) ? target : nullptr;
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef) {
  if (!IsLiveTarget(inTarget) || !inHandler || (inNumTypes > 0 && !inList)) return paramErr;
  auto handler = std::make_shared<OpaqueEventHandlerRef>();
  handler->target = inTarget;
  handler->proc = inHandler;
  handler->userData = inUserData;
  if (inNumTypes > 0) handler->types.assign(inList, inList + inNumTypes);
  LiveHandlers().insert(handler.get());
  inTarget->handlers.push_back(handler);
  if (outRef) *outRef = handler.get();
  Transcribe("handler installed: " + inTarget->name + TypesText(inNumTypes, inList));
  return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef) {
  if (!LiveHandlers().count(inHandlerRef)) return paramErr;
  Transcribe("handler removed: " + inHandlerRef->target->name +
             TypesText(inHandlerRef->types.size(), inHandlerRef->types.data()));
  Detach(inHandlerRef);
  return noErr;
}

OSStatus AddEventTypesToHandler(EventHandlerRef inHandlerRef, ItemCount inNumTypes,
                                const EventTypeSpec* inList) {
  if (!LiveHandlers().count(inHandlerRef) || (inNumTypes > 0 && !inList)) return paramErr;
  for (ItemCount i = 0; i < inNumTypes; ++i)
    if (!inHandlerRef->Matches(inList[i].eventClass, inList[i].eventKind))
      inHandlerRef->types.push_back(inList[i]);
  return noErr;
}

OSStatus RemoveEventTypesFromHandler(EventHandlerRef inHandlerRef, ItemCount inNumTypes,
                                     const EventTypeSpec* inList) {
  if (!LiveHandlers().count(inHandlerRef) || (inNumTypes > 0 && !inList)) return paramErr;
  auto& types = inHandlerRef->types;
  for (ItemCount i = 0; i < inNumTypes; ++i)
    types.erase(std::remove_if(types.begin(), types.end(),
                               [&](const EventTypeSpec& t) {
                                 return t.eventClass == inList[i].eventClass &&
                                        t.eventKind == inList[i].eventKind;
                               }),
                types.end());
  return noErr;
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget) {
  if (!inEvent || !IsLiveTarget(inTarget)) return paramErr;
  Chain chain;
  chain.event = RetainEvent(inEvent);
  const UInt32 cls = GetEventClass(inEvent);
  const UInt32 kind = GetEventKind(inEvent);
  for (EventTargetRef t = inTarget; t; t = t->parent)
    for (auto it = t->handlers.rbegin(); it != t->handlers.rend(); ++it)
      if ((*it)->Matches(cls, kind)) chain.handlers.push_back(*it);
  OSStatus result = RunFrom(chain, 0);
  ReleaseEvent(chain.event);
  return result;
}

OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent) {
  auto& calls = LiveCalls();
  if (!inEvent || std::find(calls.begin(), calls.end(), inCallRef) == calls.end()) return paramErr;
  if (inCallRef->nextCalled) return eventNotHandledErr;
  inCallRef->nextCalled = true;
  return RunFrom(*inCallRef->chain, inCallRef->index + 1);
}
