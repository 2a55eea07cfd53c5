// One line per visible effect, sent to the host's recorder.
#pragma once

#include <string>
#include <string_view>

// printf-style formatting into a std::string (g++ 12 has no std::format).
std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends "line" to the current host's recorder, if any.
void Transcribe(std::string_view line);

// For mistakes in the user's settings and failures the user must hear of
// (a setting skipped or corrected, a file that could not be written):
// writes "korvane: <line>" to standard error and transcribes "<line>".
void ReportProblem(std::string_view line);
