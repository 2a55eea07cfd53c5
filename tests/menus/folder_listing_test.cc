// Folder listing: split orders, the application filter and names, the
// hidden-names file, aliases and their submenus, icons, batches, and folders
// and names that are not what they should be.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "menus/FolderListing.h"
#include "menus/HiddenNames.h"
#include "platform/launchservices/LaunchServices.h"
#include "support/desktop_fixture.h"
#include "support/plist_support.h"

namespace fs = std::filesystem;
using plist_test::MakeFolders;
using plist_test::WriteFile;

namespace {

// What the installer saw, and what it does to the folder while the listing
// runs (the only moment a test can act in the middle of one).
struct InstallLog {
  std::vector<MenuRef> menus;
  std::vector<void*> refcons;
  std::function<void(int call)> during;
};
InstallLog gInstallLog;
void Install(MenuRef menu, void* refcon) {
  gInstallLog.menus.push_back(menu);
  gInstallLog.refcons.push_back(refcon);
  if (gInstallLog.during) gInstallLog.during(static_cast<int>(gInstallLog.menus.size()));
}

void SetHiddenListName(std::u16string_view name) {
  gHiddenListNameLength = 0;
  for (char16_t c : name) gHiddenListName[gHiddenListNameLength++] = c;
}

class FolderListing : public fixture::DesktopTest {
 protected:
  void SetUp() override {
    SetHiddenListName(u".hidden");
    gDropMenuActive = false;
    gInstallLog = {};
    MakeFolders(dir / "list");
    baseline = CountLiveMenusForTesting();
    ASSERT_EQ(CreateAgentMenu(&menu), noErr);
  }
  void TearDown() override {
    DisposeMenuTree(menu);
    gInstallLog = {};
    gDropMenuActive = false;
    EXPECT_EQ(CountLiveMenusForTesting(), baseline) << "a menu tree leaked";
  }

