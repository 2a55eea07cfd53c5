// The simulated desktop's volumes and folder table, all inside a sandbox
// folder on the real file system.
//
// Layout (S = the sandbox, H = the user's home, S/Home unless given):
//   user:   'desk' H/Desktop, 'docs' H/Documents, 'cusr' H, 'dlib' H/Library,
//           'pref' H/Library/Preferences, 'ppan' H/Library/PreferencePanes,
//           'asup' H/Library/Application Support, 'trsh' H/.Trash
//   local:  'apps' S/Applications, 'utiƒ' S/Applications/Utilities,
//           'dlib' S/Library, 'pref' S/Library/Preferences,
//           'ppan' S/Library/PreferencePanes, 'asup' S/Library/Application Support
//   system: 'macs' S/System, 'dlib' S/System/Library,
//           'ppan' S/System/Library/PreferencePanes, 'sdsk' H/Desktop
//   fixed paths: /Applications, /Library, /System, /Volumes -> the same
//           names in S; "/Desktop Folder" -> H/Desktop.
// Applications are looked for in S/Applications.
//
// Volumes are folders the scenario declares; one marked unmounted stays on
// disk but the layer treats everything below it as missing. Mount requests
// and ejections are what a user would see, so they are transcribed.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/HostFileSystem.h"

class SimFileSystem final : public HostFileSystem {
 public:
  // sandbox must exist; home defaults to sandbox/Home. Nothing is created.
  explicit SimFileSystem(const std::string& sandbox, const std::string& home = {});

  const std::string& Sandbox() const { return sandbox_; }
  const std::string& Home() const { return home_; }

  // Creates every folder of the folder table (with missing parents).
  void CreateStandardFolders() const;

  // Declares a volume whose root is mountPoint (relative to the sandbox
  // unless absolute); the folder is created. Volumes list in the order added.
  void AddVolume(const std::string& name, const std::string& mountPoint, bool ejectable = true,
                 bool mounted = true);
  // Marks the named volume mounted or not, without a transcript line (the
  // scenario's own doing); false when there is no such volume.
  bool SetMounted(std::string_view name, bool mounted);
  // What the simulated user answers when asked to mount a volume (default:
  // mount it).
  void SetMountAnswer(bool mount) { mountAnswer_ = mount; }
  int MountRequests() const { return mountRequests_; }

  // Replaces one entry of the folder table or the fixed paths.
  void SetFolder(SInt16 domain, OSType folderType, std::string path);
  void SetFixedPath(std::string macPath, std::string realPath);

  // HostFileSystem
  const std::vector<HostVolume>& Volumes() const override { return volumes_; }
  bool RequestMount(std::string_view mountPoint) override;
  bool Eject(std::string_view mountPoint) override;
  std::optional<std::string> FolderPath(SInt16 domain, OSType folderType) const override;
  const std::vector<std::pair<std::string, std::string>>& FixedPaths() const override {
    return fixedPaths_;
  }
  std::vector<std::string> ApplicationFolders() const override;

 private:
  HostVolume* VolumeAt(std::string_view mountPoint);

  std::string sandbox_;
  std::string home_;
  std::vector<HostVolume> volumes_;
  std::map<std::pair<SInt16, OSType>, std::string> folders_;
  std::vector<std::pair<std::string, std::string>> fixedPaths_;
  bool mountAnswer_ = true;
  int mountRequests_ = 0;
};
