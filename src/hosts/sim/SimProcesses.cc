#include "hosts/sim/SimProcesses.h"

#include <unistd.h>

#include <algorithm>

#include "platform/core/MacErrors.h"
#include "platform/host/Transcript.h"
#include "platform/processes/Processes.h"

SimProcesses::SimProcesses() {
  SimProcess agent;
  agent.name = "Korvane";
  agent.creator = FourCC("Kvne");
  agent.pid = getpid();
  agent.mode = modeOnlyBackground | modeCanBackground | modeHighLevelEventAware;
  self_ = AddProcess(agent, true);
}

ProcessSerialNumber SimProcesses::AddProcess(const SimProcess& process, bool front) {
  HostProcessInfo info;
  info.psn = ProcessSerialNumber{0, nextNumber_++};
  info.name = process.name;
  info.type = process.type;
  info.creator = process.creator;
  info.bundlePath = process.bundlePath;
  // Fictional ids, well clear of the low numbers of real system processes;
  // nothing sends them signals.
  info.pid = process.pid ? process.pid : static_cast<pid_t>(40000 + table_.size());
  info.mode = process.mode;
  info.visible = process.visible;
  info.launcher = self_;
  table_.push_back(info);
  if (front) front_ = info.psn;
  return info.psn;
}

const HostProcessInfo* SimProcesses::FindConst(const ProcessSerialNumber& psn) const {
  auto it = std::find_if(table_.begin(), table_.end(),
                         [&](const HostProcessInfo& p) { return p.psn == psn; });
  return it == table_.end() ? nullptr : &*it;
}

HostProcessInfo* SimProcesses::Find(const ProcessSerialNumber& psn) {
  return const_cast<HostProcessInfo*>(FindConst(psn));
}

std::optional<ProcessSerialNumber> SimProcesses::FindByName(std::string_view name) const {
  for (const HostProcessInfo& p : table_)
    if (p.name == name) return p.psn;
  return std::nullopt;
}

std::vector<ProcessSerialNumber> SimProcesses::ProcessList() const {
  std::vector<ProcessSerialNumber> list;
  for (const HostProcessInfo& p : table_) list.push_back(p.psn);
  return list;
}

std::optional<HostProcessInfo> SimProcesses::Info(const ProcessSerialNumber& psn) const {
  const HostProcessInfo* p = FindConst(psn);
  if (!p) return std::nullopt;
  return *p;
}

std::optional<ProcessSerialNumber> SimProcesses::Front() const {
  if (front_ && FindConst(*front_)) return front_;
  return std::nullopt;
}

OSStatus SimProcesses::SetFront(const ProcessSerialNumber& psn, bool frontWindowOnly) {
  HostProcessInfo* p = Find(psn);
  if (!p) return procNotFound;
  if (!p->visible) {
    p->visible = true;
    Transcribe(Fmt("show: %s", p->name.c_str()));
  }
  front_ = psn;
  Transcribe(Fmt("front: %s%s", p->name.c_str(), frontWindowOnly ? " (front window only)" : ""));
  return noErr;
}

void SimProcesses::PassFrontFrom(const ProcessSerialNumber& leaving) {
  if (!front_ || *front_ != leaving) return;
  front_ = self_;
  for (const HostProcessInfo& p : table_) {
    if (p.psn != leaving && p.visible && !(p.mode & modeOnlyBackground)) {
      front_ = p.psn;
      break;
    }
  }
  if (const HostProcessInfo* now = FindConst(*front_))
    Transcribe(Fmt("front: %s", now->name.c_str()));
}

OSStatus SimProcesses::SetVisible(const ProcessSerialNumber& psn, bool visible) {
  HostProcessInfo* p = Find(psn);
  if (!p) return procNotFound;
  p->visible = visible;
  Transcribe(Fmt("%s: %s", visible ? "show" : "hide", p->name.c_str()));
  if (!visible) PassFrontFrom(psn);
  return noErr;
}

OSStatus SimProcesses::Kill(const ProcessSerialNumber& psn) {
  const HostProcessInfo* p = FindConst(psn);
  if (!p) return procNotFound;
  if (psn == self_) return paramErr;
  Transcribe(Fmt("kill: %s", p->name.c_str()));
  return Terminate(psn);
}

OSStatus SimProcesses::Terminate(const ProcessSerialNumber& psn) {
  auto it = std::find_if(table_.begin(), table_.end(),
                         [&](const HostProcessInfo& p) { return p.psn == psn; });
  if (it == table_.end()) return procNotFound;
  if (psn == self_) return paramErr;
  std::string name = it->name;
  table_.erase(it);
  Transcribe(Fmt("terminated: %s", name.c_str()));
  PassFrontFrom(psn);
  if (onTerminated) onTerminated(psn);
  return noErr;
}

OSStatus SimProcesses::SetSystemUIMode(UInt32 mode, UInt32 options) {
  uiMode_ = mode;
  uiOptions_ = options;
  if (options)
    Transcribe(Fmt("system ui mode %u options 0x%X", static_cast<unsigned>(mode),
                   static_cast<unsigned>(options)));
  else
    Transcribe(Fmt("system ui mode %u", static_cast<unsigned>(mode)));
  return noErr;
}
