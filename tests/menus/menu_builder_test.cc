// The incremental menu builder: sources built, rebuilt unchanged, rebuilt
// after a change, and folder submenus filled when they open.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "builder_test_support.h"
#include "menus/WorkingSources.h"
#include "platform/files/Aliases.h"
#include "platform/files/Files.h"
#include "support/inode_reuse.h"

namespace {

using namespace builder_test;
using Strings = std::vector<std::string>;

class MenuBuilderTest : public Sandbox {};

FSRef RefOf(const std::string& path) {
  FSRef ref{};
  EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr), noErr)
      << path;
  return ref;
}

std::string ItemPath(MenuRef menu, MenuItemIndex item) {
  FSRef ref;
  if (!GetItemFSRef(menu, item, &ref)) return "(no FILE)";
  UInt8 path[1024];
  return FSRefMakePath(&ref, path, sizeof(path)) == noErr ? reinterpret_cast<char*>(path) : "?";
}

TEST_F(MenuBuilderTest, FolderSeparatorApplicationBuiltAndRebuilt) {
  for (const char* name : {"a", "b", "c", "d", "e"}) File(std::string("F/") + name);
  Folder("Applications/Tool.app");
  Touch("F");  // changed a while ago: its date is settled
  auto items = Items({Entry().Str("URL", Path("F")), Entry().Str("Type", "-"),
                      Entry().Str("URL", Path("Applications/Tool.app"))});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef m = t->menu;
  EXPECT_EQ(Texts(m), (Strings{"a", "b", "c", "d", "e", "-", "Tool"}));
  EXPECT_EQ(StoredCount(t, 0), 5);
  EXPECT_EQ(StoredCount(t, 1), 1);
  EXPECT_EQ(StoredCount(t, 2), 1);
  for (MenuItemIndex i = 1; i <= 7; ++i) Mark(m, i);

  // Unchanged: every item stays; the folder's items are revalidated (in
  // drop mode plain files turn disabled, the application does not).
  gDropMenuActive = true;
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"a", "b", "c", "d", "e", "-", "Tool"}));
  for (MenuItemIndex i = 1; i <= 7; ++i) EXPECT_TRUE(Marked(m, i)) << i;
  for (MenuItemIndex i = 1; i <= 5; ++i) EXPECT_FALSE(Enabled(m, i)) << i;
  EXPECT_TRUE(Enabled(m, 7));
  gDropMenuActive = false;
  RebuildMenu(t);
  for (MenuItemIndex i = 1; i <= 5; ++i) EXPECT_TRUE(Enabled(m, i)) << i;

  // A file added: the folder's range is remade, the others only move.
  File("F/f");
  Touch("F");
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"a", "b", "c", "d", "e", "f", "-", "Tool"}));
  for (MenuItemIndex i = 1; i <= 6; ++i) EXPECT_FALSE(Marked(m, i)) << i;
  EXPECT_TRUE(Marked(m, 7));
  EXPECT_TRUE(Marked(m, 8));
  EXPECT_EQ(StoredCount(t, 0), 6);
  EXPECT_EQ(StoredCount(t, 1), 1);
  EXPECT_EQ(t->nextItemIndex, 9);
}

TEST_F(MenuBuilderTest, InlineNameHeaderIsKeptAndCounted) {
  File("Docs/one");
  File("Docs/two");
  File("Other/x");
  auto items =
      Items({Entry().Str("URL", Path("Docs")).Flag("Inline Name", true),
             Entry().Str("URL", Path("Other")).Flag("Inline Name", true).Str("Text", "Mine"),
             Entry().Str("Type", "text").Str("Text", "after")});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef m = t->menu;
  EXPECT_EQ(Texts(m), (Strings{"Docs", "one", "two", "Mine", "x", "after"}));
  EXPECT_EQ(StoredCount(t, 0), 3);
  EXPECT_EQ(StoredCount(t, 1), 2);
  UInt8 label = 0;
  EXPECT_EQ(GetMenuItemProperty(m, 1, kSKIDCreator, kLabelTag, 1, nullptr, &label), noErr);
  EXPECT_EQ(label, 1);
  EXPECT_FALSE(Enabled(m, 1)) << "a header is a label outside drop mode";
  EXPECT_FALSE(Enabled(m, 6)) << "a text source is a disabled line";
  Mark(m, 1);
  Mark(m, 4);
  Mark(m, 6);

  File("Docs/three");
  Touch("Docs");
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"Docs", "one", "three", "two", "Mine", "x", "after"}));
  EXPECT_TRUE(Marked(m, 1)) << "the header stays";
  EXPECT_FALSE(Marked(m, 2));
  EXPECT_TRUE(Marked(m, 5));
  EXPECT_TRUE(Marked(m, 7));
  EXPECT_EQ(StoredCount(t, 0), 4);
}

