// The Carbon Event Manager: event objects with typed parameters, targets
// with handler chains, timers and the application event loop on the host's
// run loop, and the event queue.
//
// Dispatch happens in one place (SendEventToEventTarget): the handlers of a
// target that match an event's class and kind run most recently installed
// first; eventNotHandledErr passes the event on to the next handler and then
// to the parent target's handlers. Installing and removing handlers, and
// disposing of targets, are safe from inside a handler: an event runs the
// chain that was installed when its dispatch began, minus what was removed
// since.
#pragma once

#include <string>

#include "platform/appleevents/AppleEvents.h"
#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"

// ------------------------------------------------------- classes and kinds

enum : UInt32 {
  kEventClassMouse = 'mous',
  kEventClassKeyboard = 'keyb',
  kEventClassTextInput = 'text',
  kEventClassApplication = 'appl',
  kEventClassAppleEvent = 'eppc',
  kEventClassMenu = 'menu',
  kEventClassWindow = 'wind',
  kEventClassControl = 'cntl',
  kEventClassCommand = 'cmds',
};

enum : UInt32 {
  // kEventClassKeyboard
  kEventRawKeyDown = 1,
  kEventRawKeyRepeat = 2,
  kEventRawKeyUp = 3,
  kEventRawKeyModifiersChanged = 4,
  kEventHotKeyPressed = 5,
  kEventHotKeyReleased = 6,
  // kEventClassMouse
  kEventMouseDown = 1,
  kEventMouseUp = 2,
  kEventMouseMoved = 5,
  kEventMouseDragged = 6,
  kEventMouseEntered = 8,
  kEventMouseExited = 9,
  kEventMouseWheelMoved = 10,
  // kEventClassMenu
  kEventMenuBeginTracking = 1,
  kEventMenuEndTracking = 2,
  kEventMenuChangeTrackingMode = 3,
  kEventMenuOpening = 4,
  kEventMenuClosed = 5,
  kEventMenuTargetItem = 6,
  kEventMenuMatchKey = 7,
  kEventMenuEnableItems = 8,
  kEventMenuPopulate = 9,
  kEventMenuMeasureItemWidth = 100,
  kEventMenuMeasureItemHeight = 101,
  kEventMenuDrawItem = 102,
  kEventMenuDrawItemContent = 103,
  kEventMenuDispose = 1001,
  // kEventClassApplication
  kEventAppActivated = 1,
  kEventAppDeactivated = 2,
  kEventAppQuit = 3,
  kEventAppLaunchNotification = 4,
  kEventAppLaunched = 5,
  kEventAppTerminated = 6,
  kEventAppFrontSwitched = 7,
  // kEventClassWindow
  kEventWindowUpdate = 1,
  kEventWindowDrawContent = 2,
  kEventWindowActivated = 5,
  kEventWindowDeactivated = 6,
  kEventWindowShown = 24,
  kEventWindowHidden = 25,
  kEventWindowBoundsChanged = 27,
  kEventWindowClosed = 73,
  kEventWindowPaint = 1013,
  // kEventClassCommand
  kEventCommandProcess = 1,
  kEventCommandUpdateStatus = 2,
};

// ---------------------------------------------------- parameters and types

using EventParamName = OSType;
using EventParamType = OSType;

enum : EventParamName {
  kEventParamDirectObject = '----',
  kEventParamPostTarget = 'ptrg',
  kEventParamProcessID = 'psn ',
  kEventParamMouseLocation = 'mloc',
  kEventParamWindowMouseLocation = 'wmou',
  kEventParamMouseButton = 'mbtn',
  kEventParamClickCount = 'ccnt',
  kEventParamMouseChord = 'chor',
  kEventParamKeyModifiers = 'kmod',
  kEventParamKeyCode = 'kcod',
  kEventParamKeyMacCharCodes = 'kchr',
  kEventParamKeyboardType = 'kbdt',
  kEventParamMenuItemIndex = 'item',
  kEventParamMenuCommand = 'mcmd',
  kEventParamMenuContext = 'mctx',
  kEventParamMenuFirstOpen = '1sto',
  kEventParamEnableMenuForKeyEvent = 'fork',
  kEventParamMenuDrawState = 'mdrs',
  kEventParamMenuItemType = 'mitp',
  kEventParamMenuItemBounds = 'mitb',
  kEventParamWindowRef = 'wind',
  kEventParamCGContextRef = 'cntx',
  // The rectangle of a window to repaint (a QuickDraw Rect, global
  // coordinates).
  kEventParamDrawRect = 'drct',
  kEventParamCurrentBounds = 'crct',
  kEventParamPreviousBounds = 'prct',
  kEventParamAttributes = 'attr',
};

