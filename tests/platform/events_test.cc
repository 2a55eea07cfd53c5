#include "platform/events/Events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "platform/events/Notifications.h"

namespace {

bool HasLine(const SimRecorder& r, const std::string& line) {
  return std::find(r.lines.begin(), r.lines.end(), line) != r.lines.end();
}

// ------------------------------------------------------------ parameters

struct EventHolder {
  EventRef event = nullptr;
  explicit EventHolder(UInt32 cls = kEventClassKeyboard, UInt32 kind = kEventRawKeyDown) {
    EXPECT_EQ(CreateEvent(nullptr, cls, kind, 0, kEventAttributeNone, &event), noErr);
  }
  ~EventHolder() { ReleaseEvent(event); }
  operator EventRef() const { return event; }
};

TEST(EventParameters, MissingWrongTypeAndShortBufferAllFail) {
  EventHolder e;
  UInt32 value = 0xDEADBEEF;
  EXPECT_EQ(
      GetEventParameter(e, kEventParamKeyCode, typeUInt32, nullptr, sizeof value, nullptr, &value),
      eventParameterNotFoundErr);

  const UInt32 escape = 53;
  ASSERT_EQ(SetEventParameter(e, kEventParamKeyCode, typeUInt32, sizeof escape, &escape), noErr);
  EventParamType actualType = 0;
  ByteCount actualSize = 0;
  EXPECT_EQ(GetEventParameter(e, kEventParamKeyCode, typeUInt32, &actualType, sizeof value,
                              &actualSize, &value),
            noErr);
  EXPECT_EQ(value, 53u);
  EXPECT_EQ(actualType, typeUInt32);
  EXPECT_EQ(actualSize, 4u);

  SInt16 wrong = 7;
  EXPECT_EQ(
      GetEventParameter(e, kEventParamKeyCode, typeSInt16, nullptr, sizeof wrong, nullptr, &wrong),
      errAECoercionFail);
  EXPECT_EQ(wrong, 7);

  // A buffer too small copies nothing but tells the size needed.
  UInt8 small[2] = {0xAA, 0xAA};
  actualSize = 0;
  EXPECT_EQ(GetEventParameter(e, kEventParamKeyCode, typeWildCard, &actualType, sizeof small,
                              &actualSize, small),
            errAEBufferTooSmall);
  EXPECT_EQ(small[0], 0xAA);
  EXPECT_EQ(small[1], 0xAA);
  EXPECT_EQ(actualSize, 4u);

  // Setting a parameter again replaces its type and data.
  const HIPoint where{12.5f, 40.0f};
  ASSERT_EQ(SetEventParameter(e, kEventParamKeyCode, typeHIPoint, sizeof where, &where), noErr);
  EXPECT_EQ(
      GetEventParameter(e, kEventParamKeyCode, typeUInt32, nullptr, sizeof value, nullptr, &value),
      errAECoercionFail);
  HIPoint back;
  EXPECT_EQ(
      GetEventParameter(e, kEventParamKeyCode, typeHIPoint, nullptr, sizeof back, nullptr, &back),
      noErr);
  EXPECT_EQ(back.x, 12.5f);
  EXPECT_EQ(back.y, 40.0f);
}

TEST(EventParameters, CopiesAreIndependentAndCountsHold) {
  EventHolder e(kEventClassMenu, kEventMenuTargetItem);
  const MenuItemIndex item = 3;
  ASSERT_EQ(SetEventParameter(e, kEventParamMenuItemIndex, typeMenuItemIndex, sizeof item, &item),
            noErr);
  EventRef copy = CopyEvent(e);
  ASSERT_NE(copy, nullptr);
  const MenuItemIndex other = 9;
  ASSERT_EQ(
      SetEventParameter(copy, kEventParamMenuItemIndex, typeMenuItemIndex, sizeof other, &other),
      noErr);
  MenuItemIndex read = 0;
  ASSERT_EQ(GetEventParameter(e, kEventParamMenuItemIndex, typeMenuItemIndex, nullptr, sizeof read,
                              nullptr, &read),
            noErr);
  EXPECT_EQ(read, 3);
  EXPECT_EQ(GetEventClass(copy), kEventClassMenu);
  EXPECT_EQ(GetEventKind(copy), kEventMenuTargetItem);
  EXPECT_EQ(RetainEvent(copy), copy);
  EXPECT_EQ(GetEventRetainCount(copy), 2u);
  ReleaseEvent(copy);
  ReleaseEvent(copy);
}

// -------------------------------------------------------------- dispatch

struct Step {
  explicit Step(std::string n) : name(std::move(n)) {}
  std::string name;
  OSStatus result = eventNotHandledErr;
  bool callNext = false;
  std::vector<std::string>* log = nullptr;
  std::function<void()> action;
};

OSStatus Record(EventHandlerCallRef call, EventRef event, void* userData) {
  auto* step = static_cast<Step*>(userData);
  step->log->push_back(step->name);
  if (step->action) step->action();
  if (step->callNext) {
    OSStatus next = CallNextEventHandler(call, event);
    step->log->push_back(step->name + " got " + std::to_string(next));
  }
  return step->result;
}

class EventDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateEventTarget(nullptr, "window 1");
    menu = CreateEventTarget(window, "menu 3");
  }
  void TearDown() override {
    DisposeEventTarget(menu);
    DisposeEventTarget(window);
  }
  EventHandlerRef Install(EventTargetRef target, Step& step, UInt32 kind = kEventRawKeyDown) {
    step.log = &log;
    EventTypeSpec type{kEventClassKeyboard, kind};
    EventHandlerRef ref = nullptr;
    EXPECT_EQ(InstallEventHandler(target, Record, 1, &type, &step, &ref), noErr);
    return ref;
  }
  OSStatus Send(EventTargetRef target, UInt32 kind = kEventRawKeyDown) {
    EventHolder e(kEventClassKeyboard, kind);
    return SendEventToEventTarget(e, target);
  }

  SimDesktop desktop;
  EventTargetRef window = nullptr;
  EventTargetRef menu = nullptr;
  std::vector<std::string> log;
};

