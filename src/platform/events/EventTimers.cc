// Event loop timers on the host's run loop.
//
// The host timer refers to its Event Manager timer by number, never by
// pointer, so a timer removed (even from inside its own callback) leaves
// nothing behind that could fire into freed memory.
#include <map>
#include <memory>
#include <optional>

#include "platform/events/EventsInternal.h"
#include "platform/host/Host.h"
#include "platform/host/Transcript.h"

struct OpaqueEventLoopTimerRef {
  UInt32 number = 0;
  EventLoopTimerUPP proc = nullptr;
  void* userData = nullptr;
  EventTimerInterval interval = 0;
  double due = 0;
  HostRunLoop* loop = nullptr;  // the loop the pending host timer is on
  std::optional<HostRunLoop::TimerId> hostTimer;
};

namespace {

UInt32 gNextTimerNumber = 1;

// Every timer not yet removed, by number. Freed at exit, which covers the
// one-shot timers whose owners never remove them.
std::map<UInt32, std::unique_ptr<OpaqueEventLoopTimerRef>>& Timers() {
  static std::map<UInt32, std::unique_ptr<OpaqueEventLoopTimerRef>> timers;
  return timers;
}

bool IsLive(EventLoopTimerRef timer) {
  if (!timer) return false;
  auto it = Timers().find(timer->number);
  return it != Timers().end() && it->second.get() == timer;
}

void Cancel(OpaqueEventLoopTimerRef& timer) {
  // A host installed since the timer was armed knows nothing of it.
  if (timer.hostTimer && timer.loop == CurrentHost().runLoop)
    timer.loop->CancelTimer(*timer.hostTimer);
  timer.hostTimer.reset();
  timer.loop = nullptr;
}

void Fire(UInt32 number);

void Arm(OpaqueEventLoopTimerRef& timer, double due) {
  Cancel(timer);
  HostRunLoop* loop = CurrentHost().runLoop;
  if (!loop) return;
  timer.due = due;
  timer.loop = loop;
  timer.hostTimer = loop->AddTimer(due, [number = timer.number] { Fire(number); });
}

void Fire(UInt32 number) {
  auto it = Timers().find(number);
  if (it == Timers().end()) return;
  OpaqueEventLoopTimerRef& timer = *it->second;
  timer.hostTimer.reset();
  timer.loop = nullptr;
  // Re-armed before the callback runs, so that the callback may change the
  // next fire time or remove the timer and have the last word.
  if (timer.interval > 0) {
    double now = GetCurrentEventTime();
    double next = timer.due + timer.interval;
    Arm(timer, next < now ? now : next);
  }
  Transcribe(Fmt("timer %u fired", number));
  timer.proc(&timer, timer.userData);
}

}  // namespace

OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                               void* inTimerData, EventLoopTimerRef* outTimer) {
  if (!inEventLoop || inEventLoop != GetMainEventLoop() || !inTimerProc || !outTimer)
    return paramErr;
  if (!CurrentHost().runLoop) return eventInternalErr;
  auto timer = std::make_unique<OpaqueEventLoopTimerRef>();
  timer->number = gNextTimerNumber++;
  timer->proc = inTimerProc;
  timer->userData = inTimerData;
  timer->interval = inInterval > 0 ? inInterval : 0;
  OpaqueEventLoopTimerRef& t = *timer;
  Timers().emplace(t.number, std::move(timer));

  std::string line = Fmt("timer %u installed: ", t.number);
  line += inFireDelay < 0 ? std::string("never") : events::SecondsText(inFireDelay) + "s";
  if (t.interval > 0) line += " every " + events::SecondsText(t.interval) + "s";
  Transcribe(line);
  if (inFireDelay >= 0) Arm(t, GetCurrentEventTime() + inFireDelay);
  *outTimer = &t;
  return noErr;
}

OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer) {
  if (!IsLive(inTimer)) return paramErr;
  Cancel(*inTimer);
  Transcribe(Fmt("timer %u removed", inTimer->number));
  Timers().erase(inTimer->number);
  return noErr;
}

OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire) {
  if (!IsLive(inTimer)) return paramErr;
  if (inNextFire < 0) {
    Cancel(*inTimer);
    return noErr;
  }
  if (!CurrentHost().runLoop) return eventInternalErr;
  Arm(*inTimer, GetCurrentEventTime() + inNextFire);
  return noErr;
}
