// The agent's standard alert, shown in front of everything.
#pragma once

#include "platform/corefoundation/CoreFoundation.h"

// Shows a note alert with the localized texts (English keys; a key without
// an entry is shown as it is) and waits for the user. cancelText and
// otherText may be null (no such button). Returns the item hit: 1 default,
// 2 cancel, 3 other, 0 when no alert could be shown.
SInt16 RunAlert(CFStringRef defaultText, CFStringRef cancelText, CFStringRef otherText,
                CFStringRef messageText, CFStringRef explanationText);
