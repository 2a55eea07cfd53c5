#include "hosts/sim/SimFileSystem.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/files/Files.h"
#include "platform/host/Transcript.h"

namespace {

std::string RealPathOr(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

void MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0755);
  }
}

}  // namespace

SimFileSystem::SimFileSystem(const std::string& sandbox, const std::string& home)
    : sandbox_(RealPathOr(sandbox)), home_(home.empty() ? sandbox_ + "/Home" : RealPathOr(home)) {
  const std::string& S = sandbox_;
  const std::string& H = home_;
  folders_ = {
      {{kUserDomain, kDesktopFolderType}, H + "/Desktop"},
      {{kUserDomain, kDocumentsFolderType}, H + "/Documents"},
      {{kUserDomain, kCurrentUserFolderType}, H},
      {{kUserDomain, kDomainLibraryFolderType}, H + "/Library"},
      {{kUserDomain, kPreferencesFolderType}, H + "/Library/Preferences"},
      {{kUserDomain, kPreferencePanesFolderType}, H + "/Library/PreferencePanes"},
      {{kUserDomain, kApplicationSupportFolderType}, H + "/Library/Application Support"},
      {{kUserDomain, kTrashFolderType}, H + "/.Trash"},
      {{kLocalDomain, kApplicationsFolderType}, S + "/Applications"},
      {{kLocalDomain, kUtilitiesFolderType}, S + "/Applications/Utilities"},
      {{kLocalDomain, kDomainLibraryFolderType}, S + "/Library"},
      {{kLocalDomain, kPreferencesFolderType}, S + "/Library/Preferences"},
      {{kLocalDomain, kPreferencePanesFolderType}, S + "/Library/PreferencePanes"},
      {{kLocalDomain, kApplicationSupportFolderType}, S + "/Library/Application Support"},
      {{kSystemDomain, kSystemFolderType}, S + "/System"},
      {{kSystemDomain, kDomainLibraryFolderType}, S + "/System/Library"},
      {{kSystemDomain, kPreferencePanesFolderType}, S + "/System/Library/PreferencePanes"},
      {{kSystemDomain, kSystemDesktopFolderType}, H + "/Desktop"},
  };
  fixedPaths_ = {
      {"/Applications", S + "/Applications"},
      {"/Library", S + "/Library"},
      {"/System", S + "/System"},
      {"/Volumes", S + "/Volumes"},
      {"/Desktop Folder", H + "/Desktop"},
  };
}

void SimFileSystem::CreateStandardFolders() const {
  for (const auto& [key, path] : folders_) MakeFolders(path);
}

void SimFileSystem::AddVolume(const std::string& name, const std::string& mountPoint,
                              bool ejectable, bool mounted) {
  std::string path =
      !mountPoint.empty() && mountPoint.front() == '/' ? mountPoint : sandbox_ + "/" + mountPoint;
  MakeFolders(path);
  volumes_.push_back(HostVolume{name, RealPathOr(path), mounted, ejectable});
}

bool SimFileSystem::SetMounted(std::string_view name, bool mounted) {
  for (HostVolume& v : volumes_) {
    if (v.name == name) {
      v.mounted = mounted;
      return true;
    }
  }
  return false;
}

HostVolume* SimFileSystem::VolumeAt(std::string_view mountPoint) {
  for (HostVolume& v : volumes_)
    if (v.mountPoint == mountPoint) return &v;
  return nullptr;
}

bool SimFileSystem::RequestMount(std::string_view mountPoint) {
  HostVolume* v = VolumeAt(mountPoint);
  if (!v) return false;
  ++mountRequests_;
  if (mountAnswer_) v->mounted = true;
  Transcribe(
      Fmt("mount request: \"%s\" %s", v->name.c_str(), mountAnswer_ ? "mounted" : "refused"));
  return mountAnswer_;
}

bool SimFileSystem::Eject(std::string_view mountPoint) {
  HostVolume* v = VolumeAt(mountPoint);
  if (!v || !v->mounted) return false;
  if (v->ejectable) v->mounted = false;
  Transcribe(Fmt("eject: \"%s\" %s", v->name.c_str(), v->ejectable ? "ejected" : "refused"));
  return v->ejectable;
}

void SimFileSystem::SetFolder(SInt16 domain, OSType folderType, std::string path) {
  folders_[{domain, folderType}] = std::move(path);
}

void SimFileSystem::SetFixedPath(std::string macPath, std::string realPath) {
  for (auto& entry : fixedPaths_) {
    if (entry.first == macPath) {
      entry.second = std::move(realPath);
      return;
    }
  }
  fixedPaths_.emplace_back(std::move(macPath), std::move(realPath));
}

std::optional<std::string> SimFileSystem::FolderPath(SInt16 domain, OSType folderType) const {
  auto it = folders_.find({domain, folderType});
  if (it == folders_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> SimFileSystem::ApplicationFolders() const {
  std::vector<std::string> folders;
  if (auto apps = FolderPath(kLocalDomain, kApplicationsFolderType)) folders.push_back(*apps);
  return folders;
}
