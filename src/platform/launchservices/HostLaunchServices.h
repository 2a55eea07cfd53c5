// Opening items as the desktop does: starting applications and handing them
// documents, showing folders in the file browser.
//
// The layer decides what it can from the files themselves (an alias file is
// resolved first, an application opens on its own, a document goes to the
// application that claims its extension) and hands the rest to the host,
// which carries the launch out and, on the simulated desktop, transcribes it.
#pragma once

#include <string>

#include "platform/core/MacTypes.h"

class HostLaunchServices {
 public:
  virtual ~HostLaunchServices() = default;

  // Opens the item at path (absolute, no symbolic link at its end) with the
  // application at appPath (a bundle or a program), or, when appPath is
  // empty, as the desktop opens such an item on its own: an application
  // runs, a folder opens in the file browser, a document in the
  // application the desktop chooses for it. Returns noErr once the launch
  // was handed on, kLSApplicationNotFoundErr when the desktop has no
  // application for a document, or another Launch Services error.
  virtual OSStatus Open(const std::string& path, const std::string& appPath) = 0;
};
