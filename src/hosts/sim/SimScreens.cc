#include "hosts/sim/SimScreens.h"

#include "platform/host/Transcript.h"
#include "platform/windows/Screens.h"

SimScreens::SimScreens() { Declare({SimScreen{Rect{0, 0, 768, 1024}, true, true, 1}}); }

void SimScreens::Declare(std::vector<SimScreen> screens) {
  screens_.clear();
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const SimScreen& s = screens[i];
    screens_.push_back(
        HostScreen{s.id ? s.id : static_cast<UInt32>(i + 1), s.bounds, s.main, s.active});
  }
}

void SimScreens::ChangeConfiguration(std::vector<SimScreen> screens) {
  DeliverDisplayNotification(kDMNotifyPrep);
  Declare(std::move(screens));
  Transcribe("display configuration: " + Describe());
  DeliverDisplayNotification(kDMNotifyEvent);
}

void SimScreens::SendMessage(SInt16 message) { DeliverDisplayNotification(message); }

std::string SimScreens::Describe() const {
  if (screens_.empty()) return "no screens";
  std::string out;
  for (const HostScreen& s : screens_) {
    if (!out.empty()) out += "; ";
    out += Fmt("screen %u at %d,%d %dx%d", static_cast<unsigned>(s.id), s.bounds.left, s.bounds.top,
               s.bounds.right - s.bounds.left, s.bounds.bottom - s.bounds.top);
    if (s.main) out += " main";
    if (!s.active) out += " inactive";
  }
  return out;
}
