#include "platform/processes/Gestalt.h"

#include "platform/core/MacErrors.h"
#include "platform/host/Host.h"
#include "platform/processes/HostProcesses.h"

OSErr Gestalt(OSType selector, SInt32* response) {
  if (!response) return paramErr;
  if (selector != gestaltSystemVersion) return gestaltUndefSelectorErr;
  HostProcesses* host = CurrentHost().processes;
  if (!host) return gestaltUndefSelectorErr;
  std::optional<SInt32> version = host->SystemVersion();
  if (!version) return gestaltUndefSelectorErr;
  *response = *version;
  return noErr;
}