enum : EventParamType {
  typeMenuRef = 'menu',
  typeMenuItemIndex = 'midx',
  typeMenuCommand = 'mcmd',
  typeMenuEventOptions = 'meop',
  typeMenuTrackingMode = 'mtmd',
  typeThemeMenuState = 'tmns',
  typeThemeMenuItemType = 'tmit',
  typeEventHotKeyID = 'hkid',
  typeWindowRef = 'wind',
  typeCGContextRef = 'cntx',
  typeMouseButton = 'mbtn',
  typeEventTargetRef = 'etrg',
  typeCFStringRef = 'cfst',
};

// 'hipt' data: two 32-bit floats, global coordinates, y downwards.
struct HIPoint {
  float x = 0;
  float y = 0;
};
static_assert(sizeof(HIPoint) == 8);

using EventMouseButton = UInt16;
enum : EventMouseButton {
  kEventMouseButtonPrimary = 1,
  kEventMouseButtonSecondary = 2,
  kEventMouseButtonTertiary = 3,
};

// The Carbon modifier mask ('kmod').
enum : UInt32 {
  activeFlag = 0x0001,
  btnState = 0x0080,
  cmdKey = 0x0100,
  shiftKey = 0x0200,
  alphaLock = 0x0400,
  optionKey = 0x0800,
  controlKey = 0x1000,
  rightShiftKey = 0x2000,
  rightOptionKey = 0x4000,
  rightControlKey = 0x8000,
  kEventKeyModifierNumLockMask = 0x00010000,
  kEventKeyModifierFnMask = 0x00020000,
};

// ---------------------------------------------------------- event objects

using EventClass = UInt32;
using EventKind = UInt32;
using EventAttributes = UInt32;
enum : EventAttributes { kEventAttributeNone = 0, kEventAttributeUserEvent = 1 };

struct EventTypeSpec {
  UInt32 eventClass = 0;
  UInt32 eventKind = 0;
};

struct OpaqueEventRef;
using EventRef = OpaqueEventRef*;

// A new event (retain count 1). when 0 is fine: the agent posts such events.
// Status: noErr; paramErr (no outEvent).
[[nodiscard]] OSStatus CreateEvent(void* inAllocator, UInt32 inClassID, UInt32 kind, EventTime when,
                                   EventAttributes flags, EventRef* outEvent);
EventRef RetainEvent(EventRef inEvent);
// Frees the event when the last reference goes.
void ReleaseEvent(EventRef inEvent);
UInt32 GetEventRetainCount(EventRef inEvent);
[[nodiscard]] EventRef CopyEvent(EventRef inOther);
UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);
EventTime GetEventTime(EventRef inEvent);
// Status: noErr; paramErr.
OSStatus SetEventTime(EventRef inEvent, EventTime inTime);

// Stores a copy of inSize bytes under inName (replacing one of that name).
// Status: noErr; paramErr (no event, or bytes missing).
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr);
// Reads a parameter. No coercion takes place: inDesiredType must be the type
// it was set with, or typeWildCard. With outData null only the type and size
// are reported. A buffer smaller than the data copies nothing.
// Status: noErr; paramErr (no event); eventParameterNotFoundErr (no such
// parameter); errAECoercionFail (another type); errAEBufferTooSmall
// (*outActualSize still tells the size needed).
[[nodiscard]] OSStatus GetEventParameter(EventRef inEvent, EventParamName inName,
                                         EventParamType inDesiredType,
                                         EventParamType* outActualType, ByteCount inBufferSize,
                                         ByteCount* outActualSize, void* outData);
