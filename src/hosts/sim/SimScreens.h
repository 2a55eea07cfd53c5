// The simulated desktop's screens: declared by a scenario or a test, in a
// fixed order, and changed as a whole, which the agent hears of through the
// Display Manager notification.
#pragma once

#include <string>
#include <vector>

#include "platform/windows/HostScreens.h"

struct SimScreen {
  Rect bounds = {};
  bool main = false;
  bool active = true;
  // Names the same screen across configurations; 0 takes the position in
  // the list (1 for the first).
  UInt32 id = 0;
};

class SimScreens final : public HostScreens {
 public:
  // One active main screen, 1024 x 768 at the origin.
  SimScreens();

  // Sets the screens before the agent looks at them: no notification, no
  // transcript line.
  void Declare(std::vector<SimScreen> screens);
  // The displays are rearranged: kDMNotifyPrep with the old configuration,
  // then the new list, one transcript line describing it, then
  // kDMNotifyEvent.
  void ChangeConfiguration(std::vector<SimScreen> screens);
  // Any other Display Manager message a scenario wants to send.
  void SendMessage(SInt16 message);

  // HostScreens
  std::vector<HostScreen> Screens() const override { return screens_; }

  // "screen 1 at 0,0 1024x768 main; screen 2 at 1024,0 1280x1024 inactive"
  std::string Describe() const;

 private:
  std::vector<HostScreen> screens_;
};
