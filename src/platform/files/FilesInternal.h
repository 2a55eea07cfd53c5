// What the File Manager, Alias Manager and Launch Services files of the
// layer share among themselves. Not for the agent's code.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/files/Files.h"

struct HostVolume;

namespace FilesPrivate {

// ------------------------------------------------------------ path table

// Paths are interned as a tree of (parent, name) nodes; node 0 is "/". A
// node's index is what an FSRef carries, so a ref never holds a pointer.
UInt32 InternChild(UInt32 parent, std::string_view name);
// Interns a canonical absolute path (no ".", "..", empty or symlinked
// folder components).
UInt32 InternPath(std::string_view canonicalPath);
std::string PathOfNode(UInt32 node);
std::string_view NameOfNode(UInt32 node);
UInt32 ParentOfNode(UInt32 node);
bool IsKnownNode(UInt32 node);

// ------------------------------------------------------------------ refs

// What a ref holds. Device and inode alone do not name an item for good: a
// file system hands the inode of a deleted item to the next one it makes,
// often at once. The file type and, where the file system keeps one, the
// birth time tell such a newcomer from the item that was there before.
struct RefData {
  UInt32 node = 0;
  UInt64 device = 0;
  UInt64 inode = 0;
  UInt32 type = 0;  // st_mode & S_IFMT
  bool hasBirth = false;
  SInt64 birthSeconds = 0;
  UInt32 birthNanoseconds = 0;
};
// The same item: device, inode, file type and birth time (the node, which
// is only the path the ref was made through, does not count).
bool SameItem(const RefData& a, const RefData& b);
// lstat of name in the folder dirFd (AT_FDCWD for a path; "" for dirFd
// itself), reading the birth time too where the file system has one.
// Fills *st and every field of *identity but node. 0, or -1 with errno set.
int StatItem(int dirFd, const char* name, struct stat* st, RefData* identity);

void EncodeRef(const RefData& data, FSRef* ref);
// False when the bytes were not made by this layer.
bool DecodeRef(const FSRef* ref, RefData* data);

// Finds the item a ref names: its path and lstat. errFSBadFSRef, fnfErr
// (gone, replaced, or on an unmounted volume), paramErr.
OSStatus LookUpRef(const FSRef* ref, std::string* path, struct stat* st, RefData* data = nullptr);

// The lstat that the batch an iterator handed out last read for the item
// data names (same node and SameItem), while that batch is current:
// until the iterator's next batch or its close. Null for anything else.
// Whoever lists a folder asks several questions about every entry of a
// batch; they are answered from one reading instead of one each.
const struct stat* StatFromCurrentBatch(const RefData& data);

// Makes "path" absolute and canonical: fixed Mac paths mapped (when mapMac),
// the folders resolved with realpath, the last component kept as it is.
OSStatus CanonicalPath(std::string_view path, bool mapMac, std::string* out);
// A ref for a canonical path that exists (fnfErr otherwise, also on an
// unmounted volume); st may be null.
OSStatus RefForCanonicalPath(const std::string& path, FSRef* ref, struct stat* st);

OSStatus StatusFromErrno(int error);

// Owns a file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { Reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// ----------------------------------------------------------------- names

// name (bytes) -> UTF-16 with invalid bytes as U+DC00 + byte, at most
// capacity units (a surrogate pair is never cut). Returns the units written.
std::size_t NameToUnits(std::string_view name, UniChar* out, std::size_t capacity);
void NameToHFSUniStr(std::string_view name, HFSUniStr255* out);
// The reverse; false for unpaired surrogates that are not escaped bytes.
bool UnitsToName(const UniChar* units, std::size_t count, std::string* out);
// The order of names in a folder listing: a sort key made once per name
// (case and accents folded, numbers by value; see FilesNames.cc), then the
// names' bytes to break ties, so the order is total. Any bytes will do, UTF-8
// or not. Compare results are -1, 0, 1.
std::string NameSortKey(std::string_view name);
// The same key appended to *keys (one buffer for a folder's worth).
void AppendNameSortKey(std::string_view name, std::string* keys);
int CompareNameKeys(std::string_view keyA, std::string_view a, std::string_view keyB,
                    std::string_view b);

// The extension after the last "." that is not the first character; empty
// when there is none.
std::string_view NameExtension(std::string_view name);
bool EqualsIgnoringASCIICase(std::string_view a, std::string_view b);
bool EndsWithIgnoringASCIICase(std::string_view text, std::string_view suffix);

// --------------------------------------------------------------- volumes

// The host volume whose mount point is path or holds it (longest mount
// point), or null. Unmounted volumes count.
const HostVolume* HostVolumeContaining(std::string_view path);
// The host volume mounted at exactly path, or null.
const HostVolume* HostVolumeAt(std::string_view path);
// True when path lies on a volume the host shows as unmounted.
bool IsOffline(std::string_view path);
// The volume number of the file system holding path (st_dev from its stat).
FSVolumeRefNum VolumeRefNumFor(std::string_view path, dev_t device);
bool IsUnder(std::string_view path, std::string_view folder);
// The mount point of the file system (device) that holds path: the topmost
// folder above it still on that device.
std::string MountPointOf(std::string path, UInt64 device);

// --------------------------------------------------------------- catalog

// What filling catalog information needs besides the item's stat.
struct CatalogContext {
  FSVolumeRefNum volume = 0;
  UInt32 parentID = 0;
  uid_t euid = 0;
  gid_t egid = 0;
  int dirFd = -1;         // the item's folder, for kFSCatInfoValence
  const char* name = "";  // the item's name in that folder, NUL-terminated
};
void FillCatalogInfo(const struct stat& st, std::string_view name, FSCatalogInfoBitmap which,
                     const CatalogContext& context, FSCatalogInfo* info);
UTCDateTime UTCDateTimeFromTimespec(const struct timespec& t);

}  // namespace FilesPrivate
