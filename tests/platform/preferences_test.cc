#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Bundle.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "support/plist_support.h"

using namespace plist_test;

namespace {

CFRef<CFNumberRef> Int(SInt64 v) { return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v); }

// Every test gets its own home and configuration folder and starts with
// nothing cached, like a fresh agent.
class Preferences : public ::testing::Test {
 protected:
  Preferences()
      : home_("HOME", dir_ / "home"),
        xdg_("XDG_CONFIG_HOME", dir_ / "config") {
    SetMainBundlePath("");
    CFPreferencesResetForTesting();
  }
  ~Preferences() override { CFPreferencesResetForTesting(); }

  std::string File(const std::string& id = "com.talvik.korvane") const {
    return dir_ / ("config/korvane/" + id + ".plist");
  }
  // Writes the domain file as another program would.
  void WriteWithPython(const std::string& dictLiteral, const std::string& id = "com.talvik.korvane") {
    MakeFolders(dir_ / "config/korvane");
    ASSERT_TRUE(RunPython("plistlib.dump(" + dictLiteral + ", open('" + File(id) + "', 'wb'))\n"));
  }
  // The domain file as plistlib reads it: "key=repr" lines in key order.
  std::string ReadWithPython(const std::string& id = "com.talvik.korvane") {
    return RunPython("v = plistlib.load(open('" + File(id) +
                     "', 'rb'))\nfor k in sorted(v): print(k + '=' + repr(v[k]))\n")
        .value_or("python could not read it");
  }

  TempDir dir_;
  ScopedEnv home_, xdg_;
  RecordingHost host_;
};

}  // namespace

TEST_F(Preferences, FirstSynchronizeCreatesPrivateFolderAndFile) {
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("Global Menus"), kCFPreferencesCurrentApplication));
  auto menus = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(menus, Int(3));
  CFPreferencesSetAppValue(CFSTR("Global Menus"), menus, kCFPreferencesCurrentApplication);
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), CFSTR("none"), kCFPreferencesCurrentApplication);
  // Set only changes what this process sees until it synchronises.
  EXPECT_TRUE(CFEqual(CFPreferencesCopyAppValue(CFSTR("Global Menus"),
                                                kCFPreferencesCurrentApplication),
                      menus));
  EXPECT_EQ(ModeOf(File()), -1);

  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ModeOf(dir_ / "config/korvane"), 0700);
  EXPECT_EQ(ModeOf(File()), 0600);
  EXPECT_EQ(FolderEntries(dir_ / "config/korvane"),
            std::vector<std::string>{"com.talvik.korvane.plist"});
  EXPECT_EQ(ReadWithPython(), "Global Menus=[3]\nKey Bindings='none'\n");
  EXPECT_EQ(host_.lines, std::vector<std::string>{
                             "prefs: synchronized com.talvik.korvane (Global Menus, Key Bindings)"});

  // A new process reads it back.
  CFPreferencesResetForTesting();
  EXPECT_TRUE(CFEqual(CFPreferencesCopyAppValue(CFSTR("Key Bindings"),
                                                kCFPreferencesCurrentApplication),
                      CFSTR("none")));
}

TEST_F(Preferences, KeysAnotherProgramWroteSurviveOurSynchronize) {
  WriteWithPython("{'A': 1, 'B': 2, 'C': 3}");
  EXPECT_TRUE(CFEqual(CFPreferencesCopyAppValue(CFSTR("A"), kCFPreferencesCurrentApplication),
                      Int(1)));
  // The other program changes the file after we read it.
  WriteWithPython("{'A': 1, 'B': 20, 'C': 3, 'D': 4}");
  CFPreferencesSetAppValue(CFSTR("A"), Int(10), kCFPreferencesCurrentApplication);
  CFPreferencesSetAppValue(CFSTR("C"), nullptr, kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("C"), kCFPreferencesCurrentApplication));
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));

  EXPECT_EQ(ReadWithPython(), "A=10\nB=20\nD=4\n");
  // And this process now sees the other program's values too.
  EXPECT_TRUE(CFEqual(CFPreferencesCopyAppValue(CFSTR("B"), kCFPreferencesCurrentApplication),
                      Int(20)));
  EXPECT_EQ(host_.lines,
            std::vector<std::string>{"prefs: synchronized com.talvik.korvane (A, C)"});

  // Changes are written once: the next synchronise leaves the other program's new A alone.
  WriteWithPython("{'A': 99}");
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "A=99\n");
  EXPECT_EQ(host_.lines.size(), 1u);
}

