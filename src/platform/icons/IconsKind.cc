// Deciding what kind of icon an item on disk gets. Linux keeps no icon or
// type records with files, so the kind follows from what the item is: links
// are aliases, package folders are applications or panes, mount points are
// volumes, and a program (an executable starting with an ELF header or "#!")
// or a desktop entry of type Application is an application.
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/files/HostFileSystem.h"
#include "platform/host/Host.h"
#include "platform/icons/Icons.h"
#include "platform/icons/IconsInternal.h"
#include "platform/launchservices/LaunchServicesInternal.h"

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  s.remove_prefix(s.size() - suffix.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(suffix[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string LastComponent(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos || path.size() == 1) return path;
  return path.substr(slash + 1);
}

// A volume's root is a folder the desktop shows as a volume, or a mount
// point: a folder on another device than its parent (the root folder is its
// own parent).
bool IsVolumeRoot(const std::string& path, const struct stat& st) {
  if (HostFileSystem* fs = CurrentHost().fileSystem) {
    for (const HostVolume& volume : fs->Volumes())
      if (volume.mountPoint == path) return true;
  }
  struct stat parent {};
  if (stat((path + "/..").c_str(), &parent) != 0) return false;
  return parent.st_dev != st.st_dev || (parent.st_ino == st.st_ino);
}

std::string Trimmed(std::string_view s) {
  auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  auto last = s.find_last_not_of(" \t\r");
  return std::string(s.substr(first, last - first + 1));
}

// A desktop entry launches something when its main group says
// Type=Application.
bool IsDesktopApplication(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  bool inMainGroup = false;
  for (int n = 0; n < 2000 && std::getline(in, line); ++n) {
    std::string text = Trimmed(line);
    if (!text.empty() && text.front() == '[') {
      inMainGroup = text == "[Desktop Entry]";
      continue;
    }
    auto eq = text.find('=');
    if (inMainGroup && eq != std::string::npos && Trimmed(text.substr(0, eq)) == "Type")
      return Trimmed(text.substr(eq + 1)) == "Application";
  }
  return false;
}

IconKind KindOf(const std::string& path, const struct stat& st) {
  std::string name = LastComponent(path);
  if (S_ISDIR(st.st_mode)) {
    if (IsVolumeRoot(path, st)) return IconKind::kVolume;
    if (EndsWithNoCase(name, ".app")) return IconKind::kApplication;
    if (EndsWithNoCase(name, ".prefPane")) return IconKind::kPane;
    return IconKind::kFolder;
  }
  if (S_ISREG(st.st_mode)) {
    if (LaunchServicesPrivate::IsProgramFile(path, st)) return IconKind::kApplication;
    if (EndsWithNoCase(name, ".desktop") && IsDesktopApplication(path))
      return IconKind::kApplication;
  }
  return IconKind::kDocument;
}

}  // namespace

bool DescribeIconForPath(const std::string& rawPath, std::string_view name, IconDescription& out) {
  std::string path = WithoutTrailingSlashes(rawPath);
  struct stat st {};
  if (path.empty() || lstat(path.c_str(), &st) != 0) return false;
  return DescribeIconForItem(path, st, name, out);
}

bool DescribeIconForItem(const std::string& path, const struct stat& st, std::string_view name,
                         IconDescription& out) {
  IconDescription d;
  d.path = path;
  d.name = name.empty() ? LastComponent(path) : std::string(name);
  if (S_ISLNK(st.st_mode)) {
    d.kind = IconKind::kAlias;
    // The target's own name decides its kind (a link called "Mail" may lead
    // to "Mail.app").
    char resolved[PATH_MAX];
    struct stat target {};
    if (realpath(path.c_str(), resolved) && stat(resolved, &target) == 0)
      d.aliasTarget = KindOf(resolved, target);
  } else {
    d.kind = KindOf(path, st);
  }
  out = std::move(d);
  return true;
}
