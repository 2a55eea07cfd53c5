// An item's key equivalent as a binding shows it: glyph or virtual key, and
// the menu modifier flags.
#include <array>

#include "bindings/KeyBindings.h"
#include "platform/events/Events.h"

namespace {

struct KeyGlyph {
  UInt32 keyCode;
  const char* name;
  SInt16 glyph;
};

// Keys whose key equivalent is drawn as a glyph rather than a character.
constexpr std::array<KeyGlyph, 32> kGlyphTable{{
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
}};

}  // namespace

UInt8 MenuModifiersForMask(UInt32 modifiers) {
  UInt8 flags = kMenuNoModifiers;
  if (modifiers & shiftKey) flags |= kMenuShiftModifier;
  if (modifiers & optionKey) flags |= kMenuOptionModifier;
  if (modifiers & controlKey) flags |= kMenuControlModifier;
  if (!(modifiers & cmdKey)) flags |= kMenuNoCommandModifier;
  return flags;
}

SInt16 KeyGlyphForKeyCode(UInt32 keyCode) {
  for (const KeyGlyph& entry : kGlyphTable)
    if (entry.keyCode == keyCode) return entry.glyph;
  return 0;
}

const char* KeyGlyphName(SInt16 glyph) {
  for (const KeyGlyph& entry : kGlyphTable)
    if (entry.glyph == glyph) return entry.name;
  return nullptr;
}

void ClearItemKey(MenuRef menu, MenuItemIndex item) {
  ChangeMenuItemAttributes(menu, item, 0, kMenuItemAttrUseVirtualKey);
  SetMenuItemCommandKey(menu, item, false, 0);
  SetMenuItemKeyGlyph(menu, item, 0);
}

void SetItemKey(MenuRef menu, MenuItemIndex item, UInt32 keyCode, UInt32 modifiers) {
  // Nothing of an earlier key stays.
  ClearItemKey(menu, item);
  // Only shift, option, control and command can be shown.
  SetMenuItemModifiers(menu, item, MenuModifiersForMask(modifiers));
  // A key with a glyph shows the glyph, any other its character.
  if (SInt16 glyph = KeyGlyphForKeyCode(keyCode); glyph != 0)
    SetMenuItemKeyGlyph(menu, item, glyph);
  else
    SetMenuItemCommandKey(menu, item, true, static_cast<UInt16>(keyCode & 0xFFFF));
}