// Status: noErr; paramErr; eventParameterNotFoundErr.
OSStatus RemoveEventParameter(EventRef inEvent, EventParamName inName);

// ----------------------------------------------------- targets and handlers

struct OpaqueEventTargetRef;
using EventTargetRef = OpaqueEventTargetRef*;
struct OpaqueEventHandlerRef;
using EventHandlerRef = OpaqueEventHandlerRef*;
struct OpaqueEventHandlerCallRef;
using EventHandlerCallRef = OpaqueEventHandlerCallRef*;

using EventHandlerProcPtr = OSStatus (*)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                         void* inUserData);
using EventHandlerUPP = EventHandlerProcPtr;
inline EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr p) { return p; }
inline void DisposeEventHandlerUPP(EventHandlerUPP) {}

// The application's target ("application" in transcripts); it lives for the
// whole process and is the root of every other target.
EventTargetRef GetApplicationEventTarget();
// Our own: a target for one menu or window, whose events go on to parent
// (null: the application target) when its own handlers do not handle them.
// name is how transcripts call it ("menu 3", "window 1").
EventTargetRef CreateEventTarget(EventTargetRef parent, std::string name);
// Removes the target and its handlers. Targets whose parent it was now pass
// events on to its parent. The application target is never disposed of.
void DisposeEventTarget(EventTargetRef target);
// The same for an opaque slot that holds a target (void* disposers).
void DisposeEventTargetValue(void* target);
// The transcript name of a target.
std::string GetEventTargetName(EventTargetRef target);

// Installs a handler for the numTypes event types in list. Each installation
// is transcribed ("handler installed: menu 3 'keyb'/1").
// Status: noErr; paramErr (no target or handler, or a null list with types).
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef);
inline OSStatus InstallApplicationEventHandler(EventHandlerUPP inHandler, ItemCount inNumTypes,
                                               const EventTypeSpec* inList, void* inUserData,
                                               EventHandlerRef* outRef) {
  return InstallEventHandler(GetApplicationEventTarget(), inHandler, inNumTypes, inList, inUserData,
                             outRef);
}
template <std::size_t N>
constexpr ItemCount GetEventTypeCount(const EventTypeSpec (&)[N]) {
  return N;
}
// Status: noErr; paramErr (not an installed handler).
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
// Adds or removes event types of an installed handler.
// Status: noErr; paramErr.
OSStatus AddEventTypesToHandler(EventHandlerRef inHandlerRef, ItemCount inNumTypes,
                                const EventTypeSpec* inList);
OSStatus RemoveEventTypesFromHandler(EventHandlerRef inHandlerRef, ItemCount inNumTypes,
                                     const EventTypeSpec* inList);

// Dispatches inEvent to inTarget's chain (then its parents').
// Status: the first handler result other than eventNotHandledErr;
// eventNotHandledErr when no handler took the event; paramErr.
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);
// From inside a handler: runs the rest of the chain (the later handlers of
// this target, then the parents') and returns its result. Once called, the
// rest does not run again when the handler returns.
// Status: as SendEventToEventTarget; paramErr (not a live call reference).
OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent);

// --------------------------------------------------------- the event queue

struct OpaqueEventQueueRef;
using EventQueueRef = OpaqueEventQueueRef*;
using EventPriority = SInt16;
enum : EventPriority { kEventPriorityLow = 0, kEventPriorityStandard = 1, kEventPriorityHigh = 2 };

