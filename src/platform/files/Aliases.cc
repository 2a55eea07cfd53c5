// Alias records and alias files (symbolic links).
#include "platform/files/Aliases.h"

#include <dirent.h>
#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"
#include "platform/host/Host.h"

using namespace FilesPrivate;

namespace {

constexpr OSType kAliasMagic = FourCC("KvAl");
// Version 1 records hold the inode alone; version 2 adds what tells the item
// from a later one that got its inode (file type and birth time).
constexpr UInt16 kAliasVersionInodeOnly = 1;
constexpr UInt16 kAliasVersion = 2;
// The longest chain of alias files followed; a loop ends here.
constexpr int kMaxAliasChain = 32;
// How many entries of the recorded folder are examined when looking for the
// recorded inode there.
constexpr std::size_t kAliasSearchLimit = 4096;

struct AliasFields {
  UInt64 inode = 0;
  bool hasIdentity = false;  // type and birth below were recorded
  UInt32 type = 0;
  bool hasBirth = false;
  SInt64 birthSeconds = 0;
  UInt32 birthNanoseconds = 0;
  std::string path;
  std::string mountPoint;
  std::string volumeName;
  std::string name;
};

// ---------------------------------------------------------- the record

void PutBE(std::vector<UInt8>& out, UInt64 value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
    out.push_back(static_cast<UInt8>(value >> shift));
}

void PutString(std::vector<UInt8>& out, const std::string& s) {
  PutBE(out, s.size(), 4);
  out.insert(out.end(), s.begin(), s.end());
}

std::vector<UInt8> EncodeAlias(const AliasFields& f) {
  std::vector<UInt8> out;
  PutBE(out, kAliasMagic, 4);
  PutBE(out, kAliasVersion, 2);
  PutBE(out, 0, 2);
  PutBE(out, f.inode, 8);
  PutBE(out, f.type, 4);
  PutBE(out, f.hasBirth ? 1 : 0, 1);
  PutBE(out, static_cast<UInt64>(f.birthSeconds), 8);
  PutBE(out, f.birthNanoseconds, 4);
  PutString(out, f.path);
  PutString(out, f.mountPoint);
  PutString(out, f.volumeName);
  PutString(out, f.name);
  return out;
}

class Reader {
 public:
  Reader(const UInt8* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool Get(int count, UInt64* value) {
    if (size_ - at_ < static_cast<std::size_t>(count)) return false;
    *value = 0;
    for (int i = 0; i < count; ++i) *value = (*value << 8) | bytes_[at_++];
    return true;
  }
  bool GetString(std::string* s) {
    UInt64 length;
    if (!Get(4, &length) || size_ - at_ < length) return false;
    s->assign(reinterpret_cast<const char*>(bytes_ + at_), static_cast<std::size_t>(length));
    at_ += static_cast<std::size_t>(length);
    return true;
  }

 private:
  const UInt8* bytes_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::optional<AliasFields> DecodeAlias(AliasHandle alias) {
  Size size = GetHandleSize(alias);
  if (size <= 0 || !*alias) return std::nullopt;
  Reader r(reinterpret_cast<const UInt8*>(*alias), static_cast<std::size_t>(size));
  UInt64 magic, version, reserved;
  AliasFields f;
  if (!r.Get(4, &magic) || magic != kAliasMagic || !r.Get(2, &version) ||
      (version != kAliasVersion && version != kAliasVersionInodeOnly) || !r.Get(2, &reserved) ||
      !r.Get(8, &f.inode))
    return std::nullopt;
  if (version == kAliasVersion) {
    UInt64 type, hasBirth, seconds, nanoseconds;
    if (!r.Get(4, &type) || !r.Get(1, &hasBirth) || hasBirth > 1 || !r.Get(8, &seconds) ||
        !r.Get(4, &nanoseconds))
      return std::nullopt;
    f.hasIdentity = true;
    f.type = static_cast<UInt32>(type);
    f.hasBirth = hasBirth != 0;
    f.birthSeconds = static_cast<SInt64>(seconds);
    f.birthNanoseconds = static_cast<UInt32>(nanoseconds);
  }
  if (!r.GetString(&f.path) || !r.GetString(&f.mountPoint) || !r.GetString(&f.volumeName) ||
      !r.GetString(&f.name))
    return std::nullopt;
  if (f.path.empty() || f.path.front() != '/' || f.path.find('\0') != std::string::npos)
    return std::nullopt;
  return f;
}

// ------------------------------------------------------------ volumes

const HostVolume* HostVolumeNamed(std::string_view name) {
  HostFileSystem* fs = CurrentHost().fileSystem;
  if (!fs || name.empty()) return nullptr;
  for (const HostVolume& v : fs->Volumes())
    if (v.name == name) return &v;
  return nullptr;
}

// The volume at mountPoint is mounted, or has been mounted at the user's
// request where mountFlags allow asking.
OSStatus EnsureMounted(const std::string& mountPoint, unsigned long mountFlags) {
  const HostVolume* v = HostVolumeAt(mountPoint);
  if (!v || v->mounted) return noErr;
  if (mountFlags & kResolveAliasFileNoUI) return nsvErr;
  HostFileSystem* fs = CurrentHost().fileSystem;
  if (!fs->RequestMount(mountPoint)) return nsvErr;
  v = HostVolumeAt(mountPoint);  // the list may have been rebuilt
  return v && v->mounted ? noErr : nsvErr;
}

OSStatus EnsureVolumeOf(std::string_view path, unsigned long mountFlags) {
  const HostVolume* v = HostVolumeContaining(path);
  if (!v || v->mounted) return noErr;
  return EnsureMounted(std::string(v->mountPoint), mountFlags);
}

// ------------------------------------------------------------ search

std::string ParentOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string Join(const std::string& folder, std::string_view name) {
  std::string out = folder == "/" ? std::string("/") : folder + "/";
  out += name;
  return out;
}

// Whether an item read now is the one the record was made for: its inode
// and, for records that hold them, its file type and birth time (an item
// that merely got the recorded inode after the recorded one was deleted is
// another item).
bool IsRecordedItem(const AliasFields& f, const RefData& now) {
  if (now.inode != f.inode) return false;
  if (!f.hasIdentity) return true;
  return now.type == f.type && now.hasBirth == f.hasBirth && now.birthSeconds == f.birthSeconds &&
         now.birthNanoseconds == f.birthNanoseconds;
}

// The entry of folder that is the recorded item (not following links), if
// any among the first kAliasSearchLimit entries.
std::optional<std::string> FindRecordedItemIn(const std::string& folder, const AliasFields& f) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return std::nullopt;
  }
  std::optional<std::string> found;
  std::size_t examined = 0;
  while (const dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    if (++examined > kAliasSearchLimit) break;
    struct stat st;
    RefData now;
    if (StatItem(fd, e->d_name, &st, &now) == 0 && IsRecordedItem(f, now)) {
      found = Join(folder, e->d_name);
      break;
    }
  }
  ::closedir(dir);
  return found;
}

OSStatus ResolveFields(const AliasFields& f, unsigned long mountFlags, FSRef* target,
                       bool* changed) {
  std::string path = f.path;
  *changed = false;
  const HostVolume* volume = HostVolumeAt(f.mountPoint);
  if (!volume) {
    // The volume may be mounted elsewhere now: find it by its name.
    volume = HostVolumeNamed(f.volumeName);
    if (volume && IsUnder(path, f.mountPoint)) {
      path = volume->mountPoint + path.substr(f.mountPoint == "/" ? 0 : f.mountPoint.size());
      *changed = true;
    } else {
      volume = nullptr;
    }
  }
  if (volume) {
    if (OSStatus s = EnsureMounted(std::string(volume->mountPoint), mountFlags)) return s;
  } else {
    struct stat st;
    if (::lstat(f.mountPoint.c_str(), &st) != 0) return nsvErr;
  }

  struct stat st;
  RefData now;
  const bool pathExists = !IsOffline(path) && StatItem(AT_FDCWD, path.c_str(), &st, &now) == 0;
  std::string found;
  if (pathExists && IsRecordedItem(f, now)) {
    found = path;
  } else if (auto moved = f.inode ? FindRecordedItemIn(ParentOf(path), f) : std::nullopt) {
    found = *moved;
    *changed = true;
  } else if (pathExists) {
    found = path;
    *changed = true;
  } else {
    return fnfErr;
  }
  std::string canonical;
  if (OSStatus s = CanonicalPath(found, false, &canonical)) return s;
  return RefForCanonicalPath(canonical, target, nullptr);
}

}  // namespace

