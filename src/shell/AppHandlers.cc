// Installing the application-level handlers, and the handlers that act here:
// menu-tracking notifications, relaunch after termination, display change,
// quit and the script event.
#include "shell/AppHandlers.h"

#include <vector>

#include "actions/OpenItems.h"
#include "bindings/Drops.h"
#include "bindings/HotKeys.h"
#include "common/PrivateFunctions.h"
#include "platform/host/Transcript.h"
#include "platform/processes/Processes.h"
#include "platform/windows/Screens.h"
#include "triggers/PointerTracking.h"
#include "triggers/TabWindows.h"

WindowRef gHotKeyDropWindow = nullptr;
WindowRef gParkedWindow = nullptr;
EventLoopRef gMainEventLoop = nullptr;
bool gMenuTrackingActive = false;
bool gDockWorkaroundActive = false;
bool gRelaunchPending = false;
ProcessSerialNumber gRelaunchProcess;
FSRef gRelaunchItem;

namespace {

// The application handlers installed here, kept only so that tests can take
// them away again.
std::vector<EventHandlerRef> gInstalledHandlers;
EventLoopTimerRef gRelaunchTimer = nullptr;

void InstallApplicationHandler(EventHandlerUPP handler, UInt32 eventClass, UInt32 eventKind) {
  const EventTypeSpec type = {eventClass, eventKind};
  EventHandlerRef installed = nullptr;
  if (InstallApplicationEventHandler(handler, 1, &type, nullptr, &installed) == noErr)
    gInstalledHandlers.push_back(installed);
}

}  // namespace

void InstallAppHandlers() {
  // Whether a menu is being tracked anywhere on the system.
  CFNotificationCenterRef center = CFNotificationCenterGetDistributedCenter();
  CFNotificationCenterAddObserver(center, kMenuTrackingObserver, MenuTrackingBeganCallback,
                                  CFSTR(kBeginMenuTrackingNotification), nullptr,
                                  kCFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, kMenuTrackingObserver, MenuTrackingEndedCallback,
                                  CFSTR(kEndMenuTrackingNotification), nullptr,
                                  kCFNotificationSuspensionBehaviorDeliverImmediately);
  InstallApplicationHandler(NewEventHandlerUPP(HotKeyPressedHandler), kEventClassKeyboard,
                            kEventHotKeyPressed);
  InstallApplicationHandler(NewEventHandlerUPP(AppTerminatedHandler), kEventClassApplication,
                            kEventAppTerminated);
  // Tabs are placed again whenever the displays change.
  ProcessSerialNumber self = {0, kCurrentProcess};
  if (DMRegisterExtendedNotifyProc(NewDMExtendedNotificationUPP(DisplayChangedProc), nullptr, 0,
                                   &self) == noErr)
    Transcribe("display notification procedure registered");
  (void)AEInstallEventHandler(kCoreEventClass, kAEQuitApplication,
                              NewAEEventHandlerUPP(QuitEventHandler), nullptr, false);
  (void)AEInstallEventHandler(kAEMiscStandards, kAEDoScript,
                              NewAEEventHandlerUPP(DoScriptEventHandler), nullptr, false);
  // The private system functions, bound by name before anything uses them.
  LoadAPIAddresses(true);
  // Mouse downs and ups come to the agent also while it is in the background:
  // the menu-bar trigger rests on them.
  if (gCGSSetBackgroundEventMask && g_CGSDefaultConnection)
    (void)gCGSSetBackgroundEventMask(g_CGSDefaultConnection(), kBackgroundMouseEventMask);
  InstallApplicationHandler(NewEventHandlerUPP(AppMouseDownHandler), kEventClassMouse,
                            kEventMouseDown);
  InstallApplicationHandler(NewEventHandlerUPP(AppMouseUpHandler), kEventClassMouse, kEventMouseUp);
  // Without the window the handler is not installed: given no window,
  // the Drag Manager would run it for drags over every window of the agent.
  (void)CreateNewWindow(kOverlayWindowClass, kHotKeyDropWindowAttributes, &kHotKeyDropWindowBounds,
                        &gHotKeyDropWindow);
  if (gHotKeyDropWindow &&
      InstallTrackingHandler(NewDragTrackingHandlerUPP(HotKeyDropTrackingHandler),
                             gHotKeyDropWindow, nullptr) == noErr)
    Transcribe(Fmt("drag tracking handler installed: window %u",
                   static_cast<unsigned>(GetWindowHostNumber(gHotKeyDropWindow))));
}