TEST_F(MenuBuilderTest, EmptyInlineFolderGivesOnlyItsHeader) {
  Folder("Empty1");
  Folder("Empty2");
  auto items = Items({Entry().Str("URL", Path("Empty1")).Flag("Inline Name", true),
                      Entry().Str("URL", Path("Empty2")), Entry().Str("Type", "-")});
  UtilityMenu* t = MakeTrigger(items);
  EXPECT_EQ(Texts(t->menu), (Strings{"Empty1", "-"}));
  EXPECT_EQ(StoredCount(t, 0), 1);
  EXPECT_EQ(StoredCount(t, 1), 0);
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), (Strings{"Empty1", "-"}));
}

TEST_F(MenuBuilderTest, FolderAsSubmenuHoldsItsFirstLevelAtOnce) {
  File("Proj/readme");
  File("Proj/sub/deep");
  auto items = Items({Entry().Str("URL", Path("Proj")).Flag("Is Submenu", true).Num("Font", 3)});
  UtilityMenu* t = MakeTrigger(items, 16);
  MenuRef m = t->menu;
  ASSERT_EQ(Texts(m), (Strings{"Proj"}));
  DisplayPrefs prefs;
  ASSERT_TRUE(GetItemDisplayPrefs(m, 1, &prefs));
  EXPECT_EQ(prefs.fontID, 3);
  EXPECT_EQ(prefs.iconSize, 16) << "defaults to the trigger's icon size";
  MenuRef sub = Submenu(m, 1);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(Texts(sub), (Strings{"readme", "sub"}));
  EXPECT_EQ(GetMenuIconSize(sub), 16);
  MenuRef deeper = Submenu(sub, 2);
  ASSERT_NE(deeper, nullptr);
  EXPECT_TRUE(Texts(deeper).empty()) << "deeper levels wait until they open";
  EXPECT_EQ(SendMenuOpening(deeper), noErr);
  EXPECT_EQ(Texts(deeper), (Strings{"deep"}));

  // Rebuilds leave the item, and its submenu, alone.
  Mark(m, 1);
  RebuildMenu(t);
  EXPECT_TRUE(Marked(m, 1));
  EXPECT_EQ(Submenu(m, 1), sub);
}

TEST_F(MenuBuilderTest, MissingPathShownAsLineUntilItExists) {
  const std::string missing = Path("later/notes.txt");
  auto items = Items({Entry().Str("URL", missing), Entry().Str("Type", "-")});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef m = t->menu;
  EXPECT_EQ(Texts(m), (Strings{missing, "-"}));
  EXPECT_FALSE(Enabled(m, 1));
  Mark(m, 1);
  Mark(m, 2);
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{missing, "-"}));
  EXPECT_TRUE(Marked(m, 1)) << "the line is not remade while the path is missing";

  File("later/notes.txt");
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"notes.txt", "-"}));
  EXPECT_TRUE(Enabled(m, 1));
  EXPECT_FALSE(Marked(m, 1));
  EXPECT_EQ(ItemPath(m, 1), missing);
  EXPECT_TRUE(Marked(m, 2));
  EXPECT_EQ(StoredCount(t, 0), 1);
}

TEST_F(MenuBuilderTest, DeletedInlineFolderBecomesItsPathAndComesBack) {
  File("Box/a");
  File("Box/b");
  auto items =
      Items({Entry().Str("URL", Path("Box")), Entry().Str("Type", "text").Str("Text", "end")});
  UtilityMenu* t = MakeTrigger(items);
  EXPECT_EQ(Texts(t->menu), (Strings{"a", "b", "end"}));
  fs::remove_all(Path("Box"));
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), (Strings{Path("Box"), "end"}));
  File("Box/c");
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), (Strings{"c", "end"}));
  EXPECT_EQ(StoredCount(t, 0), 1);
}

