#include "platform/processes/Processes.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/core/MacErrors.h"
#include "platform/files/Files.h"
#include "platform/host/Host.h"
#include "platform/processes/HostProcesses.h"

namespace {

HostProcesses* Table() { return CurrentHost().processes; }

bool IsCurrentProcess(const ProcessSerialNumber& psn) {
  return psn.highLongOfPSN == 0 && psn.lowLongOfPSN == kCurrentProcess;
}

// {0, kCurrentProcess} stands for the agent itself; every other number is
// taken as it is. Null without a host to ask who the agent is.
std::optional<ProcessSerialNumber> Resolve(const ProcessSerialNumber& psn) {
  if (!IsCurrentProcess(psn)) return psn;
  HostProcesses* table = Table();
  if (!table) return std::nullopt;
  return table->Self();
}

// The host's record of a process, after resolving kCurrentProcess.
std::optional<HostProcessInfo> Lookup(const ProcessSerialNumber* psn) {
  HostProcesses* table = Table();
  if (!table || !psn) return std::nullopt;
  std::optional<ProcessSerialNumber> resolved = Resolve(*psn);
  if (!resolved) return std::nullopt;
  return table->Info(*resolved);
}

// Copies name into a Str31 in Mac Roman. Process names are for showing, so a
// character Mac Roman cannot hold becomes '?' instead of failing the call.
void FillPascalName(const std::string& name, StringPtr out) {
  constexpr std::size_t kMaxBytes = 31;
  std::u16string text = UTF8ToUTF16(name);
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size() && length < kMaxBytes; ++i) {
    std::string roman;
    char16_t c = text[i];
    bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (surrogate && c <= 0xDBFF && i + 1 < text.size()) ++i;  // skip the pair's second half
    if (surrogate || !UTF16ToMacRoman(std::u16string_view(&text[i], 1), roman) || roman.size() != 1)
      roman = "?";
    out[1 + length++] = static_cast<unsigned char>(roman[0]);
  }
  out[0] = static_cast<unsigned char>(length);
}

}  // namespace

OSErr GetNextProcess(ProcessSerialNumber* pPSN) {
  if (!pPSN) return paramErr;
  HostProcesses* table = Table();
  if (!table) return procNotFound;
  std::vector<ProcessSerialNumber> list = table->ProcessList();
  auto next = list.end();
  if (*pPSN == ProcessSerialNumber{0, kNoProcess}) {
    next = list.begin();
  } else if (std::optional<ProcessSerialNumber> from = Resolve(*pPSN)) {
    auto at = std::find(list.begin(), list.end(), *from);
    if (at != list.end()) next = at + 1;
  }
  if (next == list.end()) {
    *pPSN = ProcessSerialNumber{0, kNoProcess};
    return procNotFound;
  }
  *pPSN = *next;
  return noErr;
}

OSErr GetProcessInformation(const ProcessSerialNumber* PSN, ProcessInfoRec* info) {
  if (!PSN || !info) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(PSN);
  if (!process) return procNotFound;
  if (info->processName) FillPascalName(process->name, info->processName);
  info->processNumber = process->psn;
  info->processType = process->type;
  info->processSignature = process->creator;
  info->processMode = process->mode;
  info->processLocation = nullptr;
  info->processSize = process->size;
  info->processFreeMem = process->freeMem;
  info->processLauncher = process->launcher;
  info->processLaunchDate = process->launchDate;
  info->processActiveTime = process->activeTime;
  return noErr;
}

OSErr GetCurrentProcess(ProcessSerialNumber* PSN) {
  if (!PSN) return paramErr;
  HostProcesses* table = Table();
  if (!table) return procNotFound;
  *PSN = table->Self();
  return noErr;
}

OSErr GetFrontProcess(ProcessSerialNumber* PSN) {
  if (!PSN) return paramErr;
  HostProcesses* table = Table();
  if (!table) return procNotFound;
  std::optional<ProcessSerialNumber> front = table->Front();
  if (!front) return procNotFound;
  *PSN = *front;
  return noErr;
}

OSErr SetFrontProcess(const ProcessSerialNumber* PSN) {
  return static_cast<OSErr>(SetFrontProcessWithOptions(PSN, 0));
}

OSStatus SetFrontProcessWithOptions(const ProcessSerialNumber* inProcess, OptionBits inOptions) {
  if (!inProcess || (inOptions & ~OptionBits{kSetFrontProcessFrontWindowOnly})) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(inProcess);
  if (!process) return procNotFound;
  return Table()->SetFront(process->psn, (inOptions & kSetFrontProcessFrontWindowOnly) != 0);
}

OSErr SameProcess(const ProcessSerialNumber* PSN1, const ProcessSerialNumber* PSN2,
                  Boolean* result) {
  if (!PSN1 || !PSN2 || !result) return paramErr;
  std::optional<ProcessSerialNumber> a = Resolve(*PSN1);
  std::optional<ProcessSerialNumber> b = Resolve(*PSN2);
  if (!a || !b) return procNotFound;
  *result = *a == *b;
  return noErr;
}

OSErr ShowHideProcess(const ProcessSerialNumber* psn, Boolean visible) {
  if (!psn) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(psn);
  if (!process) return procNotFound;
  return static_cast<OSErr>(Table()->SetVisible(process->psn, visible));
}

OSErr CPSPostHideMostReq(const ProcessSerialNumber* psn) {
  if (!psn) return paramErr;
  std::optional<HostProcessInfo> keep = Lookup(psn);
  if (!keep) return procNotFound;
  HostProcesses* table = Table();
  for (const ProcessSerialNumber& other : table->ProcessList()) {
    if (other == keep->psn) continue;
    std::optional<HostProcessInfo> info = table->Info(other);
    // A background-only process has nothing to hide; a hidden one is left.
    if (!info || !info->visible || (info->mode & modeOnlyBackground)) continue;
    (void)table->SetVisible(other, false);
  }
  return noErr;
}

Boolean IsProcessVisible(const ProcessSerialNumber* psn) {
  std::optional<HostProcessInfo> process = Lookup(psn);
  return process && process->visible;
}

OSErr KillProcess(const ProcessSerialNumber* inProcess) {
  if (!inProcess) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(inProcess);
  if (!process) return procNotFound;
  return static_cast<OSErr>(Table()->Kill(process->psn));
}

OSStatus CopyProcessName(const ProcessSerialNumber* psn, CFStringRef* outName) {
  if (!psn || !outName) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(psn);
  if (!process) return procNotFound;
  *outName = CFStringFromUTF8(process->name).Detach();
  return noErr;
}

OSStatus GetProcessPID(const ProcessSerialNumber* psn, pid_t* pid) {
  if (!psn || !pid) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(psn);
  if (!process) return procNotFound;
  *pid = process->pid;
  return noErr;
}

OSStatus GetProcessBundleLocation(const ProcessSerialNumber* psn, FSRef* location) {
  if (!psn || !location) return paramErr;
  std::optional<HostProcessInfo> process = Lookup(psn);
  if (!process) return procNotFound;
  if (process->bundlePath.empty()) return fnfErr;
  return FSPathMakeRef(reinterpret_cast<const UInt8*>(process->bundlePath.c_str()), location,
                       nullptr);
}
