// Event objects and their typed parameters.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/events/EventsInternal.h"
#include "platform/host/Transcript.h"

namespace events {

std::string TypeText(UInt32 eventClass, UInt32 kind) {
  return Fmt("'%s'/%u", FourCCString(eventClass).c_str(), kind);
}

std::string SecondsText(double seconds) {
  std::string s = Fmt("%.3f", seconds);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

}  // namespace events

namespace {

OpaqueEventRef::Parameter* FindParameter(EventRef event, EventParamName name) {
  auto& params = event->parameters;
  auto it =
      std::find_if(params.begin(), params.end(), [&](const auto& p) { return p.name == name; });
  return it == params.end() ? nullptr : &*it;
}

}  // namespace

OSStatus CreateEvent(void*, UInt32 inClassID, UInt32 kind, EventTime when, EventAttributes flags,
                     EventRef* outEvent) {
  if (!outEvent) return paramErr;
  auto* event = new OpaqueEventRef;
  event->eventClass = inClassID;
  event->kind = kind;
  event->when = when;
  event->attributes = flags;
  *outEvent = event;
  return noErr;
}

EventRef RetainEvent(EventRef inEvent) {
  if (inEvent) ++inEvent->retainCount;
  return inEvent;
}

void ReleaseEvent(EventRef inEvent) {
  if (!inEvent) return;
  assert(inEvent->retainCount > 0);
  if (--inEvent->retainCount == 0) delete inEvent;
}

UInt32 GetEventRetainCount(EventRef inEvent) { return inEvent ? inEvent->retainCount : 0; }

EventRef CopyEvent(EventRef inOther) {
  if (!inOther) return nullptr;
  auto* copy = new OpaqueEventRef(*inOther);
  copy->retainCount = 1;
  copy->queued = false;
  return copy;
}

UInt32 GetEventClass(EventRef inEvent) { return inEvent ? inEvent->eventClass : 0; }
UInt32 GetEventKind(EventRef inEvent) { return inEvent ? inEvent->kind : 0; }
EventTime GetEventTime(EventRef inEvent) { return inEvent ? inEvent->when : 0; }

OSStatus SetEventTime(EventRef inEvent, EventTime inTime) {
  if (!inEvent) return paramErr;
  inEvent->when = inTime;
  return noErr;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr) {
  if (!inEvent || (inSize > 0 && !inDataPtr)) return paramErr;
  const auto* bytes = static_cast<const UInt8*>(inDataPtr);
  std::vector<UInt8> data(bytes, bytes + inSize);
  if (auto* existing = FindParameter(inEvent, inName)) {
    existing->type = inType;
    existing->data = std::move(data);
  } else {
    inEvent->parameters.push_back({inName, inType, std::move(data)});
  }
  return noErr;
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData) {
  if (!inEvent) return paramErr;
  const auto* p = FindParameter(inEvent, inName);
  if (!p) return eventParameterNotFoundErr;
  // A reader asking for another type than the writer stored has misread the
  // event's contract; converting silently would hide that.
  if (inDesiredType != typeWildCard && inDesiredType != p->type) return errAECoercionFail;
  if (outActualType) *outActualType = p->type;
  if (outActualSize) *outActualSize = p->data.size();
  if (!outData) return noErr;
  if (inBufferSize < p->data.size()) return errAEBufferTooSmall;
  if (!p->data.empty()) std::memcpy(outData, p->data.data(), p->data.size());
  return noErr;
}

OSStatus RemoveEventParameter(EventRef inEvent, EventParamName inName) {
  if (!inEvent) return paramErr;
  auto& params = inEvent->parameters;
  auto it =
      std::find_if(params.begin(), params.end(), [&](const auto& p) { return p.name == inName; });
  if (it == params.end()) return eventParameterNotFoundErr;
  params.erase(it);
  return noErr;
}