  std::string In(const std::string& name) { return dir / ("list/" + name); }
  void File(const std::string& name, const std::string& text = "") { WriteFile(In(name), text); }
  void Folder(const std::string& name) { MakeFolders(In(name)); }
  void Tool(const std::string& name) {
    File(name, "#!/bin/sh\n");
    ASSERT_EQ(::chmod(In(name).c_str(), 0755), 0);
  }
  void App(const std::string& name) {
    MakeFolders(In(name + "/Contents"));
    WriteFile(In(name + "/Contents/Info.plist"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
              "<key>CFBundlePackageType</key><string>APPL</string></dict></plist>");
  }
  void Link(const std::string& name, const std::string& target) {
    ASSERT_EQ(::symlink(target.c_str(), In(name).c_str()), 0);
  }
  static std::string PathOf(const FSRef& ref) {
    UInt8 path[PATH_MAX];
    if (FSRefMakePath(&ref, path, sizeof path) != noErr) return "(none)";
    return reinterpret_cast<const char*>(path);
  }

  UInt16 List(SInt8 split = kSplitMixed, bool makeSubmenus = true, MenuItemIndex after = 0) {
    const FSRef folder = Ref(dir / "list");
    return ListFolder(menu, &folder, makeSubmenus, &prefs, split, after, Install, this);
  }
  std::vector<std::string> Texts(MenuRef m = nullptr) {
    if (!m) m = menu;
    std::vector<std::string> texts;
    for (MenuItemIndex i = 1; i <= CountMenuItems(m); ++i)
      texts.push_back(GetMenuItemView(m, i)->text);
    return texts;
  }
  MenuItemView View(MenuItemIndex item) { return GetMenuItemView(menu, item).value(); }
  MenuItemIndex IndexOf(const std::string& text) {
    for (MenuItemIndex i = 1; i <= CountMenuItems(menu); ++i)
      if (GetMenuItemView(menu, i)->text == text) return i;
    ADD_FAILURE() << "no item " << text;
    return 0;
  }
  std::string IconOf(const std::string& text) {
    const MenuItemView item = View(IndexOf(text));
    return DescribeMenuIcon(item.iconType, item.icon);
  }
  bool HasPref(MenuItemIndex item) {
    DisplayPrefs stored;
    return GetItemDisplayPrefs(menu, item, &stored);
  }

  std::size_t baseline = 0;
  MenuRef menu = nullptr;
  DisplayPrefs prefs;
};

using Names = std::vector<std::string>;

// ---------------------------------------------------------------- order

TEST_F(FolderListing, SplitModesChooseAndOrderFilesAndFolders) {
  // Iteration order is by name without regard to case: A b C d.
  File("b");
  File("d");
  Folder("A");
  Folder("C");
  EXPECT_EQ(List(kSplitMixed), 4);
  EXPECT_EQ(Texts(), (Names{"A", "b", "C", "d"}));
  DeleteItemRange(menu, 0, 0);

  EXPECT_EQ(List(kSplitFilesThenFolders), 4);
  EXPECT_EQ(Texts(), (Names{"b", "d", "A", "C"}));
  DeleteItemRange(menu, 0, 0);

  EXPECT_EQ(List(kSplitFoldersOnly), 2);
  EXPECT_EQ(Texts(), (Names{"A", "C"}));
  DeleteItemRange(menu, 0, 0);

  EXPECT_EQ(List(kSplitFilesOnly), 2);
  EXPECT_EQ(Texts(), (Names{"b", "d"}));
  DeleteItemRange(menu, 0, 0);

  EXPECT_EQ(List(4), 0);
  EXPECT_EQ(List(-1), 0);
  EXPECT_EQ(CountMenuItems(menu), 0);
}

// Both passes of "files, then folders" list in the file managers' order.
TEST_F(FolderListing, BothPassesOfTheSplitModesUseTheSameNameOrder) {
  for (const char* name : {"file10", "zeta", "\xC3\x84rger", "file2", "apple"}) File(name);
  for (const char* name : {"Zone", "dir10", "\xC3\xA9t\xC3\xA9", "dir9", "Eagle"}) Folder(name);
  EXPECT_EQ(List(kSplitFilesThenFolders), 10);
  EXPECT_EQ(Texts(), (Names{"apple", "\xC3\x84rger", "file2", "file10", "zeta", "dir9", "dir10",
                            "Eagle", "\xC3\xA9t\xC3\xA9", "Zone"}));
  DisposeMenuTree(menu);
  ASSERT_EQ(CreateAgentMenu(&menu), noErr);
  EXPECT_EQ(List(kSplitMixed), 10);
  EXPECT_EQ(Texts(), (Names{"apple", "\xC3\x84rger", "dir9", "dir10", "Eagle", "\xC3\xA9t\xC3\xA9",
                            "file2", "file10", "zeta", "Zone"}));
}

TEST_F(FolderListing, EntriesGoAfterTheGivenItemAndLeaveTheOthersInPlace) {
  File("b");
  Folder("A");
  InsertFileItem(menu, CFSTR("first"), nullptr, nullptr, false, 0, 0, 0);
  InsertFileItem(menu, CFSTR("last"), nullptr, nullptr, false, 1, 0, 0);
  // In split mode 1 the folder pass starts after the files of the first.
  EXPECT_EQ(List(kSplitFilesThenFolders, true, 1), 2);
  EXPECT_EQ(Texts(), (Names{"first", "b", "A", "last"}));
  // The folder item's submenu and 'PREF' landed on the folder's own item.
  EXPECT_NE(View(3).submenu, nullptr);
  EXPECT_TRUE(HasPref(3));
  EXPECT_FALSE(HasPref(2));
}

TEST_F(FolderListing, EntriesAreFetchedTwentyAtATime) {
  // What a batch read stands while the batch is being handled: an entry
  // replaced by a folder after its batch was fetched is still listed as the
  // file it was, one replaced before its batch is fetched is listed as the
  // folder it has become. The installer runs when a folder item gets its
  // submenu, that is, in the middle of a batch.
  for (int i = 1; i <= 45; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "e%02d", i);
    if (i == 1)
      Folder(name);
    else
      File(name);
  }
  // The folder is made before the file goes, so that it cannot get the
  // file's inode number back.
  auto replaceWithFolder = [this](const char* name) {
    Folder("new");
    ASSERT_EQ(std::remove(In(name).c_str()), 0);
    ASSERT_EQ(std::rename(In("new").c_str(), In(name).c_str()), 0);
  };
  gInstallLog.during = [&](int call) {
    if (call == 1) {  // e01, batch e01..e20 in hand
      replaceWithFolder("e20");
      replaceWithFolder("e21");
    } else if (call == 2) {  // e21, batch e21..e40 in hand
      replaceWithFolder("e40");
      replaceWithFolder("e41");
    }
  };
  EXPECT_EQ(List(), 45);
  EXPECT_EQ(gInstallLog.menus.size(), 3u);
  EXPECT_EQ(View(IndexOf("e20")).submenu, nullptr);
  EXPECT_NE(View(IndexOf("e21")).submenu, nullptr);
  EXPECT_EQ(View(IndexOf("e40")).submenu, nullptr);
  EXPECT_NE(View(IndexOf("e41")).submenu, nullptr);
  EXPECT_EQ(Texts().back(), "e45");
}

// ------------------------------------------------- filter and names

TEST_F(FolderListing, TheApplicationFilterKeepsApplicationsAndFolders) {
  App("Tool.app");
  File("notes.txt");
  Folder("Sub");
  Tool("run");
  // A document with its execute bits set (as on a FAT or NTFS stick) is no
  // application.
  File("report.pdf", "%PDF-1.4\n");
  ASSERT_EQ(::chmod(In("report.pdf").c_str(), 0777), 0);
  prefs.filterKind = kFilterApplications;
  EXPECT_EQ(List(), 3);
  EXPECT_EQ(Texts(), (Names{"run", "Sub", "Tool"}));
  DeleteItemRange(menu, 0, 0);
  // Any other value filters nothing.
  prefs.filterKind = 2;
  EXPECT_EQ(List(), 5);
}

TEST_F(FolderListing, ApplicationNamesLoseTheirAppExtension) {
  App("a.b.app");
  Tool("x.y.app");  // an executable: an application by Linux's rule
  File("doc.app");  // a document that happens to end in .app
  File("x.app.txt");
  Tool("Tool.APP");  // the comparison is case-sensitive
  Link("Alias.app", In("a.b.app"));
  EXPECT_EQ(List(), 6);
  EXPECT_EQ(Texts(), (Names{"a.b", "Alias", "doc.app", "Tool.APP", "x.app.txt", "x.y"}));
}

TEST_F(FolderListing, StripExtensionRemovesTheLastExtensionOnly) {
  auto strip = [](const char* text) {
    return CFStringToUTF8(StripExtension(CFStringFromUTF8(text)));
  };
  EXPECT_EQ(strip("Tool.app"), "Tool");
  EXPECT_EQ(strip("a.b.app"), "a.b");
  EXPECT_EQ(strip("plain"), "plain");
  EXPECT_EQ(strip(".app"), ".app");              // a leading dot starts a name
  EXPECT_EQ(strip("dir.d/name"), "dir.d/name");  // only the last component counts
  EXPECT_EQ(strip("dir/x.app"), "dir/x");
  EXPECT_EQ(StripExtension(nullptr), nullptr);
}

TEST_F(FolderListing, CompareCStringsIsByteOrderNormalised) {
  EXPECT_EQ(CompareCStrings("a", "b"), -1);
  EXPECT_EQ(CompareCStrings("b", "a"), 1);
  EXPECT_EQ(CompareCStrings("abc", "abc"), 0);
  EXPECT_EQ(CompareCStrings("ab", "abc"), -1);
  EXPECT_EQ(CompareCStrings("Z", "a"), -1);        // case counts, upper first
  EXPECT_EQ(CompareCStrings("\xC3\xA9", "z"), 1);  // bytes compare unsigned
  EXPECT_EQ(CompareCStrings("zz", "za"), 1);
}

// ------------------------------------------------------ hidden names

TEST_F(FolderListing, TheHiddenNamesFileHidesWholeLinesOnly) {
  File(".hidden", "bin\netc\nlast");
  for (const char* name : {"bin", "etc", "last", "Bin", "other", ".secret"}) File(name);
  Folder(".config");
  // Invisible entries, the hidden-names file among them, never appear.
  EXPECT_EQ(List(), 3);
  EXPECT_EQ(Texts(), (Names{"Bin", "last", "other"}));
}

TEST_F(FolderListing, HiddenNamesAreFoundWhateverTheirOrderInTheFile) {
  File(".hidden", "zeta\nalpha\nmid\nbeta\n\nomega\n");
  for (const char* name : {"alpha", "beta", "mid", "omega", "zeta", "shown"}) File(name);
  EXPECT_EQ(List(), 1);
  EXPECT_EQ(Texts(), (Names{"shown"}));
}

TEST_F(FolderListing, HiddenNamesAreComparedAsTheBytesOnDisk) {
  // Names are matched in the bytes a file name and the text file share, so
  // that accented, undecodable and longest names can be hidden too; a name
  // holding a line feed is listed, and its parts hide other names.
  const std::string longest(255, 'n');
  const std::string undecodable = "bad\xFF.txt";
  File(".hidden", "caf\xC3\xA9\n" + undecodable + "\n" + longest + "\ntwo\nlines\n");
  for (const std::string& name : Names{"caf\xC3\xA9", undecodable, longest, "two", "two\nlines"})
    File(name);
  EXPECT_EQ(List(), 1);
  EXPECT_EQ(Texts(), (Names{"two\nlines"}));
}

TEST_F(FolderListing, AnUndecodableNameIsListedAndLeadsToItsFile) {
  File("bad\xFF.txt");
  File(".hidden", "bad?.txt\n");  // what the shown name looks like hides nothing
  EXPECT_EQ(List(), 1);
  EXPECT_EQ(Texts(), (Names{"bad\xEF\xBF\xBD.txt"}));  // U+FFFD
  FSRef ref;
  ASSERT_TRUE(GetItemFSRef(menu, 1, &ref));
  EXPECT_EQ(PathOf(ref), In("bad\xFF.txt"));
}

TEST_F(FolderListing, AHiddenNamesFileThatCannotBeReadHidesNothing) {
  File("a");
  // A folder of that name.
  Folder(".hidden");
  EXPECT_EQ(List(), 1);
  DeleteItemRange(menu, 0, 0);
  fs::remove_all(In(".hidden"));

  // A named pipe: reading one would wait for a writer for ever.
  ASSERT_EQ(::mkfifo(In(".hidden").c_str(), 0644), 0);
  EXPECT_EQ(List(), 1);
  DeleteItemRange(menu, 0, 0);
  fs::remove(In(".hidden"));

  // An empty file, and one that leads nowhere.
  File(".hidden");
  EXPECT_EQ(List(), 1);
  DeleteItemRange(menu, 0, 0);
  fs::remove(In(".hidden"));
  Link(".hidden", In("missing"));
  EXPECT_EQ(List(), 1);
  DeleteItemRange(menu, 0, 0);
  fs::remove(In(".hidden"));

  // A file the user may not read (root reads everything).
  File(".hidden", "a\n");
  ASSERT_EQ(::chmod(In(".hidden").c_str(), 0), 0);
  EXPECT_EQ(List(), geteuid() == 0 ? 0 : 1);
}

TEST_F(FolderListing, WithoutAHiddenListNameNoFileIsRead) {
  File(".hidden", "a\n");
  File("a");
  SetHiddenListName(u"");
  EXPECT_EQ(List(), 1);
  DeleteItemRange(menu, 0, 0);
  // Another name reads another file.
  File("names", "a\n");
  SetHiddenListName(u"names");
  EXPECT_EQ(List(), 1);
  EXPECT_EQ(Texts(), (Names{"names"}));
}

TEST_F(FolderListing, HiddenNameListReadsOnlyUpToItsLimit) {
  // The first line fits, the one that crosses the limit is cut and dropped.
  std::string text = "first\n";
  text += std::string(static_cast<std::size_t>(kLargestHiddenList), 'x');
  text += "\nafter\n";
  File(".hidden", text);
  const FSRef folder = Ref(dir / "list");
  HiddenNameList hidden;
  hidden.Read(&folder);
  EXPECT_TRUE(hidden.Contains("first"));
  EXPECT_FALSE(hidden.Contains("after"));
  EXPECT_FALSE(hidden.Contains(""));
}

// ------------------------------------------------------------- aliases

TEST_F(FolderListing, AnAliasToAFolderListsAsAFolderWithTheTargetsSubmenu) {
  MakeFolders(dir / "Target");
  Link("Link", dir / "Target");
  Folder("Real");
  EXPECT_EQ(List(kSplitMixed, /*makeSubmenus=*/false), 2);
  EXPECT_EQ(Texts(), (Names{"Link", "Real"}));
  // "No Hier": the alias still gets its submenu, the real folder does not.
  const MenuRef submenu = View(1).submenu;
  ASSERT_NE(submenu, nullptr);
  EXPECT_EQ(View(2).submenu, nullptr);
  FSRef listed;
  ASSERT_TRUE(GetItemFSRef(submenu, 0, &listed));
  EXPECT_EQ(PathOf(listed), dir / "Target");
  // The item stands for the alias file itself, with its own flags.
  FSRef itemRef;
  ASSERT_TRUE(GetItemFSRef(menu, 1, &itemRef));
  EXPECT_EQ(PathOf(itemRef), In("Link"));
  EXPECT_TRUE(GetItemLSFlags(menu, 1) & kLSItemInfoIsAliasFile);
  EXPECT_TRUE(HasPref(1));
  DeleteItemRange(menu, 0, 0);

  // With submenus, each folder gets exactly one, the alias's on its target.
  EXPECT_EQ(List(kSplitMixed, true), 2);
  ASSERT_NE(View(1).submenu, nullptr);
  ASSERT_NE(View(2).submenu, nullptr);
  ASSERT_TRUE(GetItemFSRef(View(1).submenu, 0, &listed));
  EXPECT_EQ(PathOf(listed), dir / "Target");
  ASSERT_TRUE(GetItemFSRef(View(2).submenu, 0, &listed));
  EXPECT_EQ(PathOf(listed), In("Real"));
  EXPECT_EQ(gInstallLog.menus.size(), 3u);  // 1 without, 2 with submenus
  EXPECT_EQ(gInstallLog.refcons.back(), this);
}

TEST_F(FolderListing, AnAliasCountsAsWhatItLeadsToOrElseAsAFile) {
  MakeFolders(dir / "Target");
  WriteFile(dir / "doc.txt", "x");
  Link("ToFolder", dir / "Target");
  Link("ToFile", dir / "doc.txt");
  Link("loop1", In("loop2"));
  Link("loop2", In("loop1"));
  Link("dangling", In("missing"));
  EXPECT_EQ(List(kSplitFoldersOnly), 1);
  EXPECT_EQ(Texts(), (Names{"ToFolder"}));
  DeleteItemRange(menu, 0, 0);
  // Aliases that cannot be resolved are files with their own flags.
  EXPECT_EQ(List(kSplitFilesOnly), 4);
  EXPECT_EQ(Texts(), (Names{"dangling", "loop1", "loop2", "ToFile"}));
  for (MenuItemIndex i = 1; i <= 4; ++i) {
    EXPECT_EQ(View(i).submenu, nullptr);
    EXPECT_FALSE(HasPref(i));
    EXPECT_EQ(GetItemLSFlags(menu, i),
              kLSItemInfoIsAliasFile | kLSItemInfoIsSymlink | kLSItemInfoIsPlainFile);
  }
  DeleteItemRange(menu, 0, 0);
  prefs.filterKind = kFilterApplications;
  EXPECT_EQ(List(kSplitFilesOnly), 0);
}

TEST_F(FolderListing, AnAliasPassesTheApplicationFilterByWhatItLeadsTo) {
  // The targets lie outside the folder listed: only the aliases are in it.
  const auto target = [this](const std::string& name, const std::string& text, mode_t mode) {
    WriteFile(dir / ("targets/" + name), text);
    EXPECT_EQ(::chmod((dir / ("targets/" + name)).c_str(), mode), 0);
    return dir / ("targets/" + name);
  };
  MakeFolders(dir / "targets/Bundle.app/Contents");
  WriteFile(dir / "targets/Bundle.app/Contents/Info.plist",
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
            "<key>CFBundlePackageType</key><string>APPL</string></dict></plist>");
  const std::string elf(
      "\x7F"
      "ELF\x02\x01\x01\0",
      8);
  // Applications: a program, a script that may run, a desktop entry of an
  // application, a bundle.
  Link("to-elf", target("program", elf, 0755));
  Link("to-script", target("script", "#!/bin/sh\n", 0755));
  Link("to-desktop", target("editor.desktop", "[Desktop Entry]\nType=Application\n", 0644));
  Link("to-bundle", dir / "targets/Bundle.app");
  // The alias file's own name says nothing: this one looks like a document.
  Link("notes.txt", dir / "targets/program");
  // An alias of an alias of an application.
  Link("chain", In("to-script"));
  // No applications: a document, one with every execute bit (as on a FAT
  // stick), a script and a program that may not run, a desktop entry of a
  // link, and an alias whose own name looks like an application's.
  Link("to-document", target("document.txt", "text", 0644));
  Link("to-pdf", target("report.pdf", "%PDF-1.4\n", 0777));
  Link("to-plain-script", target("plain-script", "#!/bin/sh\n", 0644));
  Link("to-plain-program", target("plain-program", elf, 0644));
  Link("to-link", target("site.desktop", "[Desktop Entry]\nType=Link\nURL=x\n", 0755));
  Link("Editor.app", dir / "targets/document.txt");

  prefs.filterKind = kFilterApplications;
  EXPECT_EQ(List(kSplitFilesOnly), 6);
  EXPECT_EQ(Texts(),
            (Names{"chain", "notes.txt", "to-bundle", "to-desktop", "to-elf", "to-script"}));
  // Each item is the alias file, not its target.
  for (MenuItemIndex i = 1; i <= CountMenuItems(menu); ++i) {
    FSRef itemRef;
    ASSERT_TRUE(GetItemFSRef(menu, i, &itemRef));
    EXPECT_EQ(PathOf(itemRef), In(View(i).text));
    EXPECT_TRUE(GetItemLSFlags(menu, i) & kLSItemInfoIsAliasFile);
  }
  DeleteItemRange(menu, 0, 0);
  // Unfiltered, every alias is listed.
  prefs.filterKind = 0;
  EXPECT_EQ(List(kSplitFilesOnly), 12);
}

// ------------------------------------------------------ item records

TEST_F(FolderListing, ItemsCarryTheirRecordsAndValidation) {
  File("doc.txt");
  Folder("Sub");
  Tool("run");
  prefs.iconSize = 24;
  prefs.noDirOpen = 1;
  gDropMenuActive = true;
  EXPECT_EQ(List(), 3);
  for (MenuItemIndex i = 1; i <= 3; ++i) {
    FSRef ref;
    ASSERT_TRUE(GetItemFSRef(menu, i, &ref));
    FSCatalogInfo info;
    ASSERT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNodeID, &info, nullptr, nullptr, nullptr), noErr);
    UInt32 node = 0;
    ASSERT_TRUE(GetItemNodeID(menu, i, &node));
    EXPECT_EQ(node, info.nodeID);
  }
  EXPECT_EQ(GetItemLSFlags(menu, IndexOf("doc.txt")), kLSItemInfoIsPlainFile);
  EXPECT_EQ(GetItemLSFlags(menu, IndexOf("Sub")), kLSItemInfoIsContainer);
  // Validation ran: in drop mode a document is disabled, an application and
  // a folder keep their state.
  EXPECT_FALSE(View(IndexOf("doc.txt")).enabled);
  EXPECT_TRUE(View(IndexOf("run")).enabled);
  EXPECT_TRUE(View(IndexOf("Sub")).enabled);
  // The folder item and its submenu carry the whole display record.
  DisplayPrefs stored;
  ASSERT_TRUE(GetItemDisplayPrefs(menu, IndexOf("Sub"), &stored));
  EXPECT_EQ(std::memcmp(&stored, &prefs, sizeof prefs), 0);
  ASSERT_TRUE(GetItemDisplayPrefs(View(IndexOf("Sub")).submenu, 0, &stored));
  EXPECT_EQ(std::memcmp(&stored, &prefs, sizeof prefs), 0);
  EXPECT_EQ(GetMenuIconSize(View(IndexOf("Sub")).submenu), 24);
}

