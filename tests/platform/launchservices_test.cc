// Launch Services over POSIX: item flags, display names and finding
// applications by signature.
#include "platform/launchservices/LaunchServices.h"

#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "hosts/sim/SimFileSystem.h"
#include "hosts/sim/SimLaunchServices.h"
#include "platform/host/Host.h"
#include "support/desktop_fixture.h"

namespace fs = std::filesystem;

namespace {

class LaunchServicesTest : public fixture::FileSystemTest {
 protected:
  std::string Make(const std::string& rel, const std::string& contents = "x", int mode = 0644) {
    std::string path = root + "/" + rel;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
    return path;
  }
  std::string MakeApp(const std::string& rel, const std::string& type, const std::string& creator,
                      const std::string& extraKeys = "") {
    Make(rel + "/Contents/Info.plist",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
         "<key>CFBundlePackageType</key><string>" +
             type + "</string><key>CFBundleSignature</key><string>" + creator + "</string>" +
             extraKeys + "</dict></plist>\n");
    return root + "/" + rel;
  }
  static LSItemInfoFlags Flags(const std::string& path,
                               LSRequestedInfo which = kLSRequestBasicFlagsOnly) {
    FSRef ref = Ref(path);
    LSItemInfoRecord info;
    EXPECT_EQ(LSCopyItemInfoForRef(&ref, which, &info), noErr) << path;
    if (info.extension) CFRelease(info.extension);
    return info.flags;
  }
  static std::string DisplayName(const std::string& path) {
    FSRef ref = Ref(path);
    CFStringRef name = nullptr;
    EXPECT_EQ(LSCopyDisplayNameForRef(&ref, &name), noErr) << path;
    CFRef<CFStringRef> owned(name);
    return owned ? CFStringToUTF8(owned) : "<null>";
  }
};

TEST_F(LaunchServicesTest, FlagsFollowTheKindOfItem) {
  fs::create_directories(root + "/Folder");
  fs::create_directories(root + "/.cache");
  MakeApp("Tool.app", "APPL", "tool");
  fs::create_directories(root + "/Display.prefPane/Contents");
  fs::create_directories(root + "/Lib.FRAMEWORK");
  Make("notes.txt");
  Make("run.sh", "#!/bin/sh\n", 0755);
  Make("group-only",
       std::string("\x7F"
                   "ELF\x02\x01\x01\0",
                   8),
       0610);
  Make(".profile");
  Make("editor.desktop", "[Desktop Entry]\nName=Editor\nType = Application\nExec=ed\n");
  Make("site.desktop", "[Desktop Entry]\nType=Link\nURL=x\n");
  Make("other.desktop", "[Desktop Action New]\nType=Application\n[Desktop Entry]\nType=Link\n");
  fs::create_symlink(root + "/Folder", root + "/Folder alias");
  fs::create_symlink(root + "/nowhere", root + "/broken");
  ::mkfifo((root + "/pipe").c_str(), 0644);
  sim.AddVolume("Backup", "Volumes/Backup");

  EXPECT_EQ(Flags(root + "/Folder"), kLSItemInfoIsContainer);
  EXPECT_EQ(Flags(root + "/.cache"), kLSItemInfoIsContainer | kLSItemInfoIsInvisible);
  EXPECT_EQ(Flags(root + "/Tool.app"),
            kLSItemInfoIsContainer | kLSItemInfoIsPackage | kLSItemInfoIsApplication);
  EXPECT_EQ(Flags(root + "/Display.prefPane"), kLSItemInfoIsContainer | kLSItemInfoIsPackage);
  EXPECT_EQ(Flags(root + "/Lib.FRAMEWORK"), kLSItemInfoIsContainer | kLSItemInfoIsPackage);
  EXPECT_EQ(Flags(root + "/notes.txt"), kLSItemInfoIsPlainFile);
  EXPECT_EQ(Flags(root + "/run.sh"), kLSItemInfoIsPlainFile | kLSItemInfoIsApplication);
  EXPECT_EQ(Flags(root + "/group-only"), kLSItemInfoIsPlainFile | kLSItemInfoIsApplication);
  EXPECT_EQ(Flags(root + "/.profile"), kLSItemInfoIsPlainFile | kLSItemInfoIsInvisible);
  EXPECT_EQ(Flags(root + "/editor.desktop"), kLSItemInfoIsPlainFile | kLSItemInfoIsApplication);
  EXPECT_EQ(Flags(root + "/site.desktop"), kLSItemInfoIsPlainFile);
  EXPECT_EQ(Flags(root + "/other.desktop"), kLSItemInfoIsPlainFile);
  const LSItemInfoFlags alias =
      kLSItemInfoIsPlainFile | kLSItemInfoIsAliasFile | kLSItemInfoIsSymlink;
  EXPECT_EQ(Flags(root + "/Folder alias"), alias);
  EXPECT_EQ(Flags(root + "/broken"), alias);
  EXPECT_EQ(Flags(root + "/pipe"), 0u);
  EXPECT_EQ(Flags(root + "/Volumes/Backup"), kLSItemInfoIsVolume | kLSItemInfoIsContainer);

  // All flags add what applications prefer and the hidden ".app".
  EXPECT_EQ(Flags(root + "/Tool.app", kLSRequestAllFlags),
            kLSItemInfoIsContainer | kLSItemInfoIsPackage | kLSItemInfoIsApplication |
                kLSItemInfoIsNativeApp | kLSItemInfoAppPrefersNative |
                kLSItemInfoExtensionIsHidden);
  EXPECT_EQ(Flags(root + "/notes.txt", kLSRequestExtension), 0u);
}

// A regular file is a program only when it can run: an execute bit set and
// an ELF header or "#!" at its start. Every file on a FAT, NTFS or CIFS
// mount has its execute bits set; that alone makes no application.
TEST_F(LaunchServicesTest, ADesktopEntryOfTheLargestSizeReadIsStillAnApplication) {
  // 64 KiB is the most of a desktop entry that is read; the padding is a
  // comment line, so the entry says the same at every size.
  auto entryOfSize = [](std::size_t size) {
    const std::string head = "[Desktop Entry]\nType=Application\nExec=ed\n#";
    return head + std::string(size - head.size() - 1, 'x') + "\n";
  };
  const std::string largest = entryOfSize(64 * 1024), over = entryOfSize(64 * 1024 + 1);
  ASSERT_EQ(largest.size(), 65536u);
  EXPECT_EQ(Flags(Make("largest.desktop", largest)),
            kLSItemInfoIsPlainFile | kLSItemInfoIsApplication);
  EXPECT_EQ(Flags(Make("over.desktop", over)), kLSItemInfoIsPlainFile);
}

TEST_F(LaunchServicesTest, OnlyExecutablesThatStartAsProgramsAreApplications) {
  const LSItemInfoFlags app = kLSItemInfoIsPlainFile | kLSItemInfoIsApplication;
  const LSItemInfoFlags plain = kLSItemInfoIsPlainFile;
  struct Case {
    const char* name;
    std::string contents;
    int mode;
    LSItemInfoFlags flags;
  };
  const Case cases[] = {
      {"binary",
       std::string("\x7F"
                   "ELF\x02\x01\x01\0",
                   8),
       0755, app},
      {"script", "#!/usr/bin/env python3\n", 0700, app},
      {"other-only", "#!/bin/sh\n", 0601, app},
      {"report.pdf", "%PDF-1.4\n", 0755, plain},
      {"photo.jpg", std::string("\xFF\xD8\xFF\xE0", 4), 0777, plain},
      {"empty", "", 0755, plain},
      {"hash", "#", 0755, plain},
      {"elf-cut",
       "\x7F"
       "EL",
       0755, plain},
      {"not-executable", "#!/bin/sh\n", 0644, plain},
  };
  for (const Case& c : cases) Make(c.name, c.contents, c.mode);
  for (const Case& c : cases) EXPECT_EQ(Flags(root + "/" + c.name), c.flags) << c.name;
  EXPECT_EQ(Flags(root + "/report.pdf", kLSRequestAllFlags), plain);
}

TEST_F(LaunchServicesTest, ExtensionsTypesAndCreators) {
  MakeApp("Tool.app", "APPL", "tool");
  Make("archive.tar.gz");
  Make(".bashrc");
  Make("plain");
  FSRef ref = Ref(root + "/archive.tar.gz");
  LSItemInfoRecord info;
  ASSERT_EQ(LSCopyItemInfoForRef(&ref, kLSRequestExtension, &info), noErr);
  CFRef<CFStringRef> extension(info.extension);
  ASSERT_TRUE(extension);
  EXPECT_EQ(CFStringToUTF8(extension), "gz");
  for (const char* name : {".bashrc", "plain"}) {
    ref = Ref(root + "/" + name);
    ASSERT_EQ(LSCopyItemInfoForRef(&ref, kLSRequestAllInfo, &info), noErr);
    EXPECT_EQ(info.extension, nullptr) << name;
  }
  ref = Ref(root + "/Tool.app");
  ASSERT_EQ(LSCopyItemInfoForRef(&ref, kLSRequestTypeCreator, &info), noErr);
  EXPECT_EQ(info.filetype, FourCC("APPL"));
  EXPECT_EQ(info.creator, FourCC("tool"));
  EXPECT_EQ(info.flags, 0u);  // not asked for
  EXPECT_EQ(LSCopyItemInfoForRef(&ref, kLSRequestAllInfo, nullptr), paramErr);
  fs::remove_all(root + "/Tool.app");
  EXPECT_EQ(LSCopyItemInfoForRef(&ref, kLSRequestBasicFlagsOnly, &info), fnfErr);
}

TEST_F(LaunchServicesTest, DisplayNames) {
  MakeApp("Tool.app", "APPL", "tool");
  Make("x.app.txt");
  Make("editor.desktop",
       "[Desktop Entry]\nType=Application\nName[de]=Bearbeiter\n"
       "Name=My\\sEditor\n");
  Make("nameless.desktop", "[Desktop Entry]\nType=Application\n");
  Make("link.desktop", "[Desktop Entry]\nType=Link\nName=Somewhere\n");
  Make("caf\xE9.txt");  // Latin-1 bytes, not UTF-8
  sim.AddVolume("Backup Disk", "Volumes/Backup");

  EXPECT_EQ(DisplayName(root + "/Tool.app"), "Tool");
  EXPECT_EQ(DisplayName(root + "/x.app.txt"), "x.app.txt");
  EXPECT_EQ(DisplayName(root + "/editor.desktop"), "My Editor");
  EXPECT_EQ(DisplayName(root + "/nameless.desktop"), "nameless.desktop");
  EXPECT_EQ(DisplayName(root + "/link.desktop"), "link.desktop");
  EXPECT_EQ(DisplayName(root + "/caf\xE9.txt"), "caf\xEF\xBF\xBD.txt");
  EXPECT_EQ(DisplayName(root + "/Volumes/Backup"), "Backup Disk");
}

TEST_F(LaunchServicesTest, ApplicationsAreFoundBySignature) {
  MakeApp("Applications/Alpha.app", "APPL", "alfa",
          "<key>CFBundleDocumentTypes</key><array><dict><key>CFBundleTypeExtensions</key>"
          "<array><string>TXT</string></array><key>CFBundleTypeRole</key>"
          "<string>Viewer</string></dict></array>");
  MakeApp("Applications/Utilities/System Preferences.app", "APPL", "sprf");
  MakeApp("Applications/Deep/Deeper/Hidden.app", "APPL", "deep");
  MakeApp("Applications/Broken.app", "APPL", "brkn");
  Make("Applications/Broken.app/Contents/Info.plist", "<plist><dict><key>");  // not a plist
  MakeApp("Applications/Utilities/Tools.app", "APPL", "uti\xC6\x92");         // 'utiƒ' in UTF-8
  // A binary Info.plist reads as well.
  {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundlePackageType", plist_new_string("APPL"));
    plist_dict_set_item(dict, "CFBundleSignature", plist_new_string("bina"));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    Make("Applications/Binary.app/Contents/Info.plist", std::string(bytes, length));
    std::free(bytes);
    plist_free(dict);
  }

  FSRef app;
  CFURLRef url = nullptr;
  ASSERT_EQ(
      LSGetApplicationForInfo(FourCC("APPL"), FourCC("sprf"), nullptr, kLSRolesNone, &app, &url),
      noErr);
  const std::string prefs = root + "/Applications/Utilities/System Preferences.app";
  EXPECT_EQ(PathOf(app), prefs);
  CFRef<CFURLRef> owned(url);
  ASSERT_TRUE(owned);
  EXPECT_EQ(owned.get()->path, prefs);

  ASSERT_EQ(
      LSGetApplicationForInfo(kLSUnknownType, FourCC("bina"), nullptr, kLSRolesAll, &app, nullptr),
      noErr);
  EXPECT_EQ(PathOf(app), root + "/Applications/Binary.app");
  ASSERT_EQ(LSGetApplicationForInfo(kLSUnknownType, kUtilitiesFolderType, nullptr, kLSRolesAll,
                                    &app, nullptr),
            noErr);
  EXPECT_EQ(PathOf(app), root + "/Applications/Utilities/Tools.app");
  ASSERT_EQ(LSGetApplicationForInfo(kLSUnknownType, kLSUnknownCreator, CFSTR("txt"), kLSRolesViewer,
                                    &app, nullptr),
            noErr);
  EXPECT_EQ(PathOf(app), root + "/Applications/Alpha.app");
  EXPECT_EQ(LSGetApplicationForInfo(kLSUnknownType, kLSUnknownCreator, CFSTR("txt"), kLSRolesEditor,
                                    &app, nullptr),
            kLSApplicationNotFoundErr);

  EXPECT_EQ(
      LSGetApplicationForInfo(FourCC("APPL"), FourCC("deep"), nullptr, kLSRolesAll, &app, nullptr),
      kLSApplicationNotFoundErr);  // two levels down is too deep
  EXPECT_EQ(
      LSGetApplicationForInfo(FourCC("APPL"), FourCC("brkn"), nullptr, kLSRolesAll, &app, nullptr),
      kLSApplicationNotFoundErr);
  EXPECT_EQ(LSGetApplicationForInfo(kLSUnknownType, kLSUnknownCreator, nullptr, kLSRolesAll, &app,
                                    nullptr),
            paramErr);
  InstallHost(previous);
  EXPECT_EQ(
      LSGetApplicationForInfo(FourCC("APPL"), FourCC("sprf"), nullptr, kLSRolesNone, &app, nullptr),
      kLSApplicationNotFoundErr);
  InstallHost(&host);
}

// Opening: what the layer decides before the host launches anything.
TEST_F(LaunchServicesTest, OpeningHandsTheHostTheItemAndItsApplication) {
  const std::string editor = MakeApp("Applications/Editor.app", "APPL", "edit",
                                     "<key>CFBundleDocumentTypes</key><array><dict>"
                                     "<key>CFBundleTypeExtensions</key><array><string>txt"
                                     "</string></array></dict></array>");
  const std::string doc = Make("docs/a.txt");
  const std::string other = Make("docs/b.log");
  fs::create_symlink(doc, root + "/docs/a link");
  const FSRef docRef = Ref(doc);
  const FSRef linkRef = Ref(root + "/docs/a link");
  const FSRef otherRef = Ref(other);
  const FSRef appRef = Ref(editor);

  FSRef launched;
  EXPECT_EQ(LSOpenFSRef(&docRef, &launched), kLSUnknownErr) << "no host to launch with";

  SimLaunchServices launcher;
  host.launchServices = &launcher;
  EXPECT_EQ(LSOpenFSRef(&linkRef, &launched), noErr) << "an alias file opens its target";
  EXPECT_EQ(FSCompareFSRefs(&launched, &appRef), noErr);
  EXPECT_EQ(LSOpenFSRef(&appRef, nullptr), noErr);
  EXPECT_EQ(LSOpenFSRef(&otherRef, nullptr), kLSApplicationNotFoundErr);
  EXPECT_EQ(LSOpenFSRef(nullptr, nullptr), paramErr);
  ASSERT_EQ(launcher.opened.size(), 2u);
  EXPECT_EQ(launcher.opened[0].path, doc);
  EXPECT_EQ(launcher.opened[0].app, editor);
  EXPECT_EQ(launcher.opened[1].path, editor);
  EXPECT_EQ(launcher.opened[1].app, "");

  // With an application: every item goes to it, or it starts alone.
  launcher.opened.clear();
  const FSRef items[] = {otherRef, linkRef};
  LSLaunchFSRefSpec launchSpec;
  launchSpec.appRef = &appRef;
  launchSpec.numDocs = 2;
  launchSpec.itemRefs = items;
  EXPECT_EQ(LSOpenFromRefSpec(&launchSpec, &launched), noErr);
  launchSpec.numDocs = 0;
  EXPECT_EQ(LSOpenFromRefSpec(&launchSpec, nullptr), noErr);
  ASSERT_EQ(launcher.opened.size(), 3u);
  EXPECT_EQ(launcher.opened[0].path, other);
  EXPECT_EQ(launcher.opened[0].app, editor);
  EXPECT_EQ(launcher.opened[1].path, doc);
  EXPECT_EQ(launcher.opened[2].path, editor);
  EXPECT_EQ(launcher.opened[2].app, "");
  launchSpec.appRef = nullptr;
  EXPECT_EQ(LSOpenFromRefSpec(&launchSpec, nullptr), paramErr) << "nothing to open";
  EXPECT_EQ(LSOpenFromRefSpec(nullptr, nullptr), paramErr);
  host.launchServices = nullptr;
}

}  // namespace
