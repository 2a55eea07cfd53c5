#include "platform/bundles/Bundle.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/bundles/HostPrivateFunctions.h"
#include "platform/bundles/StringsTable.h"
#include "platform/propertylists/PropertyList.h"
#include "support/plist_support.h"

using namespace plist_test;

namespace {

// A translator's file with everything the format allows and a few mistakes.
const char* kLocalizable = R"(/* A block comment across lines,
   "Commented" = "not an entry"; */
"Unavailable" = "Nicht verf)"
                           "\xC3\xBC"
                           R"(gbar";
// "Line" = "not an entry either";
"Empty Folder"="Leerer Ordner";   // comment after an entry
"Escapes" = "say \"hi\" \\ back\nnew\ttab\rret";
"Unicode" = "\U00e9\u2603\UD834\UDD1E";
unquoted_key.v-1 = bare_value;
"Self";
'Single' = 'quoted';
"Broken" = "no semicolon"
"After Broken" = "still read";
"Open = x;
"Last" = "ok";
"Blank" = "";
"Dup" = "first";
"Dup" = "second";
= "no key";
"Trailing" = "no end)";

std::string UTF16(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : UTF8ToUTF16(utf8)) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

std::string Text(CFStringRef s) { return s ? CFStringToUTF8(s) : "(null)"; }
std::string PathOf(CFURLRef url) { return url ? url->path : "(null)"; }

class Bundles : public ::testing::Test {
 protected:
  Bundles() {
    std::string contents = dir_ / "Test.app/Contents";
    MakeFolders(contents + "/Resources/English.lproj");
    MakeFolders(contents + "/Resources/Sub");
    MakeFolders(contents + "/MacOS");
    WriteFile(contents + "/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>com.talvik.test</string></dict></plist>");
    WriteFile(contents + "/Resources/com.talvik.korvane.plist", "<plist/>");
    WriteFile(contents + "/Resources/Quillon", "");
    WriteFile(contents + "/Resources/Sub/thing.txt", "");
    WriteFile(contents + "/Resources/English.lproj/only.nib", "");
    WriteFile(contents + "/Resources/English.lproj/Localizable.strings", kLocalizable);
    WriteFile(contents + "/Resources/English.lproj/Little.strings",
              UTF16("\"Cancel\" = \"Abbrechen \\U2603\";", false));
    WriteFile(contents + "/Resources/English.lproj/Big.strings",
              UTF16("/* big */ \"Cancel\" = \"Annuler\";", true));
    WriteFile(contents + "/Resources/English.lproj/InfoPlist.strings",
              "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>CFBundleName</key>"
              "<string>Tester</string><key>Number</key><integer>1</integer></dict></plist>");
    SetMainBundlePath(bundlePath());
  }
  ~Bundles() override { SetMainBundlePath(""); }

  std::string bundlePath() const { return dir_ / "Test.app"; }
  std::string Localized(const char* key, CFStringRef value = nullptr, CFStringRef table = nullptr) {
    return Text(
        CFBundleCopyLocalizedString(CFBundleGetMainBundle(), CFStringFromUTF8(key), value, table));
  }

  TempDir dir_;
};

}  // namespace

TEST(BundleLocation, ExecutableInsideContentsMacOS) {
  EXPECT_EQ(BundlePathForExecutable("/opt/k/Korvane.app/Contents/MacOS/Korvane"),
            "/opt/k/Korvane.app");
  EXPECT_EQ(BundlePathForExecutable("build/Korvane.app/Contents/MacOS/Korvane"),
            "build/Korvane.app");
  EXPECT_EQ(BundlePathForExecutable("/usr/bin/korvane"), std::nullopt);
  EXPECT_EQ(BundlePathForExecutable("/Contents/MacOS/Korvane"), std::nullopt);
  EXPECT_EQ(BundlePathForExecutable("/k/Korvane.app/Contents/MacOS/sub/Korvane"), std::nullopt);
  EXPECT_EQ(BundlePathForExecutable("/k/Korvane.app/Contents/Resources/Quillon"), std::nullopt);
  EXPECT_EQ(BundlePathForExecutable("Korvane"), std::nullopt);
  // This test program lives in no bundle.
  SetMainBundlePath("");
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
  EXPECT_EQ(CFBundleGetIdentifier(CFBundleGetMainBundle()), nullptr);
}

