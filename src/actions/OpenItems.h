// Opening items: files, folders, applications and preference panes.
#pragma once

#include "platform/core/MacTypes.h"

// Opens the item (a folder in the file browser unless noDirOpen). Returns
// noErr on success.
OSStatus OpenItem(const FSRef* ref, bool noDirOpen);
