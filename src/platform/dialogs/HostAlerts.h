// Standard alerts, as a host concern: the host shows the alert in front of
// every other window (the overlay layer), runs it modally and says which
// button the user pressed.
#pragma once

#include <string>

#include "platform/core/MacTypes.h"

// One alert as the host is asked to show it; absent buttons have empty texts.
struct HostAlert {
  SInt16 alertType = 0;  // kAlertStopAlert .. kAlertPlainAlert
  std::string message;
  std::string explanation;
  std::string defaultText;
  std::string cancelText;
  std::string otherText;
  SInt16 defaultButton = 1;  // the item pressed by Return
  SInt16 cancelButton = 0;   // the item pressed by Escape (0: none)
  bool movable = false;
};

class HostAlerts {
 public:
  virtual ~HostAlerts() = default;
  // Shows the alert until the user answers: *itemHit is 1 (default button),
  // 2 (cancel button) or 3 (other button), a button the alert has. Returns
  // noErr, or a failure when the alert could not be shown (*itemHit is then
  // left alone).
  virtual OSStatus Run(const HostAlert& alert, SInt16* itemHit) = 0;
};
