// Which regular files are programs. An execute bit alone says little: a
// document copied from a FAT or NTFS stick, or living on a CIFS share, has
// every bit set. A program starts with an ELF header or with "#!" (a script
// for an interpreter); the kernel runs nothing else directly.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files/FilesInternal.h"
#include "platform/launchservices/LaunchServicesInternal.h"

namespace LaunchServicesPrivate {

bool IsProgramFile(const std::string& path, const struct stat& st) {
  if (!S_ISREG(st.st_mode) || !(st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH))) return false;
  // Non-blocking, so that a file that is not what its status said (a FIFO
  // put there since) cannot stall the listing.
  FilesPrivate::UniqueFd fd(
      ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) return false;
  char head[4];
  ssize_t n;
  do {
    n = ::read(fd.get(), head, sizeof head);
  } while (n < 0 && errno == EINTR);
  if (n >= 4 && std::memcmp(head,
                            "\x7F"
                            "ELF",
                            4) == 0)
    return true;
  return n >= 2 && head[0] == '#' && head[1] == '!';
}

}  // namespace LaunchServicesPrivate
