// The simulated desktop's menu tracking: a scripted user works the pop-up.
// A scenario or a test queues steps before the menu opens; the next
// tracking consumes them in order, one after the other on the virtual
// clock, inside a nested run of the simulated loop, so that the agent's
// timers and queued events interleave with them. When the steps run out
// before a choice, the user dismisses the menu; steps left when the menu
// closes are dropped with it.
//
// Transcript lines:
//   menu shown: menu 3 at 304,155 200x310 on screen 1   (left,top; the
//     measured size; the screen holding the top-left corner)
//   menu 3 drawn: items 1-7
//   menu 3 item 2 "Documents" highlighted      menu 3: no item highlighted
//   menu 3 item 1 drawn normal                 menu 3 item 2 drawn selected
//   menu 5 opened from menu 3 item 2           menu 5 closed
//   menu key down 53 (modifiers cmd)           menu modifiers: cmd option
//   menu chosen: menu 5 item 3 "notes.txt"     menu cancelled
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hosts/sim/SimInput.h"
#include "hosts/sim/SimRunLoop.h"
#include "hosts/sim/SimScreens.h"
#include "platform/menus/HostMenuTracking.h"
#include "platform/menus/MenuTracking.h"

struct SimMenuStep {
  enum class Kind { kHighlight, kOpen, kOff, kModifiers, kKey, kChoose, kCancel, kWait, kDo };
  Kind kind = Kind::kCancel;
  // Highlight, open, choose: the texts of the items leading to the item,
  // from the top-level menu (choose: empty for the highlighted item).
  std::vector<std::string> path;
  UInt32 value = 0;              // modifiers: the mask; key: the key code
  bool repeat = false;           // key: a repeat rather than a key-down
  double seconds = 0;            // wait
  std::function<void()> action;  // do: something else happens meanwhile
  std::string description;       // do: for the transcript
};

class SimMenuTracking final : public HostMenuTracking {
 public:
  SimMenuTracking(SimRunLoop& loop, SimScreens& screens, SimInput& input)
      : loop_(loop), screens_(screens), input_(input) {}

  void Queue(SimMenuStep step) { steps_.push_back(std::move(step)); }
  std::size_t QueuedSteps() const { return steps_.size(); }
  // Every menu measures this size when set (tests of placement); otherwise
  // an item is 18 pixels high, a separator 10, and the width follows the
  // longest text (8 pixels a character, 48 for the margins and the icon).
  std::optional<std::pair<SInt16, SInt16>> fixedSize;
  // Where the last menu was shown; nullopt before the first.
  std::optional<Point> lastLocation;

  // HostMenuTracking
  void Measure(MenuRef menu, SInt16* outWidth, SInt16* outHeight) override;
  void Track(MenuTrackingSession& session) override;
  void EndTracking(MenuTrackingSession& session) override;

 private:
  struct Level {
    MenuRef menu = nullptr;
    MenuItemIndex highlighted = 0;
  };
  void RunNextStep();
  void ScheduleNextStep(double delay);
  void Finish(const char* why);
  bool Perform(const SimMenuStep& step);
  // Highlights the items of path, opening the submenus on the way; with
  // openLast the last item's submenu too. False when an item is missing.
  bool Walk(const std::vector<std::string>& path, bool openLast);
  void Highlight(std::size_t level, MenuItemIndex item);
  bool OpenSubmenu(std::size_t level);
  void CloseBelow(std::size_t level);
  void SyncLevels();
  std::string ScreenOf(Point p) const;

  SimRunLoop& loop_;
  SimScreens& screens_;
  SimInput& input_;
  std::deque<SimMenuStep> steps_;
  MenuTrackingSession* session_ = nullptr;
  std::vector<Level> levels_;
  std::optional<HostRunLoop::TimerId> stepTimer_;
};