TEST_F(EventDispatch, NewestFirstThenParentAndStopsWhenHandled) {
  Step parent{"window"}, older{"older"}, newer{"newer"}, otherKind{"other kind"};
  parent.result = noErr;
  Install(window, parent);
  Install(menu, older);
  Install(menu, newer);
  Install(menu, otherKind, kEventRawKeyUp);
  EXPECT_TRUE(HasLine(desktop.recorder, "handler installed: menu 3 'keyb'/1"));
  EXPECT_TRUE(HasLine(desktop.recorder, "handler installed: window 1 'keyb'/1"));

  EXPECT_EQ(Send(menu), noErr);
  EXPECT_EQ(log, (std::vector<std::string>{"newer", "older", "window"}));

  log.clear();
  newer.result = -1;  // a refusal is a result like any other: the chain stops
  EXPECT_EQ(Send(menu), -1);
  EXPECT_EQ(log, std::vector<std::string>{"newer"});

  log.clear();
  EXPECT_EQ(Send(menu, kEventRawKeyRepeat), eventNotHandledErr);
  EXPECT_TRUE(log.empty());
}

TEST_F(EventDispatch, CallNextRunsTheRestOnce) {
  Step parent{"window"}, inner{"inner"}, outer{"outer"};
  parent.result = 42;
  outer.callNext = true;
  outer.result = eventNotHandledErr;  // after calling next, passing on must not repeat the rest
  Install(window, parent);
  Install(menu, inner);
  Install(menu, outer);
  EXPECT_EQ(Send(menu), eventNotHandledErr);
  EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner", "window", "outer got 42"}));

  // Outside any handler a call reference means nothing.
  EventHolder e;
  EXPECT_EQ(CallNextEventHandler(nullptr, e), paramErr);
}

TEST_F(EventDispatch, RemovingAndInstallingDuringDispatch) {
  Step late{"late"}, remover{"remover"}, added{"added"};
  EventHandlerRef lateRef = Install(menu, late);
  EventHandlerRef removerRef = Install(menu, remover);
  remover.action = [&] {
    EXPECT_EQ(RemoveEventHandler(lateRef), noErr);
    EXPECT_EQ(RemoveEventHandler(removerRef), noErr);  // itself, while running
    Install(menu, added);
  };
  EXPECT_EQ(Send(menu), eventNotHandledErr);
  EXPECT_EQ(log, std::vector<std::string>{"remover"});
  EXPECT_TRUE(HasLine(desktop.recorder, "handler removed: menu 3 'keyb'/1"));

  log.clear();
  EXPECT_EQ(Send(menu), eventNotHandledErr);
  EXPECT_EQ(log, std::vector<std::string>{"added"});
  EXPECT_EQ(RemoveEventHandler(lateRef), paramErr);
}

