#include "platform/Cocoa.h"

Boolean NSApplicationLoad() { return true; }