// A source's item replaced at its path by an item of another kind that got
// the old one's inode (file systems hand freed inodes out again at once) is
// a new item: the source is built for what is there now.
TEST_F(MenuBuilderTest, ItemsReplacedByAnotherKindWithTheSameInodeAreBuiltAnew) {
  using inode_reuse::ReplaceKeepingInode;
  File("Box/a");
  File("Doc");
  Folder("Sub");
  auto items = Items({Entry().Str("URL", Path("Box")), Entry().Str("URL", Path("Doc")),
                      Entry().Str("URL", Path("Sub")).Flag("Is Submenu", true)});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef m = t->menu;
  ASSERT_EQ(Texts(m), (Strings{"a", "Doc", "Sub"}));
  ASSERT_NE(Submenu(m, 3), nullptr);

  // The inline folder becomes a file: shown as that file, not lost.
  if (!ReplaceKeepingInode(Path("Box"), Path("Box"), inode_reuse::MakeFile))
    GTEST_SKIP() << "this file system did not hand out a freed inode again";
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"Box", "Doc", "Sub"}));

  // The file becomes a folder: its contents are listed.
  if (!ReplaceKeepingInode(Path("Doc"), Path("Doc"), inode_reuse::MakeFolder))
    GTEST_SKIP() << "this file system did not hand out a freed inode to a folder";
  File("Doc/inside");
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"Box", "inside", "Sub"}));

  // The submenu folder becomes a file: a plain item without a submenu.
  if (!ReplaceKeepingInode(Path("Sub"), Path("Sub"), inode_reuse::MakeFile))
    GTEST_SKIP() << "this file system did not hand out a freed inode again";
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"Box", "inside", "Sub"}));
  EXPECT_EQ(Submenu(m, 3), nullptr);
}

TEST_F(MenuBuilderTest, BothSeparatorSpellings) {
  auto items = Items({Entry().Str("Type", "-"), Entry().Str("Type", "-   "),
                      Entry().Bytes("Type", "-   "), Entry().Bytes("Type", "-")});
  UtilityMenu* t = MakeTrigger(items);
  EXPECT_EQ(Texts(t->menu), (Strings{"-", "-", "-", "-"}));
  for (MenuItemIndex i = 1; i <= 4; ++i) EXPECT_TRUE(GetMenuItemView(t->menu, i)->isSeparator);
  RebuildMenu(t);
  EXPECT_EQ(CountMenuItems(t->menu), 4);
}

TEST(ParseSourceType, CodesPaddingAndUnreadableValues) {
  OSType code = 'keep';
  bool separator = true;
  EXPECT_TRUE(ParseSourceType(CFSTR("-"), &code, &separator));
  EXPECT_TRUE(separator);
  EXPECT_EQ(code, 'keep') << "\"-\" leaves the code as it was";

  EXPECT_TRUE(ParseSourceType(CFSTR("text"), &code, &separator));
  EXPECT_FALSE(separator);
  EXPECT_EQ(code, 'text');
  EXPECT_TRUE(ParseSourceType(CFSTR("ab"), &code, &separator));
  EXPECT_EQ(code, 0x61620000u) << "short codes are padded with zero bytes";
  CFRef<CFDataRef> data =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>("utiXYZ"), 6);
  EXPECT_TRUE(ParseSourceType(data, &code, &separator));
  EXPECT_EQ(code, 'utiX') << "data: its first four bytes";
  CFRef<CFStringRef> utilities = CFStringFromUTF8("uti\xC6\x92");  // 'utiƒ'
  EXPECT_TRUE(ParseSourceType(utilities, &code, &separator));
  EXPECT_EQ(code, 0x757469C4u) << "Mac Roman text";

  code = 'keep';
  EXPECT_FALSE(ParseSourceType(CFSTR(""), &code, &separator));
  EXPECT_FALSE(ParseSourceType(CFSTR("toolong"), &code, &separator));
  CFRef<CFDataRef> empty = CFDataCreate(kCFAllocatorDefault, nullptr, 0);
  EXPECT_FALSE(ParseSourceType(empty, &code, &separator));
  const int five = 5;
  CFRef<CFNumberRef> number = CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &five);
  EXPECT_FALSE(ParseSourceType(number, &code, &separator));
  EXPECT_FALSE(ParseSourceType(nullptr, &code, &separator));
  EXPECT_EQ(code, 'keep');
}