OSErr FSNewAlias(const FSRef*, const FSRef* target, AliasHandle* inAlias) {
  if (!target || !inAlias) return paramErr;
  *inAlias = nullptr;
  std::string path;
  struct stat st;
  RefData data;
  if (OSStatus s = LookUpRef(target, &path, &st, &data)) return static_cast<OSErr>(s);
  AliasFields f;
  f.inode = data.inode;
  f.hasIdentity = true;
  f.type = data.type;
  f.hasBirth = data.hasBirth;
  f.birthSeconds = data.birthSeconds;
  f.birthNanoseconds = data.birthNanoseconds;
  f.path = path;
  f.name = data.node == 0 ? std::string("/") : std::string(NameOfNode(data.node));
  if (const HostVolume* v = HostVolumeContaining(path)) {
    f.mountPoint = v->mountPoint;
    f.volumeName = v->name;
  } else {
    f.mountPoint = MountPointOf(path, static_cast<UInt64>(st.st_dev));
    std::size_t slash = f.mountPoint.rfind('/');
    f.volumeName = f.mountPoint == "/" ? f.mountPoint : f.mountPoint.substr(slash + 1);
  }
  std::vector<UInt8> bytes = EncodeAlias(f);
  return PtrToHand(bytes.data(), inAlias, static_cast<long>(bytes.size()));
}

