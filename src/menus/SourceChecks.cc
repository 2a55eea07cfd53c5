// What is wrong with a source entry as the user wrote it: values of the
// wrong type (read as absent), and entries that can show nothing.
#include <array>
#include <utility>

#include "menus/MenuBuilder.h"
#include "menus/WorkingSources.h"
#include "platform/host/Transcript.h"
#include "shell/Settings.h"

namespace {

constexpr SInt8 kHighestSplitItems = 3;

enum class Kind { kString, kData, kBoolean, kNumber };

// The keys a source entry is read by, with the type each must have. "Type"
// is checked on its own: it may be a string or data.
constexpr std::array<std::pair<const char*, Kind>, 14> kTypedKeys{{
    {"URL", Kind::kString},
    {"Alias", Kind::kData},
    {"Text", Kind::kString},
    {"Default Name", Kind::kString},
    {"Is Submenu", Kind::kBoolean},
    {"No Hier", Kind::kBoolean},
    {"Inline Name", Kind::kBoolean},
    {"Use Icons", Kind::kBoolean},
    {"No Dir Open", Kind::kBoolean},
    {"Split Items", Kind::kNumber},
    {"Filter Kind", Kind::kNumber},
    {"Font", Kind::kNumber},
    {"Size", Kind::kNumber},
    {"Icon Size", Kind::kNumber},
}};

bool HasKind(CFTypeRef value, Kind kind) {
  const CFTypeID type = CFGetTypeID(value);
  switch (kind) {
    case Kind::kString: return type == CFStringGetTypeID();
    case Kind::kData: return type == CFDataGetTypeID();
    case Kind::kBoolean: return type == CFBooleanGetTypeID();
    case Kind::kNumber: return type == CFNumberGetTypeID();
  }
  return false;
}

const char* KindText(Kind kind) {
  switch (kind) {
    case Kind::kString: return "a string";
    case Kind::kData: return "data";
    case Kind::kBoolean: return "a boolean";
    case Kind::kNumber: return "an integer";
  }
  return "";
}

}  // namespace

bool CheckSourceEntry(CFTypeRef value, SettingsNotes* notes) {
  if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID()) {
    notes->Skip("it is " + SettingsValueKind(value) + ", a dictionary is needed");
    return false;
  }
  auto entry = static_cast<CFDictionaryRef>(value);
  for (const auto& [key, kind] : kTypedKeys) {
    auto keyValue = static_cast<CFTypeRef>(CFDictionaryGetValue(entry, CFSTR(key)));
    if (keyValue && !HasKind(keyValue, kind))
      notes->Correct(WrongTypeNote(key, keyValue, KindText(kind)) + "; it counts as absent");
  }
  // "Split Items" orders a folder listing; a code of no order lists nothing.
  if (auto split = CFDictionaryGetTyped<CFNumberRef>(entry, kSourceSplitItemsKey)) {
    SInt8 order = 0;
    (void)CFNumberGetValue(split, kCFNumberSInt8Type, &order);
    if (order < 0 || order > kHighestSplitItems)
      notes->Correct(Fmt("\"Split Items\" %d is none of 0 to %d; a folder of it lists nothing",
                         order, kHighestSplitItems));
  }
  // With a "URL" the source is that item, whatever "Type" says. Without one
  // "Type" says what the source is.
  if (SourceString(entry, kSourceURLKey)) return true;
  auto type = static_cast<CFTypeRef>(CFDictionaryGetValue(entry, kSourceTypeKey));
  OSType code = 0;
  bool isSeparator = false;
  if (!type)
    notes->Skip("it has neither \"URL\" nor \"Type\"");
  else if (CFGetTypeID(type) != CFStringGetTypeID() && CFGetTypeID(type) != CFDataGetTypeID())
    notes->Skip(WrongTypeNote("Type", type, "a string or data"));
  else if (!ParseSourceType(type, &code, &isSeparator))
    notes->Skip("\"Type\" is not a type code of one to four characters");
  return notes->skipped.empty();
}
