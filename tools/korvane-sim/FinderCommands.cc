// Scenario commands for the file browser's Apple events: how the simulated
// user answers alerts, which receivers carry file events out on the sandbox,
// and the operations that send the events, called directly.
#include <string>
#include <vector>

#include "actions/FinderEvents.h"
#include "actions/OpenItems.h"
#include "korvane-sim/Simulator.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"

namespace {

constexpr const char* kFinderUsage =
    "finder move FILE... to FOLDER [copy|alias] | finder reveal PATH | finder info PATH | "
    "finder trash PATH | finder quit PROCESS | finder open PATH [no-dir-open]";

FSRef RefOf(Simulator& sim, const ScenarioLine& line, const std::string& word) {
  const std::string path = sim.SandboxPath(line, word);
  FSRef ref;
  if (FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr) != noErr)
    throw ScenarioError(line, "no such item: " + word);
  return ref;
}

// finder move FILE... to FOLDER [copy|alias]: as a drop on a folder item.
OSStatus Move(Simulator& sim, const ScenarioLine& l) {
  std::size_t to = 2;
  while (to < l.words.size() && l.words[to] != "to") ++to;
  if (to == 2 || to + 1 >= l.words.size() || to + 3 < l.words.size())
    throw ScenarioError(l, std::string("usage: ") + kFinderUsage);
  bool copy = false;
  bool alias = false;
  if (to + 2 < l.words.size()) {
    copy = l.words[to + 2] == "copy";
    alias = l.words[to + 2] == "alias";
    if (!copy && !alias) throw ScenarioError(l, "not copy or alias: " + l.words[to + 2]);
  }
  std::vector<FSRef> refs;
  refs.reserve(to - 2);
  for (std::size_t i = 2; i < to; ++i) refs.push_back(RefOf(sim, l, l.words[i]));
  std::vector<const FSRef*> items;
  items.reserve(refs.size());
  for (const FSRef& ref : refs) items.push_back(&ref);
  const FSRef folder = RefOf(sim, l, l.words[to + 1]);
  return MoveOrCopyItems(items, &folder, copy, alias);
}

void Finder(Simulator& sim, const ScenarioLine& l) {
  const bool moving = l.words.size() >= 2 && l.words[1] == "move";
  const bool openingFolderless =
      l.words.size() == 4 && l.words[1] == "open" && l.words[3] == "no-dir-open";
  if (l.words.size() < 3 || (!moving && !openingFolderless && l.words.size() != 3))
    throw ScenarioError(l, std::string("usage: ") + kFinderUsage);
  const std::string& what = l.words[1];
  OSStatus status = noErr;
  if (moving) {
    status = Move(sim, l);
  } else if (what == "reveal") {
    const FSRef item = RefOf(sim, l, l.words[2]);
    status = RevealItem(&item);
  } else if (what == "open") {
    const FSRef item = RefOf(sim, l, l.words[2]);
    status = OpenItem(&item, openingFolderless);
  } else if (what == "info") {
    const FSRef item = RefOf(sim, l, l.words[2]);
    status = ShowInfoWindow(&item);
  } else if (what == "trash") {
    const FSRef item = RefOf(sim, l, l.words[2]);
    status = MoveFilesToFinderTrash(&item, 1);
  } else if (what == "quit") {
    auto psn = sim.desktop().processes.FindByName(l.words[2]);
    if (!psn) throw ScenarioError(l, "no process named " + l.words[2]);
    status = QuitProcess(&*psn);
  } else {
    throw ScenarioError(l, std::string("usage: ") + kFinderUsage);
  }
  sim.Note(Fmt("finder %s: result %d", what.c_str(), static_cast<int>(status)));
}

}  // namespace

void RegisterFinderCommands(CommandTable& t) {
  t["finder"] = {kFinderUsage, Finder};
  t["alert-answer"] = {"alert-answer default|cancel|other|unshowable (the next alert's answer)",
                       [](Simulator& sim, const ScenarioLine& l) {
                         if (l.words.size() != 2)
                           throw ScenarioError(l,
                                               "usage: alert-answer default|cancel|other|"
                                               "unshowable");
                         const std::string& a = l.words[1];
                         SimAlerts::Answer answer;
                         if (a == "default")
                           answer = SimAlerts::Answer::Default;
                         else if (a == "cancel")
                           answer = SimAlerts::Answer::Cancel;
                         else if (a == "other")
                           answer = SimAlerts::Answer::Other;
                         else if (a == "unshowable")
                           answer = SimAlerts::Answer::CannotShow;
                         else
                           throw ScenarioError(l, "not an alert answer: " + a);
                         sim.desktop().alerts.Script(answer);
                       }};
  t["carry-out"] = {"carry-out PROCESS (it carries out the file events it receives)",
                    [](Simulator& sim, const ScenarioLine& l) {
                      if (l.words.size() != 2) throw ScenarioError(l, "usage: carry-out PROCESS");
                      sim.desktop().appleEvents.carryingOut.insert(l.words[1]);
                    }};
}
