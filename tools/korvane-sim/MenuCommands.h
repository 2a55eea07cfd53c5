// The "show" command: every group of commands can add what it shows
// ("show menu ID", "show trigger N", ...), registered by the subject word.
#pragma once

#include <functional>
#include <string>

#include "korvane-sim/Simulator.h"

using ShowSubject = std::function<void(Simulator&, const ScenarioLine&)>;

// Adds "show WHAT ..."; usage is what the command's usage text lists for it.
// A second registration of the same word replaces the first.
void RegisterShowSubject(const std::string& what, const std::string& usage, ShowSubject run);

// Parses a key code or modifier mask: a decimal or 0x hexadecimal number, or
// (modifiers only) names joined by "+": cmd, shift, opt, ctrl, fn, none.
UInt32 ParseKeyCode(const ScenarioLine& line, const std::string& word);
UInt32 ParseModifiers(const ScenarioLine& line, const std::string& word);
