// The host's process table, its system version and the system UI mode.
//
// The Process Manager of the layer (platform/Processes.h) asks this interface
// for everything about other programs; the layer itself only resolves the
// special serial numbers and checks arguments. Effects the user can see (a
// process brought to the front, hidden, shown or ended) are the host's to
// carry out and, on the simulated desktop, to transcribe.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/core/MacTypes.h"

// What the host knows about one running process.
struct HostProcessInfo {
  ProcessSerialNumber psn;
  std::string name;        // UTF-8, as shown to the user
  OSType type = 0;         // 'APPL', 'FNDR', ...
  OSType creator = 0;      // the signature
  std::string bundlePath;  // POSIX path of the bundle (or executable); may be empty
  pid_t pid = 0;
  UInt32 mode = 0;      // mode flags (modeOnlyBackground, ...)
  bool visible = true;  // false while hidden
  UInt32 size = 0;      // bytes of its partition (informational)
  UInt32 freeMem = 0;
  ProcessSerialNumber launcher;
  UInt32 launchDate = 0;  // ticks
  UInt32 activeTime = 0;  // ticks
};

class HostProcesses {
 public:
  virtual ~HostProcesses() = default;

  // The system version in binary-coded decimal (0x1049 for 10.4.9); nullopt
  // when the host cannot tell.
  virtual std::optional<SInt32> SystemVersion() const = 0;

  // Serial numbers of the running processes, in the order GetNextProcess
  // walks them. The agent's own process is among them.
  virtual std::vector<ProcessSerialNumber> ProcessList() const = 0;
  virtual std::optional<HostProcessInfo> Info(const ProcessSerialNumber& psn) const = 0;
  // The agent's own process.
  virtual ProcessSerialNumber Self() const = 0;
  // The process in front; nullopt when there is none.
  virtual std::optional<ProcessSerialNumber> Front() const = 0;

  // Each returns noErr or procNotFound for a serial number not in the table.
  // Bringing a hidden process to the front shows it again.
  virtual OSStatus SetFront(const ProcessSerialNumber& psn, bool frontWindowOnly) = 0;
  virtual OSStatus SetVisible(const ProcessSerialNumber& psn, bool visible) = 0;
  // Ends the process at once (no quit request); its termination is reported
  // to the application as for any other ending process.
  virtual OSStatus Kill(const ProcessSerialNumber& psn) = 0;

  // How much of the system's own UI (menu bar, Dock) shows while the agent is
  // in front. mode and options are checked by the layer.
  virtual OSStatus SetSystemUIMode(UInt32 mode, UInt32 options) = 0;
};
