#include "platform/preferences/Preferences.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/bundles/Bundle.h"
#include "platform/propertylists/PropertyList.h"
#include "support/desktop_fixture.h"
#include "support/plist_support.h"

using namespace plist_test;

namespace {

CFRef<CFNumberRef> Int(SInt64 v) { return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v); }

// Every test gets its own home and configuration folder and starts with
// nothing cached, like a fresh agent. The preferences lie below the desktop:
// a host that only records the transcript stands in for it.
class Preferences : public ::testing::Test, protected fixture::SandboxHome {
 protected:
  Preferences() : SandboxHome({.home = "home", .config = "config"}) { SetMainBundlePath(""); }

  std::string File(const std::string& id = "com.talvik.korvane") const {
    return dir / ("config/korvane/" + id + ".plist");
  }
  // Writes the domain file as another program would.
  void WriteWithPython(const std::string& dictLiteral,
                       const std::string& id = "com.talvik.korvane") {
    MakeFolders(dir / "config/korvane");
    ASSERT_TRUE(RunPython("plistlib.dump(" + dictLiteral + ", open('" + File(id) + "', 'wb'))\n"));
  }
  // The domain file as plistlib reads it: "key=repr" lines in key order.
  std::string ReadWithPython(const std::string& id = "com.talvik.korvane") {
    return RunPython("v = plistlib.load(open('" + File(id) +
                     "', 'rb'))\nfor k in sorted(v): print(k + '=' + repr(v[k]))\n")
        .value_or("python could not read it");
  }

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
  EXPECT_TRUE(CFEqual(
      CFPreferencesCopyAppValue(CFSTR("Global Menus"), kCFPreferencesCurrentApplication), menus));
  EXPECT_EQ(ModeOf(File()), -1);

  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ModeOf(dir / "config/korvane"), 0700);
  EXPECT_EQ(ModeOf(File()), 0600);
  EXPECT_EQ(FolderEntries(dir / "config/korvane"),
            std::vector<std::string>{"com.talvik.korvane.plist"});
  EXPECT_EQ(ReadWithPython(), "Global Menus=[3]\nKey Bindings='none'\n");
  EXPECT_EQ(host_.lines,
            std::vector<std::string>{
                "prefs: synchronized com.talvik.korvane (Global Menus, Key Bindings)"});

  // A new process reads it back.
  CFPreferencesResetForTesting();
  EXPECT_TRUE(
      CFEqual(CFPreferencesCopyAppValue(CFSTR("Key Bindings"), kCFPreferencesCurrentApplication),
              CFSTR("none")));
}

TEST_F(Preferences, KeysAnotherProgramWroteSurviveOurSynchronize) {
  WriteWithPython("{'A': 1, 'B': 2, 'C': 3}");
  EXPECT_TRUE(
      CFEqual(CFPreferencesCopyAppValue(CFSTR("A"), kCFPreferencesCurrentApplication), Int(1)));
  // The other program changes the file after we read it.
  WriteWithPython("{'A': 1, 'B': 20, 'C': 3, 'D': 4}");
  CFPreferencesSetAppValue(CFSTR("A"), Int(10), kCFPreferencesCurrentApplication);
  CFPreferencesSetAppValue(CFSTR("C"), nullptr, kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("C"), kCFPreferencesCurrentApplication));
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));

  EXPECT_EQ(ReadWithPython(), "A=10\nB=20\nD=4\n");
  // And this process now sees the other program's values too.
  EXPECT_TRUE(
      CFEqual(CFPreferencesCopyAppValue(CFSTR("B"), kCFPreferencesCurrentApplication), Int(20)));
  EXPECT_EQ(host_.lines, std::vector<std::string>{"prefs: synchronized com.talvik.korvane (A, C)"});

  // Changes are written once: the next synchronise leaves the other program's new A alone.
  WriteWithPython("{'A': 99}");
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "A=99\n");
  EXPECT_EQ(host_.lines.size(), 1u);
}