TEST_F(MenuBuilderTest, MovedFileFoundThroughItsAlias) {
  const std::string path = File("docs/report.txt");
  FSRef ref = RefOf(path);
  AliasHandle alias = nullptr;
  ASSERT_EQ(FSNewAlias(nullptr, &ref, &alias), noErr);
  const std::string record(*alias, static_cast<std::size_t>(GetHandleSize(alias)));
  DisposeHandle(alias);
  auto items = Items({Entry().Str("URL", path).Bytes("Alias", record)});
  UtilityMenu* t = MakeTrigger(items);
  EXPECT_EQ(Texts(t->menu), (Strings{"report.txt"}));

  fs::rename(path, Path("docs/final.txt"));
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), (Strings{"final.txt"}));
  EXPECT_EQ(ItemPath(t->menu, 1), Path("docs/final.txt"));
  EXPECT_EQ(StoredCount(t, 0), 1);
}

TEST_F(MenuBuilderTest, FolderSubmenuPlaceholders) {
  Folder("Top/Empty");
  File("Top/Gone/x");
  Touch("Top/Empty");
  auto items = Items({Entry().Str("URL", Path("Top")).Flag("Is Submenu", true)});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef sub = Submenu(t->menu, 1);
  ASSERT_EQ(Texts(sub), (Strings{"Empty", "Gone"}));
  MenuRef empty = Submenu(sub, 1);
  MenuRef gone = Submenu(sub, 2);
  ASSERT_TRUE(empty && gone);

  EXPECT_EQ(SendMenuOpening(empty), noErr);
  EXPECT_EQ(Texts(empty), (Strings{"Empty Folder"}));
  EXPECT_FALSE(Enabled(empty, 1));
  fs::remove_all(Path("Top/Gone"));
  EXPECT_EQ(SendMenuOpening(gone), noErr);
  EXPECT_EQ(Texts(gone), (Strings{"Unavailable"}));
  EXPECT_FALSE(Enabled(gone, 1));
  EXPECT_EQ(gOpenMenuCount, 2);

  // Opened again unchanged: nothing is relisted.
  Mark(empty, 1);
  EXPECT_EQ(SendMenuOpening(empty), noErr);
  EXPECT_TRUE(Marked(empty, 1));
  // Changed: relisted.
  File("Top/Empty/new");
  Touch("Top/Empty");
  EXPECT_EQ(SendMenuOpening(empty), noErr);
  EXPECT_EQ(Texts(empty), (Strings{"new"}));
}

