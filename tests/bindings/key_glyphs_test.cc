// The keys shown as glyphs: every key of the table by its code, its glyph and
// its name, as the lookups answer and as a menu item shows it, and every
// other key shown as its virtual key.
#include <gtest/gtest.h>

#include <set>

#include "bindings/KeyBindings.h"
#include "bindings/key_bindings_fixture.h"
#include "menus/ItemRecords.h"
#include "platform/events/Events.h"

namespace {

struct GlyphRow {
  UInt32 keyCode;
  const char* key;
  SInt16 glyph;
};

// The keys drawn as a glyph: key code, key, glyph code.
constexpr GlyphRow kExpectedGlyphs[] = {
    {0x24, "Return", 0x0B},
    {0x4C, "keypad Enter", 0x04},
    {0x30, "Tab", 0x02},
    {0x31, "Space", 0x09},
    {0x33, "Delete", 0x17},
    {0x35, "Escape", 0x1B},
    {0x47, "keypad Clear", 0x1C},
    {0x72, "Help", 0x67},
    {0x73, "Home", 0x66},
    {0x74, "Page Up", 0x62},
    {0x75, "Forward Delete", 0x0A},
    {0x77, "End", 0x69},
    {0x79, "Page Down", 0x6B},
    {0x7B, "Left Arrow", 0x18},
    {0x7C, "Right Arrow", 0x1A},
    {0x7D, "Down Arrow", 0x10},
    {0x7E, "Up Arrow", 0x19},
    {0x7A, "F1", 0x6F},
    {0x78, "F2", 0x70},
    {0x63, "F3", 0x71},
    {0x76, "F4", 0x72},
    {0x60, "F5", 0x73},
    {0x61, "F6", 0x74},
    {0x62, "F7", 0x75},
    {0x64, "F8", 0x76},
    {0x65, "F9", 0x77},
    {0x6D, "F10", 0x78},
    {0x67, "F11", 0x79},
    {0x6F, "F12", 0x7A},
    {0x69, "F13", 0x87},
    {0x6B, "F14", 0x88},
    {0x71, "F15", 0x89},
};

class KeyGlyphs : public bindings_test::KeyBindingsMenuTest {
 protected:
  void SetUp() override {
    KeyBindingsMenuTest::SetUp();
    ASSERT_EQ(AppendMenuItemTextWithCFString(menu, CFSTR("item"), 0, 0, &item), noErr);
  }
  MenuItemView View() { return GetMenuItemView(menu, item).value(); }

  MenuItemIndex item = 0;
};

TEST_F(KeyGlyphs, EveryKeyOfTheTableShowsItsOwnGlyph) {
  ASSERT_EQ(std::size(kExpectedGlyphs), 32u);
  for (const GlyphRow& row : kExpectedGlyphs) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(KeyGlyphForKeyCode(row.keyCode), row.glyph);
    ASSERT_NE(KeyGlyphName(row.glyph), nullptr);
    EXPECT_STREQ(KeyGlyphName(row.glyph), row.key);
    // An item showing the key before (a character key) keeps nothing of it.
    SetItemKey(menu, item, 0x28, cmdKey);
    SetItemKey(menu, item, row.keyCode, cmdKey | shiftKey);
    const MenuItemView view = View();
    EXPECT_EQ(view.glyph, row.glyph);
    EXPECT_TRUE(view.hasKeyEquivalent);
    EXPECT_EQ(view.commandKey, 0);
    EXPECT_FALSE(view.isVirtualKey);
    EXPECT_FALSE(view.attributes & kMenuItemAttrUseVirtualKey);
    EXPECT_EQ(view.modifiers, kMenuShiftModifier);
  }
}

TEST_F(KeyGlyphs, EveryOtherKeyShowsItsVirtualKeyAndNoGlyph) {
  std::set<UInt32> tableKeys;
  std::set<SInt16> tableGlyphs;
  for (const GlyphRow& row : kExpectedGlyphs) {
    tableKeys.insert(row.keyCode);
    tableGlyphs.insert(row.glyph);
  }
  // K (0x28) and A (0x00, which is still a key) among all the others.
  for (UInt32 keyCode = 0; keyCode <= 0x7F; ++keyCode) {
    if (tableKeys.contains(keyCode)) continue;
    SCOPED_TRACE(keyCode);
    EXPECT_EQ(KeyGlyphForKeyCode(keyCode), 0);
    SetItemKey(menu, item, 0x60, cmdKey);  // F5: a glyph to be replaced
    SetItemKey(menu, item, keyCode, cmdKey | optionKey);
    const MenuItemView view = View();
    EXPECT_EQ(view.glyph, 0);
    EXPECT_TRUE(view.hasKeyEquivalent);
    EXPECT_TRUE(view.isVirtualKey);
    EXPECT_EQ(view.commandKey, keyCode);
    EXPECT_EQ(view.modifiers, kMenuOptionModifier);
  }
  // Glyph codes of no key in the table have no name, nor has "no glyph".
  for (SInt16 glyph = 0; glyph <= 0xFF; ++glyph)
    if (!tableGlyphs.contains(glyph)) {
      EXPECT_EQ(KeyGlyphName(glyph), nullptr) << glyph;
    }
}

}  // namespace
