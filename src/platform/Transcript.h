// One line per visible effect, sent to the host's recorder.
#pragma once

#include <string>
#include <string_view>

// printf-style formatting into a std::string (g++ 12 has no std::format).
std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends "line" to the current host's recorder, if any.
void Transcribe(std::string_view line);
