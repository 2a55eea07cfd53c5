// Reading and writing property list files.
//
// Writing never leaves a half-written file behind: settings files are
// edited by other programs too, and a crash or a full disk in the middle of
// a write must not cost the user what was there.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/propertylists/PropertyListInternal.h"

namespace {

constexpr off_t kLargestPropertyList = 64 * 1024 * 1024;

OSStatus StatusForReadErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return fnfErr;
    case EACCES:
    case EPERM: return permErr;
    default: return ioErr;
  }
}

OSStatus StatusForWriteErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return dirNFErr;
    case EACCES:
    case EPERM: return permErr;
    case EROFS: return vLckdErr;
    case ENOSPC:
    case EDQUOT: return dskFulErr;
    default: return ioErr;
  }
}

// A descriptor closed when it goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, reporting the result (a failed close can mean lost data).
  int Close() { return ::close(std::exchange(fd_, -1)); }

 private:
  int fd_;
};

// A temporary file beside the destination, removed unless it was renamed.
struct TemporaryFile {
  std::string path;
  bool renamed = false;
  ~TemporaryFile() {
    if (!path.empty() && !renamed) ::unlink(path.c_str());
  }
};

bool WriteAll(int fd, const UInt8* bytes, std::size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, bytes, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

// Makes the rename itself durable; a failure here loses nothing already
// written, so it is not reported.
void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

namespace plist_internal {

int ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes) {
  bytes->clear();
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  if (st.st_size > kLargestPropertyList) return EFBIG;
  UInt8 buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    bytes->insert(bytes->end(), buffer, buffer + n);
    if (bytes->size() > static_cast<std::size_t>(kLargestPropertyList)) return EFBIG;
  }
  return 0;
}

int WriteFileAtomically(const std::string& path, const void* bytes, std::size_t length,
                        mode_t mode) {
  if (path.empty()) return EINVAL;
  auto slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return EISDIR;

  TemporaryFile temporary;
  std::string pattern = folder + "/." + name + ".XXXXXX";
  FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
  if (fd.get() < 0) return errno;
  temporary.path = pattern;
  if (!WriteAll(fd.get(), static_cast<const UInt8*>(bytes), length) ||
      ::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0 || fd.Close() != 0)
    return errno;
  if (::rename(temporary.path.c_str(), path.c_str()) != 0) return errno;
  temporary.renamed = true;
  SyncFolder(folder);
  return 0;
}

}  // namespace plist_internal

OSStatus ReadPropertyListFile(const std::string& path, CFOptionFlags mutabilityOption,
                              CFRef<CFPropertyListRef>* result) {
  if (!result) return paramErr;
  result->reset();
  std::vector<UInt8> bytes;
  int error = plist_internal::ReadWholeFile(path, &bytes);
  if (error == EFBIG) return memFullErr;
  if (error == EISDIR || error == EINVAL) return ioErr;
  if (error) return StatusForReadErrno(error);
  auto data = CFDataCreateWithBytesNoCopy(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()),
                                          kCFAllocatorNull);
  auto value = CFPropertyListCreateFromXMLData(nullptr, data, mutabilityOption, nullptr);
  if (!value) return kCFPropertyListReadCorruptError;
  *result = std::move(value);
  return noErr;
}

OSStatus WritePropertyListFile(const std::string& path, CFPropertyListRef plist, mode_t mode) {
  auto xml = CFPropertyListCreateXMLData(nullptr, plist);
  if (!xml || path.empty() || path.back() == '/') return paramErr;
  int error = plist_internal::WriteFileAtomically(
      path, CFDataGetBytePtr(xml), static_cast<std::size_t>(CFDataGetLength(xml)), mode);
  return error ? StatusForWriteErrno(error) : noErr;
}
