// The settings model: seeding on first run, reading the definitions and key
// bindings, and every kind of malformed setting.
#include <sys/stat.h>

#include "platform/host/Transcript.h"
#include "platform/propertylists/PropertyList.h"
#include "shell/AgentFixture.h"
#include "shell/Settings.h"

namespace {

using agent_test::Plist;
using agent_test::ReadFile;

const char* kDefaults = R"(<dict><key>Global Menus</key><array>
<dict><key>Position</key><integer>1</integer><key>Drags</key><true/>
<key>Items</key><array><dict><key>Type</key><string>cusr</string></dict></array></dict>
<dict><key>Position</key><integer>0</integer><key>Drags</key><false/>
<key>Items</key><array/></dict>
</array><key>Other</key><string>not seeded</string></dict>)";

class SettingsTest : public agent_test::AgentTest {
 protected:
  CFIndex LoadCount() {
    CFRef<CFArrayRef> menus = LoadSettings();
    return menus ? CFArrayGetCount(menus) : -1;
  }
  // A definition dictionary from its plist text.
  CFRef<CFDictionaryRef> Definition(const std::string& dictText) {
    const std::string text = Plist(dictText);
    CFRef<CFDataRef> data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                                         static_cast<CFIndex>(text.size()));
    return CFRefAs<CFDictionaryRef>(
        CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, nullptr));
  }
};

TEST_F(SettingsTest, FirstRunSeedsFromTheBundleAndLaterRunsReadTheDomain) {
  WriteDefaults(Plist(kDefaults));
  EXPECT_EQ(LoadCount(), 2);
  EXPECT_TRUE(Saw("prefs: synchronized com.talvik.korvane (Global Menus)"));
  const std::string written = ReadFile(PrefsFile());
  EXPECT_NE(written.find("Global Menus"), std::string::npos);
  EXPECT_EQ(written.find("not seeded"), std::string::npos) << "only \"Global Menus\" is copied";
  auto python = plist_test::RunPython(
      "d = plistlib.load(open('" + PrefsFile() +
      "', 'rb'))\nprint(len(d['Global Menus']), d['Global Menus'][0]['Position'])\n");
  ASSERT_TRUE(python);
  EXPECT_EQ(*python, "2 1\n");

  // The second run reads the domain: the resource is not consulted again,
  // so a changed (here: broken) resource changes nothing.
  CFPreferencesResetForTesting();
  WriteDefaults("not a property list");
  desktop.recorder.lines.clear();
  EXPECT_EQ(LoadCount(), 2);
  EXPECT_EQ(Count("settings: "), 0u) << "no seeding line on the second run";
  EXPECT_EQ(Count("prefs: synchronized"), 0u);
}

TEST_F(SettingsTest, TheBundledDefaultsSeedAUsableConfigurationOtherProgramsRead) {
  const std::string bundled =
      std::string(KORVANE_SOURCE_DIR) + "/resources/com.talvik.korvane.plist";
  WriteDefaults(ReadFile(bundled));
  CFRef<CFArrayRef> menus = LoadSettings();
  ASSERT_TRUE(menus);
  ASSERT_GE(CFArrayGetCount(menus), 1);
  bool someTab = false, someHotKey = false;
  for (CFIndex i = 0; i < CFArrayGetCount(menus); ++i) {
    TriggerConfig config;
    TabLook look;
    ASSERT_TRUE(ReadTriggerConfig(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(menus, i)),
                                  &config, &look))
        << "definition " << i << " of the bundled defaults makes no menu";
    someTab = someTab || (IsTabTrigger(config) && look.alpha > 0.0f);
    someHotKey = someHotKey || config.hotKey != nullptr;
  }
  EXPECT_TRUE(someTab) << "a newcomer should see a tab";
  EXPECT_TRUE(someHotKey);
  auto same = plist_test::RunPython("a = plistlib.load(open('" + bundled +
                                    "', 'rb'))\nb = plistlib.load(open('" + PrefsFile() +
                                    "', 'rb'))\nprint(a['Global Menus'] == b['Global Menus'])\n");
  ASSERT_TRUE(same);
  EXPECT_EQ(*same, "True\n");
}

