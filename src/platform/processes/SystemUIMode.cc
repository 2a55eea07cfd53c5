#include "platform/processes/SystemUIMode.h"

#include "platform/core/MacErrors.h"
#include "platform/host/Host.h"
#include "platform/processes/HostProcesses.h"

namespace {
// Kept here as well as in the host so that GetSystemUIMode needs no host.
SystemUIMode gMode = kUIModeNormal;
SystemUIOptions gOptions = 0;
}  // namespace

OSStatus SetSystemUIMode(SystemUIMode inMode, SystemUIOptions inOptions) {
  if (inMode > kUIModeAllSuppressed) return paramErr;
  HostProcesses* host = CurrentHost().processes;
  if (!host) return unimpErr;
  OSStatus status = host->SetSystemUIMode(inMode, inOptions);
  if (status != noErr) return status;
  gMode = inMode;
  gOptions = inOptions;
  return noErr;
}

void GetSystemUIMode(SystemUIMode* outMode, SystemUIOptions* outOptions) {
  if (outMode) *outMode = gMode;
  if (outOptions) *outOptions = gOptions;
}
