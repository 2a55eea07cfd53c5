// The Finder's trash event, sent by the agent (the Trash command, the
// duplicates of a move or copy) and by Quillon alike.
#pragma once

#include "platform/core/MacTypes.h"

// Asks the Finder, addressed by its signature, to move the count items of
// refs (consecutive FSRefs) to the Trash, and waits for it to finish, up to
// the default timeout. Nothing is sent when an item's alias cannot be made.
// Returns noErr or the first failure (making the event, an alias, sending).
OSStatus MoveFilesToFinderTrash(const FSRef* refs, ItemCount count);
