// A fresh agent world per test, so that the tests of one program can start
// the agent one after another: the shared desktop sandbox, a bundle of the
// test's making, and after the test everything start-up installed taken away
// again.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bindings/KeyBindings.h"
#include "common/PrivateFunctions.h"
#include "hosts/sim/SimDesktop.h"
#include "platform/bundles/Bundle.h"
#include "platform/host/Transcript.h"
#include "platform/preferences/Preferences.h"
#include "shell/AppHandlers.h"
#include "shell/Paths.h"
#include "shell/Startup.h"
#include "support/desktop_fixture.h"
#include "support/plist_support.h"
#include "triggers/Triggers.h"

namespace agent_test {

using plist_test::ReadFile;
using plist_test::WriteFile;

inline constexpr const char* kBundleInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.talvik.korvane</string>
<key>CFBundleExecutable</key><string>Korvane</string>
</dict></plist>
)";

inline constexpr const char* kMainNib = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>MenuBar</key><array>
<dict><key>Title</key><string>Korvane</string>
<key>Items</key><array><string>Quit Korvane</string></array></dict>
</array></dict></plist>
)";

// An XML property list document around body (the inside of <plist>).
inline std::string Plist(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
         "</plist>\n";
}

// The desktop sandbox with a bundle of the test's making as the main bundle,
// and after the test everything start-up installed taken away again.
class AgentTest : public fixture::DesktopTest {
 protected:
  AgentTest() {
    plist_test::MakeFolders(Resources());
    WriteFile(bundle_ / "Contents/Info.plist", kBundleInfo);
    SetMainBundlePath(bundle_.path());
  }

  ~AgentTest() override {
    // Queued events and timers belong to this desktop: they run out first.
    desktop.runLoop.Advance(0);
    TearDownAgentForTesting();
    SetMainBundlePath("");
  }

  std::string Resources() const { return bundle_ / "Contents/Resources"; }
  std::string PrefsFile() const { return dir / ".config/korvane/com.talvik.korvane.plist"; }
  void WriteDefaults(const std::string& text) {
    WriteFile(Resources() + "/com.talvik.korvane.plist", text);
  }
  void WriteNib() { WriteFile(Resources() + "/main.nib", kMainNib); }
  void WritePrefs(const std::string& text) {
    plist_test::MakeFolders(dir / ".config/korvane");
    WriteFile(PrefsFile(), text);
  }

  // The transcript so far.
  const std::vector<std::string>& Lines() const { return desktop.recorder.lines; }
  // Whether some line equals text.
  bool Saw(const std::string& text) const {
    for (const std::string& line : Lines())
      if (line == text) return true;
    return false;
  }
  // Index of the first line at or after from that starts with prefix.
  std::optional<std::size_t> Find(const std::string& prefix, std::size_t from = 0) const {
    for (std::size_t i = from; i < Lines().size(); ++i)
      if (Lines()[i].rfind(prefix, 0) == 0) return i;
    return std::nullopt;
  }
  std::size_t Count(const std::string& prefix) const {
    std::size_t n = 0;
    for (const std::string& line : Lines())
      if (line.rfind(prefix, 0) == 0) ++n;
    return n;
  }

  plist_test::TempDir bundle_;
};

}  // namespace agent_test