TEST_F(SettingsTest, SeedingThatCannotHappenLeavesTheDiskAlone) {
  // No resource at all.
  EXPECT_EQ(LoadCount(), -1);
  struct stat st;
  EXPECT_NE(stat(PrefsFile().c_str(), &st), 0);
  // A resource that is not a dictionary.
  WriteDefaults(Plist("<array><string>x</string></array>"));
  EXPECT_EQ(LoadCount(), -1);
  EXPECT_NE(stat(PrefsFile().c_str(), &st), 0);
  // Not a property list at all, and an empty file.
  WriteDefaults("<dict>");
  EXPECT_EQ(LoadCount(), -1);
  WriteDefaults("");
  EXPECT_EQ(LoadCount(), -1);
  EXPECT_NE(stat(PrefsFile().c_str(), &st), 0);
  EXPECT_EQ(Count("prefs: synchronized"), 0u);
}

TEST_F(SettingsTest, DefaultsWithoutUsableMenusSeedNothingAndAreTriedAgain) {
  // "Global Menus" missing, then of the wrong type: the key stays absent.
  WriteDefaults(Plist("<dict><key>Other</key><integer>1</integer></dict>"));
  EXPECT_EQ(LoadCount(), -1);
  WriteDefaults(Plist("<dict><key>Global Menus</key><string>menus</string></dict>"));
  EXPECT_EQ(LoadCount(), -1);
  // The next start-up tries the seeding again and now succeeds.
  CFPreferencesResetForTesting();
  WriteDefaults(Plist(kDefaults));
  EXPECT_EQ(LoadCount(), 2);
}

TEST_F(SettingsTest, StoredMenusOfTheWrongTypeAreNeitherUsedNorSeededOver) {
  WriteDefaults(Plist(kDefaults));
  const std::string stored = Plist("<dict><key>Global Menus</key><string>oops</string></dict>");
  WritePrefs(stored);
  EXPECT_EQ(LoadCount(), -1);
  EXPECT_EQ(ReadFile(PrefsFile()), stored) << "the user's file is not written over";
}

TEST_F(SettingsTest, ElementsThatAreNotDictionariesAreLeftOut) {
  WritePrefs(Plist(R"(<dict><key>Global Menus</key><array>
    <string>junk</string>
    <dict><key>Position</key><integer>3</integer><key>Drags</key><true/><key>Items</key><array/></dict>
    <integer>7</integer></array></dict>)"));
  CFRef<CFArrayRef> menus = LoadSettings();
  ASSERT_TRUE(menus);
  ASSERT_EQ(CFArrayGetCount(menus), 1);
  EXPECT_EQ(CFGetTypeID(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(menus, 0))),
            CFDictionaryGetTypeID());
}

TEST_F(SettingsTest, KeyBindingsAreAWritableCopyOrAnEmptyArray) {
  WritePrefs(Plist(R"(<dict><key>Key Bindings</key><array>
    <dict><key>URL</key><string>/x</string></dict></array></dict>)"));
  (void)LoadSettings();
  ASSERT_TRUE(gKeyBindingEntries);
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 1);
  CFArrayAppendValue(gKeyBindingEntries, CFSTR("appended"));
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 2);

  // Absent, and of the wrong type: an empty array that can be appended to.
  for (const char* prefs : {"<dict/>", "<dict><key>Key Bindings</key><true/></dict>"}) {
    CFPreferencesResetForTesting();
    WritePrefs(Plist(prefs));
    (void)LoadSettings();
    ASSERT_TRUE(gKeyBindingEntries) << prefs;
    EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 0) << prefs;
    CFArrayAppendValue(gKeyBindingEntries, CFSTR("appended"));
    EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 1);
  }
}

