// The simulated desktop: every host concern the simulator provides, owned in
// one place and installed as the current host while it lives. Tests create
// one per test; korvane-sim creates one per run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hosts/sim/SimRunLoop.h"
#include "platform/Host.h"

// Collects transcript lines; a sink (korvane-sim's printer) may watch them.
class SimRecorder final : public HostRecorder {
 public:
  void Record(std::string_view line) override;
  std::vector<std::string> lines;
  std::function<void(const std::string&)> sink;
};

class SimDesktop {
 public:
  // sandboxHome: the folder the simulated user's home and the desktop's fixed
  // folders live in (may be empty for tests that touch no files).
  explicit SimDesktop(std::string sandboxHome = {});
  ~SimDesktop();
  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;

  const std::string& SandboxHome() const { return home_; }
  Host& host() { return host_; }

  SimRunLoop runLoop;
  SimRecorder recorder;

 private:
  std::string home_;
  Host host_;
  Host* previous_ = nullptr;
};