TEST_F(Preferences, UnreadableFileIsNeverWrittenOverAndSaysWhy) {
  std::string deep = "<plist version=\"1.0\">";
  for (int i = 0; i < 600; ++i) deep += "<array>";
  for (int i = 0; i < 600; ++i) deep += "</array>";
  deep += "</plist>";
  const std::pair<std::string, std::string> kinds[] = {
      {"<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>A</key>",  // cut short
       "it is not a well-formed XML property list"},
      {"<plist version=\"1.0\"><array><true/></array></plist>",
       "its top level is not a dictionary"},
      // libplist read this as 0 and the file was rewritten with the 0.
      {"<plist version=\"1.0\"><dict><key>Alpha</key><real>0,6</real></dict></plist>",
       "<real> \"0,6\" is not a real number"},
      {deep, "it is nested more than 512 levels deep"},
  };
  for (const auto& [bytes, reason] : kinds) {
    CFPreferencesResetForTesting();
    host_.lines.clear();
    MakeFolders(dir / "config/korvane");
    WriteFile(File(), bytes);
    EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("A"), kCFPreferencesCurrentApplication));
    Boolean valid = true;
    EXPECT_FALSE(
        CFPreferencesGetAppBooleanValue(CFSTR("A"), kCFPreferencesCurrentApplication, &valid));
    EXPECT_FALSE(valid);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));

    CFPreferencesSetAppValue(CFSTR("Key Bindings"), CFSTR("mine"),
                             kCFPreferencesCurrentApplication);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
    EXPECT_EQ(ReadFile(File()), bytes);
    EXPECT_EQ(FolderEntries(dir / "config/korvane"),
              std::vector<std::string>{"com.talvik.korvane.plist"});
    // Said once, with the reason, however often the file is tried.
    EXPECT_EQ(host_.lines, std::vector<std::string>{"preferences: " + File() + " cannot be read (" +
                                                    reason + "); it is left untouched"});

    // Once the file is repaired the kept change goes in beside what is there.
    WriteWithPython("{'Global Menus': []}");
    ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
    EXPECT_EQ(ReadWithPython(), "Global Menus=[]\nKey Bindings='mine'\n");
  }
}

TEST_F(Preferences, EmptyFileIsAnEmptyDomain) {
  MakeFolders(dir / "config/korvane");
  WriteFile(File(), "");
  ::chmod(File().c_str(), 0640);
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("K"), kCFPreferencesCurrentApplication));
  CFPreferencesSetAppValue(CFSTR("K"), Int(1), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "K=1\n");
  EXPECT_EQ(ModeOf(File()), 0640);  // an existing file keeps its mode
  EXPECT_EQ(host_.lines, std::vector<std::string>{"prefs: synchronized com.talvik.korvane (K)"});
}

TEST_F(Preferences, SynchronizeWithoutChangesWritesNothing) {
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ModeOf(dir / "config/korvane"), -1);

  WriteWithPython("{'A': True}");
  ::chmod(File().c_str(), 0644);
  struct stat before;
  ASSERT_EQ(::stat(File().c_str(), &before), 0);
  // The domain was read (as empty) before the file appeared; a synchronise
  // refreshes it.
  EXPECT_FALSE(
      CFPreferencesGetAppBooleanValue(CFSTR("A"), kCFPreferencesCurrentApplication, nullptr));
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_TRUE(
      CFPreferencesGetAppBooleanValue(CFSTR("A"), kCFPreferencesCurrentApplication, nullptr));
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
  // Hand-edited files hold numbers and words as well as booleans.
  WriteWithPython(
      "{'yes': True, 'no': False, 'one': 1, 'zero': 0, 'minus': -3, 'half': 0.5, 'nought': 0.0,"
      " 'YES': 'YES', 'No': 'No', 'true': 'tRuE', 'false': 'FALSE', 'word': 'yes please',"
      " 'digit': '1', 'empty': '', 'data': b'1', 'list': [True]}");
  struct Case {
    const char* key;
    bool value, valid;
  } cases[] = {{"yes", true, true},     {"no", false, true},     {"one", true, true},
               {"zero", false, true},   {"minus", true, true},   {"half", true, true},
               {"nought", false, true}, {"YES", true, true},     {"No", false, true},
               {"true", true, true},    {"false", false, true},  {"word", false, false},
               {"digit", false, false}, {"empty", false, false}, {"data", false, false},
               {"list", false, false},  {"absent", false, false}};
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
  for (std::optional<std::string> xdg :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>("relative/config")}) {
    ScopedEnv unset("XDG_CONFIG_HOME", xdg);
    CFPreferencesSetAppValue(CFSTR("K"), Int(1), CFSTR("org.example.other"));
    ASSERT_TRUE(CFPreferencesAppSynchronize(CFSTR("org.example.other")));
    EXPECT_EQ(ModeOf(dir / "home/.config/korvane/org.example.other.plist"), 0600);
    ::unlink((dir / "home/.config/korvane/org.example.other.plist").c_str());
    CFPreferencesResetForTesting();
  }
  // The environment is read on every call: a new HOME is a new file.
  ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv otherHome("HOME", dir / "second home");
  CFPreferencesSetAppValue(CFSTR("K"), Int(2), CFSTR("org.example.other"));
  ASSERT_TRUE(CFPreferencesAppSynchronize(CFSTR("org.example.other")));
  EXPECT_EQ(ModeOf(dir / "second home/.config/korvane/org.example.other.plist"), 0600);
  EXPECT_EQ(ModeOf(dir / "home/.config/korvane/org.example.other.plist"), -1);

  // Names that would lead out of the folder name no domain.
  for (const char* bad : {"", "../escape", "a/b", ".hidden"}) {
    auto id = CFStringFromUTF8(bad);
    CFPreferencesSetAppValue(CFSTR("K"), Int(3), id);
    EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("K"), id)) << bad;
    EXPECT_FALSE(CFPreferencesAppSynchronize(id)) << bad;
  }
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"home", "second home"}));
}