TEST_F(Preferences, UnreadableFileIsNeverWrittenOver) {
  const std::string kinds[] = {
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>A</key>",  // cut short
      "<plist version=\"1.0\"><array><true/></array></plist>",             // not a dictionary
  };
  for (const std::string& bytes : kinds) {
    CFPreferencesResetForTesting();
    host_.lines.clear();
    MakeFolders(dir_ / "config/korvane");
    WriteFile(File(), bytes);
    EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("A"), kCFPreferencesCurrentApplication));
    Boolean valid = true;
    EXPECT_FALSE(CFPreferencesGetAppBooleanValue(CFSTR("A"), kCFPreferencesCurrentApplication,
                                                 &valid));
    EXPECT_FALSE(valid);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));

    CFPreferencesSetAppValue(CFSTR("Key Bindings"), CFSTR("mine"),
                             kCFPreferencesCurrentApplication);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
    EXPECT_EQ(ReadFile(File()), bytes);
    EXPECT_EQ(FolderEntries(dir_ / "config/korvane"),
              std::vector<std::string>{"com.talvik.korvane.plist"});
    EXPECT_TRUE(host_.lines.empty());

    // Once the file is repaired the kept change goes in beside what is there.
    WriteWithPython("{'Global Menus': []}");
    ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
    EXPECT_EQ(ReadWithPython(), "Global Menus=[]\nKey Bindings='mine'\n");
  }
}

TEST_F(Preferences, SynchronizeWithoutChangesWritesNothing) {
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ModeOf(dir_ / "config/korvane"), -1);

  WriteWithPython("{'A': True}");
  ::chmod(File().c_str(), 0644);
  struct stat before;
  ASSERT_EQ(::stat(File().c_str(), &before), 0);
  // The domain was read (as empty) before the file appeared; a synchronise
  // refreshes it.
  EXPECT_FALSE(CFPreferencesGetAppBooleanValue(CFSTR("A"), kCFPreferencesCurrentApplication,
                                               nullptr));
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_TRUE(CFPreferencesGetAppBooleanValue(CFSTR("A"), kCFPreferencesCurrentApplication,
                                              nullptr));
  // A value that no XML file can hold is not stored, so there is still nothing to write.
  auto url = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
  CFPreferencesSetAppValue(CFSTR("URL"), url, kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("URL"), kCFPreferencesCurrentApplication));
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  struct stat after;
  ASSERT_EQ(::stat(File().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
  EXPECT_EQ(ModeOf(File()), 0644);
  EXPECT_TRUE(host_.lines.empty());
}

TEST_F(Preferences, BooleanValuesAndTheirValidity) {
  WriteWithPython("{'yes': True, 'no': False, 'one': 1, 'word': 'YES'}");
  struct Case {
    const char* key;
    bool value, valid;
  } cases[] = {{"yes", true, true},  {"no", false, true},   {"one", false, false},
               {"word", false, false}, {"absent", false, false}};
  for (auto& c : cases) {
    Boolean valid = !c.valid;
    EXPECT_EQ(CFPreferencesGetAppBooleanValue(CFStringFromUTF8(c.key),
                                              kCFPreferencesCurrentApplication, &valid),
              c.value)
        << c.key;
    EXPECT_EQ(valid, c.valid) << c.key;
  }
}

TEST_F(Preferences, StoredValuesAreCopies) {
  auto bindings = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(bindings, Int(1));
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), bindings, kCFPreferencesCurrentApplication);
  CFArrayAppendValue(bindings, Int(2));  // the caller goes on using its array
  auto stored = CFRefAs<CFArrayRef>(
      CFPreferencesCopyAppValue(CFSTR("Key Bindings"), kCFPreferencesCurrentApplication));
  ASSERT_TRUE(stored);
  EXPECT_EQ(CFArrayGetCount(stored), 1);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "Key Bindings=[1]\n");
}