TEST_F(EventDispatch, DisposedTargetsPassEventsToTheirParent) {
  EventTargetRef item = CreateEventTarget(menu, "menu 4");
  Step parent{"window"}, own{"menu 3"}, selfDisposing{"menu 4"};
  Install(window, parent);
  Install(menu, own);
  Install(item, selfDisposing);
  selfDisposing.action = [&] { DisposeEventTarget(item); };
  EXPECT_EQ(Send(item), eventNotHandledErr);
  EXPECT_EQ(log, (std::vector<std::string>{"menu 4", "menu 3", "window"}));
  EXPECT_EQ(Send(item), paramErr);  // gone

  EventTargetRef child = CreateEventTarget(menu, "menu 5");
  DisposeEventTarget(menu);
  menu = nullptr;
  log.clear();
  EXPECT_EQ(Send(child), eventNotHandledErr);
  EXPECT_EQ(log, std::vector<std::string>{"window"});
  DisposeEventTarget(child);
}

// ---------------------------------------------------------------- timers

struct Fired {
  explicit Fired(std::string n) : name(std::move(n)) {}
  std::vector<std::pair<std::string, double>>* log = nullptr;
  std::string name;
  int removeAfter = 0;  // remove the timer from inside its callback after n fires
  int count = 0;
};

void TimerFired(EventLoopTimerRef timer, void* userData) {
  auto* f = static_cast<Fired*>(userData);
  f->log->push_back({f->name, GetCurrentEventTime()});
  if (++f->count == f->removeAfter) {
    EXPECT_EQ(RemoveEventLoopTimer(timer), noErr);
  }
}

class EventTimers : public ::testing::Test {
 protected:
  EventLoopTimerRef Install(Fired& f, double delay, double interval = 0) {
    f.log = &log;
    EventLoopTimerRef t = nullptr;
    EXPECT_EQ(InstallEventLoopTimer(GetCurrentEventLoop(), delay, interval, TimerFired, &f, &t),
              noErr);
    return t;
  }
  SimDesktop desktop;
  std::vector<std::pair<std::string, double>> log;
};

TEST_F(EventTimers, FireInDueOrderOnTheVirtualClock) {
  Fired a{"a"}, b{"b"}, c{"c"};
  EventLoopTimerRef ta = Install(a, 2.0);
  EventLoopTimerRef tb = Install(b, 1.0 / 3);
  EventLoopTimerRef tc = Install(c, 1.0 / 3);
  desktop.runLoop.Advance(1.0);
  EXPECT_EQ(log, (std::vector<std::pair<std::string, double>>{{"b", 1.0 / 3}, {"c", 1.0 / 3}}));
  desktop.runLoop.Advance(5.0);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[2], (std::pair<std::string, double>{"a", 2.0}));
  EXPECT_TRUE(std::any_of(
      desktop.recorder.lines.begin(), desktop.recorder.lines.end(),
      [](const std::string& l) { return l.find("installed: 0.333s") != std::string::npos; }));
  // Fired one-shot timers stay valid until removed.
  EXPECT_EQ(RemoveEventLoopTimer(ta), noErr);
  EXPECT_EQ(RemoveEventLoopTimer(tb), noErr);
  EXPECT_EQ(RemoveEventLoopTimer(tc), noErr);
  EXPECT_EQ(RemoveEventLoopTimer(tc), paramErr);
}