TEST_F(Bundles, MainBundleIdentifierAndInfo) {
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(CFBundleGetMainBundle(), main);  // the same object every time
  EXPECT_EQ(Text(CFBundleGetIdentifier(main)), "com.talvik.test");
  EXPECT_EQ(CFGetTypeID(main), CFBundleGetTypeID());
  EXPECT_EQ(PathOf(CFBundleCopyBundleURL(main)), bundlePath());

  // A folder without Info.plist is a bundle without identifier.
  MakeFolders(dir_ / "Bare.bundle");
  auto url = CFURLCreateWithFileSystemPath(nullptr, CFStringFromUTF8(dir_ / "Bare.bundle"),
                                           kCFURLPOSIXPathStyle, true);
  auto bare = CFBundleCreate(nullptr, url);
  ASSERT_TRUE(bare);
  EXPECT_EQ(CFBundleGetIdentifier(bare), nullptr);
  EXPECT_EQ(CFBundleGetInfoDictionary(bare), nullptr);
  auto file = CFURLCreateWithFileSystemPath(nullptr,
                                            CFStringFromUTF8(bundlePath() + "/Contents/Info.plist"),
                                            kCFURLPOSIXPathStyle, false);
  EXPECT_FALSE(CFBundleCreate(nullptr, file));
}

TEST_F(Bundles, ResourceURLs) {
  CFBundleRef b = CFBundleGetMainBundle();
  std::string resources = bundlePath() + "/Contents/Resources";
  auto find = [&](const char* name, const char* type, const char* sub) {
    return PathOf(CFBundleCopyResourceURL(b, name ? CFStringFromUTF8(name).get() : nullptr,
                                          type ? CFStringFromUTF8(type).get() : nullptr,
                                          sub ? CFStringFromUTF8(sub).get() : nullptr));
  };
  // CFStringFromUTF8 temporaries live until the end of the full expression above.
  EXPECT_EQ(find("com.talvik.korvane", "plist", nullptr), resources + "/com.talvik.korvane.plist");
  EXPECT_EQ(find("com.talvik.korvane", ".plist", nullptr), resources + "/com.talvik.korvane.plist");
  EXPECT_EQ(find("Quillon", nullptr, nullptr), resources + "/Quillon");
  EXPECT_EQ(find("Quillon", "", nullptr), resources + "/Quillon");
  EXPECT_EQ(find("thing", "txt", "Sub"), resources + "/Sub/thing.txt");
  EXPECT_EQ(find("thing", "txt", nullptr), "(null)");
  EXPECT_EQ(find("only", "nib", nullptr), resources + "/English.lproj/only.nib");
  EXPECT_EQ(find("missing", "plist", nullptr), "(null)");
  EXPECT_EQ(find(nullptr, "plist", nullptr), "(null)");
  EXPECT_EQ(find("../Info", "plist", nullptr), "(null)");  // exists, but outside Resources
  EXPECT_EQ(find("Info", "plist", ".."), "(null)");
  EXPECT_TRUE(CFBundleCopyResourceURL(b, CFSTR("Sub"), nullptr, nullptr).get()->isDirectory);

  auto dirURL = CFBundleCopyResourcesDirectoryURL(b);
  EXPECT_EQ(PathOf(dirURL), resources);
  EXPECT_TRUE(dirURL.get()->isDirectory);
  EXPECT_FALSE(CFBundleCopyResourceURL(nullptr, CFSTR("Quillon"), nullptr, nullptr));
}

