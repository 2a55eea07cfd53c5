// The host seam: whatever lies outside the process comes from a host, behind
// one small interface per concern. The platform layer calls the host through
// CurrentHost(); korvane-sim installs the simulated desktop, a real desktop
// host installs its own. A concern a host does not provide is null, and the
// layer's operations then fail with the status their header names.
//
// Each issue that needs a further outside service adds its interface here
// (as its own header under platform/host/) and a field to Host.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/MacTypes.h"

// Run loop and clock. The layer never owns the loop: Run returns when Quit is
// called (a nested Run returns at the matching Quit).
class HostRunLoop {
 public:
  using TimerId = std::uint64_t;
  virtual ~HostRunLoop() = default;
  // Seconds since the host started (monotonic).
  virtual double Now() const = 0;
  // Calls fire once, at or after due (a time on the Now() scale). Timers that
  // fall due together fire in the order they were added.
  virtual TimerId AddTimer(double due, std::function<void()> fire) = 0;
  virtual void CancelTimer(TimerId id) = 0;
  // Runs until Quit; may be called again from inside a callback (nested run).
  virtual void Run() = 0;
  virtual void Quit() = 0;
  // Depth of nested runs currently active (0 when not running).
  virtual int Depth() const = 0;
};

// Receives one line per effect the agent has on the desktop. The simulated
// host writes them to the transcript; a real host may log or drop them.
class HostRecorder {
 public:
  virtual ~HostRecorder() = default;
  virtual void Record(std::string_view line) = 0;
};

struct Host {
  HostRunLoop* runLoop = nullptr;
  HostRecorder* recorder = nullptr;
  class HostProcesses* processes = nullptr;                // platform/host/HostProcesses.h
  class HostHotKeys* hotKeys = nullptr;                    // platform/host/HostHotKeys.h
  class HostAppleEvents* appleEvents = nullptr;            // platform/host/HostAppleEvents.h
  class HostScreens* screens = nullptr;                    // platform/host/HostScreens.h
  class HostWindows* windows = nullptr;                    // platform/host/HostWindows.h
  class HostPrivateFunctions* privateFunctions = nullptr;  // platform/host/HostPrivateFunctions.h
  class HostFileSystem* fileSystem = nullptr;              // platform/host/HostFileSystem.h
  class HostIcons* icons = nullptr;                        // platform/host/HostIcons.h
  class HostMenuBar* menuBar = nullptr;                    // platform/host/HostMenuBar.h
  class HostAlerts* alerts = nullptr;                      // platform/dialogs/HostAlerts.h
  class HostInput* input = nullptr;                        // platform/events/HostInput.h
  class HostMenuTracking* menuTracking = nullptr;          // platform/menus/HostMenuTracking.h
  class HostLaunchServices* launchServices =
      nullptr;  // platform/launchservices/HostLaunchServices.h
};

Host& CurrentHost();
// Installs host as the current host (the previous one is returned). The host
// object must outlive its installation.
Host* InstallHost(Host* host);
