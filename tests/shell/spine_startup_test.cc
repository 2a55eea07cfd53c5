// The start-up sequence: its order, its quiet stops and its results.
#include <filesystem>

#include "menus/FolderListing.h"
#include "menus/MenuBuilder.h"
#include "platform/windows/Windows.h"
#include "shell/AgentFixture.h"
#include "shell/Startup.h"

namespace {

using agent_test::WriteFile;

using agent_test::Plist;

// Two hot-key-only definitions, each with its own hot key.
const char* kTwoHotKeyMenus = R"(<dict><key>Global Menus</key><array>
<dict><key>Position</key><integer>0</integer><key>Drags</key><false/><key>Items</key><array/>
  <key>Hot Key</key><data>AAAAAQAAAQA=</data></dict>
<dict><key>Position</key><integer>0</integer><key>Drags</key><true/><key>Items</key><array/>
  <key>Hot Key</key><data>AAAAAgAAAQA=</data></dict>
</array></dict>)";

class StartupTest : public agent_test::AgentTest {
 protected:
  StartupTest() { WriteNib(); }

  // Runs KorvaneMain; a 'quit' event arrives at quitAt seconds when given.
  int Start(std::optional<double> quitAt = std::nullopt) {
    if (quitAt)
      desktop.runLoop.AddTimer(*quitAt, [this] {
        (void)desktop.ReceiveAppleEvent(kCoreEventClass, kAEQuitApplication);
      });
    return KorvaneMain();
  }
  ProcessSerialNumber AddProcess(const char* name, const char* type, const char* creator,
                                 bool front) {
    SimProcess p;
    p.name = name;
    p.type = FourCC(type);
    p.creator = FourCC(creator);
    return desktop.processes.AddProcess(p, front);
  }
  // The last "front: " line.
  std::string LastFront() const {
    std::string last;
    for (const std::string& line : Lines())
      if (line.rfind("front: ", 0) == 0) last = line;
    return last;
  }
};

TEST_F(StartupTest, SystemsBefore10Point1EndAtOnceWithMinusOne) {
  for (SInt32 version : {0x1000, 0x1009, 0x100F}) {
    desktop.processes.SetSystemVersion(version);
    EXPECT_EQ(Start(), kResultSystemTooOld) << std::hex << version;
  }
  desktop.processes.SetSystemVersion(std::nullopt);
  EXPECT_EQ(Start(), kResultSystemTooOld) << "a version Gestalt cannot tell";
  // Nothing was installed on the way out.
  EXPECT_EQ(desktop.processes.uiMode(), 0u);
  EXPECT_EQ(Count("handler installed"), 0u);
  EXPECT_EQ(Count("observer added"), 0u);
  EXPECT_EQ(Count("settings read"), 0u);
  EXPECT_EQ(desktop.windows.Count(), 0u);
}

TEST_F(StartupTest, TenPointOneStartsAndAQuitEventEndsTheLoopWithZero) {
  desktop.processes.SetSystemVersion(0x1010);
  bool laterTimerFired = false;
  desktop.runLoop.AddTimer(100, [&] { laterTimerFired = true; });
  EXPECT_EQ(Start(2.0), kResultDone);
  EXPECT_EQ(desktop.runLoop.Now(), 2.0) << "the loop ended with the quit event";
  EXPECT_FALSE(laterTimerFired);
  EXPECT_EQ(desktop.processes.uiMode(), 3u);
  EXPECT_TRUE(Saw("apple event 'aevt'/'quit' replied: no error"));
  EXPECT_TRUE(Saw("event loop ended"));
}

TEST_F(StartupTest, WithoutTheInterfaceFileItStopsQuietlyAfterSettingsAndHandlers) {
  std::filesystem::remove(Resources() + "/main.nib");
  WriteDefaults(Plist(kTwoHotKeyMenus));
  EXPECT_EQ(Start(), kResultDone);
  EXPECT_TRUE(Find("settings read: 2 menu definitions"));
  EXPECT_TRUE(Saw("handler installed: application 'appl'/6"));
  EXPECT_TRUE(Saw("apple event handler installed: 'aevt'/'quit'"));
  EXPECT_TRUE(gTriggers.empty()) << "no triggers without the interface file";
  EXPECT_FALSE(Saw("event loop running"));
  EXPECT_FALSE(Find("menu bar"));
  EXPECT_EQ(gParkedWindow, nullptr);
}

TEST_F(StartupTest, WithoutTheParkedWindowItStopsQuietly) {
  WriteDefaults(Plist(kTwoHotKeyMenus));
  desktop.windows.FailCreation(paramErr);
  EXPECT_EQ(Start(), kResultDone);
  EXPECT_TRUE(gTriggers.empty());
  EXPECT_FALSE(Saw("event loop running"));
  // The drop window failed as well: its handler must not end up tracking
  // drags over every window instead.
  EXPECT_EQ(gHotKeyDropWindow, nullptr);
  EXPECT_TRUE(GetWindowTrackingHandlers(nullptr).empty());
  EXPECT_FALSE(Find("drag tracking handler installed"));
}

TEST_F(StartupTest, TheParkedWindowIsParkedOffScreenAndNeverShown) {
  EXPECT_EQ(Start(), kResultDone);
  ASSERT_NE(gParkedWindow, nullptr);
  const UInt32 number = GetWindowHostNumber(gParkedWindow);
  const SimWindow* window = desktop.windows.Find(number);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowClass, kUtilityWindowClass);
  EXPECT_EQ(window->attributes, 0x80240200u);
  EXPECT_EQ(window->bounds, (Rect{20000, 20000, 20010, 20010}));
  EXPECT_FALSE(window->visible);
  EXPECT_EQ(desktop.windows.StackingOrder().front(), number) << "brought to the front";
  EXPECT_TRUE(Saw(Fmt("window %u created: class 8, attributes 0x80240200, at 50,50 10x10",
                      static_cast<unsigned>(number))))
      << "created at its first place, then moved";
}

