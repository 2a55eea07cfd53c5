// The agent's application-level wiring: the handlers, Apple-event handlers,
// notification observers and display procedure installed at start-up, the
// child-process signal handling, and the globals shared with other Parts.
#pragma once

#include <signal.h>

#include "platform/appleevents/AppleEvents.h"
#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/events/Events.h"
#include "platform/events/Notifications.h"
#include "platform/windows/Windows.h"

// The system announces menu tracking to every program under these names.
inline constexpr const char* kBeginMenuTrackingNotification =
    "com.apple.HIToolbox.beginMenuTrackingNotification";
inline constexpr const char* kEndMenuTrackingNotification =
    "com.apple.HIToolbox.endMenuTrackingNotification";
// The observer token of both observations.
inline const void* const kMenuTrackingObserver = reinterpret_cast<const void*>(1);

// What the window server is asked to deliver while the agent is in the
// background: left mouse down and left mouse up.
inline constexpr SInt32 kBackgroundMouseEventMask = 6;
// The hidden overlay window that catches drags while a hot key is pressed.
inline constexpr WindowAttributes kHotKeyDropWindowAttributes = 0x82240000;
inline constexpr Rect kHotKeyDropWindowBounds = {0, 0, 100, 100};
// Between a process's termination and its relaunch.
inline constexpr EventTimerInterval kRelaunchDelay = 1.0;
// The buffer the direct parameter of a 'misc'/'dosc' event is read into.
inline constexpr Size kDoScriptBufferSize = 63;

// The SIGCHLD action in force before start-up installed ChildExitHandler.
extern struct sigaction gPreviousChildAction;
// A 100 by 100 hidden overlay window with the hot-key drop tracking handler.
extern WindowRef gHotKeyDropWindow;
// A 10 by 10 window parked off screen and never shown.
extern WindowRef gParkedWindow;
// The main thread's event loop, for the one-shot timers of other Parts.
extern EventLoopRef gMainEventLoop;
// Set between the system's begin and end menu-tracking notifications.
extern bool gMenuTrackingActive;
// Set by the menu pop-up while the Dock runs with auto-hide on; a begin
// notification is then answered at once with an end notification.
extern bool gDockWorkaroundActive;
// A relaunch asked for by the item commands: when gRelaunchProcess
// terminates while gRelaunchPending is set, gRelaunchItem is opened one
// second later.
extern bool gRelaunchPending;
extern ProcessSerialNumber gRelaunchProcess;
extern FSRef gRelaunchItem;

// Installs, in order: the two menu-tracking observers, the hot-key and
// application-terminated handlers, the display procedure, the 'quit' and
// 'dosc' Apple-event handlers, the private functions (and the background
// mouse mask when they allow it), the two mouse handlers, and the hot-key
// drop window with its tracking handler.
void InstallAppHandlers();

// Distributed notification callbacks.
void MenuTrackingBeganCallback(CFNotificationCenterRef center, void* observer,
                               CFNotificationName name, const void* object,
                               CFDictionaryRef userInfo);
void MenuTrackingEndedCallback(CFNotificationCenterRef center, void* observer,
                               CFNotificationName name, const void* object,
                               CFDictionaryRef userInfo);

// 'appl'/6: starts the relaunch timer for the matching process. Always noErr.
OSStatus AppTerminatedHandler(EventHandlerCallRef callRef, EventRef event, void* userData);
void RelaunchTimerFired(EventLoopTimerRef timer, void* userData);

// The Display Manager procedure: re-places every tab on kDMNotifyEvent.
void DisplayChangedProc(void* userData, SInt16 message, void* notifyData);

// 'aevt'/'quit': ends the event loop. Always noErr.
OSErr QuitEventHandler(const AppleEvent* event, AppleEvent* reply, SRefCon refcon);
// 'misc'/'dosc': reads the script text and discards it. Always noErr.
OSErr DoScriptEventHandler(const AppleEvent* event, AppleEvent* reply, SRefCon refcon);

// SIGCHLD: reaps the children that have ended (the drag-out helpers).
void ChildExitHandler(int signal);
// Installs ChildExitHandler with every signal blocked while it runs and
// SA_RESTART, keeping the previous action in gPreviousChildAction.
void InstallChildExitHandler();

// Undoes everything start-up installed and clears the globals above, so that
// tests can start the agent several times in one process. The agent itself
// never tears anything down.
void RemoveAppHandlersForTesting();