TEST_F(Bundles, LocalizedStringsFromTheDefaultTable) {
  EXPECT_EQ(Localized("Unavailable"), "Nicht verf\xC3\xBCgbar");
  EXPECT_EQ(Localized("Empty Folder"), "Leerer Ordner");
  EXPECT_EQ(Localized("Escapes"), "say \"hi\" \\ back\nnew\ttab\rret");
  EXPECT_EQ(Localized("Unicode"), "\xC3\xA9\xE2\x98\x83\xF0\x9D\x84\x9E");
  EXPECT_EQ(Localized("unquoted_key.v-1"), "bare_value");
  EXPECT_EQ(Localized("Self"), "Self");
  EXPECT_EQ(Localized("Single"), "quoted");
  EXPECT_EQ(Localized("Blank"), "");
  EXPECT_EQ(Localized("Dup"), "second");
  // Mistakes cost their own entry only.
  EXPECT_EQ(Localized("After Broken"), "still read");
  EXPECT_EQ(Localized("Last"), "ok");
  EXPECT_EQ(Localized("Broken"), "Broken");
  EXPECT_EQ(Localized("Trailing"), "Trailing");
  // Comments hold no entries.
  EXPECT_EQ(Localized("Commented"), "Commented");
  EXPECT_EQ(Localized("Line"), "Line");
}

TEST_F(Bundles, MissingEntriesFallBackToValueThenKey) {
  EXPECT_EQ(Localized("Nowhere", CFSTR("Default")), "Default");
  EXPECT_EQ(Localized("Nowhere", CFSTR("")), "Nowhere");
  EXPECT_EQ(Localized("Nowhere"), "Nowhere");
  EXPECT_EQ(Localized("Unavailable", CFSTR("Default"), CFSTR("NoSuchTable")), "Default");
  EXPECT_EQ(Localized("Unavailable", nullptr, CFSTR("../English.lproj/Localizable")),
            "Unavailable");
  EXPECT_EQ(Text(CFBundleCopyLocalizedString(nullptr, CFSTR("Key"), nullptr, nullptr)), "Key");
  EXPECT_EQ(Text(CFBundleCopyLocalizedString(nullptr, nullptr, CFSTR("V"), nullptr)), "V");
}

TEST_F(Bundles, OtherTablesInUTF16AndPropertyListForm) {
  EXPECT_EQ(Localized("Cancel", nullptr, CFSTR("Little")), "Abbrechen \xE2\x98\x83");
  EXPECT_EQ(Localized("Cancel", nullptr, CFSTR("Big")), "Annuler");
  EXPECT_EQ(Localized("CFBundleName", nullptr, CFSTR("InfoPlist")), "Tester");
  EXPECT_EQ(Localized("Number", nullptr, CFSTR("InfoPlist")), "Number");  // not a string
  EXPECT_EQ(Localized("Cancel"), "Cancel");                               // tables do not mix
}

TEST_F(Bundles, EachTableIsReadOnce) {
  EXPECT_EQ(Localized("Last"), "ok");
  WriteFile(bundlePath() + "/Contents/Resources/English.lproj/Localizable.strings",
            "\"Last\" = \"changed\";");
  EXPECT_EQ(Localized("Last"), "ok");
  // A table missing at the first look stays missing for that bundle too.
  EXPECT_EQ(Localized("Late", nullptr, CFSTR("Later")), "Late");
  WriteFile(bundlePath() + "/Contents/Resources/English.lproj/Later.strings",
            "Late = \"Sp\xC3\xA4t\";");
  EXPECT_EQ(Localized("Late", nullptr, CFSTR("Later")), "Late");
  // A bundle made afresh reads the files as they are now.
  auto url = CFURLCreateWithFileSystemPath(nullptr, CFStringFromUTF8(bundlePath()),
                                           kCFURLPOSIXPathStyle, true);
  auto fresh = CFBundleCreate(nullptr, url);
  EXPECT_EQ(Text(CFBundleCopyLocalizedString(fresh, CFSTR("Last"), nullptr, nullptr)), "changed");
  EXPECT_EQ(Text(CFBundleCopyLocalizedString(fresh, CFSTR("Late"), nullptr, CFSTR("Later"))),
            "Sp\xC3\xA4t");
}

