// Reading one menu definition into the record the trigger constructors take,
// and the rule that decides which kind of trigger it becomes.
#include <algorithm>
#include <limits>

#include "platform/host/Transcript.h"
#include "shell/Settings.h"

namespace {

constexpr SInt8 kHighestPosition = kPositionMenuBar;

// Reads the keys of one definition, noting for the messages every value that
// is missing, of the wrong type or corrected (a hand-edited file may hold
// anything).
class DefinitionReader {
 public:
  DefinitionReader(CFDictionaryRef definition, SettingsNotes* notes)
      : definition_(definition), notes_(notes) {}

  // A key without a default: null, and the definition is skipped, when it
  // is missing or of another type than T.
  template <class T>
  T Required(const char* key, const char* needed) {
    auto value = static_cast<CFTypeRef>(CFDictionaryGetValue(definition_, CFSTR(key)));
    T typed = CFDictionaryGetTyped<T>(definition_, CFSTR(key));
    if (!value)
      Skip(Fmt("\"%s\" is missing", key));
    else if (!typed)
      Skip(WrongTypeNote(key, value, needed));
    return typed;
  }

  // A key with a default: null when absent or (noted) of another type.
  template <class T>
  T Optional(const char* key, const char* needed) {
    auto value = static_cast<CFTypeRef>(CFDictionaryGetValue(definition_, CFSTR(key)));
    T typed = CFDictionaryGetTyped<T>(definition_, CFSTR(key));
    if (value && !typed) Correct(WrongTypeNote(key, value, needed) + "; it counts as absent");
    return typed;
  }

  // A whole number read with the conversion of its Read-as type. A value
  // out of the type's range keeps what the conversion makes of it (257 in 8
  // bits reads as 1), and that is noted.
  template <class Int>
  Int Integer(CFNumberRef number, const char* key, CFNumberType type) {
    Int value = 0;
    (void)CFNumberGetValue(number, type, &value);
    SInt64 wide = 0;
    (void)CFNumberGetValue(number, kCFNumberSInt64Type, &wide);
    if (wide != value)
      Correct(Fmt("\"%s\" %lld is read as %lld (it holds %lld to %lld)", key,
                  static_cast<long long>(wide), static_cast<long long>(value),
                  static_cast<long long>(std::numeric_limits<Int>::min()),
                  static_cast<long long>(std::numeric_limits<Int>::max())));
    return value;
  }
  template <class Int>
  Int Integer(const char* key, CFNumberType type, Int fallback) {
    CFNumberRef number = Optional<CFNumberRef>(key, "an integer");
    return number ? Integer<Int>(number, key, type) : fallback;
  }

  // Data of a fixed record: the first size bytes of it; shorter data counts
  // as absent, and that is noted with what it means.
  CFDataRef Record(const char* key, CFIndex size, const char* withoutIt) {
    CFDataRef data = Optional<CFDataRef>(key, "data");
    if (data && CFDataGetLength(data) < size) {
      Correct(Fmt("\"%s\" has %ld bytes, %ld are needed; %s", key,
                  static_cast<long>(CFDataGetLength(data)), static_cast<long>(size), withoutIt));
      return nullptr;
    }
    return data;
  }

  void Skip(const std::string& why) {
    if (notes_) notes_->Skip(why);
    skipped_ = true;
  }
  void Correct(std::string what) {
    if (notes_) notes_->Correct(std::move(what));
  }
  bool skipped() const { return skipped_; }

 private:
  CFDictionaryRef definition_;
  SettingsNotes* notes_;
  bool skipped_ = false;
};

UInt16 ReadBigEndian16(const UInt8* p) { return static_cast<UInt16>(p[0] << 8 | p[1]); }

// "Square Size" is read wide, so that 100000 is a size too large rather than
// a 16-bit wrap to a negative one, then kept within what a tab can be.
SInt16 ReadSquareSize(DefinitionReader& reader) {
  CFNumberRef number = reader.Optional<CFNumberRef>(kSquareSizeKey, "an integer");
  if (!number) return kDefaultSquareSize;
  SInt64 size = 0;
  (void)CFNumberGetValue(number, kCFNumberSInt64Type, &size);
  const SInt64 kept = std::clamp<SInt64>(size, kSmallestSquareSize, kLargestSquareSize);
  if (kept != size)
    reader.Correct(Fmt("\"%s\" %lld is outside %d to %d pixels; the tab is %lld pixels",
                       kSquareSizeKey, static_cast<long long>(size), kSmallestSquareSize,
                       kLargestSquareSize, static_cast<long long>(kept)));
  return static_cast<SInt16>(kept);
}

}  // namespace

