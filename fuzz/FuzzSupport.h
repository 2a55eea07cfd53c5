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
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fuzz {

[[noreturn]] inline void Fail(const std::string& why) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", why.c_str());
  std::abort();
}

// The scratch folders made so far; removed when the process ends normally.
inline std::vector<std::string>& ScratchFolders() {
  static auto* folders = new std::vector<std::string>;
  return *folders;
}

inline void RemoveScratchFolders() {
  for (const std::string& folder : ScratchFolders()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
}

// A new private folder under $TMPDIR, else under /dev/shm when that may be
// written (the agent flushes the preference file it writes to disk, which
// costs nothing on a memory file system), else under /tmp.
inline std::string NewScratchFolder(const char* tag) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp                              ? tmp
                           : ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm"
                                                                    : "/tmp";
  std::string pattern = base + "/korvane-fuzz-" + tag + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) Fail("cannot make a scratch folder " + pattern);
  if (ScratchFolders().empty()) std::atexit(RemoveScratchFolders);
  ScratchFolders().push_back(pattern);
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

// Replaces the file at path with a new one of exactly these bytes. A new
// file, not a truncated one: ext4 flushes a file truncated and rewritten
// to disk when it is closed, which would make every run wait for the disk.
inline void WriteBytes(const std::string& path, const void* bytes, std::size_t size) {
  (void)::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
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
