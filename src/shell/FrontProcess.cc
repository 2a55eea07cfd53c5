#include "shell/FrontProcess.h"

bool IsAltBrowserRunning() {
  ProcessSerialNumber psn;
  ProcessInfoRec info;
  info.processInfoLength = 60;
  info.processName = nullptr;
  info.processAppSpec = nullptr;
  return FindProcessBySignature(kAltBrowserType, kAltBrowserCreator, &psn, &info) == noErr;
}

OSStatus FindProcessBySignature(OSType type, OSType creator, ProcessSerialNumber* psn,
                                ProcessInfoRec* info) {
  psn->highLongOfPSN = 0;
  psn->lowLongOfPSN = kNoProcess;
  for (;;) {
    OSErr err = GetNextProcess(psn);
    if (err != noErr) return err;  // procNotFound at the end of the list
    if (GetProcessInformation(psn, info) == noErr && info->processSignature == creator &&
        info->processType == type)
      return noErr;
  }
}

void SaveFrontAndActivateSelf(ProcessSerialNumber* psn) {
  (void)GetFrontProcess(psn);
  const ProcessSerialNumber self = {0, kCurrentProcess};
  SetFrontProcess(&self);
}

void RestoreFront(const ProcessSerialNumber* psn) {
  SetFrontProcessWithOptions(psn, kSetFrontProcessFrontWindowOnly);
}