bool IsTabTrigger(const TriggerConfig& config) {
  return config.position != kPositionNone && config.modifiers == 0;
}

bool ReadTriggerConfig(CFDictionaryRef definition, TriggerConfig* config, TabLook* look,
                       SettingsNotes* notes) {
  if (!config || !definition ||
      CFGetTypeID(static_cast<CFTypeRef>(definition)) != CFDictionaryGetTypeID()) {
    if (notes && definition)
      notes->Skip("it is " + SettingsValueKind(definition) + ", a dictionary is needed");
    return false;
  }
  DefinitionReader reader(definition, notes);
  // The three keys without a default: a definition lacking one of them is
  // not a menu.
  CFArrayRef items = reader.Required<CFArrayRef>(kItemsKey, "an array");
  CFNumberRef position = reader.Required<CFNumberRef>(kPositionKey, "an integer");
  CFBooleanRef drags = reader.Required<CFBooleanRef>(kDragsKey, "a boolean");
  if (reader.skipped()) return false;

  TriggerConfig read;
  read.items = items;
  read.flags = CFBooleanGetValue(drags) ? kTriggerAcceptsDrops : 0;
  read.position = reader.Integer<SInt8>(position, kPositionKey, kCFNumberSInt8Type);
  read.screen = reader.Integer<SInt8>(kScreenKey, kCFNumberSInt8Type, 0);
  read.offset = reader.Integer<SInt16>(kOffsetKey, kCFNumberSInt16Type, 0);
  read.button = static_cast<UInt16>(reader.Integer<SInt16>(kButtonKey, kCFNumberSInt16Type, 0));
  read.modifiers =
      static_cast<UInt16>(reader.Integer<SInt16>(kModifiersKey, kCFNumberSInt16Type, 0));
  read.hotKey = reader.Record(kTriggerHotKeyKey, kTriggerHotKeySize, "the menu has no hot key");
  read.font = reader.Integer<SInt16>(kFontKey, kCFNumberSInt16Type, 0);
  read.size = static_cast<UInt16>(reader.Integer<SInt16>(kSizeKey, kCFNumberSInt16Type, 0));
  read.iconSize = static_cast<UInt16>(reader.Integer<SInt16>(kIconSizeKey, kCFNumberSInt16Type, 0));
  read.definitionNumber = MenuDefinitionNumber(definition);

  // A place outside the table keeps its trigger (and its hot key): it is
  // moved to no corner or edge, so a tab stays where it is made.
  if (read.position < kPositionNone || read.position > kHighestPosition)
    reader.Correct(Fmt("\"%s\" %d is none of the places 0 to %d; the menu is kept, %s",
                       kPositionKey, read.position, kHighestPosition,
                       IsTabTrigger(read) ? "its tab stays at the desktop's origin"
                                          : "reached by its hot key or a tab of the same place"));

  TabLook tab;
  if (IsTabTrigger(read)) {
    if (CFDataRef color = reader.Record(kColorKey, kColorSize, "the tab is black")) {
      UInt8 rgb[kColorSize];
      CFDataGetBytes(color, CFRangeMake(0, kColorSize), rgb);
      tab.color =
          RGBColor{ReadBigEndian16(rgb), ReadBigEndian16(rgb + 2), ReadBigEndian16(rgb + 4)};
    }
    if (CFNumberRef alpha = reader.Optional<CFNumberRef>(kAlphaKey, "a number"))
      (void)CFNumberGetValue(alpha, kCFNumberFloatType, &tab.alpha);
    tab.squareSize = ReadSquareSize(reader);
  }
  *config = read;
  if (look) *look = tab;
  return true;
}
