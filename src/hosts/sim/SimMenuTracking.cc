#include "hosts/sim/SimMenuTracking.h"

#include <algorithm>

#include "platform/events/Events.h"
#include "platform/host/Transcript.h"

namespace {

constexpr SInt16 kItemHeight = 18;
constexpr SInt16 kSeparatorHeight = 10;
constexpr SInt16 kCharacterWidth = 8;
constexpr SInt16 kMargins = 48;

std::string ModifierNames(UInt32 mask) {
  std::string names;
  const std::pair<UInt32, const char*> kNames[] = {
      {cmdKey, "cmd"}, {shiftKey, "shift"}, {optionKey, "option"}, {controlKey, "control"}};
  for (const auto& [bit, name] : kNames)
    if (mask & bit) names += names.empty() ? name : std::string(" ") + name;
  return names.empty() ? "none" : names;
}

std::string ItemText(MenuRef menu, MenuItemIndex item) {
  const auto view = GetMenuItemView(menu, item);
  return view ? view->text : std::string();
}

// The visible item of menu with this text, 0 when there is none.
MenuItemIndex FindItem(MenuRef menu, const std::string& text) {
  for (UInt16 i = 1; i <= CountMenuItems(menu); ++i) {
    const auto view = GetMenuItemView(menu, i);
    if (view && !view->hidden && !view->isSeparator && view->text == text) return i;
  }
  return 0;
}

}  // namespace

void SimMenuTracking::Measure(MenuRef menu, SInt16* outWidth, SInt16* outHeight) {
  if (fixedSize) {
    *outWidth = fixedSize->first;
    *outHeight = fixedSize->second;
    return;
  }
  int width = 0;
  int height = 0;
  for (UInt16 i = 1; i <= CountMenuItems(menu); ++i) {
    const auto view = GetMenuItemView(menu, i);
    if (!view || view->hidden) continue;
    height += view->isSeparator ? kSeparatorHeight : kItemHeight;
    width = std::max(width, static_cast<int>(view->text.size()) * kCharacterWidth + kMargins);
  }
  *outWidth = static_cast<SInt16>(std::min(width, 0x7FFF));
  *outHeight = static_cast<SInt16>(std::min(height, 0x7FFF));
}

std::string SimMenuTracking::ScreenOf(Point p) const {
  for (const HostScreen& s : screens_.Screens())
    if (s.active && p.v >= s.bounds.top && p.v < s.bounds.bottom && p.h >= s.bounds.left &&
        p.h < s.bounds.right)
      return Fmt("screen %u", static_cast<unsigned>(s.id));
  return "no screen";
}

void SimMenuTracking::Track(MenuTrackingSession& session) {
  session_ = &session;
  MenuRef menu = session.Menu();
  const Point at = session.Location();
  lastLocation = at;
  Transcribe(Fmt("menu shown: menu %d at %d,%d %dx%d on %s", GetMenuID(menu), at.h, at.v,
                 GetMenuWidth(menu), GetMenuHeight(menu), ScreenOf(at).c_str()));
  levels_ = {Level{menu, 0}};
  if (const UInt16 n = CountMenuItems(menu)) {
    Transcribe(Fmt("menu %d drawn: items 1-%u", GetMenuID(menu), n));
    for (UInt16 i = 1; i <= n && !session.Finished(); ++i)
      session.DrawItem(menu, i, kThemeMenuActive);
  }
  ScheduleNextStep(0);
  // The nested loop: steps, the agent's timers and queued events, in time
  // order, until the menu is chosen from or dismissed.
  loop_.Run();
  if (stepTimer_) loop_.CancelTimer(*stepTimer_);
  stepTimer_.reset();
  // Every menu still up goes, the innermost first (the layer sends their
  // closed events when Track returns).
  SyncLevels();
  for (std::size_t i = levels_.size(); i-- > 0;)
    Transcribe(Fmt("menu %d closed", GetMenuID(levels_[i].menu)));
  // The steps were this tracking's: what it did not use goes with it.
  if (!steps_.empty()) {
    Transcribe(
        Fmt("menu tracking: %zu step%s left unused", steps_.size(), steps_.size() == 1 ? "" : "s"));
    steps_.clear();
  }
  levels_.clear();
  session_ = nullptr;
}

