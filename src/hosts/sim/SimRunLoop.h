// The simulated run loop: a virtual clock and a queue of timers. Nothing
// sleeps. Run() fires timers in due order, moving the clock to each one's due
// time, until Quit() or until nothing is left to fire. Scripted input is
// itself a timer on this clock, so input and timers interleave in time order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "platform/host/Host.h"

class SimRunLoop final : public HostRunLoop {
 public:
  double Now() const override { return now_; }
  TimerId AddTimer(double due, std::function<void()> fire) override;
  void CancelTimer(TimerId id) override;
  void Run() override;
  void Quit() override;
  int Depth() const override { return depth_; }

  // Fires, in order, every timer due up to now + seconds, then sets the clock
  // to now + seconds. Used by tests that drive the clock without Run().
  void Advance(double seconds);
  // Ends every running level at once (the simulator's end of scenario).
  void StopAll() { stopping_ = depth_ > 0; }
  bool Stopped() const { return stopping_; }
  // Fires the earliest pending timer; false when none is pending.
  bool FireNext();
  std::size_t PendingTimers() const { return queue_.size(); }
  // Seconds until the earliest pending timer, or a negative value when none.
  double NextDue() const;

 private:
  // Ordered by (due, sequence): equal due times fire in the order added.
  std::map<std::pair<double, TimerId>, std::function<void()>> queue_;
  std::map<TimerId, double> dueOf_;
  double now_ = 0;
  TimerId nextId_ = 1;
  int depth_ = 0;
  int quitRequests_ = 0;
  bool stopping_ = false;
};
