// Reading one menu definition into the record the trigger constructors take,
// and the rule that decides which kind of trigger it becomes.
#include "shell/Settings.h"

namespace {

constexpr SInt8 kHighestPosition = kPositionMenuBar;

// The value under key when it has the type T; null when absent or of
// another type (a hand-edited file may hold anything).
template <class T>
T Typed(CFDictionaryRef definition, const char* key) {
  return CFDictionaryGetTyped<T>(definition, CFSTR(key));
}

// A number read with the conversion of its Read-as type; the default when
// the key is absent or not a number. A value out of the type's range keeps
// what the conversion makes of it, as for every other number here.
template <class Int>
Int ReadNumber(CFDictionaryRef definition, const char* key, CFNumberType type, Int fallback) {
  CFNumberRef number = Typed<CFNumberRef>(definition, key);
  if (!number) return fallback;
  Int value = fallback;
  (void)CFNumberGetValue(number, type, &value);
  return value;
}

UInt16 ReadBigEndian16(const UInt8* p) { return static_cast<UInt16>(p[0] << 8 | p[1]); }

}  // namespace

bool IsTabTrigger(const TriggerConfig& config) {
  return config.position != kPositionNone && config.modifiers == 0;
}

bool ReadTriggerConfig(CFDictionaryRef definition, TriggerConfig* config, TabLook* look) {
  if (!config || !definition ||
      CFGetTypeID(static_cast<CFTypeRef>(definition)) != CFDictionaryGetTypeID())
    return false;
  // The three keys without a default: a definition lacking one of them is
  // not a menu.
  CFArrayRef items = Typed<CFArrayRef>(definition, kItemsKey);
  CFNumberRef position = Typed<CFNumberRef>(definition, kPositionKey);
  CFBooleanRef drags = Typed<CFBooleanRef>(definition, kDragsKey);
  if (!items || !position || !drags) return false;

  TriggerConfig read;
  read.items = items;
  read.flags = CFBooleanGetValue(drags) ? kTriggerAcceptsDrops : 0;
  (void)CFNumberGetValue(position, kCFNumberSInt8Type, &read.position);
  if (read.position < kPositionNone || read.position > kHighestPosition) return false;
  read.screen = ReadNumber<SInt8>(definition, kScreenKey, kCFNumberSInt8Type, 0);
  read.offset = ReadNumber<SInt16>(definition, kOffsetKey, kCFNumberSInt16Type, 0);
  read.button =
      static_cast<UInt16>(ReadNumber<SInt16>(definition, kButtonKey, kCFNumberSInt16Type, 0));
  read.modifiers =
      static_cast<UInt16>(ReadNumber<SInt16>(definition, kModifiersKey, kCFNumberSInt16Type, 0));
  CFDataRef hotKey = Typed<CFDataRef>(definition, kTriggerHotKeyKey);
  read.hotKey = hotKey && CFDataGetLength(hotKey) >= kTriggerHotKeySize ? hotKey : nullptr;
  read.font = ReadNumber<SInt16>(definition, kFontKey, kCFNumberSInt16Type, 0);
  read.size = static_cast<UInt16>(ReadNumber<SInt16>(definition, kSizeKey, kCFNumberSInt16Type, 0));
  read.iconSize =
      static_cast<UInt16>(ReadNumber<SInt16>(definition, kIconSizeKey, kCFNumberSInt16Type, 0));

  TabLook tab;
  if (IsTabTrigger(read)) {
    if (CFDataRef color = Typed<CFDataRef>(definition, kColorKey);
        color && CFDataGetLength(color) >= kColorSize) {
      UInt8 rgb[kColorSize];
      CFDataGetBytes(color, CFRangeMake(0, kColorSize), rgb);
      tab.color =
          RGBColor{ReadBigEndian16(rgb), ReadBigEndian16(rgb + 2), ReadBigEndian16(rgb + 4)};
    }
    tab.alpha = ReadNumber<float>(definition, kAlphaKey, kCFNumberFloatType, 0.0f);
    tab.squareSize =
        ReadNumber<SInt16>(definition, kSquareSizeKey, kCFNumberSInt16Type, kDefaultSquareSize);
  }
  *config = read;
  if (look) *look = tab;
  return true;
}
