// Flat folder iteration in batches.
//
// Linux hands out directory entries in no useful order, while users expect
// the name order their file manager shows (see FilesNames.cc), so the whole
// folder is read when the iterator opens (names only, into one buffer), each
// name's sort key is made once, and the entries are sorted by them.
// Each batch then stats its entries relative to the open folder, so an entry
// removed in between is simply skipped, and what a batch read stands for its
// entries until the next batch, so nothing is stat'ed twice.
#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"
#include "platform/host/Host.h"

using namespace FilesPrivate;

struct OpaqueFSIterator {
  struct Entry {
    UInt32 offset;  // into names
    UInt32 length;
    UInt32 keyOffset;  // into keys
    UInt32 keyLength;
  };

  ~OpaqueFSIterator() {
    if (dir) ::closedir(dir);
  }

  DIR* dir = nullptr;
  int fd = -1;  // dirfd(dir)
  RefData container;
  std::string containerPath;
  FSVolumeRefNum volume = 0;
  struct timespec openedModTime = {};
  std::vector<char> names;  // every name, NUL-terminated, back to back
  std::string keys;         // every name's sort key, back to back
  std::vector<Entry> entries;
  std::size_t next = 0;
  // Names of entries that are the mount points of host volumes.
  std::vector<std::string> volumeRoots;
  // The entries of the batch handed out last, as read then.
  struct BatchEntry {
    RefData ref;
    struct stat st;
  };
  std::vector<BatchEntry> batch;

  std::string_view NameAt(const Entry& e) const { return {names.data() + e.offset, e.length}; }
  std::string_view KeyAt(const Entry& e) const { return {keys.data() + e.keyOffset, e.keyLength}; }
};

namespace {

std::unordered_set<FSIterator>& LiveIterators() {
  static std::unordered_set<FSIterator> live;
  return live;
}

bool IsLive(FSIterator iterator) { return iterator && LiveIterators().contains(iterator); }

OSErr StatusForUnopenable(int error, const std::string& path, const RefData& container) {
  if (error == ENOTDIR || error == ELOOP) {
    // Something is there but it is not a folder (or it is an alias file).
    struct stat st;
    RefData now;
    if (StatItem(AT_FDCWD, path.c_str(), &st, &now) != 0 || !SameItem(now, container))
      return fnfErr;
    return errFSNotAFolder;
  }
  return static_cast<OSErr>(StatusFromErrno(error));
}

}  // namespace

namespace FilesPrivate {

const struct stat* StatFromCurrentBatch(const RefData& data) {
  for (FSIterator iterator : LiveIterators())
    for (const OpaqueFSIterator::BatchEntry& entry : iterator->batch)
      if (entry.ref.node == data.node && SameItem(entry.ref, data)) return &entry.st;
  return nullptr;
}

}  // namespace FilesPrivate

OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags iteratorFlags, FSIterator* iterator) {
  if (!container || !iterator) return paramErr;
  if (iteratorFlags != kFSIterateFlat) return errFSBadIteratorFlags;
  auto it = std::make_unique<OpaqueFSIterator>();
  if (!DecodeRef(container, &it->container)) return errFSBadFSRef;
  it->containerPath = PathOfNode(it->container.node);
  if (IsOffline(it->containerPath)) return fnfErr;

  int fd = ::open(it->containerPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return StatusForUnopenable(errno, it->containerPath, it->container);
  struct stat st;
  RefData opened;
  if (StatItem(fd, "", &st, &opened) != 0 || !SameItem(opened, it->container)) {
    ::close(fd);
    return fnfErr;  // the path now leads to another folder
  }
  it->dir = ::fdopendir(fd);
  if (!it->dir) {
    ::close(fd);
    return memFullErr;
  }
  it->fd = fd;
  it->openedModTime = st.st_mtim;

  errno = 0;
  while (const dirent* e = ::readdir(it->dir)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    std::size_t length = std::strlen(n);
    auto offset = static_cast<UInt32>(it->names.size());
    it->names.insert(it->names.end(), n, n + length + 1);
    it->entries.push_back({offset, static_cast<UInt32>(length), 0, 0});
  }
  if (errno != 0) return static_cast<OSErr>(StatusFromErrno(errno));
  // Each name's sort key is made once; the sort only compares them.
  for (OpaqueFSIterator::Entry& e : it->entries) {
    e.keyOffset = static_cast<UInt32>(it->keys.size());
    AppendNameSortKey(it->NameAt(e), &it->keys);
    e.keyLength = static_cast<UInt32>(it->keys.size() - e.keyOffset);
  }
  const OpaqueFSIterator& self = *it;
  std::sort(it->entries.begin(), it->entries.end(),
            [&self](const OpaqueFSIterator::Entry& a, const OpaqueFSIterator::Entry& b) {
              return CompareNameKeys(self.KeyAt(a), self.NameAt(a), self.KeyAt(b), self.NameAt(b)) <
                     0;
            });

  it->volume = VolumeRefNumFor(it->containerPath, st.st_dev);
  if (HostFileSystem* fs = CurrentHost().fileSystem) {
    for (const HostVolume& v : fs->Volumes()) {
      std::size_t slash = v.mountPoint.rfind('/');
      if (slash == std::string::npos) continue;
      std::string_view parent =
          slash == 0 ? std::string_view("/") : std::string_view(v.mountPoint).substr(0, slash);
      if (parent == it->containerPath) it->volumeRoots.push_back(v.mountPoint.substr(slash + 1));
    }
  }
  *iterator = it.release();
  LiveIterators().insert(*iterator);
  return noErr;
}

OSErr FSCloseIterator(FSIterator iterator) {
  if (!IsLive(iterator)) return paramErr;
  LiveIterators().erase(iterator);
  delete iterator;
  return noErr;
}

OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects, ItemCount* actualObjects,
                           Boolean* containerChanged, FSCatalogInfoBitmap whichInfo,
                           FSCatalogInfo* catalogInfos, FSRef* refs, FSSpec* specs,
                           HFSUniStr255* names) {
  if (!IsLive(iterator) || !actualObjects || specs) return paramErr;
  *actualObjects = 0;
  if (maximumObjects == 0) return errFSBadItemCount;
  OpaqueFSIterator& it = *iterator;
  it.batch.clear();

  if (containerChanged) {
    struct stat now;
    *containerChanged = ::fstat(it.fd, &now) != 0 ||
                        now.st_mtim.tv_sec != it.openedModTime.tv_sec ||
                        now.st_mtim.tv_nsec != it.openedModTime.tv_nsec;
  }

  CatalogContext context;
  context.volume = it.volume;
  context.parentID = static_cast<UInt32>(it.container.inode);
  context.dirFd = it.fd;
  if (catalogInfos &&
      (whichInfo & (kFSCatInfoUserPrivs | kFSCatInfoUserAccess | kFSCatInfoPermissions))) {
    context.euid = ::geteuid();
    context.egid = ::getegid();
  }

  ItemCount count = 0;
  while (count < maximumObjects && it.next < it.entries.size()) {
    const OpaqueFSIterator::Entry& entry = it.entries[it.next++];
    const char* cname = it.names.data() + entry.offset;
    struct stat st;
    RefData ref;
    if (StatItem(it.fd, cname, &st, &ref) != 0) continue;  // gone meanwhile
    std::string_view name(cname, entry.length);
    const bool volumeRoot =
        std::find(it.volumeRoots.begin(), it.volumeRoots.end(), name) != it.volumeRoots.end();
    FSVolumeRefNum volume = it.volume;
    if (volumeRoot || static_cast<UInt64>(st.st_dev) != it.container.device) {
      std::string path = it.containerPath == "/" ? "/" : it.containerPath + "/";
      path += name;
      if (IsOffline(path)) continue;  // an unmounted volume's mount point is not there
      if (catalogInfos && (whichInfo & kFSCatInfoVolume)) volume = VolumeRefNumFor(path, st.st_dev);
    }
    if (catalogInfos) {
      context.name = cname;
      context.volume = volume;
      FillCatalogInfo(st, name, whichInfo, context, &catalogInfos[count]);
    }
    ref.node = InternChild(it.container.node, name);
    if (refs) EncodeRef(ref, &refs[count]);
    it.batch.push_back({ref, st});
    if (names) NameToHFSUniStr(name, &names[count]);
    ++count;
  }
  *actualObjects = count;
  return it.next >= it.entries.size() ? errFSNoMoreItems : noErr;
}
