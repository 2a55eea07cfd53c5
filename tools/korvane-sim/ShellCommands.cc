// Scenario commands for the desktop around the agent's start and its
// application-level events: the system version, processes, the private
// functions, volumes, Apple events and notifications from other programs,
// display changes and ending child processes.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "korvane-sim/MenuCommands.h"
#include "korvane-sim/Simulator.h"
#include "platform/files/Aliases.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"
#include "platform/processes/Processes.h"
#include "platform/windows/Screens.h"
#include "shell/Aliases.h"
#include "shell/AppHandlers.h"

namespace {

// How long (real time) `child-exits` waits for the agent to reap its
// children before it reports them as not reaped.
constexpr int kReapWaitMilliseconds = 5000;

void Need(const ScenarioLine& line, std::size_t words, const char* usage) {
  if (line.words.size() < words) throw ScenarioError(line, std::string("usage: ") + usage);
}

OSType Code(const ScenarioLine& line, const std::string& word) {
  if (word.size() != 4) throw ScenarioError(line, "not a four-character code: " + word);
  return FourCC(word);
}

// "10.4.9" (or "10.1") as binary-coded decimal, or a number as written
// ("0x1049"). Each dotted part is one digit but the first.
SInt32 ParseVersion(const ScenarioLine& line, const std::string& word) {
  if (word.find('.') == std::string::npos) {
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 0);
    if (word.empty() || *end != '\0') throw ScenarioError(line, "not a system version: " + word);
    return static_cast<SInt32>(value);
  }
  unsigned major = 0, minor = 0, bugfix = 0;
  char extra = 0;
  const int n = std::sscanf(word.c_str(), "%u.%u.%u%c", &major, &minor, &bugfix, &extra);
  if (n < 2 || n > 3 || major > 99 || minor > 9 || bugfix > 9)
    throw ScenarioError(line, "not a system version: " + word);
  return static_cast<SInt32>((major / 10) << 12 | (major % 10) << 8 | minor << 4 | bugfix);
}

ProcessSerialNumber ProcessNamed(Simulator& sim, const ScenarioLine& line,
                                 const std::string& name) {
  auto psn = sim.desktop().processes.FindByName(name);
  if (!psn) throw ScenarioError(line, "no process named " + name);
  return *psn;
}

SimFileSystem& FileSystemOf(Simulator& sim, const ScenarioLine& line) {
  if (!sim.desktop().fileSystem) throw ScenarioError(line, "the desktop has no file system");
  return *sim.desktop().fileSystem;
}

// A path as the transcript shows it: below the sandbox home as "~".
std::string Shown(Simulator& sim, const std::string& path) {
  const std::string& home = sim.home();
  if (path == home) return "~";
  if (path.starts_with(home + "/")) return "~" + path.substr(home.size());
  return path;
}

// process NAME [type CODE] [creator CODE] [bundle PATH] [pid N] [front]
// [hidden] [background-only]
void DeclareProcess(Simulator& sim, const ScenarioLine& l) {
  constexpr const char* kUsage =
      "process NAME [type CODE] [creator CODE] [bundle PATH] [pid N] [front] [hidden] "
      "[background-only]";
  Need(l, 2, kUsage);
  SimProcess process;
  process.name = l.words[1];
  bool front = false;
  for (std::size_t i = 2; i < l.words.size(); ++i) {
    const std::string& word = l.words[i];
    const bool hasValue = i + 1 < l.words.size();
    if (word == "front") {
      front = true;
    } else if (word == "hidden") {
      process.visible = false;
    } else if (word == "background-only") {
      process.mode |= modeOnlyBackground;
    } else if (word == "type" && hasValue) {
      process.type = Code(l, l.words[++i]);
    } else if (word == "creator" && hasValue) {
      process.creator = Code(l, l.words[++i]);
    } else if (word == "bundle" && hasValue) {
      process.bundlePath = sim.SandboxPath(l, l.words[++i]);
    } else if (word == "pid" && hasValue) {
      process.pid = static_cast<pid_t>(std::atoi(l.words[++i].c_str()));
    } else {
      throw ScenarioError(l, std::string("usage: ") + kUsage);
    }
  }
  (void)sim.desktop().processes.AddProcess(process, front);
}

void ShowProcesses(Simulator& sim, const ScenarioLine&) {
  SimProcesses& processes = sim.desktop().processes;
  const auto front = processes.Front();
  for (const ProcessSerialNumber& psn : processes.ProcessList()) {
    const auto info = processes.Info(psn);
    if (!info) continue;
    std::string line = Fmt("process %s '%s'/'%s'", info->name.c_str(),
                           FourCCString(info->type).c_str(), FourCCString(info->creator).c_str());
    if (front && *front == psn) line += " front";
    if (!info->visible) line += " hidden";
    if (info->mode & modeOnlyBackground) line += " background-only";
    sim.Note(line);
  }
}

