#include "platform/interface/Cocoa.h"

Boolean NSApplicationLoad() { return true; }