// ------------------------------------------------------------ definitions

TEST_F(SettingsTest, AMinimalDefinitionGetsEveryDefault) {
  auto def = Definition(R"(<dict><key>Position</key><integer>1</integer>
    <key>Drags</key><false/><key>Items</key><array/></dict>)");
  TriggerConfig config;
  config.screen = 5;  // every field is written, not just the present ones
  TabLook look;
  look.alpha = 0.5f;
  ASSERT_TRUE(ReadTriggerConfig(def, &config, &look));
  EXPECT_TRUE(IsTabTrigger(config));
  EXPECT_EQ(config.items, CFDictionaryGetValue(def, CFSTR("Items")));
  EXPECT_EQ(config.flags, 0u);
  EXPECT_EQ(config.position, 1);
  EXPECT_EQ(config.screen, 0);
  EXPECT_EQ(config.offset, 0);
  EXPECT_EQ(config.button, 0);
  EXPECT_EQ(config.modifiers, 0);
  EXPECT_EQ(config.hotKey, nullptr);
  EXPECT_EQ(config.font, 0);
  EXPECT_EQ(config.size, 0);
  EXPECT_EQ(config.iconSize, 0);
  EXPECT_EQ(look.alpha, 0.0f);
  EXPECT_EQ(look.color, (RGBColor{0, 0, 0}));
  EXPECT_EQ(look.squareSize, 10);
}

TEST_F(SettingsTest, EveryKeyIsReadWithItsConversion) {
  // Color: 0x1234 0xABCD 0xFFFF big-endian, one byte more than needed.
  auto def = Definition(R"(<dict><key>Position</key><integer>5</integer>
    <key>Screen</key><integer>2</integer><key>Offset</key><integer>5000</integer>
    <key>Button</key><integer>-1</integer><key>Modifiers</key><integer>0</integer>
    <key>Drags</key><true/><key>Hot Key</key><data>AAAAMQAAGAA=</data>
    <key>Font</key><integer>-3</integer><key>Size</key><integer>14</integer>
    <key>Icon Size</key><integer>32</integer><key>Color</key><data>EjSrzf//AA==</data>
    <key>Alpha</key><real>0.75</real><key>Square Size</key><integer>20</integer>
    <key>Items</key><array/><key>Unknown</key><string>ignored</string></dict>)");
  TriggerConfig config;
  TabLook look;
  ASSERT_TRUE(ReadTriggerConfig(def, &config, &look));
  EXPECT_EQ(config.flags, kTriggerAcceptsDrops);
  EXPECT_EQ(config.position, 5);
  EXPECT_EQ(config.screen, 2);
  EXPECT_EQ(config.offset, 5000);
  EXPECT_EQ(config.button, 0xFFFF) << "signed 16-bit into an unsigned field";
  ASSERT_NE(config.hotKey, nullptr);
  EXPECT_EQ(CFDataGetLength(config.hotKey), 8);
  EXPECT_EQ(config.font, -3);
  EXPECT_EQ(config.size, 14);
  EXPECT_EQ(config.iconSize, 32);
  EXPECT_EQ(look.color, (RGBColor{0x1234, 0xABCD, 0xFFFF}));
  EXPECT_FLOAT_EQ(look.alpha, 0.75f);
  EXPECT_EQ(look.squareSize, 20);
}

