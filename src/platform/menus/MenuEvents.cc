#include "platform/menus/MenuEvents.h"

#include "platform/host/Transcript.h"

EventTargetRef GetMenuEventTarget(MenuRef menu) {
  if (!IsValidMenu(menu)) return nullptr;
  if (void* existing = GetMenuEventTargetSlot(menu)) return static_cast<EventTargetRef>(existing);
  EventTargetRef target =
      CreateEventTarget(GetApplicationEventTarget(), Fmt("menu %d", GetMenuID(menu)));
  // The slot disposes of the target with the menu, and handlers with it.
  if (SetMenuEventTargetSlot(menu, target, DisposeEventTargetValue) != noErr) {
    DisposeEventTarget(target);
    return nullptr;
  }
  return target;
}