// --------------------------------------------------------------- icons

TEST_F(FolderListing, IconsAreIconRefsOrImagesByTheMenusIconSize) {
  File("doc.txt");
  Folder("Sub");
  App("Tool.app");
  MakeFolders(dir / "Target");
  Link("Link", dir / "Target");
  EXPECT_EQ(List(), 4);
  EXPECT_EQ(View(1).iconType, kMenuIconRefType);
  EXPECT_EQ(IconOf("doc.txt"), "icon:document");
  EXPECT_EQ(IconOf("Sub"), "icon:folder");
  EXPECT_EQ(IconOf("Tool"), "icon:application");
  EXPECT_EQ(IconOf("Link"), "icon:alias:folder");
  DeleteItemRange(menu, 0, 0);

  const SInt16 size = 16;
  SetMenuItemProperty(menu, 0, kSKIDCreator, kIconTag, kIconTagSize, &size);
  EXPECT_EQ(List(), 4);
  EXPECT_EQ(View(1).iconType, kMenuCGImageRefType);
  EXPECT_EQ(IconOf("doc.txt"), "image 16x16 icon:document");
  EXPECT_EQ(IconOf("Sub"), "image 16x16 icon:folder");
  DeleteItemRange(menu, 0, 0);

  prefs.useIcons = 0;
  EXPECT_EQ(List(), 4);
  for (MenuItemIndex i = 1; i <= 4; ++i) EXPECT_EQ(View(i).iconType, kMenuNoIcon);
}