// A folder that cannot be read is not empty: its submenu says
// "Unavailable", and once readable again it is listed (being made readable
// changes no modification date).
TEST_F(MenuBuilderTest, AnUnreadableFolderIsUnavailableNotEmpty) {
  File("Top/Locked/inside");
  Touch("Top/Locked");
  auto items = Items({Entry().Str("URL", Path("Top")).Flag("Is Submenu", true)});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef lockedMenu = Submenu(Submenu(t->menu, 1), 1);
  ASSERT_NE(lockedMenu, nullptr);
  // Root reads everything, so the openings run as an ordinary user who owns
  // the folder but may not read it.
  const std::string locked = Path("Top/Locked");
  ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(locked.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  auto openAsUser = [&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(2);
    (void)SendMenuOpening(lockedMenu);
    if (Texts(lockedMenu) != Strings{"Unavailable"}) std::_Exit(3);
    if (Enabled(lockedMenu, 1)) std::_Exit(4);
    if (::chmod(locked.c_str(), 0755) != 0) std::_Exit(5);
    (void)SendMenuOpening(lockedMenu);
    std::_Exit(Texts(lockedMenu) == Strings{"inside"} ? 0 : 6);
  };
  EXPECT_EXIT(openAsUser(), testing::ExitedWithCode(0), "");
  ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
}

// Folder dates are compared to the nanosecond, and a date read within the
// file system's timestamp granularity of the listing is not trusted: two
// changes inside one tick of the clock leave the date as it was, and the
// menu must not keep showing what the second change removed.
TEST_F(MenuBuilderTest, AFolderChangedWithoutANewDateIsStillRelisted) {
  File("Box/a");
  Touch("Box");
  auto items = Items({Entry().Str("URL", Path("Box")).Flag("Is Submenu", true),
                      Entry().Str("URL", Path("Inline"))});
  File("Inline/a");
  Touch("Inline");
  UtilityMenu* t = MakeTrigger(items);
  MenuRef box = Submenu(t->menu, 1);
  ASSERT_EQ(Texts(box), (Strings{"a"}));
  ASSERT_EQ(Texts(t->menu), (Strings{"Box", "a"}));

  // Dates half a microsecond apart (one 1/65536 s step holds fifteen
  // microseconds): a change all the same.
  struct stat st;
  ASSERT_EQ(::stat(Path("Box").c_str(), &st), 0);
  File("Box/b");
  File("Inline/b");
  const struct timespec later[2] = {{0, UTIME_OMIT}, {st.st_mtim.tv_sec, st.st_mtim.tv_nsec + 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Path("Box").c_str(), later, 0), 0);
  ASSERT_EQ(::stat(Path("Inline").c_str(), &st), 0);
  const struct timespec inlineLater[2] = {{0, UTIME_OMIT},
                                          {st.st_mtim.tv_sec, st.st_mtim.tv_nsec + 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Path("Inline").c_str(), inlineLater, 0), 0);
  EXPECT_EQ(SendMenuOpening(box), noErr);
  EXPECT_EQ(Texts(box), (Strings{"a", "b"}));
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), (Strings{"Box", "a", "b"}));

  // Listed while the date was fresh (here: ahead of the clock, as a date
  // stamped in this very tick is): an entry removed later without moving
  // the date is seen at the next look.
  StampDate(Path("Box"), 5, 0);
  StampDate(Path("Inline"), 5, 0);
  EXPECT_EQ(SendMenuOpening(box), noErr);
  RebuildMenu(t);
  ASSERT_EQ(Texts(box), (Strings{"a", "b"}));
  ASSERT_EQ(Texts(t->menu), (Strings{"Box", "a", "b"}));
  for (const char* folder : {"Box", "Inline"}) {
    ASSERT_EQ(::stat(Path(folder).c_str(), &st), 0);
    fs::remove(Path(std::string(folder) + "/b"));
    const struct timespec same[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path(folder).c_str(), same, 0), 0);
  }
  EXPECT_EQ(SendMenuOpening(box), noErr);
  EXPECT_EQ(Texts(box), (Strings{"a"}));
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), (Strings{"Box", "a"}));

  // Settled dates are kept: nothing is relisted while nothing changes.
  Touch("Box");
  Touch("Inline");
  EXPECT_EQ(SendMenuOpening(box), noErr);
  RebuildMenu(t);
  Mark(box, 1);
  Mark(t->menu, 2);
  EXPECT_EQ(SendMenuOpening(box), noErr);
  RebuildMenu(t);
  EXPECT_TRUE(Marked(box, 1));
  EXPECT_TRUE(Marked(t->menu, 2));
}

TEST_F(MenuBuilderTest, OpeningTheTopMenuCountsAndCancelsTheCloseTimer) {
  File("F/a");
  UtilityMenu* t = MakeTrigger(Items({Entry().Str("URL", Path("F"))}));
  bool fired = false;
  EventLoopTimerRef timer = nullptr;
  ASSERT_EQ(
      InstallEventLoopTimer(
          GetMainEventLoop(), 2.0, 0,
          [](EventLoopTimerRef, void* flag) { *static_cast<bool*>(flag) = true; }, &fired, &timer),
      noErr);
  t->closeTimer = timer;
  Mark(t->menu, 1);
  EXPECT_EQ(SendMenuOpening(t->menu), noErr);
  EXPECT_EQ(t->closeTimer, nullptr);
  EXPECT_EQ(gOpenMenuCount, 1);
  EXPECT_TRUE(Marked(t->menu, 1)) << "the top-level menu is the rebuild's, not the opening's";
  desktop.runLoop.Advance(3.0);
  EXPECT_FALSE(fired) << "a dropped close timer must not close the menu later";
}