EventQueueRef GetCurrentEventQueue();
EventQueueRef GetMainEventQueue();
// Queues the event (retained) for dispatch from the host run loop, higher
// priorities first and in posting order within one priority. It goes to its
// kEventParamPostTarget ('ptrg', typeEventTargetRef) when it has one, else to
// the user focus target.
// Status: noErr; paramErr; eventAlreadyPostedErr (already queued);
// eventInternalErr (the host has no run loop).
OSStatus PostEventToQueue(EventQueueRef inQueue, EventRef inEvent, EventPriority inPriority);
// Status: noErr; paramErr; eventNotInQueueErr.
OSStatus RemoveEventFromQueue(EventQueueRef inQueue, EventRef inEvent);
Boolean IsEventInQueue(EventQueueRef inQueue, EventRef inEvent);
ItemCount GetNumEventsInQueue(EventQueueRef inQueue);
// Where queued events without a post target go: the application target
// unless a modal loop (menu tracking) directs them elsewhere. Our own setter;
// null puts the application target back.
EventTargetRef GetUserFocusEventTarget();
void SetUserFocusEventTarget(EventTargetRef target);

// ------------------------------------------------- event loops and timers

struct OpaqueEventLoopRef;
using EventLoopRef = OpaqueEventLoopRef*;
struct OpaqueEventLoopTimerRef;
using EventLoopTimerRef = OpaqueEventLoopTimerRef*;

using EventLoopTimerProcPtr = void (*)(EventLoopTimerRef inTimer, void* inUserData);
using EventLoopTimerUPP = EventLoopTimerProcPtr;
inline EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr p) { return p; }
inline void DisposeEventLoopTimerUPP(EventLoopTimerUPP) {}

inline constexpr EventTimerInterval kEventDurationSecond = 1.0;
inline constexpr EventTimerInterval kEventDurationMillisecond = kEventDurationSecond / 1000;
inline constexpr EventTimerInterval kEventDurationMicrosecond = kEventDurationSecond / 1000000;
inline constexpr EventTimerInterval kEventDurationNanosecond = kEventDurationSecond / 1000000000;
inline constexpr EventTimerInterval kEventDurationMinute = kEventDurationSecond * 60;
inline constexpr EventTimerInterval kEventDurationHour = kEventDurationMinute * 60;
inline constexpr EventTimerInterval kEventDurationDay = kEventDurationHour * 24;
inline constexpr EventTimerInterval kEventDurationNoWait = 0.0;
inline constexpr EventTimerInterval kEventDurationForever = -1.0;

// There is one thread, so the current loop is the main loop.
EventLoopRef GetCurrentEventLoop();
EventLoopRef GetMainEventLoop();
// Seconds on the host clock (0 without a host run loop).
EventTime GetCurrentEventTime();

// A timer firing fireDelay seconds from now (kEventDurationForever: not until
// SetEventLoopTimerNextFireTime), then every interval seconds, or once when
// interval is 0. The timer stays valid until RemoveEventLoopTimer, also after
// a one-shot timer fired; whatever is never removed is freed at exit.
// Transcribed: "timer 3 installed: 0.333s" and "timer 3 fired".
// Status: noErr; paramErr (no loop, procedure or outTimer); eventInternalErr
// (the host has no run loop).
OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                               void* inTimerData, EventLoopTimerRef* outTimer);
// Cancels and frees the timer; safe from inside its own callback (the
// reference must not be used afterwards). Status: noErr; paramErr (not a
// live timer).
OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer);
// Fires the timer inNextFire seconds from now (kEventDurationForever: not
// at all), keeping its interval. Status: noErr; paramErr; eventInternalErr
// (the host has no run loop).
OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire);

// Runs the host loop until QuitApplicationEventLoop (or, on the simulated
// desktop, until nothing is left to happen).
void RunApplicationEventLoop();
void QuitApplicationEventLoop();
// Runs the loop for at most inTimeout seconds (kEventDurationForever: until
// quit). Status: eventLoopTimedOutErr; eventLoopQuitErr (QuitEventLoop or
// the loop ran out of work); eventInternalErr (no host run loop).
OSStatus RunCurrentEventLoop(EventTimeout inTimeout);
// Status: noErr; paramErr.
OSStatus QuitEventLoop(EventLoopRef inEventLoop);