// ----------------------------------------------------- bad folders

TEST_F(FolderListing, AFolderThatCannotBeListedInsertsAndDeletesNothing) {
  InsertFileItem(menu, CFSTR("kept"), nullptr, nullptr, false, 0, 0, 0);
  File("file");
  const FSRef file = Ref(In("file"));
  EXPECT_EQ(ListFolder(menu, &file, true, &prefs, kSplitMixed, 1, Install, this), 0);

  MakeFolders(dir / "gone");
  const FSRef gone = Ref(dir / "gone");
  fs::remove(dir / "gone");
  EXPECT_EQ(ListFolder(menu, &gone, true, &prefs, kSplitMixed, 1, Install, this), 0);

  const FSRef folder = Ref(dir / "list");
  EXPECT_EQ(ListFolder(menu, nullptr, true, &prefs, kSplitMixed, 1, Install, this), 0);
  EXPECT_EQ(ListFolder(menu, &folder, true, nullptr, kSplitMixed, 1, Install, this), 0);
  EXPECT_EQ(ListFolder(nullptr, &folder, true, &prefs, kSplitMixed, 0, Install, this), 0);

  // A folder the user may not read (root reads everything).
  MakeFolders(dir / "locked");
  WriteFile(dir / "locked/inside", "");
  ASSERT_EQ(::chmod((dir / "locked").c_str(), 0), 0);
  const FSRef locked = Ref(dir / "locked");
  EXPECT_EQ(ListFolder(menu, &locked, true, &prefs, kSplitMixed, 1, Install, this),
            geteuid() == 0 ? 1 : 0);
  ::chmod((dir / "locked").c_str(), 0755);
  EXPECT_EQ(GetMenuItemView(menu, 1)->text, "kept");
}

