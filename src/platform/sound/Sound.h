// The desktop's alert sound.
#pragma once

#include "platform/core/MacTypes.h"

// Plays the alert sound once; duration is ignored, as on every system since
// the sound became a sample. Transcribed as "beep".
void SysBeep(SInt16 duration);
