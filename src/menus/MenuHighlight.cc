// Keeping the trigger's highlighted menu and item while its menu is open,
// and the close countdown of a drop menu with the pointer on no item.
#include "bindings/KeyBindings.h"
#include "menus/ItemRecords.h"
#include "menus/MenuBuilder.h"
#include "platform/menus/MenuTracking.h"
#include "triggers/ShowMenu.h"
#include "triggers/Triggers.h"

OSStatus MenuDrawItemHandler(EventHandlerCallRef callRef, EventRef event, void* userData) {
  // The item is drawn as usual first.
  (void)CallNextEventHandler(callRef, event);
  auto* trigger = static_cast<UtilityMenu*>(userData);
  if (!trigger) return noErr;

  // Items being redrawn mean the pointer is over the menus: after more
  // than two, a drop menu's countdown is called off.
  gItemDrawCount += 1;
  if (trigger->closeTimer && gItemDrawCount > 2) {
    (void)RemoveEventLoopTimer(trigger->closeTimer);
    trigger->closeTimer = nullptr;
  }

  ThemeMenuState state = kThemeMenuActive;
  if (GetEventParameter(event, kEventParamMenuDrawState, typeThemeMenuState, nullptr, sizeof state,
                        nullptr, &state) == noErr &&
      state == kThemeMenuSelected) {
    MenuRef menu = nullptr;
    MenuItemIndex item = 0;
    if (GetEventParameter(event, kEventParamDirectObject, typeMenuRef, nullptr, sizeof menu,
                          nullptr, &menu) == noErr &&
        GetEventParameter(event, kEventParamMenuItemIndex, typeMenuItemIndex, nullptr, sizeof item,
                          nullptr, &item) == noErr) {
      trigger->highlightedMenu = menu;
      trigger->highlightedItem = item;
    }
  }
  return noErr;
}

OSStatus MenuTargetItemHandler(EventHandlerCallRef /*callRef*/, EventRef event, void* userData) {
  auto* trigger = static_cast<UtilityMenu*>(userData);
  if (!trigger) return noErr;

  // The modifier hint showed another key on the item being left: its own
  // key equivalent comes back. The highlighted menu may have gone since.
  if (trigger->modifierHintShown && trigger->highlightedItem &&
      IsValidMenu(trigger->highlightedMenu) &&
      trigger->highlightedItem <= CountMenuItems(trigger->highlightedMenu)) {
    UInt32 node = 0;
    if (GetMenuItemProperty(trigger->highlightedMenu, trigger->highlightedItem, kSKIDCreator,
                            kNodeTag, kNodeTagSize, nullptr, &node) == noErr)
      ShowItemKeyBinding(node, trigger->highlightedMenu, trigger->highlightedItem);
    else
      ClearItemKey(trigger->highlightedMenu, trigger->highlightedItem);
  }
  trigger->keyJustAssigned = 0;
  trigger->modifierHintShown = 0;

  MenuItemIndex item = 0;
  (void)GetEventParameter(event, kEventParamMenuItemIndex, typeMenuItemIndex, nullptr, sizeof item,
                          nullptr, &item);
  trigger->highlightedItem = item;

  // A drop menu closes by itself when the pointer rests on no item for a
  // while; coming back onto an item calls the countdown off. (The pointing
  // hand cursor of drop mode, and the cursor rule of an open drop menu,
  // come with the drops onto items: the layer has no cursors yet.)
  if (trigger->dropMode) {
    if (!trigger->closeTimer && item == 0) {
      gItemDrawCount = 0;
      EventLoopTimerRef timer = nullptr;
      if (InstallEventLoopTimer(GetCurrentEventLoop(), kMenuCloseDelay, 0, MenuCloseTimerFired,
                                trigger, &timer) == noErr)
        trigger->closeTimer = timer;
    } else if (trigger->closeTimer && item != 0) {
      (void)RemoveEventLoopTimer(trigger->closeTimer);
      trigger->closeTimer = nullptr;
    }
  }
  return noErr;
}