OSErr FSNewAliasMinimal(const FSRef* target, AliasHandle* inAlias) {
  return FSNewAlias(nullptr, target, inAlias);
}

OSErr FSResolveAliasWithMountFlags(const FSRef*, AliasHandle inAlias, FSRef* target,
                                   Boolean* wasChanged, unsigned long mountFlags) {
  if (!inAlias || !target) return paramErr;
  std::optional<AliasFields> fields = DecodeAlias(inAlias);
  if (!fields) return paramErr;
  bool changed = false;
  OSStatus s = ResolveFields(*fields, mountFlags, target, &changed);
  if (wasChanged) *wasChanged = s == noErr && changed;
  return static_cast<OSErr>(s);
}

OSErr FSResolveAliasFileWithMountFlags(FSRef* theRef, Boolean resolveAliasChains,
                                       Boolean* targetIsFolder, Boolean* wasAliased,
                                       unsigned long mountFlags) {
  if (!theRef) return paramErr;
  std::string current;
  struct stat st;
  if (OSStatus s = LookUpRef(theRef, &current, &st)) return static_cast<OSErr>(s);
  if (!S_ISLNK(st.st_mode)) {
    if (targetIsFolder) *targetIsFolder = S_ISDIR(st.st_mode);
    if (wasAliased) *wasAliased = false;
    return noErr;
  }
  for (int hops = 0;; ++hops) {
    if (hops == kMaxAliasChain) return fnfErr;
    char link[PATH_MAX];
    ssize_t n = ::readlink(current.c_str(), link, sizeof link);
    if (n < 0) return static_cast<OSErr>(StatusFromErrno(errno));
    if (n == 0 || static_cast<std::size_t>(n) == sizeof link) return fnfErr;
    std::string next(link, static_cast<std::size_t>(n));
    if (next.front() != '/') next = Join(ParentOf(current), next);
    // The volume first: an unmounted volume's folders may not exist at all.
    if (OSStatus s = EnsureVolumeOf(next, mountFlags)) return static_cast<OSErr>(s);
    std::string canonical;
    if (OSStatus s = CanonicalPath(next, false, &canonical)) return static_cast<OSErr>(s);
    if (OSStatus s = EnsureVolumeOf(canonical, mountFlags)) return static_cast<OSErr>(s);
    if (::lstat(canonical.c_str(), &st) != 0) return static_cast<OSErr>(StatusFromErrno(errno));
    current = std::move(canonical);
    if (!S_ISLNK(st.st_mode) || !resolveAliasChains) break;
  }
  if (OSStatus s = RefForCanonicalPath(current, theRef, &st)) return static_cast<OSErr>(s);
  if (targetIsFolder) *targetIsFolder = S_ISDIR(st.st_mode);
  if (wasAliased) *wasAliased = true;
  return noErr;
}

OSErr FSResolveAliasFile(FSRef* theRef, Boolean resolveAliasChains, Boolean* targetIsFolder,
                         Boolean* wasAliased) {
  return FSResolveAliasFileWithMountFlags(theRef, resolveAliasChains, targetIsFolder, wasAliased,
                                          0);
}
