// The simulated desktop's global hot keys: a table of grabbed combinations,
// ours and those declared as taken by other programs, and a scripted user
// who presses them.
#pragma once

#include <set>
#include <utility>

#include "platform/events/HostHotKeys.h"

class SimHotKeys final : public HostHotKeys {
 public:
  OSStatus Register(UInt32 keyCode, UInt32 modifiers) override;
  void Unregister(UInt32 keyCode, UInt32 modifiers) override;

  // Another program holds the combination from now on.
  void MarkTaken(UInt32 keyCode, UInt32 modifiers);
  // The user presses the combination: one this process registered arrives
  // as its 'keyb'/5 event; any other press is transcribed as reaching
  // nothing of ours. Returns the dispatch status, or eventHotKeyInvalidErr
  // when the combination is not ours.
  OSStatus Press(UInt32 keyCode, UInt32 modifiers);
  // The same for letting go ('keyb'/6).
  OSStatus Release(UInt32 keyCode, UInt32 modifiers);
  bool IsGrabbed(UInt32 keyCode, UInt32 modifiers) const;

 private:
  OSStatus Deliver(UInt32 keyCode, UInt32 modifiers, UInt32 kind);
  using Combination = std::pair<UInt32, UInt32>;
  std::set<Combination> ours_;
  std::set<Combination> taken_;
};