TEST_F(StartupTest, TheHotKeyDropWindowStaysHiddenWithItsTrackingHandler) {
  EXPECT_EQ(Start(), kResultDone);
  ASSERT_NE(gHotKeyDropWindow, nullptr);
  const SimWindow* window = desktop.windows.Find(GetWindowHostNumber(gHotKeyDropWindow));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowClass, kOverlayWindowClass);
  EXPECT_EQ(window->attributes, 0x82240000u);
  EXPECT_EQ(window->bounds, (Rect{0, 0, 100, 100}));
  EXPECT_FALSE(window->visible);
  EXPECT_EQ(GetWindowTrackingHandlers(gHotKeyDropWindow).size(), 1u);
  EXPECT_TRUE(GetWindowTrackingHandlers(nullptr).empty());
}

TEST_F(StartupTest, StartedInFrontItHandsTheFrontToTheFinder) {
  const ProcessSerialNumber finder = AddProcess("Finder", "FNDR", "MACS", false);
  ASSERT_EQ(desktop.processes.Front(), desktop.processes.Self());
  EXPECT_EQ(Start(), kResultDone);
  EXPECT_EQ(desktop.processes.Front(), finder);
  EXPECT_EQ(LastFront(), "front: Finder (front window only)");
}

TEST_F(StartupTest, StartedInTheBackgroundItHandsTheFrontBack) {
  AddProcess("Finder", "FNDR", "MACS", false);
  const ProcessSerialNumber editor = AddProcess("TextEdit", "APPL", "ttxt", true);
  EXPECT_EQ(Start(), kResultDone);
  EXPECT_EQ(desktop.processes.Front(), editor);
  const auto self = Find("front: Korvane");
  const auto back = Find("front: TextEdit (front window only)");
  ASSERT_TRUE(self && back);
  EXPECT_LT(*self, *back) << "the agent comes forward first, then hands back";
  EXPECT_FALSE(Find("front: Finder"));
}

TEST_F(StartupTest, HandlersAreInstalledInTheirOrder) {
  EXPECT_EQ(Start(), kResultDone);
  const char* order[] = {
      "system ui mode 3",
      "child exit handler installed",
      "settings read",
      "observer added: com.apple.HIToolbox.beginMenuTrackingNotification",
      "observer added: com.apple.HIToolbox.endMenuTrackingNotification",
      "handler installed: application 'keyb'/5",
      "handler installed: application 'appl'/6",
      "display notification procedure registered",
      "apple event handler installed: 'aevt'/'quit'",
      "apple event handler installed: 'misc'/'dosc'",
      "private function CGSetLocalEventsFilterDuringSuppressionState: found",
      "private function CGSSetWindowTags: found",
      "private call: CGSSetBackgroundEventMask(connection 1, mask 6)",
      "handler installed: application 'mous'/1",
      "handler installed: application 'mous'/2",
      "window 1 created: class 14",
      "drag tracking handler installed: window 1",
      "menu bar: Korvane [Quit Korvane]",
      "window 2 created: class 8",
      "menu bar shown",
      "event loop running",
  };
  std::size_t at = 0;
  for (const char* step : order) {
    auto found = Find(step, at);
    ASSERT_TRUE(found) << "missing or out of order: " << step;
    at = *found + 1;
  }
}

TEST_F(StartupTest, KeyBindingsAreRegisteredBeforeTheTriggersInDefinitionOrder) {
  WriteFile(dir / "notes.txt", "notes");
  WritePrefs(Plist(std::string(R"(<dict><key>Key Bindings</key><array><dict>
    <key>URL</key><string>)") +
                   (dir / "notes.txt") + R"(</string>
    <key>Hot Key</key><data>AAAAAwAAAQA=</data></dict></array>)" +
                   std::string(kTwoHotKeyMenus).substr(6)));
  EXPECT_EQ(Start(), kResultDone);
  ASSERT_EQ(gTriggers.size(), 2u);
  EXPECT_EQ(gTriggers[0]->flags, 0u);
  EXPECT_EQ(gTriggers[1]->flags, kTriggerAcceptsDrops);
  const auto binding = Find("hot key registered: key 3");
  const auto first = Find("hot key registered: key 1");
  const auto second = Find("hot key registered: key 2");
  ASSERT_TRUE(binding && first && second);
  EXPECT_LT(*binding, *first);
  EXPECT_LT(*first, *second);
}

TEST_F(StartupTest, WithoutMenusTheLoopStillRunsForKeysAndAppleEvents) {
  EXPECT_EQ(Start(1.0), kResultDone);
  EXPECT_TRUE(gTriggers.empty());
  EXPECT_TRUE(Saw("settings read: 0 menu definitions, 0 key bindings"));
  EXPECT_TRUE(Saw("event loop running"));
  EXPECT_EQ(desktop.runLoop.Now(), 1.0);
}

TEST_F(StartupTest, TheTextsComeFromTheBundlesStrings) {
  plist_test::MakeFolders(Resources() + "/English.lproj");
  WriteFile(Resources() + "/English.lproj/Localizable.strings",
            "\"Empty Folder\" = \"Leerer Ordner\";\n");
  EXPECT_EQ(Start(), kResultDone);
  EXPECT_EQ(CFStringToUTF8(gEmptyFolderText), "Leerer Ordner");
  EXPECT_EQ(CFStringToUTF8(gUnavailableText), "Unavailable") << "a missing entry shows the key";
  EXPECT_EQ(std::u16string(gHiddenListName, gHiddenListNameLength), u".hidden");
}

}  // namespace