TEST_F(EventTimers, RepeatingUntilRemovedEvenFromItsOwnCallback) {
  Fired once{"once"}, every{"every"}, self{"self"};
  self.removeAfter = 2;
  EventLoopTimerRef tOnce = Install(once, 0.5);
  EventLoopTimerRef tEvery = Install(every, 1.0, 1.0);
  Install(self, 0.25, 0.5);
  desktop.runLoop.Advance(3.5);
  auto times = [&](const std::string& name) {
    std::vector<double> out;
    for (auto& [n, t] : log)
      if (n == name) out.push_back(t);
    return out;
  };
  EXPECT_EQ(times("once"), std::vector<double>{0.5});
  EXPECT_EQ(times("every"), (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(times("self"), (std::vector<double>{0.25, 0.75}));

  EXPECT_EQ(RemoveEventLoopTimer(tEvery), noErr);
  log.clear();
  desktop.runLoop.Advance(10);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(desktop.runLoop.PendingTimers(), 0u);

  // A fired one-shot can be armed again, and disarmed with "forever".
  EXPECT_EQ(SetEventLoopTimerNextFireTime(tOnce, 2.0), noErr);
  EXPECT_EQ(SetEventLoopTimerNextFireTime(tOnce, kEventDurationForever), noErr);
  desktop.runLoop.Advance(5);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(SetEventLoopTimerNextFireTime(tOnce, 1.0), noErr);
  desktop.runLoop.Advance(5);
  EXPECT_EQ(times("once"), std::vector<double>{19.5});
  EXPECT_EQ(RemoveEventLoopTimer(tOnce), noErr);
}

TEST_F(EventTimers, RemovedBeforeDueNeverFiresAndNoLoopIsAnError) {
  Fired f{"f"};
  EventLoopTimerRef t = Install(f, 1.0);
  EXPECT_EQ(RemoveEventLoopTimer(t), noErr);
  desktop.runLoop.Advance(2);
  EXPECT_TRUE(log.empty());

  Host bare;
  Host* previous = InstallHost(&bare);
  EventLoopTimerRef none = nullptr;
  EXPECT_EQ(InstallEventLoopTimer(GetCurrentEventLoop(), 1, 0, TimerFired, &f, &none),
            eventInternalErr);
  EXPECT_EQ(none, nullptr);
  InstallHost(previous);
}

void QuitNow(EventLoopTimerRef, void*) { QuitApplicationEventLoop(); }

TEST_F(EventTimers, ApplicationLoopRunsUntilQuit) {
  Fired later{"later"};
  EventLoopTimerRef quit = nullptr;
  ASSERT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 1.0, 0, QuitNow, nullptr, &quit), noErr);
  EventLoopTimerRef t = Install(later, 2.0);
  RunApplicationEventLoop();
  EXPECT_EQ(GetCurrentEventTime(), 1.0);
  EXPECT_TRUE(log.empty());

  EXPECT_EQ(RunCurrentEventLoop(0.5), eventLoopTimedOutErr);
  EXPECT_EQ(GetCurrentEventTime(), 1.5);
  EXPECT_TRUE(log.empty());
  RunApplicationEventLoop();  // the simulated desktop returns once nothing is left
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(RemoveEventLoopTimer(quit), noErr);
  EXPECT_EQ(RemoveEventLoopTimer(t), noErr);
}

// ------------------------------------------------------------------ queue

TEST_F(EventDispatch, QueuedEventsArriveLaterByPriority) {
  Step focus{"focus"}, posted{"posted"};
  Install(menu, focus, kEventRawKeyDown);
  Install(window, posted, kEventRawKeyUp);
  SetUserFocusEventTarget(menu);

  EventHolder standard(kEventClassKeyboard, kEventRawKeyDown);
  EventHolder high(kEventClassKeyboard, kEventRawKeyUp);
  EventTargetRef to = window;
  ASSERT_EQ(SetEventParameter(high, kEventParamPostTarget, typeEventTargetRef, sizeof to, &to),
            noErr);
  EXPECT_EQ(PostEventToQueue(GetCurrentEventQueue(), standard, kEventPriorityStandard), noErr);
  EXPECT_EQ(PostEventToQueue(GetCurrentEventQueue(), standard, kEventPriorityStandard),
            eventAlreadyPostedErr);
  EXPECT_EQ(PostEventToQueue(GetMainEventQueue(), high, kEventPriorityHigh), noErr);
  EXPECT_TRUE(log.empty());  // nothing is dispatched while posting
  EXPECT_EQ(GetNumEventsInQueue(GetCurrentEventQueue()), 2u);
  desktop.runLoop.Advance(0);
  EXPECT_EQ(log, (std::vector<std::string>{"posted", "focus"}));
  EXPECT_FALSE(IsEventInQueue(GetCurrentEventQueue(), standard));

  log.clear();
  ASSERT_EQ(PostEventToQueue(GetCurrentEventQueue(), standard, kEventPriorityLow), noErr);
  EXPECT_EQ(RemoveEventFromQueue(GetCurrentEventQueue(), standard), noErr);
  EXPECT_EQ(RemoveEventFromQueue(GetCurrentEventQueue(), standard), eventNotInQueueErr);
  desktop.runLoop.Advance(0);
  EXPECT_TRUE(log.empty());
  SetUserFocusEventTarget(nullptr);
  EXPECT_EQ(GetUserFocusEventTarget(), GetApplicationEventTarget());
}

