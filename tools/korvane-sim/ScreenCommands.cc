// Commands for the screens and the windows on them: declaring the screens
// (before start, silently; after start as a display configuration change the
// agent hears of), asking a window to paint itself, writing a window's
// pixels to a PNG file so that a person can look at a tab, and listing the
// screens and the tabs.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "korvane-sim/MenuCommands.h"
#include "korvane-sim/Simulator.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/host/Transcript.h"
#include "platform/windows/Windows.h"
#include "triggers/Triggers.h"

namespace {

constexpr const char* kScreenUsage = "screen ID L,T WxH [main] [inactive]";

long ParseInteger(const ScenarioLine& line, const std::string& word, const char* what) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0')
    throw ScenarioError(line, Fmt("not %s: %s", what, word.c_str()));
  return value;
}

SInt16 Coordinate(const ScenarioLine& line, const std::string& word) {
  const long value = ParseInteger(line, word, "a coordinate");
  if (value < -32768 || value > 32767)
    throw ScenarioError(line, "outside the 16-bit coordinate range: " + word);
  return static_cast<SInt16>(value);
}

// "L,T" or "WxH": two numbers around a separator.
std::pair<std::string, std::string> Split(const ScenarioLine& line, const std::string& word,
                                          char separator, const char* form) {
  const auto at = word.find(separator);
  if (at == std::string::npos)
    throw ScenarioError(line, Fmt("expected %s: %s", form, word.c_str()));
  return {word.substr(0, at), word.substr(at + 1)};
}

UInt32 ScreenID(const ScenarioLine& line, const std::string& word) {
  const long id = ParseInteger(line, word, "a screen number");
  if (id < 1 || id > 0xFFFF) throw ScenarioError(line, "a screen number runs from 1: " + word);
  return static_cast<UInt32>(id);
}

// One screen from the words of a declaration: ID L,T WxH [main] [inactive].
SimScreen ParseScreen(const ScenarioLine& line, const std::vector<std::string>& words) {
  if (words.size() < 3) throw ScenarioError(line, std::string("usage: ") + kScreenUsage);
  SimScreen screen;
  screen.id = ScreenID(line, words[0]);
  const auto [left, top] = Split(line, words[1], ',', "L,T");
  const auto [width, height] = Split(line, words[2], 'x', "WxH");
  const SInt16 l = Coordinate(line, left);
  const SInt16 t = Coordinate(line, top);
  const long w = ParseInteger(line, width, "a width");
  const long h = ParseInteger(line, height, "a height");
  if (w < 0 || h < 0 || l + w > 32767 || t + h > 32767)
    throw ScenarioError(line, "a screen must lie in the 16-bit coordinate range");
  screen.bounds = Rect{t, l, static_cast<SInt16>(t + h), static_cast<SInt16>(l + w)};
  for (std::size_t i = 3; i < words.size(); ++i) {
    if (words[i] == "main")
      screen.main = true;
    else if (words[i] == "inactive")
      screen.active = false;
    else
      throw ScenarioError(line, "unknown screen attribute: " + words[i]);
  }
  return screen;
}

std::vector<SimScreen> CurrentScreens(Simulator& sim) {
  std::vector<SimScreen> screens;
  for (const HostScreen& s : sim.desktop().screens.Screens())
    screens.push_back(SimScreen{s.bounds, s.main, s.active, s.id});
  return screens;
}

// Before the agent runs the screens are simply there; once it runs, any
// change is a display reconfiguration it hears of.
void Apply(Simulator& sim, const ScenarioLine& line, std::vector<SimScreen> screens) {
  int mains = 0;
  for (std::size_t i = 0; i < screens.size(); ++i) {
    mains += screens[i].main ? 1 : 0;
    for (std::size_t j = 0; j < i; ++j)
      if (screens[j].id == screens[i].id)
        throw ScenarioError(
            line, Fmt("screen %u is declared twice", static_cast<unsigned>(screens[i].id)));
  }
  if (mains > 1) throw ScenarioError(line, "only one screen carries the menu bar");
  if (sim.AgentRunning())
    sim.desktop().screens.ChangeConfiguration(std::move(screens));
  else
    sim.desktop().screens.Declare(std::move(screens));
}

// screen ID L,T WxH [main] [inactive]: adds screen ID at the end of the order
// or replaces it in place. A screen declared main takes the menu bar from the
// one that had it.
void DeclareScreen(Simulator& sim, const ScenarioLine& l) {
  const SimScreen screen = ParseScreen(l, {l.words.begin() + 1, l.words.end()});
  std::vector<SimScreen> screens = CurrentScreens(sim);
  if (screen.main)
    for (SimScreen& other : screens) other.main = false;
  bool replaced = false;
  for (SimScreen& other : screens)
    if (other.id == screen.id) {
      other = screen;
      replaced = true;
    }
  if (!replaced) screens.push_back(screen);
  Apply(sim, l, std::move(screens));
}

// screens <<END (one screen per line, in Display Manager order) | screens none
void DeclareScreens(Simulator& sim, const ScenarioLine& l) {
  std::vector<SimScreen> screens;
  if (l.words.size() == 2 && l.words[1] == "none") {
    Apply(sim, l, {});
    return;
  }
  if (!l.hasBody) throw ScenarioError(l, "usage: screens <<END | screens none");
  std::size_t start = 0;
  while (start <= l.body.size()) {
    std::size_t end = l.body.find('\n', start);
    if (end == std::string::npos) end = l.body.size();
    const std::string row = l.body.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string> words = SplitWords(row, l.file, l.number);
    if (!words.empty()) screens.push_back(ParseScreen(l, words));
  }
  Apply(sim, l, std::move(screens));
}

