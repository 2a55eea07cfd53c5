// The application event loop and the event queue, both on the host's run
// loop: the layer never owns a loop of its own.
#include <deque>
#include <optional>

#include "platform/events/EventsInternal.h"
#include "platform/host/Host.h"

struct OpaqueEventLoopRef {};

struct OpaqueEventQueueRef {
  struct Entry {
    EventPriority priority;
    EventRef event;
  };
  std::deque<Entry> entries;
  // The pending host timer that delivers the first entry, if any.
  HostRunLoop* drainLoop = nullptr;
  HostRunLoop::TimerId drainTimer = 0;
};

namespace {

OpaqueEventLoopRef gMainLoop;
OpaqueEventQueueRef gMainQueue;

void ScheduleDrain();

void DeliverFirst() {
  gMainQueue.drainLoop = nullptr;
  if (gMainQueue.entries.empty()) return;
  EventRef event = gMainQueue.entries.front().event;
  gMainQueue.entries.pop_front();
  event->queued = false;
  // The rest is scheduled before dispatch: a handler that runs a modal loop
  // (menu tracking) must still receive what was queued behind its event.
  ScheduleDrain();
  EventTargetRef target = GetUserFocusEventTarget();
  EventTargetRef posted = nullptr;
  if (GetEventParameter(event, kEventParamPostTarget, typeEventTargetRef, nullptr, sizeof posted,
                        nullptr, &posted) == noErr &&
      posted)
    target = posted;
  (void)SendEventToEventTarget(event, target);
  ReleaseEvent(event);
}

void ScheduleDrain() {
  HostRunLoop* loop = CurrentHost().runLoop;
  if (gMainQueue.entries.empty() || !loop) return;
  if (gMainQueue.drainLoop == loop) return;
  gMainQueue.drainLoop = loop;
  gMainQueue.drainTimer = loop->AddTimer(loop->Now(), DeliverFirst);
}

}  // namespace

EventLoopRef GetCurrentEventLoop() { return &gMainLoop; }
EventLoopRef GetMainEventLoop() { return &gMainLoop; }

EventTime GetCurrentEventTime() {
  HostRunLoop* loop = CurrentHost().runLoop;
  return loop ? loop->Now() : 0;
}

void RunApplicationEventLoop() {
  if (HostRunLoop* loop = CurrentHost().runLoop) loop->Run();
}

void QuitApplicationEventLoop() {
  if (HostRunLoop* loop = CurrentHost().runLoop) loop->Quit();
}

OSStatus RunCurrentEventLoop(EventTimeout inTimeout) {
  HostRunLoop* loop = CurrentHost().runLoop;
  if (!loop) return eventInternalErr;
  bool timedOut = false;
  std::optional<HostRunLoop::TimerId> timer;
  if (inTimeout >= 0)
    timer = loop->AddTimer(loop->Now() + inTimeout, [&timedOut, loop] {
      timedOut = true;
      loop->Quit();
    });
  loop->Run();
  if (timer && !timedOut) loop->CancelTimer(*timer);
  return timedOut ? eventLoopTimedOutErr : eventLoopQuitErr;
}

OSStatus QuitEventLoop(EventLoopRef inEventLoop) {
  if (inEventLoop != &gMainLoop) return paramErr;
  QuitApplicationEventLoop();
  return noErr;
}

// ------------------------------------------------------------------- queue

EventQueueRef GetCurrentEventQueue() { return &gMainQueue; }
EventQueueRef GetMainEventQueue() { return &gMainQueue; }

OSStatus PostEventToQueue(EventQueueRef inQueue, EventRef inEvent, EventPriority inPriority) {
  if (inQueue != &gMainQueue || !inEvent) return paramErr;
  if (inEvent->queued) return eventAlreadyPostedErr;
  if (!CurrentHost().runLoop) return eventInternalErr;
  auto& entries = gMainQueue.entries;
  auto at = entries.begin();
  while (at != entries.end() && at->priority >= inPriority) ++at;
  entries.insert(at, {inPriority, RetainEvent(inEvent)});
  inEvent->queued = true;
  ScheduleDrain();
  return noErr;
}

OSStatus RemoveEventFromQueue(EventQueueRef inQueue, EventRef inEvent) {
  if (inQueue != &gMainQueue || !inEvent) return paramErr;
  auto& entries = gMainQueue.entries;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->event == inEvent) {
      entries.erase(it);
      inEvent->queued = false;
      ReleaseEvent(inEvent);
      return noErr;
    }
  }
  return eventNotInQueueErr;
}

Boolean IsEventInQueue(EventQueueRef inQueue, EventRef inEvent) {
  return inQueue == &gMainQueue && inEvent && inEvent->queued;
}

ItemCount GetNumEventsInQueue(EventQueueRef inQueue) {
  return inQueue == &gMainQueue ? gMainQueue.entries.size() : 0;
}
