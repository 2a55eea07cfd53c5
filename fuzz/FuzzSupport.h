// Small helpers the fuzz targets share: scratch folders and files, and the
// way a target reports a broken invariant (an abort libFuzzer records as a
// crash, with the reason on standard error).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

[[noreturn]] inline void Fail(const std::string& why) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", why.c_str());
  std::abort();
}

// A new private folder under $TMPDIR (else /tmp), for the life of the process.
inline std::string NewScratchFolder(const char* tag) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvane-fuzz-" + tag + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) Fail("cannot make a scratch folder " + pattern);
  return pattern;
}

// mkdir -p; an existing folder is fine.
inline void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot make " + prefix);
    if (slash == std::string::npos) break;
  }
}

// Replaces the file at path with exactly these bytes.
inline void WriteBytes(const std::string& path, const void* bytes, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("cannot write " + path);
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n <= 0) Fail("cannot write " + path);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, text.data(), text.size());
}

}  // namespace fuzz