void SimMenuTracking::EndTracking(MenuTrackingSession& session) {
  if (&session != session_) return;
  Finish("the menu was closed by an Escape key-down");
}

void SimMenuTracking::Finish(const char* why) {
  if (stepTimer_) loop_.CancelTimer(*stepTimer_);
  stepTimer_.reset();
  Transcribe(std::string("menu cancelled: ") + why);
  loop_.Quit();
}

void SimMenuTracking::ScheduleNextStep(double delay) {
  stepTimer_ = loop_.AddTimer(loop_.Now() + delay, [this] {
    stepTimer_.reset();
    RunNextStep();
  });
}

void SimMenuTracking::RunNextStep() {
  if (!session_ || session_->Finished()) return;
  if (steps_.empty()) {
    session_->Cancel();
    Finish("no more steps");
    return;
  }
  SimMenuStep step = std::move(steps_.front());
  steps_.pop_front();
  if (!Perform(step)) {
    session_->Cancel();
    Finish("the step could not be carried out");
    return;
  }
  if (session_->Finished()) {
    loop_.Quit();
    return;
  }
  ScheduleNextStep(step.kind == SimMenuStep::Kind::kWait ? step.seconds : 0);
}

void SimMenuTracking::SyncLevels() {
  // Menus that went away while open, and everything below them, are gone
  // from the screen.
  const std::vector<MenuRef> open = session_->OpenMenus();
  for (std::size_t i = 0; i < levels_.size(); ++i) {
    if (std::find(open.begin(), open.end(), levels_[i].menu) == open.end()) {
      levels_.resize(i);
      break;
    }
    if (levels_[i].highlighted > CountMenuItems(levels_[i].menu)) levels_[i].highlighted = 0;
  }
}

void SimMenuTracking::CloseBelow(std::size_t level) {
  if (level + 1 >= levels_.size()) return;
  MenuRef first = levels_[level + 1].menu;
  for (std::size_t i = levels_.size(); i-- > level + 1;)
    Transcribe(Fmt("menu %d closed", GetMenuID(levels_[i].menu)));
  levels_.resize(level + 1);
  session_->Closed(first);
}

void SimMenuTracking::Highlight(std::size_t level, MenuItemIndex item) {
  Level& l = levels_[level];
  if (l.highlighted == item) return;
  CloseBelow(level);
  MenuRef menu = l.menu;
  const MenuItemIndex old = l.highlighted;
  l.highlighted = item;
  if (item)
    Transcribe(Fmt("menu %d item %u \"%s\" highlighted", GetMenuID(menu), item,
                   ItemText(menu, item).c_str()));
  else
    Transcribe(Fmt("menu %d: no item highlighted", GetMenuID(menu)));
  session_->TargetItem(menu, item);
  if (old && old <= CountMenuItems(menu)) {
    Transcribe(Fmt("menu %d item %u drawn normal", GetMenuID(menu), old));
    session_->DrawItem(menu, old, kThemeMenuActive);
  }
  if (item && item <= CountMenuItems(menu)) {
    Transcribe(Fmt("menu %d item %u drawn selected", GetMenuID(menu), item));
    session_->DrawItem(menu, item, kThemeMenuSelected);
  }
}

