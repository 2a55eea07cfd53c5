// What lies behind the Event Manager's opaque references. Private to the
// Events*.cc files.
#pragma once

#include <vector>

#include "platform/events/Events.h"

struct OpaqueEventRef {
  struct Parameter {
    EventParamName name;
    EventParamType type;
    std::vector<UInt8> data;
  };
  UInt32 eventClass = 0;
  UInt32 kind = 0;
  EventTime when = 0;
  EventAttributes attributes = 0;
  UInt32 retainCount = 1;
  bool queued = false;  // waiting in the event queue
  std::vector<Parameter> parameters;
};

namespace events {

// "'keyb'/5", as transcripts write an event type.
std::string TypeText(UInt32 eventClass, UInt32 kind);
// Seconds as transcripts write them: "0.333", "1", "2.5".
std::string SecondsText(double seconds);

}  // namespace events
