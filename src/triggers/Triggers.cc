// The window-less trigger: its construction (hot key, top-level menu,
// sources, first build), its destruction, and the list of all triggers.
#include "triggers/Triggers.h"

#include <algorithm>

#include "bindings/KeyBindings.h"
#include "menus/ItemRecords.h"
#include "menus/MenuBuilder.h"
#include "platform/events/HotKeys.h"

std::vector<UtilityMenu*> gTriggers;

namespace {

UInt32 ReadBigEndian32(const UInt8* bytes) {
  return static_cast<UInt32>(bytes[0]) << 24 | static_cast<UInt32>(bytes[1]) << 16 |
         static_cast<UInt32>(bytes[2]) << 8 | static_cast<UInt32>(bytes[3]);
}

// "Hot Key": key code, then modifier mask, each 32-bit big-endian. Shorter
// data is no hot key at all rather than a combination made of stray bytes.
bool ReadHotKeyData(CFDataRef hotKey, UInt32* keyCode, UInt32* modifiers) {
  if (!hotKey || CFDataGetLength(hotKey) < kHotKeyDataSize) return false;
  UInt8 bytes[kHotKeyDataSize];
  CFDataGetBytes(hotKey, CFRangeMake(0, kHotKeyDataSize), bytes);
  *keyCode = ReadBigEndian32(bytes);
  *modifiers = ReadBigEndian32(bytes + 4);
  return true;
}

}  // namespace

UtilityMenu::UtilityMenu(const TriggerConfig& config) {
  // The place and the ways in.
  flags = config.flags;
  position = config.position;
  screen = config.screen;
  offset = config.offset;
  button = config.button;
  modifiers = config.modifiers;
  hotKeyRef = nullptr;
  definitionNumber = config.definitionNumber;

  // The hot key. A combination another program holds is left out
  // quietly; the trigger still works through its other ways.
  UInt32 keyCode = 0;
  UInt32 keyModifiers = 0;
  if (ReadHotKeyData(config.hotKey, &keyCode, &keyModifiers)) {
    const UInt32 signature = HotKeySignatureFor(this);
    EventHotKeyRef ref = nullptr;
    if (signature != 0 &&
        RegisterEventHotKey(keyCode, keyModifiers, EventHotKeyID{signature, kTriggerHotKeyID},
                            GetApplicationEventTarget(), 0, &ref) == noErr) {
      hotKeyRef = ref;
      hotKeySignature_ = signature;
    } else if (signature != 0) {
      ReleaseHotKeySignature(signature);
    }
  }

  // Nothing is highlighted, timed or anchored before the first pop-up.
  highlightedMenu = nullptr;
  highlightedItem = 0;
  closeTimer = nullptr;
  keyJustAssigned = 0;
  modifierHintShown = 0;
  dropMode = 0;
  anchorTab = nullptr;

  // The top-level menu takes the next menu ID. Without it the trigger
  // keeps no menu and no sources.
  if (CreateAgentMenu(&menu) != noErr) {
    menu = nullptr;
    return;
  }
  InstallMenuHandlers(menu, this);
  SetMenuFont(menu, config.font, config.size);
  // Stored also when it is 0: 0 means icons at the system's own size.
  iconSize = config.iconSize;
  const auto menuIconSize = static_cast<SInt16>(iconSize);
  SetMenuItemProperty(menu, 0, kSKIDCreator, kIconTag, kIconTagSize, &menuIconSize);
  // The array does not retain: ownedSources_ keeps the working sources.
  sources = CFArrayCreateMutable(kCFAllocatorDefault, 0, nullptr).Detach();
  // Each stored item becomes a working source of this trigger's own.
  if (config.items)
    CFArrayApplyFunction(config.items, CFRangeMake(0, CFArrayGetCount(config.items)), PrepareSource,
                         this);
  // The first build leaves out what changes all the time (volumes,
  // processes, recent items): the first pop-up lists them.
  gInitialBuild = true;
  RebuildMenu(this);
  gInitialBuild = false;
}

UtilityMenu::UtilityMenu() = default;

UtilityMenu::~UtilityMenu() {
  if (menu) DisposeMenuTree(menu);
  if (hotKeyRef) {
    (void)UnregisterEventHotKey(hotKeyRef);
    ReleaseHotKeySignature(hotKeySignature_);
  }
  // The working sources go with ownedSources_; the array holding them is
  // released too, so that a destroyed trigger leaves nothing behind.
  if (sources) CFRelease(sources);
}

void UtilityMenu::PlaceTab() {}

bool AcceptsDrops(const UtilityMenu* trigger) {
  return (trigger->flags & kTriggerAcceptsDrops) != 0;
}

UtilityMenu* TriggerForHotKeySignature(UInt32 signature) {
  const void* object = HotKeyObjectForSignature(signature);
  if (!object) return nullptr;
  auto it = std::find_if(gTriggers.begin(), gTriggers.end(),
                         [object](const UtilityMenu* t) { return t == object; });
  return it == gTriggers.end() ? nullptr : *it;
}

void DestroyTriggersForTesting() {
  for (UtilityMenu* trigger : gTriggers) delete trigger;
  gTriggers.clear();
}
