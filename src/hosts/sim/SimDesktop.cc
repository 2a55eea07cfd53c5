#include "hosts/sim/SimDesktop.h"

void SimRecorder::Record(std::string_view line) {
  lines.emplace_back(line);
  if (sink) sink(lines.back());
}

SimDesktop::SimDesktop(std::string sandboxHome) : home_(std::move(sandboxHome)) {
  host_.runLoop = &runLoop;
  host_.recorder = &recorder;
  previous_ = InstallHost(&host_);
}

SimDesktop::~SimDesktop() { InstallHost(previous_); }
