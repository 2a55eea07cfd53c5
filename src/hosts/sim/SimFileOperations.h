// What the simulated file browser does with the file events it receives,
// when a scenario asks a receiver to carry them out: moves, copies, aliases
// (symbolic links) and trashing (into the sandbox's trash folder), on the
// real files of the sandbox, each transcribed.
#pragma once

#include <span>
#include <string>

#include "platform/appleevents/AppleEvents.h"

// Carries out 'core'/'move', 'clon', 'crel' and 'delo'; other events are
// left alone (noErr). home is the sandbox home: paths under it are shown
// as "~", and its .Trash folder receives trashed items. Returns noErr, or
// the first failure (an unresolvable alias, a file system error), which the
// receiver reports in its reply.
OSErr CarryOutFileOperation(const AppleEvent& event, const std::string& home);

// Renders an 'alis' descriptor's bytes as the path the alias names, under
// the home given to SetAliasRenderingHome as "~".
std::string RenderAliasAsPath(std::span<const UInt8> data);
void SetAliasRenderingHome(std::string home);