// ---------------------------------------------------------- notifications

struct Observer {
  Observer(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
  std::string name;
  std::vector<std::string>* log;
  std::function<void()> action;
};

void Observe(CFNotificationCenterRef, void* observer, CFNotificationName name, const void*,
             CFDictionaryRef) {
  auto* o = static_cast<Observer*>(observer);
  o->log->push_back(o->name + ": " + CFStringToUTF8(name));
  if (o->action) o->action();
}

TEST(Notifications, DeliveredInOrderAndSafelyReentrant) {
  SimDesktop desktop;
  CFNotificationCenterRef center = CFNotificationCenterGetDistributedCenter();
  std::vector<std::string> log;
  CFStringRef begin = CFSTR("com.apple.HIToolbox.beginMenuTrackingNotification");
  CFStringRef end = CFSTR("com.apple.HIToolbox.endMenuTrackingNotification");
  Observer first{"first", &log}, second{"second", &log}, all{"all", &log};
  CFNotificationCenterAddObserver(center, &first, Observe, begin, nullptr,
                                  kCFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, &all, Observe, nullptr, nullptr,
                                  kCFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, &second, Observe, end, nullptr,
                                  kCFNotificationSuspensionBehaviorDeliverImmediately);
  EXPECT_TRUE(HasLine(desktop.recorder,
                      "observer added: com.apple.HIToolbox.beginMenuTrackingNotification"));
  EXPECT_TRUE(HasLine(desktop.recorder, "observer added: (all)"));

  // The first observer answers "begin" with "end" at once, which is
  // delivered completely before "begin" goes on to the others; the
  // catch-all observer, removed meanwhile, gets nothing more.
  first.action = [&] {
    CFNotificationCenterPostNotification(center, end, nullptr, nullptr, true);
    CFNotificationCenterRemoveObserver(center, &all, nullptr, nullptr);
  };
  auto dynamicName = CFStringFromUTF8("com.apple.HIToolbox.beginMenuTrackingNotification");
  CFNotificationCenterPostNotification(center, dynamicName, nullptr, nullptr, true);
  EXPECT_EQ(log,
            (std::vector<std::string>{"first: com.apple.HIToolbox.beginMenuTrackingNotification",
                                      "all: com.apple.HIToolbox.endMenuTrackingNotification",
                                      "second: com.apple.HIToolbox.endMenuTrackingNotification"}));
  EXPECT_TRUE(HasLine(desktop.recorder,
                      "notification posted: com.apple.HIToolbox.endMenuTrackingNotification"));

  CFNotificationCenterRemoveEveryObserver(center, &first);
  CFNotificationCenterRemoveEveryObserver(center, &second);
  log.clear();
  CFNotificationCenterPostNotification(center, begin, nullptr, nullptr, true);
  CFNotificationCenterPostNotification(center, end, nullptr, nullptr, true);
  EXPECT_TRUE(log.empty());
}

TEST(Notifications, ObjectsFilterOnTheDistributedCenter) {
  SimDesktop desktop;
  CFNotificationCenterRef center = CFNotificationCenterGetDistributedCenter();
  std::vector<std::string> log;
  Observer o{"o", &log};
  auto object = CFStringFromUTF8("com.talvik.korvane");
  CFNotificationCenterAddObserver(center, &o, Observe, CFSTR("n"), object,
                                  kCFNotificationSuspensionBehaviorDeliverImmediately);
  object.reset();  // the centre keeps its own reference
  CFNotificationCenterPostNotification(center, CFSTR("n"), CFSTR("other"), nullptr, true);
  EXPECT_TRUE(log.empty());
  CFNotificationCenterPostNotification(center, CFSTR("n"), CFSTR("com.talvik.korvane"), nullptr,
                                       true);
  EXPECT_EQ(log, std::vector<std::string>{"o: n"});
  CFNotificationCenterRemoveObserver(center, &o, CFSTR("n"), nullptr);
}

}  // namespace
