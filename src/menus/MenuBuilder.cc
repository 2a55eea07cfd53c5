// The menu builder's globals.
#include "menus/MenuBuilder.h"

bool gInitialBuild = false;
SInt32 gOpenMenuCount = 0;
CFStringRef gUnavailableText = CFSTR("Unavailable");
CFStringRef gEmptyFolderText = CFSTR("Empty Folder");