// unplug-screen ID: the screen is disconnected.
void UnplugScreen(Simulator& sim, const ScenarioLine& l) {
  if (l.words.size() != 2) throw ScenarioError(l, "usage: unplug-screen ID");
  const UInt32 id = ScreenID(l, l.words[1]);
  std::vector<SimScreen> screens = CurrentScreens(sim);
  if (!std::erase_if(screens, [&](const SimScreen& s) { return s.id == id; }))
    throw ScenarioError(l, "no screen " + l.words[1]);
  Apply(sim, l, std::move(screens));
}

// screen-order ID...: the Display Manager walks the screens in this order.
void OrderScreens(Simulator& sim, const ScenarioLine& l) {
  std::vector<SimScreen> current = CurrentScreens(sim);
  if (l.words.size() != current.size() + 1)
    throw ScenarioError(l, Fmt("usage: screen-order ID... (all %zu screens)", current.size()));
  std::vector<SimScreen> screens;
  for (std::size_t i = 1; i < l.words.size(); ++i) {
    const UInt32 id = ScreenID(l, l.words[i]);
    auto it = std::find_if(current.begin(), current.end(),
                           [&](const SimScreen& s) { return s.id == id; });
    if (it == current.end()) throw ScenarioError(l, "no screen " + l.words[i]);
    screens.push_back(*it);
  }
  Apply(sim, l, std::move(screens));
}

const SimWindow& WindowNumbered(Simulator& sim, const ScenarioLine& l, const std::string& word) {
  const long n = ParseInteger(l, word, "a window number");
  const SimWindow* window =
      n > 0 ? sim.desktop().windows.Find(static_cast<HostWindowID>(n)) : nullptr;
  if (!window) throw ScenarioError(l, "no window " + word);
  return *window;
}

// paint N: the desktop asks window N to paint itself.
void Paint(Simulator& sim, const ScenarioLine& l) {
  if (l.words.size() != 2) throw ScenarioError(l, "usage: paint N");
  (void)sim.desktop().windows.Paint(WindowNumbered(sim, l, l.words[1]).id);
}

// png N PATH | png N file PATH: what window N shows on screen, as a PNG file
// in the sandbox or (file) anywhere. A window never drawn shows nothing:
// transparent pixels.
void WritePNG(Simulator& sim, const ScenarioLine& l) {
  const bool outside = l.words.size() == 4 && l.words[2] == "file";
  if (l.words.size() != 3 && !outside)
    throw ScenarioError(l, "usage: png N PATH | png N file PATH");
  const SimWindow& window = WindowNumbered(sim, l, l.words[1]);
  const std::string& written = outside ? l.words[3] : l.words[2];
  std::string path = written;
  if (!outside) {
    path = sim.SandboxPath(l, written);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  }
  const bool drawn = window.drawCount > 0;
  const std::size_t width = drawn ? window.pixelWidth : window.bounds.right - window.bounds.left;
  const std::size_t height = drawn ? window.pixelHeight : window.bounds.bottom - window.bounds.top;
  const std::vector<UInt8> blank(drawn ? 0 : width * height * 4, 0);
  const OSStatus status =
      WriteImagePNG(drawn ? std::span<const UInt8>(window.pixels) : std::span<const UInt8>(blank),
                    width, height, width * 4, path);
  const unsigned id = static_cast<unsigned>(window.id);
  if (status != noErr)
    sim.Note(Fmt("png: window %u cannot be written to %s (error %d)", id, written.c_str(),
                 static_cast<int>(status)));
  else
    sim.Note(Fmt("png: window %u (%zux%zu%s) written to %s", id, width, height,
                 drawn ? "" : ", never drawn", written.c_str()));
}

void ShowScreens(Simulator& sim, const ScenarioLine&) {
  const std::string all = sim.desktop().screens.Describe();
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find("; ", start);
    if (end == std::string::npos) end = all.size();
    sim.Note(all.substr(start, end - start));
    start = end + 2;
  }
}

// One line per tab trigger, numbered as `triggers` numbers them.
void ShowTabs(Simulator& sim, const ScenarioLine&) {
  bool any = false;
  for (std::size_t i = 0; i < gTriggers.size(); ++i) {
    const auto* tab = dynamic_cast<const ScreenMenu*>(gTriggers[i]);
    if (!tab) continue;
    any = true;
    const SimWindow* window =
        tab->window ? sim.desktop().windows.Find(GetWindowHostNumber(tab->window)) : nullptr;
    if (!window) {
      sim.Note(Fmt("trigger %zu tab: no window", i + 1));
      continue;
    }
    const Rect& r = window->bounds;
    sim.Note(Fmt("trigger %zu tab: window %u at %d,%d %dx%d %s, drawn %d time%s", i + 1,
                 static_cast<unsigned>(window->id), r.left, r.top, r.right - r.left,
                 r.bottom - r.top, window->visible ? "shown" : "hidden", window->drawCount,
                 window->drawCount == 1 ? "" : "s"));
  }
  if (!any) sim.Note("no tabs");
}

}  // namespace

void RegisterScreenCommands(CommandTable& t) {
  t["screen"] = {std::string(kScreenUsage) + " (adds or replaces a screen)", DeclareScreen};
  t["screens"] = {"screens <<END | screens none (the whole configuration, in order)",
                  DeclareScreens};
  t["unplug-screen"] = {"unplug-screen ID (the screen is disconnected)", UnplugScreen};
  t["screen-order"] = {"screen-order ID... (the Display Manager order)", OrderScreens};
  t["paint"] = {"paint N (the desktop asks window N to paint itself)", Paint};
  t["png"] = {"png N PATH | png N file PATH (window N's pixels as a PNG file)", WritePNG};
  RegisterShowSubject("screens", "show screens", ShowScreens);
  RegisterShowSubject("tabs", "show tabs", ShowTabs);
}