TEST_F(SettingsTest, TheKindOfTriggerFollowsPositionAndModifiers) {
  struct Case {
    int position, modifiers;
    bool tab;
  } cases[] = {{1, 0, true},       {2, 0x0100, false}, {0, 0, false},
               {0, 0x0800, false}, {9, 0, true},       {9, 0x1000, false}};
  for (const Case& c : cases) {
    auto def = Definition(Fmt(R"(<dict><key>Position</key><integer>%d</integer>
      <key>Modifiers</key><integer>%d</integer><key>Drags</key><true/>
      <key>Alpha</key><real>0.5</real><key>Items</key><array/></dict>)",
                              c.position, c.modifiers));
    TriggerConfig config;
    TabLook look;
    ASSERT_TRUE(ReadTriggerConfig(def, &config, &look));
    EXPECT_EQ(IsTabTrigger(config), c.tab) << c.position << " " << c.modifiers;
    // The tab's look is read only for tab triggers.
    EXPECT_EQ(look.alpha, c.tab ? 0.5f : 0.0f) << c.position << " " << c.modifiers;
  }
}

TEST_F(SettingsTest, DefinitionsWithoutTheirRequiredKeysMakeNoTrigger) {
  const char* rejected[] = {
      // A required key missing.
      R"(<dict><key>Drags</key><true/><key>Items</key><array/></dict>)",
      R"(<dict><key>Position</key><integer>1</integer><key>Items</key><array/></dict>)",
      R"(<dict><key>Position</key><integer>1</integer><key>Drags</key><true/></dict>)",
      // A required key of the wrong type.
      R"(<dict><key>Position</key><string>1</string><key>Drags</key><true/><key>Items</key><array/></dict>)",
      R"(<dict><key>Position</key><integer>1</integer><key>Drags</key><integer>1</integer><key>Items</key><array/></dict>)",
      R"(<dict><key>Position</key><integer>1</integer><key>Drags</key><true/><key>Items</key><dict/></dict>)",
  };
  for (const char* text : rejected) {
    auto def = Definition(text);
    ASSERT_TRUE(def) << text;
    TriggerConfig config;
    TabLook look;
    EXPECT_FALSE(ReadTriggerConfig(def, &config, &look)) << text;
  }
  TriggerConfig config;
  EXPECT_FALSE(ReadTriggerConfig(nullptr, &config, nullptr));
  // Not a dictionary at all (an array element of another kind).
  CFRef<CFArrayRef> notADictionary = CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks);
  EXPECT_FALSE(ReadTriggerConfig(
      static_cast<CFDictionaryRef>(static_cast<const void*>(notADictionary.get())), &config,
      nullptr));
}

TEST_F(SettingsTest, OptionalValuesOfTheWrongTypeOrTooShortCountAsAbsent) {
  auto def = Definition(R"(<dict><key>Position</key><integer>4</integer>
    <key>Drags</key><true/><key>Items</key><array/>
    <key>Screen</key><string>2</string><key>Offset</key><true/>
    <key>Hot Key</key><data>AAAAMQAAGA==</data><key>Color</key><data>/////w==</data>
    <key>Alpha</key><string>0.5</string><key>Square Size</key><array/>
    <key>Font</key><data>AA==</data><key>Icon Size</key><dict/></dict>)");
  TriggerConfig config;
  TabLook look;
  ASSERT_TRUE(ReadTriggerConfig(def, &config, &look));
  EXPECT_EQ(config.screen, 0);
  EXPECT_EQ(config.offset, 0);
  EXPECT_EQ(config.hotKey, nullptr) << "7 bytes are no hot key";
  EXPECT_EQ(look.color, (RGBColor{0, 0, 0})) << "4 bytes are no colour";
  EXPECT_EQ(look.alpha, 0.0f);
  EXPECT_EQ(look.squareSize, 10);
  EXPECT_EQ(config.font, 0);
  EXPECT_EQ(config.iconSize, 0);
}

