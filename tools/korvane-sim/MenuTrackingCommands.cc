// Commands for popping menus up and working them: the pointer, opening a
// trigger's menu as a click on its tab or a hot key would, and the steps
// of the scripted user while the menu is tracked.
#include <cstdlib>
#include <string>
#include <vector>

#include "actions/OpenItems.h"
#include "korvane-sim/Simulator.h"
#include "platform/events/Events.h"
#include "platform/host/Transcript.h"
#include "platform/menus/MenuTracking.h"
#include "triggers/Triggers.h"

namespace {

long Number(const ScenarioLine& line, const std::string& word, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || value < low || value > high)
    throw ScenarioError(line, Fmt("not a number from %ld to %ld: %s", low, high, word.c_str()));
  return value;
}

SInt16 Coordinate(const ScenarioLine& line, const std::string& word) {
  return static_cast<SInt16>(Number(line, word, -32768, 32767));
}

void MovePointer(Simulator& sim, SInt16 x, SInt16 y) {
  sim.desktop().input.pointer = Point{y, x};
  sim.Note(Fmt("pointer at %d,%d", x, y));
}

void Pointer(Simulator& sim, const ScenarioLine& l) {
  if (l.words.size() != 3) throw ScenarioError(l, "usage: pointer X Y");
  MovePointer(sim, Coordinate(l, l.words[1]), Coordinate(l, l.words[2]));
}

// menu open|pick N [at X Y] [tab]: open shows the menu only; pick also acts
// on the choice, as a click on the tab or the hot key does.
void OpenMenu(Simulator& sim, const ScenarioLine& l) {
  const char* usage = "usage: menu open|pick N [at X Y] [tab]";
  if (l.words.size() < 3 || (l.words[1] != "open" && l.words[1] != "pick"))
    throw ScenarioError(l, usage);
  const long n = Number(l, l.words[2], 1, 0xFFFF);
  if (static_cast<std::size_t>(n) > gTriggers.size())
    throw ScenarioError(l, Fmt("no trigger %ld (the agent has %zu)", n, gTriggers.size()));
  bool tab = false;
  for (std::size_t w = 3; w < l.words.size(); ++w) {
    if (l.words[w] == "tab") {
      tab = true;
    } else if (l.words[w] == "at" && w + 2 < l.words.size()) {
      MovePointer(sim, Coordinate(l, l.words[w + 1]), Coordinate(l, l.words[w + 2]));
      w += 2;
    } else {
      throw ScenarioError(l, usage);
    }
  }
  UtilityMenu* trigger = gTriggers[static_cast<std::size_t>(n - 1)];
  if (l.words[1] == "pick") {
    ShowMenuAndOpenChoice(trigger, tab);
    return;
  }
  const UInt32 result = trigger->ShowMenu(tab);
  if (result == 0)
    sim.Note(Fmt("menu result: 0 (nothing chosen)"));
  else
    sim.Note(Fmt("menu result: 0x%08X (menu %u item %u)", result, result >> 16, result & 0xFFFF));
}

void MenuSize(Simulator& sim, const ScenarioLine& l) {
  SimMenuTracking& tracking = sim.desktop().menuTracking;
  if (l.words.size() == 2 && l.words[1] == "measured") {
    tracking.fixedSize.reset();
  } else if (l.words.size() == 3) {
    tracking.fixedSize = {static_cast<SInt16>(Number(l, l.words[1], 0, 32767)),
                          static_cast<SInt16>(Number(l, l.words[2], 0, 32767))};
  } else {
    throw ScenarioError(l, "usage: menu-size W H | menu-size measured");
  }
}

// The item path of a step: the words after the step's name, with ">"
// between them allowed.
std::vector<std::string> Path(const ScenarioLine& l, std::size_t from) {
  std::vector<std::string> path;
  for (std::size_t w = from; w < l.words.size(); ++w)
    if (l.words[w] != ">") path.push_back(l.words[w]);
  return path;
}

UInt32 ModifierMask(const ScenarioLine& l, std::size_t from) {
  UInt32 mask = 0;
  for (std::size_t w = from; w < l.words.size(); ++w) {
    const std::string& word = l.words[w];
    if (word == "cmd")
      mask |= cmdKey;
    else if (word == "shift")
      mask |= shiftKey;
    else if (word == "option")
      mask |= optionKey;
    else if (word == "control")
      mask |= controlKey;
    else if (word != "none")
      throw ScenarioError(l, "not a modifier (cmd shift option control none): " + word);
  }
  return mask;
}

void Track(Simulator& sim, const ScenarioLine& l) {
  const char* usage =
      "usage: track highlight|open|choose ITEM [> ITEM]... | track choose | track off | "
      "track modifiers MOD... | track key CODE [repeat] | track cancel | track wait SECONDS | "
      "track do COMMAND...";
  if (l.words.size() < 2) throw ScenarioError(l, usage);
  const std::string& what = l.words[1];
  SimMenuStep step;
  using Kind = SimMenuStep::Kind;
  if (what == "highlight" || what == "open") {
    step.kind = what == "open" ? Kind::kOpen : Kind::kHighlight;
    step.path = Path(l, 2);
    if (step.path.empty()) throw ScenarioError(l, usage);
  } else if (what == "choose") {
    step.kind = Kind::kChoose;
    step.path = Path(l, 2);
  } else if (what == "off" && l.words.size() == 2) {
    step.kind = Kind::kOff;
  } else if (what == "modifiers" && l.words.size() >= 3) {
    step.kind = Kind::kModifiers;
    step.value = ModifierMask(l, 2);
  } else if (what == "key" &&
             (l.words.size() == 3 || (l.words.size() == 4 && l.words[3] == "repeat"))) {
    step.kind = Kind::kKey;
    step.value = static_cast<UInt32>(Number(l, l.words[2], 0, 127));
    step.repeat = l.words.size() == 4;
  } else if (what == "cancel" && l.words.size() == 2) {
    step.kind = Kind::kCancel;
  } else if (what == "wait" && l.words.size() == 3) {
    step.kind = Kind::kWait;
    char* end = nullptr;
    step.seconds = std::strtod(l.words[2].c_str(), &end);
    if (*end != '\0' || !(step.seconds >= 0))
      throw ScenarioError(l, "not a number of seconds: " + l.words[2]);
  } else if (what == "do" && l.words.size() >= 3) {
    step.kind = Kind::kDo;
    ScenarioLine inner = l;
    inner.words.erase(inner.words.begin(), inner.words.begin() + 2);
    const std::size_t at = l.text.find("do ");
    inner.text = at == std::string::npos ? l.text : l.text.substr(at + 3);
    step.description = inner.text;
    step.action = [&sim, inner] { sim.ExecuteMeanwhile(inner); };
  } else {
    throw ScenarioError(l, usage);
  }
  sim.desktop().menuTracking.Queue(std::move(step));
}

}  // namespace

void RegisterMenuTrackingCommands(CommandTable& t) {
  t["pointer"] = {"pointer X Y (the pointer moves there; the agent reads it when it asks)",
                  Pointer};
  t["menu"] = {
      "menu open|pick N [at X Y] [tab] (trigger N's menu pops up, at the pointer or, with "
      "tab, beside its tab; the steps queued with track work it; pick then acts on the choice)",
      OpenMenu};
  t["menu-size"] = {"menu-size W H | menu-size measured (the size every menu measures)", MenuSize};
  t["track"] = {"track STEP (queues a step of the user for the next menu tracking)", Track};
}
