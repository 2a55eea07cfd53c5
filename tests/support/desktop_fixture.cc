#include "support/desktop_fixture.h"

#include "platform/preferences/Preferences.h"
#include "shell/Paths.h"

namespace fixture {
namespace {

std::string Under(const plist_test::TempDir& dir, const std::string& relative) {
  return relative.empty() ? dir.path() : dir / relative;
}

// Nothing another test looked up survives into this one: the preference
// domains read so far and the system preference folder found.
void ForgetCachedPreferences() {
  CFPreferencesResetForTesting();
  ForgetSystemPreferencesForTesting();
}

}  // namespace

SandboxHome::SandboxHome(const SandboxLayout& layout)
    : home_env("HOME", Under(dir, layout.home)),
      config_env("XDG_CONFIG_HOME", Under(dir, layout.config)) {
  ForgetCachedPreferences();
}

SandboxHome::~SandboxHome() { ForgetCachedPreferences(); }

DesktopSandbox::DesktopSandbox(const SandboxLayout& layout)
    : SandboxHome(layout), desktop(dir.path()) {
  ForgetCachedPreferences();
}

// What the test cached while the desktop stood goes before the desktop does.
DesktopSandbox::~DesktopSandbox() { ForgetCachedPreferences(); }

FileSystemTest::FileSystemTest() {
  host.fileSystem = &sim;
  host.recorder = &recorder;
  previous = InstallHost(&host);
}

FileSystemTest::~FileSystemTest() { InstallHost(previous); }

FSRef FileRefs::Ref(const std::string& path, OSStatus expect) {
  FSRef ref{};
  EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr), expect)
      << path;
  return ref;
}

std::string FileRefs::PathOf(const FSRef& ref) {
  UInt8 buffer[4096];
  if (FSRefMakePath(&ref, buffer, sizeof buffer) != noErr) return "<error>";
  return reinterpret_cast<char*>(buffer);
}

}  // namespace fixture
