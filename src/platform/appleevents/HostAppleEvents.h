// The receivers of the Apple events this process sends: the file browser,
// the alternative browser, applications asked to quit. The simulated desktop
// records each event with its full contents; a real desktop translates them
// into its own file manager's and applications' requests.
#pragma once

#include "platform/appleevents/AppleEvents.h"

class HostAppleEvents {
 public:
  virtual ~HostAppleEvents() = default;
  // Delivers event to the process its keyAddressAttr names. reply is null
  // unless the sender waits (kAEWaitReply); it is then an empty 'aevt'/'ansr'
  // event the receiver may fill (keyErrorNumber for its own failure).
  // Returns noErr once delivered, procNotFound when no process answers to
  // the address, errAETimeout when a waited-for reply does not come.
  virtual OSErr Deliver(const AppleEvent& event, AppleEvent* reply, AESendMode mode) = 0;
};
