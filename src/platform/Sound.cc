#include "platform/Sound.h"

#include "platform/Transcript.h"

void SysBeep(SInt16 /*duration*/) { Transcribe("beep"); }
