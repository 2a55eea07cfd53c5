// Finding an application by its type, signature or document extension.
#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/FilesInternal.h"
#include "platform/files/HostFileSystem.h"
#include "platform/host/Host.h"
#include "platform/launchservices/LaunchServices.h"
#include "platform/launchservices/LaunchServicesInternal.h"

using namespace FilesPrivate;
using namespace LaunchServicesPrivate;

namespace {

// Folders such as Utilities inside an applications folder are searched too,
// but no deeper.
constexpr int kSearchDepth = 1;

struct Query {
  OSType type;
  OSType creator;
  std::string extension;  // empty: any
  LSRolesMask roles;
};

bool RoleAllowed(const std::string& role, LSRolesMask mask) {
  if (mask == kLSRolesAll) return true;
  LSRolesMask has = role == "Viewer" ? kLSRolesViewer
                    : role == "None" ? kLSRolesNone
                                     : kLSRolesEditor | kLSRolesViewer;  // Editor, or unstated
  return (has & mask) != 0;
}

bool Matches(const BundleInfo& info, const Query& q) {
  if (q.type != kLSUnknownType && info.packageType != q.type) return false;
  if (q.creator != kLSUnknownCreator && info.signature != q.creator) return false;
  if (q.extension.empty()) return true;
  for (const BundleDocumentType& doc : info.documentTypes) {
    if (!RoleAllowed(doc.role, q.roles)) continue;
    for (const std::string& e : doc.extensions)
      if (e == "*" || EqualsIgnoringASCIICase(e, q.extension)) return true;
  }
  return false;
}

// The folder's entries in listing order (each name's sort key made once).
std::vector<std::string> SortedEntries(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> keyed;  // key, name
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  while (const dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
      keyed.emplace_back(NameSortKey(e->d_name), e->d_name);
  }
  ::closedir(dir);
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return CompareNameKeys(a.first, a.second, b.first, b.second) < 0;
  });
  std::vector<std::string> names;
  names.reserve(keyed.size());
  for (auto& entry : keyed) names.push_back(std::move(entry.second));
  return names;
}

std::optional<std::string> Search(const std::string& folder, const Query& q, int depth) {
  for (const std::string& name : SortedEntries(folder)) {
    if (name.front() == '.') continue;
    std::string path = folder == "/" ? "/" : folder + "/";
    path += name;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    std::string_view extension = NameExtension(name);
    if (EqualsIgnoringASCIICase(extension, "app")) {
      auto info = ReadBundleInfo(path);
      if (info && Matches(*info, q)) return path;
    } else if (depth > 0 && !IsPackageExtension(extension)) {
      if (auto found = Search(path, q, depth - 1)) return found;
    }
  }
  return std::nullopt;
}

}  // namespace

OSStatus LSGetApplicationForInfo(OSType inType, OSType inCreator, CFStringRef inExtension,
                                 LSRolesMask inRoleMask, FSRef* outAppRef, CFURLRef* outAppURL) {
  if (inType == kLSUnknownType && inCreator == kLSUnknownCreator && !inExtension) return paramErr;
  HostFileSystem* fs = CurrentHost().fileSystem;
  if (!fs) return kLSApplicationNotFoundErr;
  Query q{inType, inCreator, inExtension ? CFStringToUTF8(inExtension) : std::string(), inRoleMask};
  for (const std::string& folder : fs->ApplicationFolders()) {
    if (IsOffline(folder)) continue;
    auto found = Search(folder, q, kSearchDepth);
    if (!found) continue;
    std::string canonical;
    FSRef ref;
    if (CanonicalPath(*found, false, &canonical) != noErr ||
        RefForCanonicalPath(canonical, &ref, nullptr) != noErr)
      continue;
    if (outAppRef) *outAppRef = ref;
    if (outAppURL)
      *outAppURL = CFURLCreateFromFileSystemRepresentation(
                       nullptr, reinterpret_cast<const UInt8*>(canonical.data()),
                       static_cast<CFIndex>(canonical.size()), true)
                       .Detach();
    return noErr;
  }
  return kLSApplicationNotFoundErr;
}
