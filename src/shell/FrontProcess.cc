#include "shell/FrontProcess.h"

bool IsAltBrowserRunning() {
  ProcessSerialNumber psn;
  ProcessInfoRec info;
  info.processInfoLength = kProcessInfoRecLength;
  info.processName = nullptr;
  info.processAppSpec = nullptr;
  return FindProcessBySignature(kAltBrowserType, kAltBrowserCreator, &psn, &info) == noErr;
}

OSStatus FindProcessBySignature(OSType type, OSType creator, ProcessSerialNumber* psn,
                                ProcessInfoRec* info) {
  if (!psn || !info) return paramErr;
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
  if (GetFrontProcess(psn) != noErr) *psn = {0, kNoProcess};
  const ProcessSerialNumber self = {0, kCurrentProcess};
  (void)SetFrontProcess(&self);
}

void RestoreFront(const ProcessSerialNumber* psn) {
  if (psn->highLongOfPSN == 0 && psn->lowLongOfPSN == kNoProcess) return;
  (void)SetFrontProcessWithOptions(psn, kSetFrontProcessFrontWindowOnly);
}
