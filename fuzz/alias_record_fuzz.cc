// Alias records: the bytes are taken as a stored record (as the "Alias" of a
// key binding is) and resolved, without and with leave to mount volumes,
// against a small fixed sandbox: a home with a file, a folder and a link,
// and two volumes of the simulated desktop, one of them unmounted.
//
// The sandbox lives at a fixed path so that a record naming one of its
// items means the same in every run, and a crash reproduces:
// /tmp/korvane-fuzz-aliases. With KORVANE_FUZZ_SEED_DIR set, records the
// current code makes for the sandbox's items are written there first (the
// campaign script adds them to the corpus, so the seeds follow the format).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimFileSystem.h"
#include "platform/files/Aliases.h"
#include "platform/host/Host.h"

namespace {

constexpr const char* kSandbox = "/tmp/korvane-fuzz-aliases";

SimRecorder* gRecorder;
SimFileSystem* gFileSystem;

void MakeSandbox() {
  const std::string s = kSandbox;
  fuzz::MakeFolders(s + "/Home/Documents/Folder");
  fuzz::MakeFolders(s + "/Volumes/Stick");
  fuzz::MakeFolders(s + "/Volumes/Gone");
  fuzz::WriteText(s + "/Home/Documents/notes.txt", "notes\n");
  fuzz::WriteText(s + "/Volumes/Stick/file.txt", "on the stick\n");
  fuzz::WriteText(s + "/Volumes/Gone/thing.txt", "on a volume not mounted\n");
  const std::string link = s + "/Home/link";
  if (::symlink("Documents/notes.txt", link.c_str()) != 0 && errno != EEXIST)
    fuzz::Fail("cannot link " + link);
}

// Writes the record the code makes today for each sandbox item.
void WriteSeeds(const std::string& folder) {
  const char* items[] = {"Home/Documents/notes.txt", "Home/Documents/Folder", "Home/link", "Home",
                         "Volumes/Stick/file.txt",   "Volumes/Gone/thing.txt"};
  int n = 0;
  for (const char* item : items) {
    const std::string path = std::string(kSandbox) + "/" + item;
    FSRef ref;
    AliasHandle alias = nullptr;
    if (FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr) != noErr ||
        FSNewAlias(nullptr, &ref, &alias) != noErr)
      fuzz::Fail("no alias record for " + path);
    fuzz::WriteBytes(folder + "/made-" + std::to_string(++n), *alias,
                     static_cast<std::size_t>(GetHandleSize(alias)));
    DisposeHandle(alias);
  }
}

void Resolve(AliasHandle alias, unsigned long mountFlags) {
  gFileSystem->SetMounted("Gone", false);
  FSRef target;
  Boolean changed = false;
  if (FSResolveAliasWithMountFlags(nullptr, alias, &target, &changed, mountFlags) != noErr) return;
  UInt8 path[4096];
  if (FSRefMakePath(&target, path, sizeof path) != noErr || path[0] != '/')
    fuzz::Fail("a resolved record names no path");
  Boolean isFolder = false, wasAliased = false;
  (void)FSResolveAliasFileWithMountFlags(&target, true, &isFolder, &wasAliased, mountFlags);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeSandbox();
  gRecorder = new SimRecorder;
  gFileSystem = new SimFileSystem(kSandbox, std::string(kSandbox) + "/Home");
  gFileSystem->AddVolume("Stick", std::string(kSandbox) + "/Volumes/Stick");
  // "Gone" is taken off before each resolution; mounted here so that its
  // item has a record.
  gFileSystem->AddVolume("Gone", std::string(kSandbox) + "/Volumes/Gone");
  static Host host;
  host.recorder = gRecorder;
  host.fileSystem = gFileSystem;
  (void)InstallHost(&host);
  if (const char* seeds = std::getenv("KORVANE_FUZZ_SEED_DIR")) WriteSeeds(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  gRecorder->lines.clear();
  AliasHandle alias = nullptr;
  if (PtrToHand(bytes, &alias, static_cast<long>(size)) != noErr) return 0;
  Resolve(alias, kResolveAliasFileNoUI);
  Resolve(alias, 0);
  DisposeHandle(alias);
  return 0;
}