// private-functions all | none | NAME...
void SetPrivateFunctions(Simulator& sim, const ScenarioLine& l) {
  Need(l, 2, "private-functions all | none | NAME...");
  SimPrivateFunctions& table = sim.desktop().privateFunctions;
  if (l.words.size() == 2 && l.words[1] == "all") {
    table.SetAllPresent();
    return;
  }
  std::vector<std::string> names;
  if (!(l.words.size() == 2 && l.words[1] == "none"))
    names.assign(l.words.begin() + 1, l.words.end());
  if (!table.SetPresent(names)) {
    std::string known;
    for (const std::string& name : SimPrivateFunctions::KnownNames()) known += " " + name;
    throw ScenarioError(l, "unknown private function; the known ones are:" + known);
  }
}

// dock running|stopped [autohide|no-autohide]
void SetDock(Simulator& sim, const ScenarioLine& l) {
  Need(l, 2, "dock running|stopped [autohide|no-autohide]");
  SimPrivateFunctions& table = sim.desktop().privateFunctions;
  for (std::size_t i = 1; i < l.words.size(); ++i) {
    const std::string& word = l.words[i];
    if (word == "running")
      table.dockRunning = true;
    else if (word == "stopped")
      table.dockRunning = false;
    else if (word == "autohide")
      table.dockAutoHide = true;
    else if (word == "no-autohide")
      table.dockAutoHide = false;
    else
      throw ScenarioError(l, "usage: dock running|stopped [autohide|no-autohide]");
  }
}

// volume NAME PATH [unmounted] [fixed]
void DeclareVolume(Simulator& sim, const ScenarioLine& l) {
  Need(l, 3, "volume NAME PATH [unmounted] [fixed]");
  bool mounted = true, ejectable = true;
  for (std::size_t i = 3; i < l.words.size(); ++i) {
    if (l.words[i] == "unmounted")
      mounted = false;
    else if (l.words[i] == "fixed")
      ejectable = false;
    else
      throw ScenarioError(l, "usage: volume NAME PATH [unmounted] [fixed]");
  }
  FileSystemOf(sim, l).AddVolume(l.words[1], sim.SandboxPath(l, l.words[2]), ejectable, mounted);
}

void SetMounted(Simulator& sim, const ScenarioLine& l, bool mounted) {
  Need(l, 2, mounted ? "mount NAME" : "unmount NAME");
  if (!FileSystemOf(sim, l).SetMounted(l.words[1], mounted))
    throw ScenarioError(l, "no volume named " + l.words[1]);
}

// resolve PATH [ui]: resolves an alias file as the agent does, with or
// without letting the user be asked to mount its volume.
void Resolve(Simulator& sim, const ScenarioLine& l) {
  Need(l, 2, "resolve PATH [ui]");
  const bool allowUI = l.words.size() > 2 && l.words[2] == "ui";
  const std::string path = sim.SandboxPath(l, l.words[1]);
  FSRef ref;
  OSStatus err = FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr);
  bool isFolder = false, wasAliased = false;
  if (err == noErr) err = ResolveAliasFile(&ref, true, &isFolder, &wasAliased, allowUI, 0);
  if (err != noErr) {
    sim.Note(Fmt("resolve %s: error %d", l.words[1].c_str(), static_cast<int>(err)));
    return;
  }
  UInt8 target[4096];
  if (FSRefMakePath(&ref, target, sizeof target) != noErr) target[0] = 0;
  sim.Note(Fmt("resolve %s: %s", l.words[1].c_str(),
               Shown(sim, reinterpret_cast<const char*>(target)).c_str()));
}

// apple-event CLASS ID [TEXT]
void ReceiveAppleEvent(Simulator& sim, const ScenarioLine& l) {
  Need(l, 3, "apple-event CLASS ID [TEXT]");
  std::optional<std::string> text;
  if (l.words.size() > 3) text = l.words[3];
  (void)sim.desktop().ReceiveAppleEvent(Code(l, l.words[1]), Code(l, l.words[2]), text);
}

// display-changed: the displays are rearranged (as they are now), which the
// agent hears as kDMNotifyEvent; display-message N sends any other message.
void DisplayChanged(Simulator& sim, const ScenarioLine&) {
  std::vector<SimScreen> screens;
  for (const HostScreen& s : sim.desktop().screens.Screens())
    screens.push_back(SimScreen{s.bounds, s.main, s.active, s.id});
  sim.desktop().screens.ChangeConfiguration(std::move(screens));
}

// request-relaunch NAME APP: what the relaunch command of a menu item asks
// for, so that the application-terminated handling can be seen on its own.
void RequestRelaunch(Simulator& sim, const ScenarioLine& l) {
  Need(l, 3, "request-relaunch NAME APP");
  const ProcessSerialNumber psn = ProcessNamed(sim, l, l.words[1]);
  const std::string path = sim.SandboxPath(l, l.words[2]);
  FSRef app;
  if (FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &app, nullptr) != noErr)
    throw ScenarioError(l, "no such application: " + l.words[2]);
  gRelaunchProcess = psn;
  gRelaunchItem = app;
  gRelaunchPending = true;
}

