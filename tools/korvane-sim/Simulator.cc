#include "korvane-sim/Simulator.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/bundles/Bundle.h"
#include "platform/host/Transcript.h"
#include "shell/Startup.h"

namespace fs = std::filesystem;

Simulator::Simulator(SimulatorOptions options) : options_(std::move(options)) {
  if (options_.home.empty()) {
    std::string templ = (fs::temp_directory_path() / "korvane-sim-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("cannot create a sandbox folder");
    home_ = templ;
    ownsHome_ = true;
  } else {
    fs::create_directories(options_.home);
    home_ = fs::canonical(options_.home).string();
  }
  bundlePath_ = options_.bundlePath;
  // The agent sees the sandbox as its user's home and XDG folders.
  setenv("HOME", home_.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home_ + "/.local/share").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home_ + "/.cache").c_str(), 1);
  desktop_ = std::make_unique<SimDesktop>(home_);
  desktop_->recorder.sink = [this](const std::string& line) {
    if (options_.out) options_.out(Fmt("[%8.3f] %s", Now(), line.c_str()));
  };
  RegisterAllCommands(commands_);
}

Simulator::~Simulator() {
  // The agent never tears itself down; it ran inside this process, so the
  // simulator does, while the desktop it ran on is still there.
  if (started_) TearDownAgentForTesting();
  desktop_.reset();
  if (ownsHome_) {
    std::error_code ec;
    fs::remove_all(home_, ec);
  }
}

double Simulator::Now() const { return desktop_ ? desktop_->runLoop.Now() : 0; }

std::string Simulator::Rest(const ScenarioLine& line) {
  auto pos = line.text.find_first_of(" \t");
  if (pos == std::string::npos) return {};
  auto start = line.text.find_first_not_of(" \t", pos);
  return start == std::string::npos ? std::string() : line.text.substr(start);
}

std::string Simulator::SandboxPath(const ScenarioLine& line, const std::string& word) const {
  std::string rel = word;
  if (rel.starts_with("~/"))
    rel = rel.substr(2);
  else if (rel == "~" || rel == "/")
    rel.clear();
  while (rel.starts_with("/")) rel = rel.substr(1);
  for (const auto& part : fs::path(rel))
    if (part == "..") throw ScenarioError(line, "a path may not leave the sandbox: " + word);
  return rel.empty() ? home_ : home_ + "/" + rel;
}

void Simulator::Note(const std::string& text) { Transcribe(text); }

bool Simulator::GlobMatch(const std::string& p, const std::string& t) {
  // Iterative glob with backtracking over the last '*'.
  std::size_t pi = 0, ti = 0, star = std::string::npos, mark = 0;
  while (ti < t.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == t[ti])) {
      ++pi;
      ++ti;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ti;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ti = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

void Simulator::Expect(const ScenarioLine& line, const std::string& pattern, bool negated) {
  const auto& seen = desktop_->recorder.lines;
  for (std::size_t i = expectFrom_; i < seen.size(); ++i) {
    if (GlobMatch(pattern, seen[i])) {
      if (negated) {
        throw ExpectationFailed(line.file + ":" + std::to_string(line.number) +
                                ": expected no line matching: " + pattern + "\n  seen: " + seen[i]);
      }
      expectFrom_ = i + 1;
      return;
    }
  }
  if (negated) return;
  std::string message = line.file + ":" + std::to_string(line.number) +
                        ": expected a line matching: " + pattern + "\n  seen instead:";
  std::size_t shown = 0;
  for (std::size_t i = expectFrom_; i < seen.size() && shown < 40; ++i, ++shown)
    message += "\n    " + seen[i];
  if (shown == 0) message += " (nothing)";
  throw ExpectationFailed(message);
}

void Simulator::Execute(const ScenarioLine& line) {
  auto it = commands_.find(line.words[0]);
  if (it == commands_.end()) throw ScenarioError(line, "unknown command: " + line.words[0]);
  const std::string& word = line.words[0];
  if (word != "expect" && word != "expect-not") Transcribe("> " + line.text);
  it->second.run(*this, line);
}

void Simulator::ExecuteMeanwhile(const ScenarioLine& line) {
  if (pending_) return;
  try {
    Execute(line);
  } catch (...) {
    pending_ = std::current_exception();
    desktop_->runLoop.StopAll();
  }
}

void Simulator::FeedNext() {
  // Runs inside the agent's event loop as a timer: one scenario line, then
  // the next line is scheduled after the pause that line asked for.
  if (pending_) return;
  if (next_ >= lines_->size()) {
    Note("end of scenario");
    scenarioEnded_ = true;
    desktop_->runLoop.StopAll();
    return;
  }
  const ScenarioLine& line = (*lines_)[next_++];
  pause_ = 0;
  try {
    Execute(line);
  } catch (...) {
    pending_ = std::current_exception();
    desktop_->runLoop.StopAll();
    return;
  }
  desktop_->runLoop.AddTimer(Now() + pause_, [this] { FeedNext(); });
}

void Simulator::Start(const ScenarioLine& line) {
  if (started_) throw ScenarioError(line, "the agent was started already");
  started_ = true;
  agentRunning_ = true;
  desktop_->runLoop.AddTimer(Now(), [this] { FeedNext(); });
  // The agent finds its resources and preference domain through its bundle.
  SetMainBundlePath(bundlePath_);
  int result = KorvaneMain();
  agentRunning_ = false;
  if (pending_) std::rethrow_exception(pending_);
  // When the scenario ran out while the agent was still in its loop, the
  // agent did not end by itself and has no result to report.
  if (!scenarioEnded_) Note(Fmt("agent exited with result %d", result));
}

void Simulator::Run(const std::vector<ScenarioLine>& lines) {
  lines_ = &lines;
  next_ = 0;
  while (next_ < lines.size()) {
    const ScenarioLine& line = lines[next_++];
    pause_ = 0;
    Execute(line);
    // Outside the agent's loop a wait still moves the clock and fires timers.
    if (pause_ > 0) desktop_->runLoop.Advance(pause_);
  }
}
