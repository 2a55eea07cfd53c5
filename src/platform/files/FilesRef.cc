// FSRef: making refs from paths and names, checking them, comparing them.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>

#include "platform/files/FilesInternal.h"

namespace FilesPrivate {
namespace {

constexpr UInt32 kRefMagic = FourCC("KvFR");

// What the 80 bytes hold; the rest stays zero, so that refs to the same item
// made the same way are equal byte for byte.
struct RefBytes {
  UInt32 magic;
  UInt32 node;
  UInt64 device;
  UInt64 inode;
  UInt32 type;
  UInt32 hasBirth;
  SInt64 birthSeconds;
  UInt32 birthNanoseconds;
  UInt32 reserved;
};
static_assert(sizeof(RefBytes) <= sizeof(FSRef));

void FillFromStatx(const struct statx& x, struct stat* st, RefData* identity) {
  *st = {};
  st->st_dev = makedev(x.stx_dev_major, x.stx_dev_minor);
  st->st_ino = static_cast<ino_t>(x.stx_ino);
  st->st_mode = x.stx_mode;
  st->st_nlink = x.stx_nlink;
  st->st_uid = x.stx_uid;
  st->st_gid = x.stx_gid;
  st->st_rdev = makedev(x.stx_rdev_major, x.stx_rdev_minor);
  st->st_size = static_cast<off_t>(x.stx_size);
  st->st_blksize = static_cast<blksize_t>(x.stx_blksize);
  st->st_blocks = static_cast<blkcnt_t>(x.stx_blocks);
  st->st_atim = {x.stx_atime.tv_sec, x.stx_atime.tv_nsec};
  st->st_mtim = {x.stx_mtime.tv_sec, x.stx_mtime.tv_nsec};
  st->st_ctim = {x.stx_ctime.tv_sec, x.stx_ctime.tv_nsec};
  identity->hasBirth = (x.stx_mask & STATX_BTIME) != 0;
  identity->birthSeconds = identity->hasBirth ? x.stx_btime.tv_sec : 0;
  identity->birthNanoseconds = identity->hasBirth ? x.stx_btime.tv_nsec : 0;
}

}  // namespace

bool SameItem(const RefData& a, const RefData& b) {
  return a.device == b.device && a.inode == b.inode && a.type == b.type &&
         a.hasBirth == b.hasBirth && a.birthSeconds == b.birthSeconds &&
         a.birthNanoseconds == b.birthNanoseconds;
}

int StatItem(int dirFd, const char* name, struct stat* st, RefData* identity) {
  const int flags = AT_SYMLINK_NOFOLLOW | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
  struct statx x;
  // statx reads everything lstat does, with the birth time, in one call;
  // a kernel without it leaves the identity at device, inode and type.
  static bool haveStatx = true;
  if (haveStatx) {
    if (::statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &x) == 0) {
      FillFromStatx(x, st, identity);
    } else if (errno == ENOSYS) {
      haveStatx = false;
    } else {
      return -1;
    }
  }
  if (!haveStatx) {
    if (::fstatat(dirFd, name, st, flags) != 0) return -1;
    identity->hasBirth = false;
    identity->birthSeconds = 0;
    identity->birthNanoseconds = 0;
  }
  identity->device = static_cast<UInt64>(st->st_dev);
  identity->inode = static_cast<UInt64>(st->st_ino);
  identity->type = static_cast<UInt32>(st->st_mode & S_IFMT);
  return 0;
}

void EncodeRef(const RefData& data, FSRef* ref) {
  *ref = FSRef{};
  const RefBytes bytes{kRefMagic,
                       data.node,
                       data.device,
                       data.inode,
                       data.type,
                       data.hasBirth ? 1u : 0u,
                       data.birthSeconds,
                       data.birthNanoseconds,
                       0};
  std::memcpy(ref->hidden, &bytes, sizeof bytes);
}

bool DecodeRef(const FSRef* ref, RefData* data) {
  RefBytes bytes;
  std::memcpy(&bytes, ref->hidden, sizeof bytes);
  if (bytes.magic != kRefMagic || !IsKnownNode(bytes.node)) return false;
  *data = RefData{bytes.node,          bytes.device,       bytes.inode,           bytes.type,
                  bytes.hasBirth != 0, bytes.birthSeconds, bytes.birthNanoseconds};
  return true;
}