TEST_F(Preferences, CurrentApplicationIsTheMainBundleIdentifier) {
  MakeFolders(dir / "Tool.app/Contents");
  WriteFile(dir / "Tool.app/Contents/Info.plist",
            "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
            "<string>org.example.tool</string></dict></plist>");
  SetMainBundlePath(dir / "Tool.app");
  CFPreferencesSetAppValue(CFSTR("K"), CFSTR("v"), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  SetMainBundlePath("");
  EXPECT_EQ(ReadWithPython("org.example.tool"), "K='v'\n");
  EXPECT_EQ(host_.lines, std::vector<std::string>{"prefs: synchronized org.example.tool (K)"});
}

TEST_F(Preferences, FailedWriteIsReportedAndKeepsTheChanges) {
  // The configuration folder cannot be made: a file is in its place.
  WriteFile(dir / "config", "in the way");
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(5), kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(host_.lines, std::vector<std::string>{"preferences: cannot write " + File() +
                                                  ": Not a directory; the changes are kept for "
                                                  "a later try"});
  ::unlink((dir / "config").c_str());
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "Key Bindings=5\n");

  if (::geteuid() != 0) {  // permissions do not stop root
    host_.lines.clear();
    ::chmod((dir / "config/korvane").c_str(), 0500);
    CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(6), kCFPreferencesCurrentApplication);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
    ::chmod((dir / "config/korvane").c_str(), 0700);
    EXPECT_EQ(host_.lines, std::vector<std::string>{"preferences: cannot write " + File() +
                                                    ": Permission denied; the changes are kept "
                                                    "for a later try"});
    EXPECT_EQ(ReadWithPython(), "Key Bindings=5\n");
  }
}

TEST_F(Preferences, ReadOnlyFileIsLeftUntouched) {
  WriteWithPython("{'A': 1}");
  ::chmod(File().c_str(), 0444);
  std::string before = ReadFile(File());
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(5), kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadFile(File()), before);
  EXPECT_EQ(ModeOf(File()), 0444);
  EXPECT_EQ(host_.lines, std::vector<std::string>{"preferences: cannot write " + File() +
                                                  ": the file is read-only; the changes are "
                                                  "kept for a later try"});
  // The user makes it writable again: the kept change goes in, the mode stays.
  ::chmod(File().c_str(), 0640);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "A=1\nKey Bindings=5\n");
  EXPECT_EQ(ModeOf(File()), 0640);
}

