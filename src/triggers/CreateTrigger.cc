// One trigger per menu definition, in "Global Menus" order.
#include "triggers/Triggers.h"

void CreateTrigger(const void* definition, void* /*context*/) {
  auto dict = static_cast<CFDictionaryRef>(definition);
  if (!dict || CFGetTypeID(dict) != CFDictionaryGetTypeID()) return;
  // A definition that cannot be read makes no trigger.
  TriggerConfig config;
  TabLook look;
  if (!ReadTriggerConfig(dict, &config, &look)) return;
  UtilityMenu* trigger = nullptr;
  if (config.position == 0 || config.modifiers != 0) {
    // Reached by its hot key, or it shares a place with the tab of the
    // same place and is chosen there by its modifiers or button.
    trigger = new UtilityMenu(config);
  } else {
    // A tab of its own.
    trigger = new ScreenMenu(look.alpha, look.color, look.squareSize, config);
  }
  // Triggers live for the whole run; nothing removes one.
  gTriggers.push_back(trigger);
}
