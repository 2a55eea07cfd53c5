#include "platform/windows/WindowEvents.h"

#include "platform/host/Transcript.h"

namespace {

// A window's target goes with the window, and its handlers with it, so that
// no handler outlives the window whose events it was installed for.
void DisposeWindowEventTarget(WindowRef window) {
  void* target = GetWindowEventTargetSlot(window);
  if (!target) return;
  SetWindowEventTargetSlot(window, nullptr);
  DisposeEventTargetValue(target);
}

}  // namespace

EventTargetRef GetWindowEventTarget(WindowRef inWindow) {
  if (!GetWindowPort(inWindow)) return nullptr;  // not a live window
  if (void* existing = GetWindowEventTargetSlot(inWindow))
    return static_cast<EventTargetRef>(existing);
  EventTargetRef target =
      CreateEventTarget(GetApplicationEventTarget(),
                        Fmt("window %u", static_cast<unsigned>(GetWindowHostNumber(inWindow))));
  SetWindowEventTargetSlot(inWindow, target);
  // Windows have one dispose hook, and it is this module's. Setting it with
  // every new target keeps it in place even where a test replaced it.
  SetWindowDisposeHook(DisposeWindowEventTarget);
  return target;
}

OSStatus DeliverWindowPaint(UInt32 hostNumber) {
  WindowRef window = GetWindowFromHostNumber(hostNumber);
  if (!window) return errInvalidWindowRef;
  EventRef event = nullptr;
  OSStatus status = CreateEvent(nullptr, kEventClassWindow, kEventWindowPaint,
                                GetCurrentEventTime(), kEventAttributeNone, &event);
  if (status != noErr) return status;
  (void)SetEventParameter(event, kEventParamDirectObject, typeWindowRef, sizeof window, &window);
  // A window nobody installed a handler on has no target of its own yet; its
  // events go where they would go next, to the application.
  void* own = GetWindowEventTargetSlot(window);
  status = SendEventToEventTarget(
      event, own ? static_cast<EventTargetRef>(own) : GetApplicationEventTarget());
  ReleaseEvent(event);
  return status;
}
