// Commands for menus and hot keys: showing a menu tree, and the user
// pressing global hot keys.
#include "korvane-sim/MenuCommands.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "bindings/KeyBindings.h"
#include "hosts/sim/SimHotKeys.h"
#include "korvane-sim/MenuPrinter.h"
#include "menus/ItemRecords.h"
#include "platform/core/Handles.h"
#include "platform/events/Events.h"
#include "platform/files/Aliases.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"
#include "platform/propertylists/PropertyList.h"

namespace {

struct Subject {
  std::string usage;
  ShowSubject run;
};

std::map<std::string, Subject>& Subjects() {
  static std::map<std::string, Subject> subjects;
  return subjects;
}

std::string ShowUsage() {
  std::string usage;
  for (const auto& [what, subject] : Subjects())
    usage += (usage.empty() ? "" : " | ") + subject.usage;
  return usage;
}

bool ParseNumber(const std::string& word, UInt32* value) {
  if (word.empty()) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(word.c_str(), &end, 0);
  if (*end != '\0' || v > 0xFFFFFFFFul || word[0] == '-') return false;
  *value = static_cast<UInt32>(v);
  return true;
}

SimHotKeys& HotKeysOf(Simulator& sim, const ScenarioLine&) { return sim.desktop().hotKeys; }

std::string PreferenceFile(Simulator& sim) {
  return sim.home() + "/.config/korvane/com.talvik.korvane.plist";
}

// The preference file as a mutable dictionary; empty when there is none.
CFRef<CFMutableDictionaryRef> ReadPreferences(Simulator& sim, const ScenarioLine& line) {
  CFRef<CFPropertyListRef> plist;
  const OSStatus status =
      ReadPropertyListFile(PreferenceFile(sim), kCFPropertyListMutableContainers, &plist);
  if (status == fnfErr)
    return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                     &kCFTypeDictionaryValueCallBacks);
  auto dict = CFRefAs<CFMutableDictionaryRef>(std::move(plist));
  if (!dict) throw ScenarioError(line, "the preference file is not a dictionary");
  return dict;
}

std::string ItemPathText(CFDictionaryRef entry) {
  CFStringRef url = CFDictionaryGetTyped<CFStringRef>(entry, CFSTR(kBindingURLKey));
  return url ? TranscriptPath(CFStringToUTF8(url)) : std::string("(no path)");
}

// "stored-binding PATH KEYCODE MODIFIERS [as STOREDPATH] [no-alias]": what the
// preference pane writes. The alias is made for PATH when it exists; "URL"
// is STOREDPATH when given (a path that went stale), else PATH.
void StoredBinding(Simulator& sim, const ScenarioLine& l) {
  const char* usage = "usage: stored-binding PATH KEYCODE MODIFIERS [as STOREDPATH] [no-alias]";
  if (l.words.size() < 4) throw ScenarioError(l, usage);
  const std::string path = sim.SandboxPath(l, l.words[1]);
  std::string storedPath = path;
  bool withAlias = true;
  for (std::size_t i = 4; i < l.words.size(); ++i) {
    if (l.words[i] == "as" && i + 1 < l.words.size())
      storedPath = sim.SandboxPath(l, l.words[++i]);
    else if (l.words[i] == "no-alias")
      withAlias = false;
    else
      throw ScenarioError(l, usage);
  }
  const UInt32 key = ParseKeyCode(l, l.words[2]);
  const UInt32 mods = ParseModifiers(l, l.words[3]);
  const std::array<UInt8, 8> hotKey{static_cast<UInt8>(key >> 24),  static_cast<UInt8>(key >> 16),
                                    static_cast<UInt8>(key >> 8),   static_cast<UInt8>(key),
                                    static_cast<UInt8>(mods >> 24), static_cast<UInt8>(mods >> 16),
                                    static_cast<UInt8>(mods >> 8),  static_cast<UInt8>(mods)};
  auto entry = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                         &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(entry, CFSTR(kHotKeyKey), CFDataCreate(nullptr, hotKey.data(), 8).get());
  CFDictionarySetValue(entry, CFSTR(kBindingURLKey), CFStringFromUTF8(storedPath).get());
  FSRef ref;
  AliasHandle alias = nullptr;
  if (withAlias &&
      FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr) == noErr &&
      FSNewAlias(nullptr, &ref, &alias) == noErr) {
    CFDictionarySetValue(
        entry, CFSTR(kBindingAliasKey),
        CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(*alias), GetHandleSize(alias)).get());
    DisposeHandle(alias);
  }
  auto prefs = ReadPreferences(sim, l);
  CFArrayRef old = CFDictionaryGetTyped<CFArrayRef>(prefs, CFSTR(kKeyBindingsKey));
  auto bindings = old ? CFArrayCreateMutableCopy(nullptr, 0, old)
                      : CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(bindings, entry.get());
  CFDictionarySetValue(prefs, CFSTR(kKeyBindingsKey), bindings.get());
  std::filesystem::create_directories(sim.home() + "/.config/korvane");
  if (WritePropertyListFile(PreferenceFile(sim), prefs, 0600) != noErr)
    throw ScenarioError(l, "cannot write the preference file");
}

