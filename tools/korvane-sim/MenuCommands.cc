// Commands for menus and hot keys: showing a menu tree, and the user
// pressing global hot keys.
#include "korvane-sim/MenuCommands.h"

#include <cstdlib>
#include <map>

#include "hosts/sim/SimHotKeys.h"
#include "korvane-sim/MenuPrinter.h"
#include "menus/ItemRecords.h"
#include "platform/Events.h"

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

SimHotKeys& HotKeysOf(Simulator& sim, const ScenarioLine& line) {
  auto* keys = dynamic_cast<SimHotKeys*>(sim.desktop().host().hotKeys);
  if (!keys) throw ScenarioError(line, "the simulated desktop has no hot keys");
  return *keys;
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
  static const std::map<std::string, UInt32> kNames{
      {"cmd", cmdKey}, {"shift", shiftKey}, {"opt", optionKey},
      {"ctrl", controlKey}, {"fn", kEventKeyModifierFnMask}, {"none", 0}};
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
