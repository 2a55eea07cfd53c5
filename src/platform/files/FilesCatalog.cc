// Catalog information from stat, for one item and for listed entries.
#include <dirent.h>
#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"

namespace FilesPrivate {
namespace {

// Seconds from 1904-01-01 to 1970-01-01.
constexpr SInt64 kSecondsFrom1904To1970 = 2082844800;

// How long after its date a modification date is settled (see Files.h):
// file systems that keep whole seconds (FAT keeps two) give dates without
// nanoseconds; the others stamp with the kernel's coarse clock, which ticks
// every 1 to 10 ms.
constexpr SInt64 kNanosecondsPerSecond = 1000000000;
constexpr SInt64 kWholeSecondGranularity = 2 * kNanosecondsPerSecond;
constexpr SInt64 kCoarseClockGranularity = 50000000;

// What the current user may not do with the item, as the Finder's access
// bits (root may do everything).
UInt8 UserAccess(const struct stat& st, uid_t euid, gid_t egid) {
  UInt8 access = 0;
  if (euid != st.st_uid) access |= kioACUserNotOwnerMask;
  if (euid == 0) return access;
  unsigned bits = euid == st.st_uid   ? (st.st_mode >> 6) & 7
                  : egid == st.st_gid ? (st.st_mode >> 3) & 7
                                      : st.st_mode & 7;
  if (!(bits & 4)) access |= kioACUserNoSeeFolderMask | kioACUserNoSeeFilesMask;
  if (!(bits & 2)) access |= kioACUserNoMakeChangesMask;
  return access;
}

UInt32 CountEntries(int dirFd, const char* name) {
  int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return 0;
  }
  UInt32 count = 0;
  while (const dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ++count;
  }
  ::closedir(dir);
  return count;
}

}  // namespace

UTCDateTime UTCDateTimeFromTimespec(const struct timespec& t) {
  SInt64 seconds = static_cast<SInt64>(t.tv_sec) + kSecondsFrom1904To1970;
  if (seconds < 0) return UTCDateTime{};
  UTCDateTime d;
  d.highSeconds = static_cast<UInt16>((seconds >> 32) & 0xFFFF);
  d.lowSeconds = static_cast<UInt32>(seconds & 0xFFFFFFFF);
  d.fraction = static_cast<UInt16>((static_cast<UInt64>(t.tv_nsec) << 16) / 1000000000u);
  return d;
}

void FillCatalogInfo(const struct stat& st, std::string_view name, FSCatalogInfoBitmap which,
                     const CatalogContext& context, FSCatalogInfo* info) {
  const bool isDir = S_ISDIR(st.st_mode);
  if (which & kFSCatInfoTextEncoding) info->textEncodingHint = kTextEncodingUnicodeDefault;
  if (which & kFSCatInfoNodeFlags) info->nodeFlags = isDir ? kFSNodeIsDirectoryMask : 0;
  if (which & kFSCatInfoVolume) info->volume = context.volume;
  if (which & kFSCatInfoParentDirID) info->parentDirID = context.parentID;
  if (which & kFSCatInfoNodeID) info->nodeID = static_cast<UInt32>(st.st_ino);
  if (which & kFSCatInfoSharingFlags) info->sharingFlags = 0;
  if (which & (kFSCatInfoUserPrivs | kFSCatInfoUserAccess | kFSCatInfoPermissions)) {
    UInt8 access = UserAccess(st, context.euid, context.egid);
    if (which & (kFSCatInfoUserPrivs | kFSCatInfoUserAccess)) info->userPrivileges = access;
    if (which & kFSCatInfoPermissions) {
      info->permissions[0] = st.st_uid;
      info->permissions[1] = st.st_gid;
      info->permissions[2] = (static_cast<UInt32>(access) << 16) | (st.st_mode & 0xFFFF);
      info->permissions[3] = 0;
    }
  }
  if (which & kFSCatInfoCreateDate) info->createDate = UTCDateTimeFromTimespec(st.st_mtim);
  if (which & kFSCatInfoContentMod) info->contentModDate = UTCDateTimeFromTimespec(st.st_mtim);
  if (which & kFSCatInfoAttrMod) info->attributeModDate = UTCDateTimeFromTimespec(st.st_ctim);
  if (which & kFSCatInfoAccessDate) info->accessDate = UTCDateTimeFromTimespec(st.st_atim);
  if (which & kFSCatInfoBackupDate) info->backupDate = UTCDateTime{};
  if (which & kFSCatInfoFinderInfo) {
    UInt16 flags = 0;
    if (!name.empty() && name.front() == '.') flags |= kIsInvisible;
    if (S_ISLNK(st.st_mode)) flags |= kIsAlias;
    FileInfo fileInfo;  // finderFlags sits where FolderInfo has it too
    fileInfo.finderFlags = flags;
    std::memcpy(info->finderInfo, &fileInfo, sizeof fileInfo);
  }
  if (which & kFSCatInfoFinderXInfo)
    std::memset(info->extFinderInfo, 0, sizeof info->extFinderInfo);
  if (which & kFSCatInfoValence)
    info->valence = isDir ? CountEntries(context.dirFd, context.name) : 0;
  if (which & kFSCatInfoDataSizes) {
    bool regular = S_ISREG(st.st_mode);
    info->dataLogicalSize = regular ? static_cast<UInt64>(st.st_size) : 0;
    info->dataPhysicalSize = regular ? static_cast<UInt64>(st.st_blocks) * 512 : 0;
  }
  if (which & kFSCatInfoRsrcSizes) info->rsrcLogicalSize = info->rsrcPhysicalSize = 0;
}

}  // namespace FilesPrivate

