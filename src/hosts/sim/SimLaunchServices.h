// Launching on the simulated desktop: nothing runs; each open is transcribed
// as "open FILE [with APP]" (paths under the sandbox home shown below "~")
// and kept for tests. A document the layer found no application for, and
// that is neither a folder nor a program, cannot be opened.
#pragma once

#include <string>
#include <vector>

#include "platform/launchservices/HostLaunchServices.h"

class SimLaunchServices final : public HostLaunchServices {
 public:
  struct Opened {
    std::string path;
    std::string app;  // empty: opened on its own
  };

  OSStatus Open(const std::string& path, const std::string& appPath) override;

  std::string home;  // shown as "~" in the transcript
  std::vector<Opened> opened;
};