TEST_F(MenuBuilderTest, GeneratedListsWaitForTheFirstPopUp) {
  auto items =
      Items({Entry().Str("Type", "vols").Flag("Is Submenu", true).Str("Text", "Volumes"),
             Entry().Str("Type", "PROC").Flag("Inline Name", true).Str("Default Name", "Running"),
             Entry().Str("Type", "span").Flag("Is Submenu", true).Str("Text", "Panes"),
             Entry().Str("Type", "text").Str("Text", "end")});
  UtilityMenu* t = MakeTrigger(items);
  MenuRef m = t->menu;
  EXPECT_EQ(Texts(m), (Strings{"Panes", "end"})) << "volumes and processes: nothing yet";
  EXPECT_NE(Submenu(m, 1), nullptr);

  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"Volumes", "Running", "Panes", "end"}));
  EXPECT_NE(Submenu(m, 1), nullptr);
  EXPECT_FALSE(Enabled(m, 2)) << "a list's header is a disabled line";
  EXPECT_EQ(StoredCount(t, 0), 1);
  EXPECT_EQ(StoredCount(t, 1), 1);
  for (MenuItemIndex i = 1; i <= 4; ++i) Mark(m, i);
  MenuRef volumes = Submenu(m, 1);
  RebuildMenu(t);
  EXPECT_EQ(Texts(m), (Strings{"Volumes", "Running", "Panes", "end"}));
  for (MenuItemIndex i = 1; i <= 4; ++i) EXPECT_TRUE(Marked(m, i)) << i;
  EXPECT_EQ(Submenu(m, 1), volumes) << "a list's submenu survives rebuilds";
}

TEST_F(MenuBuilderTest, FolderCodesResolveThroughTheFolderTable) {
  Folder("Applications/Tool.app");
  FSRef ref;
  ASSERT_EQ(ResolveSourceLocation(nullptr, nullptr, kApplicationsFolderType, &ref), noErr);
  FSRef expected = RefOf(Path("Applications"));
  EXPECT_EQ(FSCompareFSRefs(&ref, &expected), noErr);
  ASSERT_EQ(ResolveSourceLocation(nullptr, nullptr, kSystemDesktopFolderType, &ref), noErr);
  expected = RefOf(Path("Desktop"));
  EXPECT_EQ(FSCompareFSRefs(&ref, &expected), noErr);
  fs::remove_all(Path("Documents"));
  ASSERT_EQ(ResolveSourceLocation(nullptr, nullptr, kDocumentsFolderType, &ref), noErr);
  EXPECT_TRUE(fs::is_directory(Path("Documents"))) << "user folders are created when missing";
  CFRef<CFStringRef> nowhere = CFStringFromUTF8(Path("nowhere"));
  EXPECT_EQ(ResolveSourceLocation(Entry().get(), nowhere, 0, &ref), -1);

  UtilityMenu* t = MakeTrigger(Items({Entry().Str("Type", "apps")}));
  EXPECT_EQ(Texts(t->menu), (Strings{"Tool", "Utilities"}));
}