// A menu holds at most 65535 items: a folder cut there says so, once,
// naming the folder, instead of silently losing the rest.
TEST_F(FolderListing, AFolderCutAtTheMenusItemLimitIsReported) {
  for (int i = 0; i < 8; ++i) File("f" + std::to_string(i));
  Folder("sub");
  for (int i = 0; i < 65530; ++i)
    ASSERT_EQ(AppendMenuItemTextWithCFString(menu, CFSTR("x"), 0, 0, nullptr), noErr);
  const std::string cut = "menus: folder " + In("").substr(0, In("").size() - 1) +
                          " is cut at the menu's limit of 65535 items; the rest of its entries "
                          "are not shown";
  EXPECT_EQ(List(kSplitFilesThenFolders, true, CountMenuItems(menu)), 5);
  EXPECT_EQ(CountMenuItems(menu), 65535);
  EXPECT_EQ(std::count(desktop.recorder.lines.begin(), desktop.recorder.lines.end(), cut), 1)
      << desktop.recorder.lines.size() << " transcript lines";

  // A folder that fits is not reported.
  desktop.recorder.lines.clear();
  DisposeMenuTree(menu);
  ASSERT_EQ(CreateAgentMenu(&menu), noErr);
  EXPECT_EQ(List(kSplitFilesThenFolders), 9);
  EXPECT_EQ(std::count(desktop.recorder.lines.begin(), desktop.recorder.lines.end(), cut), 0);
}

