// Standard alerts on the simulated desktop: each alert is transcribed with
// its texts and buttons and answered by the next scripted answer; without
// one the simulated user presses Return (the default button).
#pragma once

#include <deque>

#include "platform/dialogs/HostAlerts.h"

class SimAlerts final : public HostAlerts {
 public:
  enum class Answer { Default, Cancel, Other, CannotShow };

  // Queues the answer to the next alert.
  void Script(Answer answer) { answers_.push_back(answer); }
  int Shown() const { return shown_; }

  // HostAlerts
  OSStatus Run(const HostAlert& alert, SInt16* itemHit) override;

 private:
  std::deque<Answer> answers_;
  int shown_ = 0;
};