TEST_F(MenuBuilderTest, MalformedEntriesAreSkipped) {
  File("F/f1");
  File("file.txt");
  CFRef<CFMutableArrayRef> items =
      CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  const int seven = 7;
  CFRef<CFNumberRef> number = CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &seven);
  CFArrayAppendValue(items, CFSTR("not a dictionary"));
  CFArrayAppendValue(items, number.get());
  const std::vector<Entry> entries = {
      Entry().Num("Type", 5),
      Entry().Num("URL", 5).Bytes("Type", ""),
      Entry().Str("Type", ""),
      Entry().Str("Type", "toolong"),
      Entry().Str("Type", "text"),
      Entry().Str("Type", "text").Num("Text", 1),
      Entry()
          .Str("URL", Path("F"))
          .Str("Is Submenu", "yes")
          .Str("Split Items", "x")
          .Num("Inline Name", 3)
          .Str("Use Icons", "no")
          .Str("Font", "big")
          .Str("Alias", "not data"),
      Entry()
          .Str("Type", "text")
          .Str("Text", "t")
          .Num("num", 7)
          .Str("fsref", "junk")
          .Str("date", "junk")
          .Bytes("sub", "12345678"),
      Entry().Str("URL", Path("file.txt")).Bytes("Text", "data"),
      Entry().Bytes("Type", "vols").Flag("Inline Name", true),
      Entry().Str("URL", Path("missing")).Bytes("Alias", "not an alias record"),
  };
  for (const Entry& e : entries) CFArrayAppendValue(items, e.get());
  UtilityMenu* t = MakeTrigger(items);
  EXPECT_EQ(CFArrayGetCount(t->sources), 11) << "only dictionaries become sources";
  const Strings expected{"f1", "t", "file.txt", Path("missing")};
  EXPECT_EQ(Texts(t->menu), expected);
  // From the first pop-up on the volume list's header (no text given: a
  // blank) takes its place; rebuilds are stable.
  const Strings later{"f1", "t", "file.txt", " ", Path("missing")};
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), later);
  RebuildMenu(t);
  EXPECT_EQ(Texts(t->menu), later);
}

}  // namespace

namespace {

// -------------------------------------------------- reported source entries

TEST_F(MenuBuilderTest, SourceEntriesThatShowNothingOrAreReadInPartAreReported) {
  auto items = Items({
      Entry().Str("Type", "docs"),                                        // 1: fine
      Entry().Str("Type", "text").Num("Text", 5).Str("Use Icons", "no"),  // 2
      Entry().Flag("Is Submenu", true),                                   // 3: nothing to show
      Entry().Str("Type", "PROCS"),                                       // 4
      Entry().Num("Type", 4),                                             // 5
      Entry().Str("Type", "dcos"),                                        // 6: a typo
      Entry().Str("Type", "docs").Num("Split Items", 7),                  // 7
      Entry().Str("URL", Path("gone")).Num("Type", 1),                    // 8: fine
  });
  CFArrayInsertValueAtIndex(items, 2, CFSTR("junk"));  // becomes source 3
  TriggerConfig config;
  config.items = items;
  config.definitionNumber = 4;
  const std::size_t before = desktop.recorder.lines.size();
  owned.push_back(std::make_unique<UtilityMenu>(config));
  std::vector<std::string> seen;
  for (std::size_t i = before; i < desktop.recorder.lines.size(); ++i)
    if (desktop.recorder.lines[i].starts_with("settings:"))
      seen.push_back(desktop.recorder.lines[i]);
  const std::string d = "settings: menu definition 4, ";
  EXPECT_EQ(seen,
            (Strings{
                d + "source 2: \"Text\" is an integer, a string is needed; it counts as absent",
                d + "source 2: \"Use Icons\" is a string, a boolean is needed; it counts as "
                    "absent",
                d + "source 3 skipped: it is a string, a dictionary is needed",
                d + "source 4 skipped: it has neither \"URL\" nor \"Type\"",
                d + "source 5 skipped: \"Type\" is not a type code of one to four characters",
                d + "source 6 skipped: \"Type\" is an integer, a string or data is needed",
                d + "source 7: \"Type\" 'dcos' is no kind of source and names no folder "
                    "Korvane knows; the source shows nothing",
                d + "source 8: \"Split Items\" 7 is none of 0 to 3; a folder of it lists "
                    "nothing",
            }));
  // The entries are used as before: every dictionary is a source.
  EXPECT_EQ(CFArrayGetCount(owned.back()->sources), 8);

  // A trigger not made from the settings as read names the source alone.
  auto one = Items({Entry().Str("Type", "vols").Str("Text", "x").Num("No Hier", 1)});
  MakeTrigger(one);
  EXPECT_EQ(desktop.recorder.lines.back(),
            "settings: source 1: \"No Hier\" is an integer, a boolean is needed; it counts as "
            "absent");
}

}  // namespace
