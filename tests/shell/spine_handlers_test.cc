// The application-level handlers that act in the agent shell: menu-tracking
// notifications, relaunch after termination, the script event, the private
// function table and child reaping.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "shell/AgentFixture.h"

namespace {

class HandlersTest : public agent_test::AgentTest {
 protected:
  ProcessSerialNumber AddProcess(const char* name) {
    SimProcess p;
    p.name = name;
    return desktop.processes.AddProcess(p);
  }
  std::size_t TimersInstalled() const {
    std::size_t n = 0;
    for (const std::string& line : Lines())
      if (line.rfind("timer ", 0) == 0 && line.find(" installed: ") != std::string::npos) ++n;
    return n;
  }
  // The number of the timer installed with the given delay text ("1s").
  std::optional<std::string> TimerInstalled(const std::string& delay) const {
    for (const std::string& line : Lines()) {
      const auto colon = line.find(" installed: ");
      if (line.rfind("timer ", 0) == 0 && colon != std::string::npos &&
          line.substr(colon + 12) == delay)
        return line.substr(0, colon);  // "timer N"
    }
    return std::nullopt;
  }
};

TEST_F(HandlersTest, ABeginNotificationOnlyMarksTrackingWithoutTheDockWorkaround) {
  InstallAppHandlers();
  desktop.PostDistributedNotification(kBeginMenuTrackingNotification);
  EXPECT_TRUE(gMenuTrackingActive);
  EXPECT_EQ(Count(std::string("notification posted: ") + kEndMenuTrackingNotification), 0u);
  desktop.PostDistributedNotification(kEndMenuTrackingNotification);
  EXPECT_FALSE(gMenuTrackingActive);
}

TEST_F(HandlersTest, WithTheDockWorkaroundABeginIsAnsweredAtOnceWithAnEnd) {
  InstallAppHandlers();
  gDockWorkaroundActive = true;
  desktop.PostDistributedNotification(kBeginMenuTrackingNotification);
  const auto begin = Find(std::string("notification posted: ") + kBeginMenuTrackingNotification);
  const auto end = Find(std::string("notification posted: ") + kEndMenuTrackingNotification);
  ASSERT_TRUE(begin && end);
  EXPECT_EQ(*end, *begin + 1) << "answered at once";
  EXPECT_FALSE(gMenuTrackingActive) << "the answer is observed like any end notification";
  EXPECT_TRUE(gDockWorkaroundActive) << "the flag is the pop-up's to clear";
}

TEST_F(HandlersTest, OnlyTheRequestedProcessIsRelaunchedOnceOneSecondLater) {
  InstallAppHandlers();
  const ProcessSerialNumber editor = AddProcess("TextEdit");
  const ProcessSerialNumber preview = AddProcess("Preview");
  const ProcessSerialNumber mail = AddProcess("Mail");
  gRelaunchProcess = editor;
  gRelaunchPending = true;

  // Another process ending leaves the request pending.
  ASSERT_EQ(desktop.processes.Terminate(preview), noErr);
  desktop.runLoop.Advance(5);
  EXPECT_TRUE(gRelaunchPending);
  EXPECT_FALSE(TimerInstalled("1s"));

  ASSERT_EQ(desktop.processes.Terminate(editor), noErr);
  desktop.runLoop.Advance(0);
  EXPECT_FALSE(gRelaunchPending);
  const auto timer = TimerInstalled("1s");
  ASSERT_TRUE(timer);
  const double ended = desktop.runLoop.Now();
  desktop.runLoop.Advance(0.999);
  EXPECT_EQ(Count(*timer + " fired"), 0u);
  desktop.runLoop.Advance(0.002);
  EXPECT_EQ(Count(*timer + " fired"), 1u);
  EXPECT_NEAR(desktop.runLoop.Now() - ended, 1.001, 1e-9);

  // Once: a later ending starts nothing.
  ASSERT_EQ(desktop.processes.Terminate(mail), noErr);
  desktop.runLoop.Advance(5);
  EXPECT_EQ(Count(*timer + " fired"), 1u);
  EXPECT_EQ(TimersInstalled(), 1u);
}

TEST_F(HandlersTest, WithoutARequestTerminationsAreIgnored) {
  InstallAppHandlers();
  const ProcessSerialNumber editor = AddProcess("TextEdit");
  gRelaunchProcess = editor;  // named, but not pending
  ASSERT_EQ(desktop.processes.Terminate(editor), noErr);
  desktop.runLoop.Advance(5);
  EXPECT_EQ(TimersInstalled(), 0u);
}

TEST_F(HandlersTest, TheScriptEventIsAnsweredWithoutErrorWhateverItHolds) {
  // Without the handler the event is refused: the test can tell.
  EXPECT_EQ(desktop.ReceiveAppleEvent(kAEMiscStandards, kAEDoScript, "x"), errAEEventNotHandled);
  InstallAppHandlers();
  for (const std::optional<std::string>& text :
       {std::optional<std::string>(), std::optional<std::string>("beep"),
        std::optional<std::string>(std::string(500, 'a')),
        std::optional<std::string>("\xE6\x97\xA5\xE6\x9C\xAC")}) {
    desktop.recorder.lines.clear();
    EXPECT_EQ(desktop.ReceiveAppleEvent(kAEMiscStandards, kAEDoScript, text), noErr);
    EXPECT_TRUE(Saw("apple event 'misc'/'dosc' replied: no error"));
  }
}

TEST_F(HandlersTest, TheSuppressionFunctionIsBoundUnderEitherSpelling) {
  desktop.privateFunctions.SetPresent({kSuppressionStateMisspelledName});
  LoadAPIAddresses(false);
  ASSERT_NE(gCGSetLocalEventsFilterDuringSuppressionState, nullptr);
  (void)gCGSetLocalEventsFilterDuringSuppressionState(7, 1);
  EXPECT_TRUE(Saw("private call: CGSetLocalEventsFilterDuringSupressionState(filter 7, state 1)"));

  // With both present, the proper spelling wins.
  ForgetAPIAddressesForTesting();
  desktop.privateFunctions.SetPresent({kSuppressionStateName, kSuppressionStateMisspelledName});
  LoadAPIAddresses(false);
  desktop.recorder.lines.clear();
  (void)gCGSetLocalEventsFilterDuringSuppressionState(7, 1);
  EXPECT_TRUE(Saw("private call: CGSetLocalEventsFilterDuringSuppressionState(filter 7, state 1)"));
  // The helper's binding stops there.
  EXPECT_EQ(g_CGSDefaultConnection, nullptr);
  EXPECT_EQ(gCGSSetWindowTags, nullptr);
}

TEST_F(HandlersTest, EachMissingFunctionStaysNullAndItsCallerSkipsIt) {
  desktop.privateFunctions.SetPresent(
      {kCoreDockIsDockRunningName, kCGSSetBackgroundEventMaskName, kCGSSetWindowTagsName});
  InstallAppHandlers();
  EXPECT_EQ(gCGSetLocalEventsFilterDuringSuppressionState, nullptr);
  EXPECT_NE(gCoreDockIsDockRunning, nullptr);
  EXPECT_EQ(gCoreDockGetAutoHideEnabled, nullptr);
  EXPECT_EQ(g_CGSDefaultConnection, nullptr);
  EXPECT_NE(gCGSSetBackgroundEventMask, nullptr);
  EXPECT_EQ(gCGSSetEventCapture, nullptr);
  EXPECT_EQ(gGetNativeWindowFromWindowRef, nullptr);
  EXPECT_NE(gCGSSetWindowTags, nullptr);
  // Without a connection the background mask is not set.
  EXPECT_EQ(desktop.privateFunctions.backgroundEventMask, 0);
  EXPECT_TRUE(Saw("private function _CGSDefaultConnection: not found"));
}

TEST_F(HandlersTest, WithEverythingBoundTheBackgroundMouseEventsAreAskedFor) {
  InstallAppHandlers();
  EXPECT_NE(gCGSSetEventCapture, nullptr);
  EXPECT_NE(gGetNativeWindowFromWindowRef, nullptr);
  EXPECT_EQ(desktop.privateFunctions.backgroundEventMask, 6);
}

TEST_F(HandlersTest, WithoutTheBundlesNothingIsBound) {
  desktop.privateFunctions.SetPresent({});
  InstallAppHandlers();
  EXPECT_EQ(gCGSetLocalEventsFilterDuringSuppressionState, nullptr);
  EXPECT_EQ(gCoreDockIsDockRunning, nullptr);
  EXPECT_EQ(gCGSSetWindowTags, nullptr);
  EXPECT_EQ(Count("private function "), 0u) << "no bundle, so no name is looked up";
}

TEST_F(HandlersTest, ChildrenEndingTogetherAreAllReaped) {
  InstallChildExitHandler();
  // Both ends are held back until both children are gone, so that they
  // reach the handler as one signal.
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGCHLD);
  ASSERT_EQ(sigprocmask(SIG_BLOCK, &block, &previous), 0);
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
  }
  for (pid_t child : children) {
    siginfo_t info;
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
  }
  const int savedErrno = errno = EDOM;
  ASSERT_EQ(sigprocmask(SIG_SETMASK, &previous, nullptr), 0);  // the handler runs here
  EXPECT_EQ(errno, savedErrno) << "the handler leaves errno alone";
  for (pid_t child : children) {
    EXPECT_EQ(waitpid(child, nullptr, WNOHANG), -1) << "already reaped";
    EXPECT_EQ(errno, ECHILD);
  }
  // The previous action was kept.
  struct sigaction now = {};
  ASSERT_EQ(sigaction(SIGCHLD, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, ChildExitHandler);
  EXPECT_NE(now.sa_flags & SA_RESTART, 0);
  EXPECT_NE(gPreviousChildAction.sa_handler, ChildExitHandler);
}

}  // namespace