TEST_F(SettingsTest, MalformedDefinitionsDoNotCostTheGoodOnes) {
  WritePrefs(Plist(R"(<dict><key>Global Menus</key><array>
    <dict><key>Position</key><integer>0</integer><key>Drags</key><true/><key>Items</key><array/></dict>
    <dict/>
    <dict><key>Position</key><real>2.5</real><key>Drags</key><true/><key>Items</key><array/></dict>
    <dict><key>Items</key><string>x</string></dict>
    <dict><key>Position</key><integer>3</integer><key>Drags</key><false/><key>Items</key><array/>
      <key>Hot Key</key><string>space</string></dict>
    </array></dict>)"));
  CFRef<CFArrayRef> menus = LoadSettings();
  ASSERT_TRUE(menus);
  std::vector<int> positions;
  for (CFIndex i = 0; i < CFArrayGetCount(menus); ++i) {
    TriggerConfig config;
    TabLook look;
    if (ReadTriggerConfig(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(menus, i)), &config,
                          &look))
      positions.push_back(config.position);
  }
  // A real number is converted as every number is (2.5 reads as 2).
  EXPECT_EQ(positions, (std::vector<int>{0, 2, 3}));
}

// ------------------------------------------------------- reported mistakes

TEST_F(SettingsTest, EveryDefinitionLeftOutOrCorrectedIsReportedAndTheCountIsTrue) {
  WritePrefs(Plist(R"(<dict><key>Global Menus</key><array>
    <dict><key>Position</key><integer>0</integer><key>Drags</key><true/><key>Items</key><array/></dict>
    <dict><key>Position</key><integer>1</integer><key>Items</key><array/></dict>
    <dict><key>Position</key><string>4</string><key>Drags</key><true/><key>Items</key><array/></dict>
    <string>junk</string>
    <dict><key>Drags</key><integer>1</integer></dict>
    <dict><key>Position</key><integer>2</integer><key>Drags</key><true/><key>Items</key><array/>
      <key>Screen</key><string>2</string><key>Hot Key</key><data>AAAAMQAAGA==</data>
      <key>Color</key><data>/////w==</data><key>Alpha</key><true/></dict>
    <dict><key>Position</key><integer>257</integer><key>Drags</key><true/><key>Items</key><array/></dict>
    </array></dict>)"));
  testing::internal::CaptureStderr();
  CFRef<CFArrayRef> menus = LoadSettings();
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(menus);
  const std::vector<std::string> expected = {
      R"(settings: menu definition 2 skipped: "Drags" is missing)",
      R"(settings: menu definition 3 skipped: "Position" is a string, an integer is needed)",
      R"(settings: menu definition 4 skipped: it is a string, a dictionary is needed)",
      R"(settings: menu definition 5 skipped: "Items" is missing; "Position" is missing; )"
      R"("Drags" is an integer, a boolean is needed)",
      R"(settings: menu definition 6: "Screen" is a string, an integer is needed; it counts as )"
      R"(absent)",
      R"(settings: menu definition 6: "Hot Key" has 7 bytes, 8 are needed; the menu has no hot )"
      R"(key)",
      R"(settings: menu definition 6: "Color" has 4 bytes, 6 are needed; the tab is black)",
      R"(settings: menu definition 6: "Alpha" is a boolean, a number is needed; it counts as )"
      R"(absent)",
      R"(settings: menu definition 7: "Position" 257 is read as 1 (it holds -128 to 127))",
      "settings read: 3 menu definitions, 0 key bindings",
  };
  std::vector<std::string> seen;
  for (const std::string& line : Lines())
    if (line.starts_with("settings")) seen.push_back(line);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(CFArrayGetCount(menus), 3);
  // The same lines on standard error, each after "korvane: ".
  for (std::size_t i = 0; i + 1 < expected.size(); ++i)
    EXPECT_NE(err.find("korvane: " + expected[i] + "\n"), std::string::npos) << expected[i] << err;
  EXPECT_EQ(err.find("settings read"), std::string::npos) << "not a problem";
  // The definitions kept are numbered as they are stored.
  EXPECT_EQ(MenuDefinitionNumber(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(menus, 1))),
            6);
}

