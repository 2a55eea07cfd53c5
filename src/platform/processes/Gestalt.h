// Gestalt: facts about the system the agent runs on. Only the system version
// is answered; it comes from the host's process table.
#pragma once

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"

enum : OSType {
  gestaltSystemVersion = FourCC("sysv"),  // binary-coded decimal: 0x1039 is 10.3.9
};

// Stores the value of selector in *response.
// Returns noErr, paramErr (response null), or gestaltUndefSelectorErr (a
// selector not answered, or a host without a process table or without a
// system version). *response is untouched on failure.
[[nodiscard]] OSErr Gestalt(OSType selector, SInt32* response);