// "show bindings": the stored entries as the preference file holds them,
// then the bindings the agent registered.
void ShowBindings(Simulator& sim, const ScenarioLine& l) {
  auto prefs = ReadPreferences(sim, l);
  CFArrayRef stored = CFDictionaryGetTyped<CFArrayRef>(prefs, CFSTR(kKeyBindingsKey));
  const CFIndex count = stored ? CFArrayGetCount(stored) : 0;
  sim.Note(Fmt("bindings: %ld stored, %zu registered", static_cast<long>(count),
               gKeyBindingRecords.size()));
  for (CFIndex i = 0; i < count; ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(stored, i));
    auto entry = dynamic_cast<CFDictionaryRef>(value);
    CFDataRef hotKey = entry ? CFDictionaryGetTyped<CFDataRef>(entry, CFSTR(kHotKeyKey)) : nullptr;
    if (!hotKey || CFDataGetLength(hotKey) != kHotKeyDataSize) {
      sim.Note("  stored: (no hot key)");
      continue;
    }
    const UInt8* b = CFDataGetBytePtr(hotKey);
    const UInt32 key = UInt32{b[0]} << 24 | UInt32{b[1]} << 16 | UInt32{b[2]} << 8 | b[3];
    const UInt32 mods = UInt32{b[4]} << 24 | UInt32{b[5]} << 16 | UInt32{b[6]} << 8 | b[7];
    const bool alias = CFDictionaryGetTyped<CFDataRef>(entry, CFSTR(kBindingAliasKey)) != nullptr;
    sim.Note(Fmt("  stored: key %u mods 0x%04X %s%s", key, mods, ItemPathText(entry).c_str(),
                 alias ? " (alias)" : ""));
  }
  for (const auto& record : gKeyBindingRecords) {
    std::array<UInt8, 4096> path{};
    std::string item = record->nodeID == 0 ? "(missing item)"
                       : FSRefMakePath(&record->fileRef, path.data(), path.size()) == noErr
                           ? TranscriptPath(reinterpret_cast<const char*>(path.data()))
                           : "(gone)";
    sim.Note(Fmt("  registered: key %u mods 0x%04X %s", record->keyCode, record->modifiers,
                 item.c_str()));
  }
}

