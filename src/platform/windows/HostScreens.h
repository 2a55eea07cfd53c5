// The host's screens. The layer's Display Manager (platform/Screens.h) keeps a
// device record per screen and refreshes it from this list on every call, so
// a host only has to answer what is connected now. When the configuration
// changes the host calls DeliverDisplayNotification (platform/Screens.h)
// with the Display Manager message, after the list already answers the new
// configuration for kDMNotifyEvent.
#pragma once

#include <vector>

#include "platform/core/MacTypes.h"

struct HostScreen {
  // Identifies the same screen across configuration changes, so that device
  // handles the agent holds keep naming the same screen.
  UInt32 id = 0;
  Rect bounds;         // global coordinates
  bool main = false;   // carries the menu bar
  bool active = true;  // switched on and part of the desktop
};

class HostScreens {
 public:
  virtual ~HostScreens() = default;
  // In the host's fixed order (the Display Manager order).
  virtual std::vector<HostScreen> Screens() const = 0;
};
