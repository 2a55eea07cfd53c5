#include "hosts/sim/SimRunLoop.h"

HostRunLoop::TimerId SimRunLoop::AddTimer(double due, std::function<void()> fire) {
  TimerId id = nextId_++;
  if (due < now_) due = now_;
  queue_.emplace(std::make_pair(due, id), std::move(fire));
  dueOf_[id] = due;
  return id;
}

void SimRunLoop::CancelTimer(TimerId id) {
  auto it = dueOf_.find(id);
  if (it == dueOf_.end()) return;
  queue_.erase({it->second, id});
  dueOf_.erase(it);
}

bool SimRunLoop::FireNext() {
  if (queue_.empty()) return false;
  auto it = queue_.begin();
  auto [key, fire] = std::move(*it);
  queue_.erase(it);
  dueOf_.erase(key.second);
  if (key.first > now_) now_ = key.first;
  fire();
  return true;
}

double SimRunLoop::NextDue() const {
  return queue_.empty() ? -1.0 : queue_.begin()->first.first - now_;
}

void SimRunLoop::Advance(double seconds) {
  double target = now_ + seconds;
  while (!queue_.empty() && queue_.begin()->first.first <= target) FireNext();
  if (target > now_) now_ = target;
}

void SimRunLoop::Run() {
  ++depth_;
  // A Quit ends the innermost running level; when nothing is pending the
  // simulated desktop has nothing more to say, so every level returns.
  while (quitRequests_ == 0 && !stopping_ && FireNext()) {
  }
  if (quitRequests_ > 0) --quitRequests_;
  if (--depth_ == 0) stopping_ = false;
}

void SimRunLoop::Quit() {
  if (depth_ > 0) ++quitRequests_;
}
