#include "hosts/sim/SimDesktop.h"

#include "platform/Icons.h"

void SimRecorder::Record(std::string_view line) {
  lines.emplace_back(line);
  if (sink) sink(lines.back());
}

SimDesktop::SimDesktop(std::string sandboxHome) : home_(std::move(sandboxHome)) {
  host_.runLoop = &runLoop;
  host_.recorder = &recorder;
  host_.processes = &processes;
  host_.screens = &screens;
  host_.windows = &windows;
  host_.icons = &icons;
  host_.hotKeys = &hotKeys;
  if (!home_.empty()) {
    fileSystem = std::make_unique<SimFileSystem>(home_, home_);
    host_.fileSystem = fileSystem.get();
  }
  previous_ = InstallHost(&host_);
  // Menus keep their own references to the icons they are given.
  RegisterIconOwnershipWithMenus();
}

SimDesktop::~SimDesktop() { InstallHost(previous_); }