TEST_F(SettingsTest, APositionOutsideTheTableKeepsItsTriggerAndHotKey) {
  for (int position : {10, 12, -1, 127}) {
    auto def = Definition(Fmt(R"(<dict><key>Position</key><integer>%d</integer>
      <key>Drags</key><true/><key>Items</key><array/>
      <key>Hot Key</key><data>AAAAMQAAGAA=</data></dict>)",
                              position));
    TriggerConfig config;
    TabLook look;
    SettingsNotes notes;
    ASSERT_TRUE(ReadTriggerConfig(def, &config, &look, &notes)) << position;
    EXPECT_EQ(config.position, position);
    EXPECT_NE(config.hotKey, nullptr) << position;
    EXPECT_TRUE(IsTabTrigger(config));
    EXPECT_TRUE(notes.skipped.empty());
    ASSERT_EQ(notes.corrected.size(), 1u) << position;
    EXPECT_EQ(notes.corrected[0],
              Fmt("\"Position\" %d is none of the places 0 to 9; the menu is kept, its tab stays "
                  "at the desktop's origin",
                  position));
  }
  // With modifiers it has no tab of its own.
  auto shared = Definition(R"(<dict><key>Position</key><integer>12</integer>
    <key>Modifiers</key><integer>256</integer><key>Drags</key><true/><key>Items</key><array/></dict>)");
  TriggerConfig config;
  SettingsNotes notes;
  ASSERT_TRUE(ReadTriggerConfig(shared, &config, nullptr, &notes));
  ASSERT_EQ(notes.corrected.size(), 1u);
  EXPECT_NE(notes.corrected[0].find("reached by its hot key or a tab of the same place"),
            std::string::npos);
  // Read in 8 bits: 265 is 9, a place like any other, said so all the same.
  auto wrapped = Definition(R"(<dict><key>Position</key><integer>265</integer>
    <key>Drags</key><true/><key>Items</key><array/></dict>)");
  notes = {};
  ASSERT_TRUE(ReadTriggerConfig(wrapped, &config, nullptr, &notes));
  EXPECT_EQ(config.position, 9);
  EXPECT_EQ(notes.corrected,
            std::vector<std::string>{"\"Position\" 265 is read as 9 (it holds -128 to 127)"});
}

TEST_F(SettingsTest, ATabIsOneTo256PixelsWhateverSquareSizeSays) {
  struct Case {
    const char* stored;
    SInt16 size;
    const char* note;  // null: none
  } cases[] = {
      {"<integer>20</integer>", 20, nullptr},
      {"<integer>256</integer>", 256, nullptr},
      {"<integer>1</integer>", 1, nullptr},
      {"<integer>30000</integer>", 256,
       "\"Square Size\" 30000 is outside 1 to 256 pixels; the tab is 256 pixels"},
      // Read wide: no 16-bit wrap to a negative size.
      {"<integer>100000</integer>", 256,
       "\"Square Size\" 100000 is outside 1 to 256 pixels; the tab is 256 pixels"},
      {"<integer>0</integer>", 1,
       "\"Square Size\" 0 is outside 1 to 256 pixels; the tab is 1 pixels"},
      {"<integer>-5</integer>", 1,
       "\"Square Size\" -5 is outside 1 to 256 pixels; the tab is 1 pixels"},
      {"<real>12.5</real>", 12, nullptr},
  };
  for (const Case& c : cases) {
    auto def = Definition(std::string(R"(<dict><key>Position</key><integer>4</integer>
      <key>Drags</key><true/><key>Items</key><array/><key>Square Size</key>)") +
                          c.stored + "</dict>");
    TriggerConfig config;
    TabLook look;
    SettingsNotes notes;
    ASSERT_TRUE(ReadTriggerConfig(def, &config, &look, &notes)) << c.stored;
    EXPECT_EQ(look.squareSize, c.size) << c.stored;
    EXPECT_EQ(notes.corrected,
              c.note ? std::vector<std::string>{c.note} : std::vector<std::string>{})
        << c.stored;
  }
}

