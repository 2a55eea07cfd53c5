// The trigger objects: one per definition, in order; the hot key, the
// top-level menu and its ID, the place value and the two kinds.
#include <algorithm>

#include "../menus/builder_test_support.h"
#include "bindings/KeyBindings.h"
#include "platform/events/HotKeys.h"

namespace {

using namespace builder_test;

class TriggersTest : public Sandbox {
 protected:
  // A definition as the preference file holds it.
  static Entry Definition(int position, int modifiers = 0) {
    Entry e;
    e.Num("Position", position).Flag("Drags", true).Set("Items", Items({}).get());
    if (modifiers) e.Num("Modifiers", modifiers);
    return e;
  }
  static std::string HotKeyBytes(UInt32 keyCode, UInt32 modifiers) {
    std::string bytes;
    for (UInt32 v : {keyCode, modifiers})
      for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(v >> shift));
    return bytes;
  }
  int CountLines(const std::string& prefix) const {
    return static_cast<int>(
        std::count_if(desktop.recorder.lines.begin(), desktop.recorder.lines.end(),
                      [&](const std::string& l) { return l.starts_with(prefix); }));
  }
};

TEST_F(TriggersTest, OneTriggerPerDefinitionInOrder) {
  CFRef<CFMutableArrayRef> menus =
      CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  Entry hotKeyOnly = Definition(0);
  Entry sharesTab = Definition(3, 0x0800);
  sharesTab.Num("Button", 2);
  Entry noDrags;
  noDrags.Num("Position", 1).Set("Items", Items({}).get());
  CFArrayAppendValue(menus, hotKeyOnly.get());
  CFArrayAppendValue(menus, CFSTR("not a definition"));
  CFArrayAppendValue(menus, noDrags.get());
  CFArrayAppendValue(menus, sharesTab.get());
  CFArrayApplyFunction(menus, CFRangeMake(0, CFArrayGetCount(menus)), CreateTrigger, nullptr);

  ASSERT_EQ(gTriggers.size(), 2u);
  EXPECT_EQ(gTriggers[0]->position, 0);
  EXPECT_EQ(gTriggers[1]->position, 3);
  EXPECT_EQ(gTriggers[1]->button, 2);
  // A modifier makes a window-less trigger even at a tab's place.
  EXPECT_EQ(dynamic_cast<ScreenMenu*>(gTriggers[1]), nullptr);
  EXPECT_EQ(GetMenuID(gTriggers[0]->menu), 0) << "the first menu gets ID 0";
  EXPECT_EQ(GetMenuID(gTriggers[1]->menu), 1);
  EXPECT_TRUE(AcceptsDrops(gTriggers[0]));
}

TEST_F(TriggersTest, ATabPlaceWithoutModifiersGetsAWindow) {
  CFRef<CFMutableArrayRef> menus =
      CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  Entry tab = Definition(3);
  tab.Num("Square Size", 12);
  CFArrayAppendValue(menus, tab.get());
  CFArrayApplyFunction(menus, CFRangeMake(0, 1), CreateTrigger, nullptr);
  ASSERT_EQ(gTriggers.size(), 1u);
  auto* screenMenu = dynamic_cast<ScreenMenu*>(gTriggers[0]);
  ASSERT_NE(screenMenu, nullptr);
  EXPECT_EQ(screenMenu->squareSize, 12);
  EXPECT_NE(screenMenu->window, nullptr);
  EXPECT_NE(screenMenu->menu, nullptr) << "the menu is built before the tab";
}

TEST_F(TriggersTest, HotKeyRegisteredOnceWithTheTriggersIdentifier) {
  static EventHotKeyID pressed;
  EventTypeSpec pressedType{kEventClassKeyboard, kEventHotKeyPressed};
  EventHandlerRef handler = nullptr;
  ASSERT_EQ(InstallApplicationEventHandler(
                [](EventHandlerCallRef, EventRef event, void*) -> OSStatus {
                  return GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID,
                                           nullptr, sizeof(pressed), nullptr, &pressed);
                },
                1, &pressedType, nullptr, &handler),
            noErr);

  const std::string bytes = HotKeyBytes(49, cmdKey | optionKey);
  CFRef<CFDataRef> hotKey =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()), 8);
  TriggerConfig config;
  config.hotKey = hotKey;
  auto* trigger = new UtilityMenu(config);
  gTriggers.push_back(trigger);
  EXPECT_EQ(CountLines("hot key registered"), 1);
  EXPECT_NE(trigger->hotKeyRef, nullptr);

  EXPECT_EQ(desktop.hotKeys.Press(49, cmdKey | optionKey), noErr);
  EXPECT_EQ(pressed.id, kTriggerHotKeyID);
  EXPECT_EQ(TriggerForHotKeySignature(pressed.signature), trigger);

  DestroyTriggersForTesting();
  EXPECT_FALSE(IsEventHotKeyRegistered(49, cmdKey | optionKey)) << "unregistered with the trigger";
  EXPECT_EQ(TriggerForHotKeySignature(pressed.signature), nullptr);
  RemoveEventHandler(handler);
}