using namespace FilesPrivate;

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
  std::string path;
  struct stat st;
  RefData data;
  if (OSStatus s = LookUpRef(ref, &path, &st, &data)) return static_cast<OSErr>(s);
  const bool isRoot = data.node == 0;
  std::string_view name = NameOfNode(data.node);

  CatalogContext context;
  if (catalogInfo && (whichInfo & kFSCatInfoVolume))
    context.volume = VolumeRefNumFor(path, st.st_dev);
  if (catalogInfo &&
      (whichInfo & (kFSCatInfoUserPrivs | kFSCatInfoUserAccess | kFSCatInfoPermissions))) {
    context.euid = ::geteuid();
    context.egid = ::getegid();
  }
  context.dirFd = AT_FDCWD;
  context.name = path.c_str();

  const bool wantParent = parentRef || (catalogInfo && (whichInfo & kFSCatInfoParentDirID));
  if (wantParent) {
    if (isRoot) {
      context.parentID = 1;  // the root's parent on the Mac
      if (parentRef) *parentRef = FSRef{};
    } else {
      UInt32 parentNode = ParentOfNode(data.node);
      std::string parentPath = PathOfNode(parentNode);
      struct stat parentStat;
      RefData parent;
      if (StatItem(AT_FDCWD, parentPath.c_str(), &parentStat, &parent) != 0)
        return static_cast<OSErr>(StatusFromErrno(errno));
      context.parentID = static_cast<UInt32>(parentStat.st_ino);
      parent.node = parentNode;
      if (parentRef) EncodeRef(parent, parentRef);
    }
  }
  if (catalogInfo) FillCatalogInfo(st, name, whichInfo, context, catalogInfo);
  if (outName) {
    // A volume's root is called by the volume's name.
    if (const HostVolume* volume = HostVolumeAt(path))
      NameToHFSUniStr(volume->name, outName);
    else
      NameToHFSUniStr(isRoot ? std::string_view("/") : name, outName);
  }
  if (fsSpec) *fsSpec = FSSpec{};
  return noErr;
}

OSErr FSGetModificationStamp(const FSRef* ref, FSModificationStamp* stamp) {
  if (!stamp) return paramErr;
  struct stat st;
  if (OSStatus s = LookUpRef(ref, nullptr, &st)) return static_cast<OSErr>(s);
  // The clock is read after the date, so that a date read before its tick
  // ended is never taken for settled.
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  stamp->seconds = st.st_mtim.tv_sec;
  stamp->nanoseconds = static_cast<UInt32>(st.st_mtim.tv_nsec);
  const SInt64 granularity =
      st.st_mtim.tv_nsec == 0 ? kWholeSecondGranularity : kCoarseClockGranularity;
  // A date in the future (another machine's clock) is never settled; one
  // seconds in the past always is. In between, nanoseconds decide.
  if (st.st_mtim.tv_sec > now.tv_sec) {
    stamp->settled = false;
  } else if (st.st_mtim.tv_sec < now.tv_sec - 3) {
    stamp->settled = true;
  } else {
    const SInt64 elapsed = (now.tv_sec - st.st_mtim.tv_sec) * kNanosecondsPerSecond +
                           (now.tv_nsec - st.st_mtim.tv_nsec);
    stamp->settled = elapsed >= granularity;
  }
  return noErr;
}
