// Folder Manager and the fixed Mac paths, both through the host's table.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"
#include "platform/host/Host.h"
#include "platform/host/Transcript.h"

using namespace FilesPrivate;

namespace {

const char* DomainName(SInt16 domain) {
  switch (domain) {
    case kUserDomain: return "user";
    case kLocalDomain: return "local";
    case kSystemDomain: return "system";
    case kNetworkDomain: return "network";
    case kClassicDomain: return "classic";
    default: return "other";
  }
}

// Creates path and its missing parents.
OSStatus MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != '/') continue;
    std::string prefix = path.substr(0, i);
    if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return StatusFromErrno(errno);
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return StatusFromErrno(errno);
  return S_ISDIR(st.st_mode) ? noErr : dupFNErr;
}

}  // namespace

std::string MapMacPath(std::string path) {
  HostFileSystem* fs = CurrentHost().fileSystem;
  if (!fs || path.empty() || path.front() != '/') return path;
  const std::pair<std::string, std::string>* best = nullptr;
  for (const auto& entry : fs->FixedPaths()) {
    if (IsUnder(path, entry.first) && (!best || entry.first.size() > best->first.size()))
      best = &entry;
  }
  if (!best) return path;
  return best->second + path.substr(best->first.size());
}

OSErr FSFindFolder(SInt16 vRefNum, OSType folderType, Boolean createFolder, FSRef* foundRef) {
  if (!foundRef) return paramErr;
  HostFileSystem* fs = CurrentHost().fileSystem;
  if (!fs) return fnfErr;
  static constexpr SInt16 kSearchOrder[] = {kUserDomain, kLocalDomain, kSystemDomain};
  const bool anyDomain =
      vRefNum > kClassicDomain || vRefNum == kOnAppropriateDisk || vRefNum == kOnSystemDisk;
  std::optional<std::string> path;
  SInt16 domain = vRefNum;
  if (anyDomain) {
    for (SInt16 d : kSearchOrder) {
      if ((path = fs->FolderPath(d, folderType))) {
        domain = d;
        break;
      }
    }
  } else {
    path = fs->FolderPath(vRefNum, folderType);
  }
  if (!path || path->empty()) return fnfErr;

  struct stat st;
  if (::stat(path->c_str(), &st) != 0) {
    if (errno != ENOENT || !createFolder) return static_cast<OSErr>(StatusFromErrno(errno));
    if (OSStatus s = MakeFolders(*path)) return static_cast<OSErr>(s);
    Transcribe(Fmt("FSFindFolder: created the %s folder '%s'", DomainName(domain),
                   FourCCString(folderType).c_str()));
  }
  // The folder itself, even where the table names it through a symbolic link.
  char canonical[PATH_MAX];
  if (!::realpath(path->c_str(), canonical)) return static_cast<OSErr>(StatusFromErrno(errno));
  return static_cast<OSErr>(RefForCanonicalPath(canonical, foundRef, nullptr));
}