// ------------------------------------------------------ menu tracking

void MenuTrackingBeganCallback(CFNotificationCenterRef, void*, CFNotificationName, const void*,
                               CFDictionaryRef) {
  const bool dockWorkaround = gDockWorkaroundActive;
  gMenuTrackingActive = true;
  if (dockWorkaround)
    CFNotificationCenterPostNotification(CFNotificationCenterGetDistributedCenter(),
                                         CFSTR(kEndMenuTrackingNotification), nullptr, nullptr,
                                         true);
}

void MenuTrackingEndedCallback(CFNotificationCenterRef, void*, CFNotificationName, const void*,
                               CFDictionaryRef) {
  gMenuTrackingActive = false;
}

// ------------------------------------------------------------ relaunch

OSStatus AppTerminatedHandler(EventHandlerCallRef, EventRef event, void*) {
  if (!gRelaunchPending) return noErr;
  ProcessSerialNumber terminated;
  if (GetEventParameter(event, kEventParamProcessID, typeProcessSerialNumber, nullptr,
                        sizeof terminated, nullptr, &terminated) != noErr)
    return noErr;
  // Only the process the relaunch waits for counts.
  Boolean same = false;
  if (SameProcess(&terminated, &gRelaunchProcess, &same) != noErr || !same) return noErr;
  // The item is opened by a one-shot timer, a second later.
  gRelaunchPending = false;
  (void)InstallEventLoopTimer(GetCurrentEventLoop(), kRelaunchDelay, 0,
                              NewEventLoopTimerUPP(RelaunchTimerFired), nullptr, &gRelaunchTimer);
  return noErr;
}

void RelaunchTimerFired(EventLoopTimerRef timer, void*) {
  // A one-shot timer: it is done with once it fired.
  (void)RemoveEventLoopTimer(timer);
  if (timer == gRelaunchTimer) gRelaunchTimer = nullptr;
  (void)OpenItem(&gRelaunchItem, false);
}

// ------------------------------------------------------ display change

void DisplayChangedProc(void*, SInt16 message, void*) {
  if (message == kDMNotifyEvent) PlaceAllTabs();
}

// --------------------------------------------------------- Apple events

OSErr QuitEventHandler(const AppleEvent*, AppleEvent*, SRefCon) {
  QuitApplicationEventLoop();
  return noErr;
}

OSErr DoScriptEventHandler(const AppleEvent* event, AppleEvent*, SRefCon) {
  // The script is read and discarded; the sender hears of no error whatever
  // the read gave.
  char script[kDoScriptBufferSize];
  DescType actualType = 0;
  Size actualSize = 0;
  (void)AEGetParamPtr(event, keyDirectObject, typeChar, &actualType, script, sizeof script,
                      &actualSize);
  return noErr;
}

// ------------------------------------------------------------- testing

void RemoveAppHandlersForTesting() {
  for (EventHandlerRef handler : gInstalledHandlers) (void)RemoveEventHandler(handler);
  gInstalledHandlers.clear();
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDistributedCenter(),
                                          kMenuTrackingObserver);
  (void)DMRemoveExtendedNotifyProc(NewDMExtendedNotificationUPP(DisplayChangedProc), nullptr,
                                   nullptr, 0);
  (void)AERemoveEventHandler(kCoreEventClass, kAEQuitApplication,
                             NewAEEventHandlerUPP(QuitEventHandler), false);
  (void)AERemoveEventHandler(kAEMiscStandards, kAEDoScript,
                             NewAEEventHandlerUPP(DoScriptEventHandler), false);
  if (gRelaunchTimer) (void)RemoveEventLoopTimer(gRelaunchTimer);
  gRelaunchTimer = nullptr;
  if (gHotKeyDropWindow) (void)ReleaseWindow(gHotKeyDropWindow);
  if (gParkedWindow) (void)ReleaseWindow(gParkedWindow);
  gHotKeyDropWindow = gParkedWindow = nullptr;
  gMainEventLoop = nullptr;
  gMenuTrackingActive = gDockWorkaroundActive = gRelaunchPending = false;
  gRelaunchProcess = {};
  gRelaunchItem = {};
  ForgetAPIAddressesForTesting();
  struct sigaction current = {};
  if (sigaction(SIGCHLD, nullptr, &current) == 0 && current.sa_handler == ChildExitHandler)
    (void)sigaction(SIGCHLD, &gPreviousChildAction, nullptr);
}
