#include "platform/sound/Sound.h"

#include "platform/host/Transcript.h"

void SysBeep(SInt16 /*duration*/) { Transcribe("beep"); }
