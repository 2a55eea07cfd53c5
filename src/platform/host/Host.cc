#include "platform/host/Host.h"

#include <cstdarg>
#include <cstdio>

#include "platform/host/Transcript.h"

namespace {
Host gEmptyHost;
Host* gCurrentHost = &gEmptyHost;
}  // namespace

Host& CurrentHost() { return *gCurrentHost; }

Host* InstallHost(Host* host) {
  Host* previous = gCurrentHost;
  gCurrentHost = host ? host : &gEmptyHost;
  return previous;
}

std::string Fmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, args);
  va_end(args);
  return out;
}

void Transcribe(std::string_view line) {
  if (auto* r = CurrentHost().recorder) r->Record(line);
}

void ReportProblem(std::string_view line) {
  std::fprintf(stderr, "korvane: %.*s\n", static_cast<int>(line.size()), line.data());
  std::fflush(stderr);
  Transcribe(line);
}
