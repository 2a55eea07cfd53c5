// The sandbox most tests start from: a private temporary folder that is the
// user's home, HOME and XDG_CONFIG_HOME pointing into it, a simulated desktop
// over it, and no preferences or system preference folder remembered from an
// earlier test. Teardown runs the other way round: the caches are forgotten
// while the desktop still stands, then the desktop goes, the environment is
// restored and the folder removed.
//
// Tests that cannot inherit (free TESTs, helpers) hold a DesktopSandbox;
// fixtures derive from DesktopTest and add what they need on top.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimFileSystem.h"
#include "platform/files/Files.h"
#include "platform/host/Host.h"
#include "support/plist_support.h"

namespace fixture {

// Where home and the configuration folder lie, relative to the temporary
// folder ("" is the folder itself).
struct SandboxLayout {
  std::string home;
  std::string config = ".config";
};

// The temporary folder and the environment that points into it, with the
// preference caches cleared on the way in and out. For tests of layers below
// the desktop, which bring their own host.
struct SandboxHome {
  explicit SandboxHome(const SandboxLayout& layout = {});
  SandboxHome(const SandboxHome&) = delete;
  SandboxHome& operator=(const SandboxHome&) = delete;
  ~SandboxHome();

  plist_test::TempDir dir;
  plist_test::ScopedEnv home_env;
  plist_test::ScopedEnv config_env;
};

// SandboxHome with a simulated desktop whose sandbox is the folder.
struct DesktopSandbox : SandboxHome {
  explicit DesktopSandbox(const SandboxLayout& layout = {});
  ~DesktopSandbox();

  SimDesktop desktop;
};

// Going between paths and refs, as most fixtures do.
struct FileRefs {
  // The ref of path, expecting FSPathMakeRef to answer expect.
  static FSRef Ref(const std::string& path, OSStatus expect = noErr);
  // The path of ref, or "<error>".
  static std::string PathOf(const FSRef& ref);
};

class DesktopTest : public ::testing::Test, protected DesktopSandbox, protected FileRefs {
 protected:
  explicit DesktopTest(const SandboxLayout& layout = {}) : DesktopSandbox(layout) {}
};

// A temporary folder whose simulated file system (and nothing else of a
// desktop) is the installed host's, for the file-level platform tests. The
// host is a member, so that a test can add concerns to it or swap its file
// system.
class FileSystemTest : public ::testing::Test, protected FileRefs {
 protected:
  FileSystemTest();
  ~FileSystemTest() override;

  plist_test::TempDir dir;
  const std::string root = dir.path();
  SimFileSystem sim{root};
  SimRecorder recorder;
  Host host;
  // The host before this one, put back when the test ends.
  Host* previous = nullptr;
};

}  // namespace fixture