OSStatus LookUpRef(const FSRef* ref, std::string* path, struct stat* st, RefData* out) {
  if (!ref) return paramErr;
  RefData data;
  if (!DecodeRef(ref, &data)) return errFSBadFSRef;
  if (const struct stat* listed = StatFromCurrentBatch(data)) {
    if (path) *path = PathOfNode(data.node);
    if (st) *st = *listed;
    if (out) *out = data;
    return noErr;
  }
  std::string p = PathOfNode(data.node);
  if (IsOffline(p)) return fnfErr;
  struct stat s;
  RefData now;
  if (StatItem(AT_FDCWD, p.c_str(), &s, &now) != 0)
    return errno == EACCES ? afpAccessDenied : fnfErr;
  // Another item now at the same path (deleted and recreated, or renamed
  // over) is not the item this ref named, even when it got the same inode.
  if (!SameItem(now, data)) return fnfErr;
  if (path) *path = std::move(p);
  if (st) *st = s;
  if (out) *out = data;
  return noErr;
}

OSStatus RefForCanonicalPath(const std::string& path, FSRef* ref, struct stat* stOut) {
  if (IsOffline(path)) return fnfErr;
  struct stat st;
  RefData data;
  if (StatItem(AT_FDCWD, path.c_str(), &st, &data) != 0) return StatusFromErrno(errno);
  data.node = InternPath(path);
  EncodeRef(data, ref);
  if (stOut) *stOut = st;
  return noErr;
}

}  // namespace FilesPrivate

using namespace FilesPrivate;

OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory) {
  if (!path || !ref) return paramErr;
  std::string canonical;
  if (OSStatus s = CanonicalPath(reinterpret_cast<const char*>(path), true, &canonical)) return s;
  struct stat st;
  if (OSStatus s = RefForCanonicalPath(canonical, ref, &st)) return s;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return noErr;
}

OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
  if (!ref || !path) return paramErr;
  std::string p;
  if (OSStatus s = LookUpRef(ref, &p, nullptr)) return s;
  if (p.size() + 1 > maxPathSize) return pathTooLongErr;
  std::memcpy(path, p.c_str(), p.size() + 1);
  return noErr;
}

OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                         TextEncoding, FSRef* newRef) {
  if (!parentRef || !newRef || (!name && nameLength > 0)) return paramErr;
  std::string parentPath;
  struct stat parentStat;
  RefData parent;
  if (OSStatus s = LookUpRef(parentRef, &parentPath, &parentStat, &parent))
    return static_cast<OSErr>(s);
  if (!S_ISDIR(parentStat.st_mode)) return dirNFErr;
  std::string child;
  if (!UnitsToName(name, nameLength, &child) || child.empty() || child == "." || child == ".." ||
      child.find('/') != std::string::npos || child.find('\0') != std::string::npos)
    return bdNamErr;
  std::string path = parentPath == "/" ? "/" + child : parentPath + "/" + child;
  // The child may itself be the mount point of an unmounted volume.
  if (IsOffline(path)) return fnfErr;
  struct stat st;
  RefData data;
  if (StatItem(AT_FDCWD, path.c_str(), &st, &data) != 0)
    return static_cast<OSErr>(StatusFromErrno(errno));
  data.node = InternChild(parent.node, child);
  EncodeRef(data, newRef);
  return noErr;
}

OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2) {
  RefData a, b;
  if (!ref1 || !ref2 || !DecodeRef(ref1, &a) || !DecodeRef(ref2, &b)) return paramErr;
  if (a.device != b.device) return diffVolErr;
  return SameItem(a, b) ? noErr : errFSRefsDifferent;
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
  if (!url || !fsRef) return false;
  return FSPathMakeRef(reinterpret_cast<const UInt8*>(url->path.c_str()), fsRef, nullptr) == noErr;
}

CFRef<CFURLRef> CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef) {
  std::string path;
  struct stat st;
  if (LookUpRef(fsRef, &path, &st) != noErr) return nullptr;
  return CFURLCreateFromFileSystemRepresentation(
      allocator, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()),
      S_ISDIR(st.st_mode));
}