TEST(StringsTableParse, AnyBytesParseWithoutHarm) {
  // Every cut of a file full of comments, quotes and escapes, in each
  // encoding, and random bytes: the parser must stop cleanly on all of them.
  std::string text = kLocalizable;
  std::size_t total = 0;
  for (const std::string& whole : {text, UTF16(text, false), UTF16(text, true)})
    for (std::size_t n = 0; n <= whole.size(); ++n)
      total +=
          StringsTable::Parse(std::span(reinterpret_cast<const UInt8*>(whole.data()), n)).size();
  EXPECT_GT(total, 0u);
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<UInt8> bytes(random() % 200);
    const char alphabet[] = "\"'\\=;/*\n Uu0aF";
    for (auto& b : bytes)
      b = round % 2 ? static_cast<UInt8>(random()) : alphabet[random() % (sizeof alphabet - 1)];
    (void)StringsTable::Parse(bytes).size();
  }
  // A \U without digits spoils only its entry.
  std::string bad = "\"a\" = \"\\Uxyz\";\n\"b\" = \"ok\";";
  auto table =
      StringsTable::Parse(std::span(reinterpret_cast<const UInt8*>(bad.data()), bad.size()));
  EXPECT_EQ(table.Find(u"a"), nullptr);
  EXPECT_EQ(Text(table.Find(u"b")), "ok");
}

// ---------------------------------------------------------- private functions

namespace {

class FakeFunctions : public HostPrivateFunctions {
 public:
  bool HasBundle(std::string_view id) override { return id == "com.apple.SkyLight"; }
  void* Lookup(std::string_view id, std::string_view name) override {
    asked.push_back(std::string(id) + ":" + std::string(name));
    return id == "com.apple.SkyLight" && name == "CGSSetWindowTags" ? &marker : nullptr;
  }
  int marker = 0;
  std::vector<std::string> asked;
};

}  // namespace

TEST_F(Bundles, PrivateFunctionsComeFromTheHostTable) {
  RecordingHost recording;
  CFBundleRef main = CFBundleGetMainBundle();
  // No table: only the main bundle is found, and no function.
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.apple.SkyLight")), nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.talvik.test")), main);
  EXPECT_EQ(CFBundleGetFunctionPointerForName(main, CFSTR("CGSSetWindowTags")), nullptr);

  FakeFunctions table;
  recording.host.privateFunctions = &table;
  CFBundleRef sky = CFBundleGetBundleWithIdentifier(CFSTR("com.apple.SkyLight"));
  ASSERT_NE(sky, nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.apple.SkyLight")), sky);
  EXPECT_EQ(Text(CFBundleGetIdentifier(sky)), "com.apple.SkyLight");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.apple.Unknown")), nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.talvik.test")), main);
  EXPECT_EQ(CFBundleGetFunctionPointerForName(sky, CFSTR("CGSSetWindowTags")), &table.marker);
  EXPECT_EQ(CFBundleGetFunctionPointerForName(sky, CFSTR("CGSNoSuchCall")), nullptr);
  EXPECT_EQ(CFBundleGetFunctionPointerForName(main, CFSTR("CGSSetWindowTags")), nullptr);
  EXPECT_EQ(table.asked, (std::vector<std::string>{"com.apple.SkyLight:CGSSetWindowTags",
                                                   "com.apple.SkyLight:CGSNoSuchCall",
                                                   "com.talvik.test:CGSSetWindowTags"}));
  // A host bundle has no folder, so no resources or strings of its own.
  EXPECT_FALSE(CFBundleCopyResourcesDirectoryURL(sky));
  EXPECT_EQ(Text(CFBundleCopyLocalizedString(sky, CFSTR("Unavailable"), nullptr, nullptr)),
            "Unavailable");

  // The table going away takes the functions with it.
  recording.host.privateFunctions = nullptr;
  EXPECT_EQ(CFBundleGetFunctionPointerForName(sky, CFSTR("CGSSetWindowTags")), nullptr);
}
