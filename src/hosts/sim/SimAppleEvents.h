// The receivers of the Apple events the agent sends, on the simulated
// desktop: every event is recorded with its full contents under the name of
// the process it reaches. An event whose address names no process in the
// table reaches nobody (procNotFound), as on the Mac.
//
// A receiver named in carryingOut carries the file events out on the
// sandbox (moves, copies, links and trashing, see
// SimFileOperations.h); anything else a receiver does with an event (an
// application quitting) is added by whoever needs it through `answer`.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/appleevents/AppleEvents.h"
#include "platform/appleevents/HostAppleEvents.h"

class SimProcesses;

class SimAppleEvents final : public HostAppleEvents {
 public:
  explicit SimAppleEvents(SimProcesses& processes) : processes_(processes) {}

  // Called for every delivered event with the receiving process's serial
  // number; reply is null unless the sender waits. Its result is the
  // receiver's: noErr, or a failure put into the reply as keyErrorNumber.
  std::function<OSErr(const ProcessSerialNumber& to, const AppleEvent& event, AppleEvent* reply)>
      answer;

  // Names of the processes that carry out the file events they receive, and
  // the sandbox home they work in.
  std::set<std::string> carryingOut;
  std::string home;

  // The descriptions of the events delivered, in order.
  std::vector<std::string> delivered;
  // The send modes of the events delivered, in the same order.
  std::vector<AESendMode> modes;

  // The process the event's address names, if it is in the table.
  std::optional<ProcessSerialNumber> Receiver(const AppleEvent& event) const;

  // HostAppleEvents
  OSErr Deliver(const AppleEvent& event, AppleEvent* reply, AESendMode mode) override;

 private:
  SimProcesses& processes_;
};
