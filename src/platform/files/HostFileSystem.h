// The desktop's view of the file system: which volumes it shows, mounting
// and ejecting them, and where the well-known folders are.
//
// The files themselves are always the real POSIX file system (the layer's
// File Manager reads them directly); what differs between hosts is only
// this table. The simulated desktop maps everything into its sandbox, the
// real desktop onto mounted file systems and the XDG folders.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/MacTypes.h"

// One volume as the desktop shows it.
struct HostVolume {
  std::string name;        // shown to the user (UTF-8)
  std::string mountPoint;  // absolute path of its root folder, without symlinks
  bool mounted = true;     // false: shown, but its files cannot be reached
  bool ejectable = false;
};

class HostFileSystem {
 public:
  virtual ~HostFileSystem() = default;

  // The volumes the desktop shows, mounted or not, in the desktop's order.
  // The reference stays valid until the next call into the host.
  virtual const std::vector<HostVolume>& Volumes() const = 0;

  // Asks the user to mount (or connect to) the volume whose mount point is
  // given. May show UI and waits for the answer; true once the volume is
  // mounted, false when the user refused or mounting failed.
  virtual bool RequestMount(std::string_view mountPoint) = 0;

  // Ejects (unmounts) the volume; false when it cannot be ejected or is busy.
  virtual bool Eject(std::string_view mountPoint) = 0;

  // The real folder for a Folder Manager domain (kUserDomain, kLocalDomain,
  // kSystemDomain, ...) and folder type ('desk', 'apps', ...); nullopt when
  // the desktop has no such folder. The folder need not exist yet.
  virtual std::optional<std::string> FolderPath(SInt16 domain, OSType folderType) const = 0;

  // The fixed paths of the Mac ("/Applications", "/Desktop Folder", ...) and
  // the real folders they stand for. A path below a fixed path maps below
  // its real folder; every other path is used as it is.
  virtual const std::vector<std::pair<std::string, std::string>>& FixedPaths() const = 0;

  // Folders searched for applications, in order of preference.
  virtual std::vector<std::string> ApplicationFolders() const = 0;
};
