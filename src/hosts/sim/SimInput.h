// The simulated user's pointer and modifier keys: put where a scenario or a
// test says, and read by the agent when it asks.
#pragma once

#include "platform/events/HostInput.h"

class SimInput final : public HostInput {
 public:
  Point GlobalMouse() const override { return pointer; }
  UInt32 KeyModifiers() const override { return modifiers; }

  Point pointer{};
  UInt32 modifiers = 0;
};
