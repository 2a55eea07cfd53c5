// The simulated desktop's process table: the processes a scenario or a test
// declares, the agent itself among them, which one is in front, and the
// system version. Everything a user would see (front changes, hiding,
// showing, processes ending) is transcribed here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes/HostProcesses.h"

// What a scenario declares about a process.
struct SimProcess {
  std::string name = {};
  OSType type = FourCC("APPL");
  OSType creator = FourCC("????");
  std::string bundlePath = {};
  pid_t pid = 0;  // 0: the table picks a fictional one
  UInt32 mode = 0;
  bool visible = true;
};

class SimProcesses final : public HostProcesses {
 public:
  static constexpr SInt32 kDefaultSystemVersion = 0x1049;

  // The table starts with the agent: "Korvane", 'APPL'/'Kvne', background
  // only, this program's own pid, in front until another process is.
  SimProcesses();

  // Appends a process to the table; front brings it to the front without a
  // transcript line (it was in front before the agent looked).
  ProcessSerialNumber AddProcess(const SimProcess& process, bool front = false);
  // The process ends: it leaves the table ("terminated: Name"), the front
  // passes on if it was in front, then onTerminated is called. Returns noErr
  // procNotFound, or paramErr for the agent itself (it is the program that
  // runs; it cannot leave its own table).
  OSStatus Terminate(const ProcessSerialNumber& psn);
  // Called after every ending process has left the table; the coordinator
  // posts the application-terminated event from here.
  std::function<void(ProcessSerialNumber)> onTerminated;

  // nullopt: a desktop that cannot tell its version.
  void SetSystemVersion(std::optional<SInt32> version) { version_ = version; }

  HostProcessInfo* Find(const ProcessSerialNumber& psn);
  // The first process of that name, in table order.
  std::optional<ProcessSerialNumber> FindByName(std::string_view name) const;
  HostProcessInfo& SelfRecord() { return *Find(self_); }
  UInt32 uiMode() const { return uiMode_; }
  UInt32 uiOptions() const { return uiOptions_; }

  // HostProcesses
  std::optional<SInt32> SystemVersion() const override { return version_; }
  std::vector<ProcessSerialNumber> ProcessList() const override;
  std::optional<HostProcessInfo> Info(const ProcessSerialNumber& psn) const override;
  ProcessSerialNumber Self() const override { return self_; }
  std::optional<ProcessSerialNumber> Front() const override;
  OSStatus SetFront(const ProcessSerialNumber& psn, bool frontWindowOnly) override;
  OSStatus SetVisible(const ProcessSerialNumber& psn, bool visible) override;
  OSStatus Kill(const ProcessSerialNumber& psn) override;
  OSStatus SetSystemUIMode(UInt32 mode, UInt32 options) override;

 private:
  const HostProcessInfo* FindConst(const ProcessSerialNumber& psn) const;
  // When the front process hides or ends, the front passes to the first
  // visible application in table order other than leaving, else the agent.
  void PassFrontFrom(const ProcessSerialNumber& leaving);

  std::vector<HostProcessInfo> table_;
  ProcessSerialNumber self_;
  std::optional<ProcessSerialNumber> front_;
  std::optional<SInt32> version_ = kDefaultSystemVersion;
  UInt32 nextNumber_ = 0x1001;
  UInt32 uiMode_ = 0;
  UInt32 uiOptions_ = 0;
};