// A folder that cannot be opened tells the caller why; one that could be
// listed says noErr, even when it showed nothing.
TEST_F(FolderListing, TheListingStatusTellsUnreadableFromEmpty) {
  const FSRef folder = Ref(dir / "list");
  OSErr status = 1;
  EXPECT_EQ(ListFolder(menu, &folder, true, &prefs, kSplitMixed, 0, Install, this, &status), 0);
  EXPECT_EQ(status, noErr);
  File("plain");
  const FSRef file = Ref(In("plain"));
  EXPECT_EQ(ListFolder(menu, &file, true, &prefs, kSplitMixed, 0, Install, this, &status), 0);
  EXPECT_EQ(status, errFSNotAFolder);
  EXPECT_EQ(ListFolder(menu, nullptr, true, &prefs, kSplitMixed, 0, Install, this, &status), 0);
  EXPECT_EQ(status, paramErr);
}

TEST_F(FolderListing, AFolderRemovedDuringListingEndsItQuietly) {
  // The first batch (the folder and 19 files) was read before the folder
  // went; the entries of the second are gone when it is fetched.
  Folder("A");
  for (int i = 1; i <= 24; ++i) File("f" + std::to_string(100 + i));
  gInstallLog.during = [this](int) { fs::remove_all(dir / "list"); };
  EXPECT_EQ(List(), 20);
  EXPECT_EQ(Texts().front(), "A");
  EXPECT_EQ(Texts().back(), "f119");
}

}  // namespace
