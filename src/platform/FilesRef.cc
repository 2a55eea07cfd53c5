// FSRef: making refs from paths and names, checking them, comparing them.
#include <cerrno>
#include <cstring>

#include "platform/FilesInternal.h"

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
};
static_assert(sizeof(RefBytes) <= sizeof(FSRef));

}  // namespace

void EncodeRef(const RefData& data, FSRef* ref) {
  *ref = FSRef{};
  RefBytes bytes{kRefMagic, data.node, data.device, data.inode};
  std::memcpy(ref->hidden, &bytes, sizeof bytes);
}

bool DecodeRef(const FSRef* ref, RefData* data) {
  RefBytes bytes;
  std::memcpy(&bytes, ref->hidden, sizeof bytes);
  if (bytes.magic != kRefMagic || !IsKnownNode(bytes.node)) return false;
  *data = RefData{bytes.node, bytes.device, bytes.inode};
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
  if (::lstat(p.c_str(), &s) != 0) return errno == EACCES ? afpAccessDenied : fnfErr;
  // Another item now at the same path (deleted and recreated, or renamed
  // over) is not the item this ref named.
  if (static_cast<UInt64>(s.st_dev) != data.device || static_cast<UInt64>(s.st_ino) != data.inode)
    return fnfErr;
  if (path) *path = std::move(p);
  if (st) *st = s;
  if (out) *out = data;
  return noErr;
}

OSStatus RefForCanonicalPath(const std::string& path, FSRef* ref, struct stat* stOut) {
  if (IsOffline(path)) return fnfErr;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return StatusFromErrno(errno);
  EncodeRef(RefData{InternPath(path), static_cast<UInt64>(st.st_dev),
                    static_cast<UInt64>(st.st_ino)},
            ref);
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
  if (::lstat(path.c_str(), &st) != 0) return static_cast<OSErr>(StatusFromErrno(errno));
  EncodeRef(RefData{InternChild(parent.node, child), static_cast<UInt64>(st.st_dev),
                    static_cast<UInt64>(st.st_ino)},
            newRef);
  return noErr;
}

OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2) {
  RefData a, b;
  if (!ref1 || !ref2 || !DecodeRef(ref1, &a) || !DecodeRef(ref2, &b)) return paramErr;
  if (a.device != b.device) return diffVolErr;
  return a.inode == b.inode ? noErr : errFSRefsDifferent;
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
  if (!url || !fsRef) return false;
  return FSPathMakeRef(reinterpret_cast<const UInt8*>(url->path.c_str()), fsRef, nullptr) == noErr;
}

CFRef<CFURLRef> CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef) {
  std::string path;
  struct stat st;
  if (LookUpRef(fsRef, &path, &st) != noErr) return nullptr;
  return CFURLCreateFromFileSystemRepresentation(allocator,
                                                 reinterpret_cast<const UInt8*>(path.data()),
                                                 static_cast<CFIndex>(path.size()),
                                                 S_ISDIR(st.st_mode));
}
