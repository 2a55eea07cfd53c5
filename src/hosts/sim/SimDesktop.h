// The simulated desktop: every host concern the simulator provides, owned in
// one place and installed as the current host while it lives. Tests create
// one per test; korvane-sim creates one per run.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/sim/SimAlerts.h"
#include "hosts/sim/SimAppleEvents.h"
#include "hosts/sim/SimFileSystem.h"
#include "hosts/sim/SimHotKeys.h"
#include "hosts/sim/SimIcons.h"
#include "hosts/sim/SimInput.h"
#include "hosts/sim/SimLaunchServices.h"
#include "hosts/sim/SimMenuBar.h"
#include "hosts/sim/SimMenuTracking.h"
#include "hosts/sim/SimPrivateFunctions.h"
#include "hosts/sim/SimProcesses.h"
#include "hosts/sim/SimRunLoop.h"
#include "hosts/sim/SimScreens.h"
#include "hosts/sim/SimWindows.h"
#include "platform/events/Events.h"
#include "platform/host/Host.h"

// Collects transcript lines; a sink (korvane-sim's printer) may watch them.
class SimRecorder final : public HostRecorder {
 public:
  void Record(std::string_view line) override;
  std::vector<std::string> lines;
  std::function<void(const std::string&)> sink;
};

class SimDesktop {
 public:
  // sandboxHome: the folder that is both the simulated user's home and the
  // root of the desktop's fixed folders (/Applications, /Volumes ...). Empty
  // for tests that touch no files: the file-system concern is then absent.
  explicit SimDesktop(std::string sandboxHome = {});
  ~SimDesktop();
  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;

  const std::string& SandboxHome() const { return home_; }
  Host& host() { return host_; }

  SimRunLoop runLoop;
  SimRecorder recorder;
  SimProcesses processes;
  SimScreens screens;
  SimWindows windows;
  SimIcons icons;
  SimHotKeys hotKeys;
  std::unique_ptr<SimFileSystem> fileSystem;
  SimPrivateFunctions privateFunctions;
  SimAppleEvents appleEvents{processes};
  SimMenuBar menuBar;
  SimAlerts alerts;
  SimLaunchServices launchServices;
  SimInput input;
  SimMenuTracking menuTracking{runLoop, screens, input};

  // An Apple event from another program arrives: it goes through the
  // layer's dispatch to the handler installed for it, with a reply the
  // transcript shows. directText, when given, is its direct parameter.
  // Returns the handler's status (errAEEventNotHandled without one).
  OSErr ReceiveAppleEvent(AEEventClass eventClass, AEEventID eventID,
                          const std::optional<std::string>& directText = std::nullopt);
  // Another program posts a notification on the distributed centre.
  void PostDistributedNotification(const std::string& name);

 private:
  std::string home_;
  Host host_;
  Host* previous_ = nullptr;
  // Events this desktop queued (one reference each), until delivered.
  std::vector<EventRef> posted_;
  void ForgetDeliveredEvents();
};