void ShowMenu(Simulator& sim, const ScenarioLine& l) {
  UInt32 id = 0;
  const bool withProperties = l.words.size() == 4 && l.words[3] == "properties";
  if (l.words.size() < 3 || l.words.size() > 4 || (l.words.size() == 4 && !withProperties) ||
      !ParseNumber(l.words[2], &id) || id > 0xFFFF)
    throw ScenarioError(l, "usage: show menu ID [properties]");
  MenuRef menu = FindAgentMenu(static_cast<MenuID>(static_cast<UInt16>(id)));
  if (!menu) {
    sim.Note(Fmt("menu %s: none", l.words[2].c_str()));
    return;
  }
  for (const std::string& line : DescribeMenuTree(menu, withProperties)) sim.Note(line);
}

}  // namespace

void RegisterShowSubject(const std::string& what, const std::string& usage, ShowSubject run) {
  Subjects()[what] = Subject{usage, std::move(run)};
}

UInt32 ParseKeyCode(const ScenarioLine& line, const std::string& word) {
  UInt32 keyCode = 0;
  if (!ParseNumber(word, &keyCode)) throw ScenarioError(line, "not a key code: " + word);
  return keyCode;
}

UInt32 ParseModifiers(const ScenarioLine& line, const std::string& word) {
  UInt32 mask = 0;
  if (ParseNumber(word, &mask)) return mask;
  static const std::map<std::string, UInt32> kNames{{"cmd", cmdKey},
                                                    {"shift", shiftKey},
                                                    {"opt", optionKey},
                                                    {"ctrl", controlKey},
                                                    {"fn", kEventKeyModifierFnMask},
                                                    {"none", 0}};
  std::size_t start = 0;
  while (start <= word.size()) {
    const std::size_t plus = word.find('+', start);
    const std::string name =
        word.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    auto it = kNames.find(name);
    if (it == kNames.end()) throw ScenarioError(line, "not a modifier mask: " + word);
    mask |= it->second;
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  return mask;
}

void RegisterMenuCommands(CommandTable& t) {
  RegisterShowSubject("menu", "show menu ID [properties]", ShowMenu);
  RegisterShowSubject("bindings", "show bindings", ShowBindings);
  t["stored-binding"] = {
      "stored-binding PATH KEYCODE MODIFIERS [as STOREDPATH] [no-alias] (a binding in the "
      "preference file, as the preference pane stores it)",
      StoredBinding};
  t["show"] = {"show WHAT ... (see the subjects: show menu ID [properties], ...)",
               [](Simulator& sim, const ScenarioLine& l) {
                 auto it = l.words.size() >= 2 ? Subjects().find(l.words[1]) : Subjects().end();
                 if (it == Subjects().end()) throw ScenarioError(l, "usage: " + ShowUsage());
                 it->second.run(sim, l);
               }};
  t["press-hotkey"] = {"press-hotkey KEYCODE MODIFIERS (the user presses a global hot key)",
                       [](Simulator& sim, const ScenarioLine& l) {
                         if (l.words.size() != 3)
                           throw ScenarioError(l, "usage: press-hotkey KEYCODE MODIFIERS");
                         (void)HotKeysOf(sim, l).Press(ParseKeyCode(l, l.words[1]),
                                                       ParseModifiers(l, l.words[2]));
                       }};
  t["release-hotkey"] = {"release-hotkey KEYCODE MODIFIERS (the user lets go of it)",
                         [](Simulator& sim, const ScenarioLine& l) {
                           if (l.words.size() != 3)
                             throw ScenarioError(l, "usage: release-hotkey KEYCODE MODIFIERS");
                           (void)HotKeysOf(sim, l).Release(ParseKeyCode(l, l.words[1]),
                                                           ParseModifiers(l, l.words[2]));
                         }};
  t["hotkey-taken"] = {"hotkey-taken KEYCODE MODIFIERS (another program holds the combination)",
                       [](Simulator& sim, const ScenarioLine& l) {
                         if (l.words.size() != 3)
                           throw ScenarioError(l, "usage: hotkey-taken KEYCODE MODIFIERS");
                         HotKeysOf(sim, l).MarkTaken(ParseKeyCode(l, l.words[1]),
                                                     ParseModifiers(l, l.words[2]));
                       }};
}
