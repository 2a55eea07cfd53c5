// Volumes: the host's list, volume reference numbers, volume information
// and ejecting.
//
// A volume number is handed out the first time a file system is seen and
// stays the same for the whole process: -100, -101, ... A volume the host
// lists is known by its mount point (the simulated desktop keeps several
// volumes on one device); anything else by its device number.
#include <sys/statvfs.h>

#include <cerrno>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"
#include "platform/host/Host.h"

namespace FilesPrivate {
namespace {

constexpr FSVolumeRefNum kFirstVolumeRefNum = -100;

struct VolumeKey {
  bool hostVolume = false;
  std::string mountPoint;  // host volumes
  UInt64 device = 0;       // other file systems
  std::string seenPath;    // other file systems: an item on it
};

struct VolumeTable {
  std::vector<VolumeKey> keys;  // index = kFirstVolumeRefNum - refNum
  std::unordered_map<std::string, FSVolumeRefNum> byKey;
};

VolumeTable& Volumes() {
  static VolumeTable table;
  return table;
}

const std::vector<HostVolume>* HostVolumes() {
  HostFileSystem* fs = CurrentHost().fileSystem;
  return fs ? &fs->Volumes() : nullptr;
}

const VolumeKey* KeyOf(FSVolumeRefNum refNum) {
  int index = kFirstVolumeRefNum - refNum;
  auto& keys = Volumes().keys;
  if (index < 0 || static_cast<std::size_t>(index) >= keys.size()) return nullptr;
  return &keys[static_cast<std::size_t>(index)];
}

}  // namespace

std::string MountPointOf(std::string path, UInt64 device) {
  while (path != "/") {
    std::size_t slash = path.rfind('/');
    std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat st;
    if (::stat(parent.c_str(), &st) != 0 || static_cast<UInt64>(st.st_dev) != device) break;
    path = parent;
  }
  return path;
}

bool IsUnder(std::string_view path, std::string_view folder) {
  if (folder == "/") return !path.empty() && path.front() == '/';
  return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

const HostVolume* HostVolumeContaining(std::string_view path) {
  const auto* volumes = HostVolumes();
  if (!volumes) return nullptr;
  const HostVolume* best = nullptr;
  for (const HostVolume& v : *volumes) {
    if (!v.mountPoint.empty() && IsUnder(path, v.mountPoint) &&
        (!best || v.mountPoint.size() > best->mountPoint.size()))
      best = &v;
  }
  return best;
}

const HostVolume* HostVolumeAt(std::string_view path) {
  const auto* volumes = HostVolumes();
  if (!volumes) return nullptr;
  for (const HostVolume& v : *volumes)
    if (v.mountPoint == path) return &v;
  return nullptr;
}

bool IsOffline(std::string_view path) {
  const HostVolume* v = HostVolumeContaining(path);
  return v && !v->mounted;
}

FSVolumeRefNum VolumeRefNumFor(std::string_view path, dev_t device) {
  VolumeKey key;
  std::string name;
  if (const HostVolume* v = HostVolumeContaining(path)) {
    key = VolumeKey{true, v->mountPoint, 0, {}};
    name = "v:" + v->mountPoint;
  } else {
    key = VolumeKey{false, {}, static_cast<UInt64>(device), std::string(path)};
    name = "d:" + std::to_string(static_cast<UInt64>(device));
  }
  VolumeTable& table = Volumes();
  auto it = table.byKey.find(name);
  if (it != table.byKey.end()) return it->second;
  auto refNum =
      static_cast<FSVolumeRefNum>(kFirstVolumeRefNum - static_cast<int>(table.keys.size()));
  table.keys.push_back(std::move(key));
  table.byKey.emplace(std::move(name), refNum);
  return refNum;
}

}  // namespace FilesPrivate

using namespace FilesPrivate;

OSErr FSGetVolumeInfo(FSVolumeRefNum volume, ItemCount volumeIndex, FSVolumeRefNum* actualVolume,
                      FSVolumeInfoBitmap whichInfo, FSVolumeInfo* info, HFSUniStr255* volumeName,
                      FSRef* rootDirectory) {
  std::string mountPoint, name;
  if (volumeIndex > 0) {
    const auto* volumes = HostVolumes();
    if (!volumes) return nsvErr;
    ItemCount seen = 0;
    for (const HostVolume& v : *volumes) {
      if (v.mounted && ++seen == volumeIndex) {
        mountPoint = v.mountPoint;
        name = v.name;
        break;
      }
    }
    if (mountPoint.empty()) return nsvErr;
  } else {
    const VolumeKey* key = KeyOf(volume);
    if (!key) return nsvErr;
    if (key->hostVolume) {
      const HostVolume* v = HostVolumeAt(key->mountPoint);
      if (!v || !v->mounted) return nsvErr;
      mountPoint = v->mountPoint;
      name = v->name;
    } else {
      mountPoint = MountPointOf(key->seenPath, key->device);
      std::size_t slash = mountPoint.rfind('/');
      name = mountPoint == "/" ? mountPoint : mountPoint.substr(slash + 1);
    }
  }
  struct stat st;
  if (::lstat(mountPoint.c_str(), &st) != 0) return nsvErr;
  if (actualVolume) *actualVolume = VolumeRefNumFor(mountPoint, st.st_dev);
  if (rootDirectory) {
    std::string canonical;
    if (CanonicalPath(mountPoint, false, &canonical) != noErr ||
        RefForCanonicalPath(canonical, rootDirectory, nullptr) != noErr)
      return nsvErr;
  }
  if (volumeName) NameToHFSUniStr(name, volumeName);
  if (info && (whichInfo & (kFSVolInfoSizes | kFSVolInfoBlocks))) {
    struct statvfs vfs;
    if (::statvfs(mountPoint.c_str(), &vfs) == 0) {
      UInt64 block = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
      if (whichInfo & kFSVolInfoSizes) {
        info->totalBytes = static_cast<UInt64>(vfs.f_blocks) * block;
        info->freeBytes = static_cast<UInt64>(vfs.f_bavail) * block;
      }
      if (whichInfo & kFSVolInfoBlocks) {
        info->blockSize = static_cast<UInt32>(block);
        info->totalBlocks = static_cast<UInt32>(vfs.f_blocks);
        info->freeBlocks = static_cast<UInt32>(vfs.f_bavail);
      }
    }
  }
  return noErr;
}

OSStatus FSEjectVolumeSync(FSVolumeRefNum vRefNum, OptionBits, pid_t* dissenter) {
  if (dissenter) *dissenter = 0;
  HostFileSystem* fs = CurrentHost().fileSystem;
  const VolumeKey* key = KeyOf(vRefNum);
  if (!fs || !key || !key->hostVolume) return nsvErr;
  const HostVolume* v = HostVolumeAt(key->mountPoint);
  if (!v || !v->mounted) return nsvErr;
  return fs->Eject(key->mountPoint) ? noErr : fBsyErr;
}