TEST_F(TriggersTest, ATornDownTriggersHotKeySignatureNamesNothingLive) {
  // The handle an object holds, without keeping a use of it.
  const auto handleOf = [](const void* object) {
    const UInt32 signature = HotKeySignatureFor(object);
    ReleaseHotKeySignature(signature);
    return signature;
  };
  const auto hotKeyData = [](UInt32 keyCode, UInt32 modifiers) {
    const std::string bytes = HotKeyBytes(keyCode, modifiers);
    return CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()), 8);
  };
  // A window-less trigger and a tab, each with a hot key.
  CFRef<CFDataRef> first = hotKeyData(49, cmdKey | optionKey);
  CFRef<CFDataRef> second = hotKeyData(50, cmdKey | optionKey);
  TriggerConfig config;
  config.hotKey = first;
  gTriggers.push_back(new UtilityMenu(config));
  Entry tab = Definition(3);
  tab.Set("Hot Key", second.get());
  CreateTrigger(tab.get(), nullptr);
  ASSERT_EQ(gTriggers.size(), 2u);
  ASSERT_NE(dynamic_cast<ScreenMenu*>(gTriggers[1]), nullptr);
  std::vector<UInt32> signatures;
  for (UtilityMenu* trigger : gTriggers) {
    ASSERT_NE(trigger->hotKeyRef, nullptr);
    signatures.push_back(handleOf(trigger));
    EXPECT_EQ(HotKeyObjectForSignature(signatures.back()), trigger);
    EXPECT_EQ(TriggerForHotKeySignature(signatures.back()), trigger);
  }

  DestroyTriggersForTesting();
  for (UInt32 signature : signatures) {
    EXPECT_EQ(HotKeyObjectForSignature(signature), nullptr) << FourCCString(signature);
    EXPECT_EQ(TriggerForHotKeySignature(signature), nullptr);
  }
  EXPECT_FALSE(IsEventHotKeyRegistered(49, cmdKey | optionKey));
  EXPECT_FALSE(IsEventHotKeyRegistered(50, cmdKey | optionKey));

  // A trigger made afterwards, perhaps where the old one lay, gets a handle
  // of its own: an old signature never leads to it.
  gTriggers.push_back(new UtilityMenu(config));
  ASSERT_NE(gTriggers[0]->hotKeyRef, nullptr);
  const UInt32 fresh = handleOf(gTriggers[0]);
  for (UInt32 signature : signatures) {
    EXPECT_NE(fresh, signature);
    EXPECT_EQ(TriggerForHotKeySignature(signature), nullptr);
  }
  DestroyTriggersForTesting();
  EXPECT_EQ(HotKeyObjectForSignature(fresh), nullptr);

  // A trigger whose hot key was refused holds no handle either.
  desktop.hotKeys.MarkTaken(49, cmdKey | optionKey);
  {
    UtilityMenu refused(config);
    EXPECT_EQ(refused.hotKeyRef, nullptr);
    EXPECT_EQ(HotKeyObjectForSignature(handleOf(&refused)), nullptr);
  }
}

TEST_F(TriggersTest, RefusedOrMalformedHotKeysAreLeftOut) {
  desktop.hotKeys.MarkTaken(40, cmdKey);
  std::string bytes = HotKeyBytes(40, cmdKey);
  CFRef<CFDataRef> taken =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()), 8);
  CFRef<CFDataRef> tooShort =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()), 4);
  TriggerConfig config;
  config.hotKey = taken;
  UtilityMenu refused(config);
  EXPECT_EQ(refused.hotKeyRef, nullptr);
  EXPECT_NE(refused.menu, nullptr) << "the trigger still works through its other ways";
  config.hotKey = tooShort;
  UtilityMenu shortKey(config);
  EXPECT_EQ(shortKey.hotKeyRef, nullptr);
  EXPECT_EQ(CountLines("hot key registered"), 0);
}

TEST_F(TriggersTest, TopLevelMenuCarriesIconSizeAndFont) {
  TriggerConfig config;
  config.font = 4;
  config.size = 13;
  UtilityMenu zero(config);
  ByteCount size = 0;
  ASSERT_EQ(GetMenuItemPropertySize(zero.menu, 0, kSKIDCreator, kIconTag, &size), noErr)
      << "stored also when the size is 0";
  EXPECT_EQ(GetMenuIconSize(zero.menu), 0);
  SInt16 font = 0;
  UInt16 fontSize = 0;
  ASSERT_EQ(GetMenuFont(zero.menu, &font, &fontSize), noErr);
  EXPECT_EQ(font, 4);
  EXPECT_EQ(fontSize, 13);
  config.iconSize = 32;
  UtilityMenu large(config);
  EXPECT_EQ(GetMenuIconSize(large.menu), 32);
  EXPECT_EQ(large.iconSize, 32);
}

TEST_F(TriggersTest, PlaceValueAndBlankTrigger) {
  TriggerConfig config;
  config.position = 5;
  config.screen = 1;
  config.offset = 5000;
  UtilityMenu edge(config);
  EXPECT_EQ(edge.Place(), 0x05011388u);
  config.screen = -1;
  config.offset = -2;
  UtilityMenu odd(config);
  EXPECT_EQ(odd.Place() >> 16, 0x05FFu) << "signed fields do not spill into each other";
  EXPECT_EQ(odd.Place() & 0xFFFF, 0xFFFEu);

  const std::size_t menusBefore = CountLiveMenusForTesting();
  {
    UtilityMenu blank;
    EXPECT_EQ(blank.Place(), 0u);
    EXPECT_EQ(blank.menu, nullptr);
    EXPECT_EQ(blank.sources, nullptr);
  }
  EXPECT_EQ(CountLiveMenusForTesting(), menusBefore) << "the blank trigger makes nothing";
  EXPECT_FALSE(AcceptsDrops(&edge));
}

}  // namespace