TEST_F(Preferences, DomainFileFollowsTheEnvironmentAndApplicationID) {
  // Without XDG_CONFIG_HOME (or with a relative one) the folder is under HOME.
  for (std::optional<std::string> xdg : {std::optional<std::string>(), std::optional<std::string>(""),
                                         std::optional<std::string>("relative/config")}) {
    ScopedEnv unset("XDG_CONFIG_HOME", xdg);
    CFPreferencesSetAppValue(CFSTR("K"), Int(1), CFSTR("org.example.other"));
    ASSERT_TRUE(CFPreferencesAppSynchronize(CFSTR("org.example.other")));
    EXPECT_EQ(ModeOf(dir_ / "home/.config/korvane/org.example.other.plist"), 0600);
    ::unlink((dir_ / "home/.config/korvane/org.example.other.plist").c_str());
    CFPreferencesResetForTesting();
  }
  // The environment is read on every call: a new HOME is a new file.
  ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv otherHome("HOME", dir_ / "second home");
  CFPreferencesSetAppValue(CFSTR("K"), Int(2), CFSTR("org.example.other"));
  ASSERT_TRUE(CFPreferencesAppSynchronize(CFSTR("org.example.other")));
  EXPECT_EQ(ModeOf(dir_ / "second home/.config/korvane/org.example.other.plist"), 0600);
  EXPECT_EQ(ModeOf(dir_ / "home/.config/korvane/org.example.other.plist"), -1);

  // Names that would lead out of the folder name no domain.
  for (const char* bad : {"", "../escape", "a/b", ".hidden"}) {
    auto id = CFStringFromUTF8(bad);
    CFPreferencesSetAppValue(CFSTR("K"), Int(3), id);
    EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("K"), id)) << bad;
    EXPECT_FALSE(CFPreferencesAppSynchronize(id)) << bad;
  }
  EXPECT_EQ(FolderEntries(dir_.path()),
            (std::vector<std::string>{"home", "second home"}));
}

TEST_F(Preferences, CurrentApplicationIsTheMainBundleIdentifier) {
  MakeFolders(dir_ / "Tool.app/Contents");
  WriteFile(dir_ / "Tool.app/Contents/Info.plist",
            "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
            "<string>org.example.tool</string></dict></plist>");
  SetMainBundlePath(dir_ / "Tool.app");
  CFPreferencesSetAppValue(CFSTR("K"), CFSTR("v"), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  SetMainBundlePath("");
  EXPECT_EQ(ReadWithPython("org.example.tool"), "K='v'\n");
  EXPECT_EQ(host_.lines, std::vector<std::string>{"prefs: synchronized org.example.tool (K)"});
}

TEST_F(Preferences, FailedWriteKeepsTheChanges) {
  // The configuration folder cannot be made: a file is in its place.
  WriteFile(dir_ / "config", "in the way");
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(5), kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_TRUE(host_.lines.empty());
  ::unlink((dir_ / "config").c_str());
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "Key Bindings=5\n");
}

TEST_F(Preferences, LinkedFileStaysALink) {
  MakeFolders(dir_ / "dotfiles");
  MakeFolders(dir_ / "config/korvane");
  WriteFile(dir_ / "dotfiles/korvane.plist", "<plist version=\"1.0\"><dict/></plist>");
  ASSERT_EQ(::symlink((dir_ / "dotfiles/korvane.plist").c_str(), File().c_str()), 0);
  CFPreferencesSetAppValue(CFSTR("K"), Int(1), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  struct stat st;
  ASSERT_EQ(::lstat(File().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadWithPython(), "K=1\n");
}
