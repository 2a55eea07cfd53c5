// The Cocoa object framework, as far as this layer stands in for it.
#pragma once

#include "platform/core/MacTypes.h"

// Makes the object framework usable from this program. Everything the
// agent later asks of it (bundles, tasks, path strings) is provided by this
// layer directly, so there is nothing to load: always true.
Boolean NSApplicationLoad();
