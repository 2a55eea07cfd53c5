// korvane-sim's engine: a sandbox home, the simulated desktop, the scenario
// commands and the transcript with its expectations.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "korvane-sim/Scenario.h"

class Simulator;

struct Command {
  std::string usage;
  std::function<void(Simulator&, const ScenarioLine&)> run;
};
using CommandTable = std::map<std::string, Command>;

// An expectation that did not hold: korvane-sim exits with status 1.
class ExpectationFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SimulatorOptions {
  std::string home;        // empty: a fresh temporary folder, removed at the end
  std::string bundlePath;  // the agent's bundle (Korvane.app)
  std::function<void(const std::string&)> out;  // transcript printer
};

class Simulator {
 public:
  explicit Simulator(SimulatorOptions options);
  ~Simulator();

  // Runs a whole scenario. Throws ScenarioError or ExpectationFailed.
  void Run(const std::vector<ScenarioLine>& lines);

  SimDesktop& desktop() { return *desktop_; }
  const std::string& home() const { return home_; }
  const std::string& bundlePath() const { return bundlePath_; }
  void SetBundlePath(std::string path) { bundlePath_ = std::move(path); }

  // A scenario path inside the sandbox: "~/x", "/x" and "x" all name
  // <home>/x; ".." is refused so that a scenario cannot reach outside.
  std::string SandboxPath(const ScenarioLine& line, const std::string& word) const;
  // The text after the command word, as written.
  static std::string Rest(const ScenarioLine& line);
  void Note(const std::string& text);  // a transcript line of the simulator's own
  bool AgentRunning() const { return agentRunning_; }
  // Seconds to wait before the next line runs (set by "wait").
  void SetPause(double seconds) { pause_ = seconds; }
  double Now() const;

  void Start(const ScenarioLine& line);
  // Runs a line from inside a nested loop of the agent (a menu being
  // tracked): an error in it ends the scenario as one in a fed line does.
  void ExecuteMeanwhile(const ScenarioLine& line);
  void Expect(const ScenarioLine& line, const std::string& pattern, bool negated);

  static bool GlobMatch(const std::string& pattern, const std::string& text);

 private:
  void Execute(const ScenarioLine& line);
  void FeedNext();

  SimulatorOptions options_;
  std::string home_;
  bool ownsHome_ = false;
  std::string bundlePath_;
  std::unique_ptr<SimDesktop> desktop_;
  CommandTable commands_;
  const std::vector<ScenarioLine>* lines_ = nullptr;
  std::size_t next_ = 0;
  std::size_t expectFrom_ = 0;  // transcript index after the last matched expect
  double pause_ = 0;
  bool agentRunning_ = false;
  bool started_ = false;
  bool scenarioEnded_ = false;
  std::exception_ptr pending_;  // an error raised inside the agent's loop
};

// Each group of commands registers itself here (Commands.cc lists them).
void RegisterAllCommands(CommandTable& table);
