#include "platform/events/HotKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimHotKeys.h"

namespace {

constexpr UInt32 kSpace = 49;
constexpr EventHotKeyID kTriggerKey{'Kvn1', 0xFFFFFFFF};

struct Pressed {
  std::vector<EventHotKeyID> ids;
  std::vector<UInt32> kinds;
  EventHotKeyRef unregisterOnPress = nullptr;
};

OSStatus HotKeyHandler(EventHandlerCallRef, EventRef event, void* userData) {
  auto* p = static_cast<Pressed*>(userData);
  EventHotKeyID id;
  EventParamType type = 0;
  ByteCount size = 0;
  if (GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, &type, sizeof id, &size,
                        &id) != noErr)
    return eventNotHandledErr;
  p->ids.push_back(id);
  p->kinds.push_back(GetEventKind(event));
  if (p->unregisterOnPress) {
    EXPECT_EQ(UnregisterEventHotKey(p->unregisterOnPress), noErr);
    p->unregisterOnPress = nullptr;
  }
  return noErr;
}

class HotKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop.host().hotKeys = &keys;
    const EventTypeSpec types[] = {{kEventClassKeyboard, kEventHotKeyPressed},
                                   {kEventClassKeyboard, kEventHotKeyReleased}};
    ASSERT_EQ(InstallApplicationEventHandler(HotKeyHandler, GetEventTypeCount(types), types,
                                             &pressed, &handler),
              noErr);
  }
  void TearDown() override { EXPECT_EQ(RemoveEventHandler(handler), noErr); }
  bool Transcribed(const std::string& line) const {
    const auto& lines = desktop.recorder.lines;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  SimDesktop desktop;
  SimHotKeys keys;
  Pressed pressed;
  EventHandlerRef handler = nullptr;
};

TEST_F(HotKeys, TakenCombinationsAreRefusedAndOutIsUntouched) {
  EventHotKeyRef ref = nullptr;
  ASSERT_EQ(RegisterEventHotKey(kSpace, cmdKey | optionKey, kTriggerKey,
                                GetApplicationEventTarget(), 0, &ref),
            noErr);
  ASSERT_NE(ref, nullptr);
  EXPECT_TRUE(Transcribed("hot key registered: key 49 mods 0x0900 id 'Kvn1'/0xFFFFFFFF"));

  auto* const sentinel = reinterpret_cast<EventHotKeyRef>(0x1);
  EventHotKeyRef again = sentinel;
  EXPECT_EQ(RegisterEventHotKey(kSpace, cmdKey | optionKey, {'Kvn1', 0xFFFFFFFE},
                                GetApplicationEventTarget(), 0, &again),
            eventHotKeyExistsErr);
  EXPECT_EQ(again, sentinel);

  keys.MarkTaken(kSpace, controlKey);
  EventHotKeyRef taken = sentinel;
  EXPECT_EQ(
      RegisterEventHotKey(kSpace, controlKey, kTriggerKey, GetApplicationEventTarget(), 0, &taken),
      eventHotKeyExistsErr);
  EXPECT_EQ(taken, sentinel);
  EXPECT_TRUE(Transcribed("hot key refused: key 49 mods 0x1000 id 'Kvn1'/0xFFFFFFFF (-9878)"));
  EXPECT_EQ(keys.Press(kSpace, controlKey), eventHotKeyInvalidErr);
  EXPECT_TRUE(Transcribed("hot key pressed: key 49 mods 0x1000: taken by another program"));

  // Unregistering frees the combination for a new registration.
  EXPECT_EQ(UnregisterEventHotKey(ref), noErr);
  EXPECT_FALSE(keys.IsGrabbed(kSpace, cmdKey | optionKey));
  EXPECT_EQ(UnregisterEventHotKey(ref), eventHotKeyInvalidErr);
  EXPECT_EQ(RegisterEventHotKey(kSpace, cmdKey | optionKey, kTriggerKey,
                                GetApplicationEventTarget(), 0, &ref),
            noErr);
  EXPECT_EQ(UnregisterEventHotKey(ref), noErr);
}

TEST_F(HotKeys, PressDeliversTheIdentifierToTheApplication) {
  EventHotKeyRef trigger = nullptr, item = nullptr;
  ASSERT_EQ(RegisterEventHotKey(kSpace, cmdKey | optionKey, kTriggerKey,
                                GetApplicationEventTarget(), 0, &trigger),
            noErr);
  ASSERT_EQ(RegisterEventHotKey(0x28, cmdKey | optionKey, {'Kvn2', 0xFFFFFFFE},
                                GetApplicationEventTarget(), 0, &item),
            noErr);
  EXPECT_EQ(keys.Press(0x28, cmdKey | optionKey), noErr);
  EXPECT_EQ(keys.Release(0x28, cmdKey | optionKey), noErr);
  ASSERT_EQ(pressed.ids.size(), 2u);
  EXPECT_EQ(pressed.ids[0].signature, OSType('Kvn2'));
  EXPECT_EQ(pressed.ids[0].id, 0xFFFFFFFEu);
  EXPECT_EQ(pressed.kinds, (std::vector<UInt32>{kEventHotKeyPressed, kEventHotKeyReleased}));
  EXPECT_TRUE(Transcribed("hot key pressed: key 40 mods 0x0900 id 'Kvn2'/0xFFFFFFFE"));

  // A handler may unregister the very key that is being pressed.
  pressed.unregisterOnPress = trigger;
  EXPECT_EQ(keys.Press(kSpace, cmdKey | optionKey), noErr);
  EXPECT_EQ(pressed.ids.back().id, 0xFFFFFFFFu);
  EXPECT_EQ(keys.Press(kSpace, cmdKey | optionKey), eventHotKeyInvalidErr);
  EXPECT_TRUE(Transcribed("hot key pressed: key 49 mods 0x0900: nothing bound"));
  EXPECT_EQ(pressed.ids.size(), 3u);
  EXPECT_EQ(UnregisterEventHotKey(item), noErr);
}

TEST_F(HotKeys, WithoutHostHotKeysNothingRegisters) {
  desktop.host().hotKeys = nullptr;
  EventHotKeyRef ref = nullptr;
  EXPECT_EQ(RegisterEventHotKey(kSpace, cmdKey, kTriggerKey, GetApplicationEventTarget(), 0, &ref),
            eventInternalErr);
  EXPECT_EQ(ref, nullptr);
  EXPECT_FALSE(IsEventHotKeyRegistered(kSpace, cmdKey));
  EXPECT_EQ(DispatchHotKeyEvent(kSpace, cmdKey, kEventHotKeyPressed), eventHotKeyInvalidErr);
}

}  // namespace