TEST_F(Preferences, LinkedFileStaysALink) {
  MakeFolders(dir / "dotfiles");
  MakeFolders(dir / "config/korvane");
  WriteFile(dir / "dotfiles/korvane.plist", "<plist version=\"1.0\"><dict/></plist>");
  ASSERT_EQ(::symlink((dir / "dotfiles/korvane.plist").c_str(), File().c_str()), 0);
  CFPreferencesSetAppValue(CFSTR("K"), Int(1), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  struct stat st;
  ASSERT_EQ(::lstat(File().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadWithPython(), "K=1\n");
}

TEST_F(Preferences, DanglingLinkIsWrittenThroughToItsTarget) {
  MakeFolders(dir / "config/korvane");
  MakeFolders(dir / "dotfiles");
  // A relative link to a file that does not exist yet.
  ASSERT_EQ(::symlink("../../dotfiles/korvane.plist", File().c_str()), 0);
  CFPreferencesSetAppValue(CFSTR("K"), Int(1), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  struct stat st;
  ASSERT_EQ(::lstat(File().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ModeOf(dir / "dotfiles/korvane.plist"), 0600);
  EXPECT_EQ(ReadWithPython(), "K=1\n");
  EXPECT_EQ(FolderEntries(dir / "dotfiles"), std::vector<std::string>{"korvane.plist"});
}

TEST_F(Preferences, KeysWeDidNotChangeGoBackExactlyAsTheyWere) {
  // An integer beyond the signed 64-bit range has no value here; it used to
  // be left out on reading and so deleted by the next write.
  WriteWithPython("{'Huge': 2**64 - 1, 'Other': {'Deep': [2**64 - 2, -1]}}");
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("Huge"), kCFPreferencesCurrentApplication));
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(1), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(),
            "Huge=18446744073709551615\nKey Bindings=1\n"
            "Other={'Deep': [18446744073709551614, -1]}\n");
  EXPECT_EQ(ReadFile(File()).substr(0, 5), "<?xml");

  // A binary file stays binary and keeps what only the binary format holds.
  CFPreferencesResetForTesting();
  ASSERT_TRUE(RunPython(
      "v = {'Uid': plistlib.UID(7), 'When': datetime.datetime(2001, 1, 1, 0, 0, 1, 250000)}\n"
      "plistlib.dump(v, open('" +
      File() + "', 'wb'), fmt=plistlib.FMT_BINARY)\n"));
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(2), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadFile(File()).substr(0, 8), "bplist00");
  EXPECT_EQ(ReadWithPython(),
            "Key Bindings=2\nUid=UID(7)\n"
            "When=datetime.datetime(2001, 1, 1, 0, 0, 1, 250000)\n");
}

TEST_F(Preferences, TextXMLCannotCarryIsWrittenInTheBinaryFormat) {
  // Another program's string with a bell (valid in a binary file) made
  // every later XML write fail, and each lost change was announced.
  ASSERT_TRUE(RunPython("import os\nos.makedirs('" + dir / "config/korvane" +
                        "')\n"
                        "plistlib.dump({'Name': 'bell\\x07'}, open('" +
                        File() + "', 'wb'), fmt=plistlib.FMT_BINARY)\n"));
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(1), kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadWithPython(), "Key Bindings=1\nName='bell\\x07'\n");

  // An XML file that is given such text becomes binary, and says so.
  CFPreferencesResetForTesting();
  host_.lines.clear();
  WriteWithPython("{'A': 1}");
  CFPreferencesSetAppValue(CFSTR("Path"), CFStringFromUTF8("/home/ada/odd\x01name\xEF\xBF\xBE"),
                           kCFPreferencesCurrentApplication);
  ASSERT_TRUE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadFile(File()).substr(0, 8), "bplist00");
  EXPECT_EQ(ReadWithPython(), "A=1\nPath='/home/ada/odd\\x01name\\ufffe'\n");
  EXPECT_EQ(
      host_.lines,
      (std::vector<std::string>{
          "preferences: " + File() +
              " is now a binary property list: it holds text an XML property list cannot carry",
          "prefs: synchronized com.talvik.korvane (Path)"}));
  // A value no format can hold is still refused.
  CFPreferencesSetAppValue(CFSTR("Nul"), CFStringFromUTF8(std::string("a\0b", 3)),
                           kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesCopyAppValue(CFSTR("Nul"), kCFPreferencesCurrentApplication));
}

TEST_F(Preferences, NULInAKeySkipsThatDefinitionAndKeepsTheFile) {
  // The agent died at start-up in libplist on this file.
  ASSERT_TRUE(RunPython("import os\nos.makedirs('" + dir / "config/korvane" +
                        "')\n"
                        "v = {'Global Menus': [{'Pos\\u00eftion\\0': 1}, {'Position': 2}]}\n"
                        "plistlib.dump(v, open('" +
                        File() + "', 'wb'), fmt=plistlib.FMT_BINARY)\n"));
  std::string before = ReadFile(File());
  auto menus = CFRefAs<CFArrayRef>(
      CFPreferencesCopyAppValue(CFSTR("Global Menus"), kCFPreferencesCurrentApplication));
  ASSERT_TRUE(menus);
  EXPECT_EQ(CFArrayGetCount(menus), 1);
  CFPreferencesSetAppValue(CFSTR("Key Bindings"), Int(1), kCFPreferencesCurrentApplication);
  EXPECT_FALSE(CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication));
  EXPECT_EQ(ReadFile(File()), before);
  EXPECT_EQ(
      host_.lines,
      (std::vector<std::string>{
          "preferences: " + File() + ": 1 dictionary skipped: a NUL character in a key or a text",
          "preferences: cannot write " + File() +
              ": it holds a NUL character in a key or a text, which writing would cut off; "
              "the changes are kept for a later try"}));
}
