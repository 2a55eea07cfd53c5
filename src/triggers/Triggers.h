// The trigger objects: one per menu definition, living for the whole run.
// A UtilityMenu has no window (hot key, menu bar, or a modifier click on a
// tab of the same place); a ScreenMenu also owns a tab window.
#pragma once

#include <vector>

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/events/Events.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/menus/Menus.h"
#include "platform/windows/Windows.h"
#include "shell/Settings.h"

struct OpaqueEventHotKeyRef;
class ScreenMenu;

class UtilityMenu {
 public:
  // Registers the hot key, creates the top-level menu with its handlers,
  // prepares the sources and builds the menu once (under gInitialBuild).
  explicit UtilityMenu(const TriggerConfig& config);
  // The blank trigger: a search key for FindTrigger, place 0, nothing else.
  UtilityMenu();
  // Disposes of the menu tree and unregisters the hot key.
  virtual ~UtilityMenu();
  UtilityMenu(const UtilityMenu&) = delete;
  UtilityMenu& operator=(const UtilityMenu&) = delete;

  // Nothing: a window-less trigger has no tab.
  virtual void PlaceTab();
  // Pops the menu up; the result is the 32-bit choice (menu ID in the high
  // half, item in the low half), 0 when nothing was chosen.
  virtual UInt32 ShowMenu(bool anchorToTab);

  // Position in the top byte, screen in the next, offset in the low 16 bits.
  UInt32 Place() const {
    return (static_cast<UInt32>(static_cast<UInt8>(position)) << 24) |
           (static_cast<UInt32>(static_cast<UInt8>(screen)) << 16) | static_cast<UInt16>(offset);
  }

  CFMutableArrayRef sources = nullptr;  // working sources; elements not retained by the array
  UInt32 flags = 0;
  SInt8 position = 0;
  SInt8 screen = 0;
  SInt16 offset = 0;
  UInt16 button = 0;
  UInt16 modifiers = 0;
  UInt16 iconSize = 0;
  OpaqueEventHotKeyRef* hotKeyRef = nullptr;
  MenuRef menu = nullptr;
  MenuRef highlightedMenu = nullptr;
  MenuItemIndex highlightedItem = 0;
  EventLoopTimerRef closeTimer = nullptr;
  UInt32 keyJustAssigned = 0;
  UInt32 modifierHintShown = 0;
  UInt32 dropMode = 0;
  MenuItemIndex nextItemIndex = 1;
  ScreenMenu* anchorTab = nullptr;
  // The 1-based place of the trigger's definition in "Global Menus", which
  // messages about its settings name; 0 when not known.
  UInt16 definitionNumber = 0;

 protected:
  // Keeps the working sources alive (the sources array does not retain).
  std::vector<CFRef<CFMutableDictionaryRef>> ownedSources_;
  // "Items" entries seen by PrepareSource so far, dictionaries or not: the
  // number of the next one, for the messages about it.
  UInt16 preparedEntries_ = 0;
  friend void PrepareSource(const void* entry, void* trigger);

 private:
  // The signature handle the hot key was registered with, given back when
  // it is unregistered.
  UInt32 hotKeySignature_ = 0;
};

class ScreenMenu : public UtilityMenu {
 public:
  // The UtilityMenu part first (the menu is built then), then the tab
  // window, placed and shown before the constructor returns.
  ScreenMenu(float inAlpha, RGBColor inColor, SInt16 inSquareSize, const TriggerConfig& config);
  // Releases the drawing context and the window, then as UtilityMenu.
  ~ScreenMenu() override;
  // Places and shows, or hides, the tab window.
  void PlaceTab() override;
  // Anchors the pop-up at this tab, then as UtilityMenu.
  UInt32 ShowMenu(bool anchorToTab) override;

  WindowRef window = nullptr;
  CGContextRef context = nullptr;
  float alpha = 0.0f;
  RGBColor color{};
  SInt16 squareSize = 10;
};

// Every trigger, in "Global Menus" order; never shortened.
extern std::vector<UtilityMenu*> gTriggers;

// Apply function over "Global Menus": one trigger per definition, appended
// to gTriggers. A definition that is not a dictionary, or that
// ReadTriggerConfig refuses, makes no trigger.
void CreateTrigger(const void* definition, void* context);
// Whether files may be dropped onto the trigger ("Drags").
bool AcceptsDrops(const UtilityMenu* trigger);

// A trigger's hot key is registered with the identifier (signature,
// kTriggerHotKeyID), the signature being the trigger's handle from
// HotKeySignatureFor (the UtilityMenu pointer). This turns a signature back
// into the trigger: null unless it names a trigger of gTriggers.
UtilityMenu* TriggerForHotKeySignature(UInt32 signature);

// Destroys every trigger and empties gTriggers. The agent never does this;
// tests and benchmarks that create agents one after another do.
void DestroyTriggersForTesting();