void SleepOneMillisecond() {
  const timespec pause = {0, 1000000};
  nanosleep(&pause, nullptr);
}

// child-exits [N]: N children of the agent's process end at once (as
// drag-out helpers do); the line reports whether the agent reaped them.
void ChildExits(Simulator& sim, const ScenarioLine& l) {
  const int count = l.words.size() > 1 ? std::atoi(l.words[1].c_str()) : 1;
  if (count < 1 || count > 64) throw ScenarioError(l, "usage: child-exits [N] (1 to 64)");
  // Blocked until every child has ended, so that their ends reach the
  // agent together, as one signal.
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGCHLD);
  sigprocmask(SIG_BLOCK, &block, &previous);
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    if (pid > 0) children.push_back(pid);
  }
  for (pid_t pid : children) {
    siginfo_t info;
    (void)waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  auto unreaped = [&] {
    int n = 0;
    for (pid_t pid : children)
      if (kill(pid, 0) == 0 || errno != ESRCH) ++n;
    return n;
  };
  for (int waited = 0; unreaped() > 0 && waited < kReapWaitMilliseconds; ++waited)
    SleepOneMillisecond();
  const int left = unreaped();
  for (pid_t pid : children) (void)waitpid(pid, nullptr, WNOHANG);
  if (left == 0)
    sim.Note(Fmt("child processes reaped: %d of %d", count, count));
  else
    sim.Note(Fmt("child processes not reaped: %d of %d", left, count));
}

}  // namespace

void RegisterShellCommands(CommandTable& t) {
  RegisterShowSubject("processes", "show processes", ShowProcesses);
  t["system-version"] = {"system-version VERSION | none (10.4.9, 10.1, 0x1049)",
                         [](Simulator& sim, const ScenarioLine& l) {
                           Need(l, 2, "system-version VERSION | none");
                           if (l.words[1] == "none")
                             sim.desktop().processes.SetSystemVersion(std::nullopt);
                           else
                             sim.desktop().processes.SetSystemVersion(ParseVersion(l, l.words[1]));
                         }};
  t["process"] = {
      "process NAME [type CODE] [creator CODE] [bundle PATH] [pid N] [front] "
      "[hidden] [background-only]",
      DeclareProcess};
  t["terminate"] = {
      "terminate NAME (the process ends)", [](Simulator& sim, const ScenarioLine& l) {
        Need(l, 2, "terminate NAME");
        if (sim.desktop().processes.Terminate(ProcessNamed(sim, l, l.words[1])) != noErr)
          throw ScenarioError(l, "cannot terminate " + l.words[1]);
      }};
  t["activate"] = {"activate NAME (the user brings the process to the front)",
                   [](Simulator& sim, const ScenarioLine& l) {
                     Need(l, 2, "activate NAME");
                     (void)sim.desktop().processes.SetFront(ProcessNamed(sim, l, l.words[1]),
                                                            false);
                   }};
  t["private-functions"] = {"private-functions all | none | NAME...", SetPrivateFunctions};
  t["dock"] = {"dock running|stopped [autohide|no-autohide]", SetDock};
  t["volume"] = {"volume NAME PATH [unmounted] [fixed]", DeclareVolume};
  t["mount"] = {"mount NAME",
                [](Simulator& sim, const ScenarioLine& l) { SetMounted(sim, l, true); }};
  t["unmount"] = {"unmount NAME",
                  [](Simulator& sim, const ScenarioLine& l) { SetMounted(sim, l, false); }};
  t["mount-answer"] = {"mount-answer yes|no (what the user answers when asked to mount)",
                       [](Simulator& sim, const ScenarioLine& l) {
                         if (l.words.size() != 2 || (l.words[1] != "yes" && l.words[1] != "no"))
                           throw ScenarioError(l, "usage: mount-answer yes|no");
                         FileSystemOf(sim, l).SetMountAnswer(l.words[1] == "yes");
                       }};
  t["resolve"] = {"resolve PATH [ui]", Resolve};
  t["apple-event"] = {"apple-event CLASS ID [TEXT] (another program sends an Apple event)",
                      ReceiveAppleEvent};
  t["notify"] = {"notify NAME (another program posts a distributed notification)",
                 [](Simulator& sim, const ScenarioLine& l) {
                   Need(l, 2, "notify NAME");
                   sim.desktop().PostDistributedNotification(l.words[1]);
                 }};
  t["display-changed"] = {"display-changed (the displays are rearranged)",
                          [](Simulator& sim, const ScenarioLine& l) { DisplayChanged(sim, l); }};
  t["display-message"] = {
      "display-message N (any Display Manager message)", [](Simulator& sim, const ScenarioLine& l) {
        Need(l, 2, "display-message N");
        sim.desktop().screens.SendMessage(static_cast<SInt16>(std::atoi(l.words[1].c_str())));
      }};
  t["request-relaunch"] = {"request-relaunch NAME APP (as the relaunch item command does)",
                           RequestRelaunch};
  t["child-exits"] = {"child-exits [N] (N child processes of the agent end at once)", ChildExits};
}