TEST_F(SettingsTest, SeededMenusThatCannotBeSavedServeThisRunAndSaySo) {
  WriteDefaults(Plist(kDefaults));
  // The configuration folder's place is taken by a file: nothing can be
  // written there (this holds for root as well, unlike a read-only folder).
  plist_test::MakeFolders(dir / ".config");
  plist_test::WriteFile(dir / ".config/korvane", "not a folder");
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadCount(), 2) << "the bundle's menus serve this run";
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string line =
      "settings: the menu definitions from the bundle could not be saved; they are used for this "
      "run only, and the next start tries again";
  EXPECT_TRUE(Saw(line));
  EXPECT_NE(err.find("korvane: " + line), std::string::npos) << err;
  EXPECT_EQ(Count("prefs: synchronized"), 0u);
  EXPECT_TRUE(Saw("settings read: 2 menu definitions, 0 key bindings"));

  // The next start seeds again, and saves once the place is free.
  CFPreferencesResetForTesting();
  std::remove((dir / ".config/korvane").c_str());
  desktop.recorder.lines.clear();
  EXPECT_EQ(LoadCount(), 2);
  EXPECT_TRUE(Saw("prefs: synchronized com.talvik.korvane (Global Menus)"));
  EXPECT_EQ(Count("settings: the menu definitions"), 0u);
}

TEST_F(SettingsTest, KeyBindingsThatCannotBeRegisteredAreReportedAndNotCounted) {
  WritePrefs(Plist(R"(<dict><key>Key Bindings</key><array>
    <dict><key>Hot Key</key><data>AAAAYAACAAA=</data><key>URL</key><string>/a</string></dict>
    <string>junk</string>
    <dict><key>URL</key><string>/b</string></dict>
    <dict><key>Hot Key</key><string>F5</string><key>URL</key><string>/c</string></dict>
    <dict><key>Hot Key</key><data>AAAAYAACAA==</data><key>URL</key><string>/d</string></dict>
    <dict><key>Hot Key</key><data>AAAAYAACAAAAAA==</data><key>URL</key><integer>5</integer>
      <key>Alias</key><string>x</string></dict>
    </array></dict>)"));
  (void)LoadSettings();
  std::vector<std::string> seen;
  for (const std::string& line : Lines())
    if (line.starts_with("settings: key") || line.starts_with("settings read"))
      seen.push_back(line);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "settings: key binding 2 skipped: it is a string, a dictionary is needed",
                      "settings: key binding 3 skipped: \"Hot Key\" is missing",
                      "settings: key binding 4 skipped: \"Hot Key\" is a string, data is needed",
                      "settings: key binding 5 skipped: \"Hot Key\" has 7 bytes, 8 are needed",
                      "settings: key binding 6: \"URL\" is an integer, a string is needed; it "
                      "counts as absent",
                      "settings: key binding 6: \"Alias\" is a string, data is needed; it counts "
                      "as absent",
                      "settings: key binding 6: neither \"URL\" nor \"Alias\" names its item; its "
                      "hot key reports the item missing",
                      "settings read: 0 menu definitions, 2 key bindings",
                  }));
  // Every entry stays, for the file to keep them.
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 6);

  CFPreferencesResetForTesting();
  desktop.recorder.lines.clear();
  WritePrefs(Plist("<dict><key>Key Bindings</key><dict/></dict>"));
  (void)LoadSettings();
  EXPECT_TRUE(
      Saw("settings: \"Key Bindings\" is a dictionary, an array is needed; no key "
          "bindings are read, and the first binding made replaces it"));
}

TEST_F(SettingsTest, MenusThatAreNoArrayAreReported) {
  WritePrefs(Plist("<dict><key>Global Menus</key><integer>3</integer></dict>"));
  EXPECT_EQ(LoadCount(), -1);
  EXPECT_TRUE(
      Saw("settings: \"Global Menus\" is an integer, an array is needed; no menus are "
          "made, and it is left in the file as it is"));
}

}  // namespace