bool SimMenuTracking::OpenSubmenu(std::size_t level) {
  CloseBelow(level);
  const Level l = levels_[level];
  MenuRef submenu = nullptr;
  if (!l.highlighted || GetMenuItemHierarchicalMenu(l.menu, l.highlighted, &submenu) != noErr ||
      !submenu) {
    Transcribe(
        Fmt("menu tracking: menu %d item %u has no submenu", GetMenuID(l.menu), l.highlighted));
    return false;
  }
  session_->Opened(submenu);
  SyncLevels();
  const std::vector<MenuRef> open = session_->OpenMenus();
  if (std::find(open.begin(), open.end(), submenu) == open.end()) return false;
  levels_.push_back(Level{submenu, 0});
  Transcribe(Fmt("menu %d opened from menu %d item %u", GetMenuID(submenu), GetMenuID(l.menu),
                 l.highlighted));
  // The submenu was filled as it opened: it is drawn as it is now.
  if (const UInt16 n = CountMenuItems(submenu)) {
    Transcribe(Fmt("menu %d drawn: items 1-%u", GetMenuID(submenu), n));
    for (UInt16 i = 1; i <= n && !session_->Finished(); ++i)
      session_->DrawItem(submenu, i, kThemeMenuActive);
  }
  return true;
}

bool SimMenuTracking::Walk(const std::vector<std::string>& path, bool openLast) {
  for (std::size_t depth = 0; depth < path.size(); ++depth) {
    SyncLevels();
    if (depth >= levels_.size()) return false;
    const MenuItemIndex item = FindItem(levels_[depth].menu, path[depth]);
    if (!item) {
      Transcribe(Fmt("menu tracking: no item \"%s\" in menu %d", path[depth].c_str(),
                     GetMenuID(levels_[depth].menu)));
      return false;
    }
    Highlight(depth, item);
    const bool last = depth + 1 == path.size();
    if (!last || openLast) {
      if (levels_.size() > depth + 1) continue;  // already open from this item
      if (!OpenSubmenu(depth)) return false;
    }
    if (session_->Finished()) return true;
  }
  return true;
}

bool SimMenuTracking::Perform(const SimMenuStep& step) {
  SyncLevels();
  if (levels_.empty()) return false;
  switch (step.kind) {
    case SimMenuStep::Kind::kHighlight: return Walk(step.path, false);
    case SimMenuStep::Kind::kOpen: return Walk(step.path, true);
    case SimMenuStep::Kind::kOff: Highlight(levels_.size() - 1, 0); return true;
    case SimMenuStep::Kind::kModifiers:
      input_.modifiers = step.value;
      Transcribe("menu modifiers: " + ModifierNames(step.value));
      session_->Key(kEventRawKeyModifiersChanged, 0, step.value);
      return true;
    case SimMenuStep::Kind::kKey:
      Transcribe(Fmt("menu key %s %u (modifiers %s)", step.repeat ? "repeat" : "down", step.value,
                     ModifierNames(input_.modifiers).c_str()));
      session_->Key(step.repeat ? kEventRawKeyRepeat : kEventRawKeyDown, step.value,
                    input_.modifiers);
      if (!step.repeat && step.value == kEscapeKeyCode && !session_->Finished()) {
        session_->Cancel();
        Transcribe("menu cancelled: the user pressed Escape");
      }
      return true;
    case SimMenuStep::Kind::kChoose: {
      if (!step.path.empty() && !Walk(step.path, false)) return false;
      SyncLevels();
      const Level& innermost = levels_.back();
      if (!innermost.highlighted) {
        Transcribe("menu cancelled: released on no item");
        session_->Cancel();
        return true;
      }
      Transcribe(Fmt("menu chosen: menu %d item %u \"%s\"", GetMenuID(innermost.menu),
                     innermost.highlighted,
                     ItemText(innermost.menu, innermost.highlighted).c_str()));
      session_->Choose(innermost.menu, innermost.highlighted);
      return true;
    }
    case SimMenuStep::Kind::kCancel:
      Transcribe("menu cancelled: the user dismissed the menu");
      session_->Cancel();
      return true;
    case SimMenuStep::Kind::kWait: return true;
    case SimMenuStep::Kind::kDo:
      Transcribe("menu tracking: meanwhile " + step.description);
      if (step.action) step.action();
      return true;
  }
  return true;
}
