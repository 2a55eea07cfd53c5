// Menu item records: inserting file items, folder submenus, validation in
// and out of drop mode, alias targets, deleting ranges and trees, and the
// collected-record apply functions.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "bindings/KeyBindings.h"
#include "menus/ItemRecords.h"
#include "platform/files/Files.h"
#include "platform/launchservices/LaunchServices.h"
#include "support/desktop_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr UInt32 kPlain = kLSItemInfoIsPlainFile;
constexpr UInt32 kApp = kLSItemInfoIsApplication | kLSItemInfoIsPlainFile;
constexpr UInt32 kFolder = kLSItemInfoIsContainer;
constexpr UInt32 kAppBundle =
    kLSItemInfoIsContainer | kLSItemInfoIsPackage | kLSItemInfoIsApplication;
constexpr UInt32 kPackage = kLSItemInfoIsContainer | kLSItemInfoIsPackage;
constexpr UInt32 kAlias = kLSItemInfoIsAliasFile | kLSItemInfoIsSymlink | kLSItemInfoIsPlainFile;

struct Installed {
  std::vector<MenuRef> menus;
  void* refcon = nullptr;
};
Installed gInstalled;
void RecordInstall(MenuRef menu, void* refcon) {
  gInstalled.menus.push_back(menu);
  gInstalled.refcon = refcon;
}

class ItemRecords : public fixture::DesktopTest {
 protected:
  void SetUp() override {
    RegisterIconOwnershipWithMenus();
    gDropMenuActive = false;
    gInstalled = {};
    baseline = CountLiveMenusForTesting();
    ASSERT_EQ(CreateAgentMenu(&menu), noErr);
  }
  void TearDown() override {
    DisposeMenuTree(menu);
    gDropMenuActive = false;
    EXPECT_EQ(CountLiveMenusForTesting(), baseline) << "a menu tree leaked";
  }

  std::string Path(const std::string& name) { return dir / name; }
  FSRef Ref(const std::string& name) {
    FSRef ref;
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(Path(name).c_str()), &ref, nullptr),
              noErr);
    return ref;
  }
  MenuItemIndex Append(const char* text, const FSRef* ref = nullptr, UInt32 node = 0,
                       UInt32 flags = 0) {
    InsertFileItem(menu, CFSTR(text), ref, nullptr, false, CountMenuItems(menu), node, flags);
    return CountMenuItems(menu);
  }
  MenuItemView View(MenuItemIndex item, MenuRef m = nullptr) {
    return GetMenuItemView(m ? m : menu, item).value();
  }
  bool Has(MenuRef m, MenuItemIndex item, OSType tag) {
    ByteCount size = 0;
    return GetMenuItemPropertySize(m, item, kSKIDCreator, tag, &size) == noErr;
  }
  MenuRef Submenu(MenuItemIndex item) { return View(item).submenu; }

  std::size_t baseline = 0;
  MenuRef menu = nullptr;
};

TEST_F(ItemRecords, MenuIDsCountUpAndWrapAt16Bits) {
  gNextMenuID = 0;
  MenuRef a = nullptr, b = nullptr, c = nullptr;
  ASSERT_EQ(CreateAgentMenu(&a), noErr);
  ASSERT_EQ(CreateAgentMenu(&b), noErr);
  EXPECT_EQ(GetMenuID(a), 0);
  EXPECT_EQ(GetMenuID(b), 1);
  gNextMenuID = 32767;
  ASSERT_EQ(CreateAgentMenu(&c), noErr);
  EXPECT_EQ(GetMenuID(c), 32767);
  EXPECT_EQ(gNextMenuID, -32768);
  EXPECT_EQ(FindAgentMenu(1), b);
  EXPECT_EQ(CreateAgentMenu(nullptr), paramErr);
  EXPECT_EQ(gNextMenuID, -32768) << "a refused call uses up no ID";
  for (MenuRef m : {a, b, c}) DisposeMenuTree(m);
  EXPECT_EQ(FindAgentMenu(1), nullptr);
}

TEST_F(ItemRecords, LongNamesAreCutAt76UnitsAndMetaCharactersShowLiterally) {
  const std::string n76(76, 'a'), n77(77, 'b');
  // A pair cut in half would leave a broken character before the dots.
  const std::string pair = std::string(75, 'c') + "\xF0\x9F\x93\x81" + "tail";
  for (const std::string& name : {n76, n77, pair, std::string("-"), std::string("-rf notes")})
    InsertFileItem(menu, CFStringFromUTF8(name), nullptr, nullptr, false, 99, 0, 0);
  EXPECT_EQ(View(1).text, n76);
  EXPECT_EQ(View(2).text, std::string(76, 'b') + "...");
  EXPECT_EQ(View(3).text, std::string(75, 'c') + "...");
  EXPECT_FALSE(View(4).isSeparator);
  EXPECT_EQ(View(4).text, "-");
  EXPECT_TRUE(View(4).enabled);
  EXPECT_EQ(View(5).text, "-rf notes");
  EXPECT_EQ(View(1).attributes, 0x904u);
}

TEST_F(ItemRecords, PropertiesAreWrittenOnlyWithARefAndOnlyWhenNonZero) {
  plist_test::WriteFile(Path("doc"), "x");
  FSRef doc = Ref("doc");
  IconRef icon = CreateIconRefForDescription({});
  UInt16 owners = 0;
  AcquireIconRef(icon);  // the test's own reference
  InsertFileItem(menu, CFSTR("no ref"), nullptr, icon, false, 0, 7, 1);
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 1) << "an icon nobody keeps is released";
  EXPECT_TRUE(ListMenuItemProperties(menu, 1).empty());
  EXPECT_EQ(View(1).iconType, kMenuNoIcon);

  AcquireIconRef(icon);  // handed over with the next item
  InsertFileItem(menu, CFSTR("doc"), &doc, icon, false, 0, 42, kPlain);
  InsertFileItem(menu, CFSTR("zero"), &doc, nullptr, false, 1, 0, 0);
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 2) << "the menu holds its own reference";
  FSRef stored;
  ASSERT_TRUE(GetItemFSRef(menu, 1, &stored));
  EXPECT_EQ(FSCompareFSRefs(&stored, &doc), noErr);
  UInt32 node = 0;
  EXPECT_TRUE(GetItemNodeID(menu, 1, &node));
  EXPECT_EQ(node, 42u);
  EXPECT_EQ(GetItemLSFlags(menu, 1), kPlain);
  EXPECT_EQ(View(1).iconType, kMenuIconRefType);
  EXPECT_TRUE(Has(menu, 2, kFileTag));
  EXPECT_FALSE(Has(menu, 2, kNodeTag));
  EXPECT_FALSE(Has(menu, 2, kFlagTag));
  EXPECT_EQ(View(3).text, "no ref");
  DeleteItemRange(menu, 0, 0);
  ASSERT_EQ(GetIconRefOwners(icon, &owners), noErr);
  EXPECT_EQ(owners, 1);
  ReleaseIconRef(icon);
}

TEST_F(ItemRecords, FolderSubmenusCarryTheListingRecord) {
  fs::create_directory(Path("F"));
  FSRef folder = Ref("F");
  SetMenuFont(menu, 3, 11);
  Append("F", &folder, 1, kFolder);
  Append("G", &folder, 1, kFolder);
  DisplayPrefs prefs;
  prefs.iconSize = 24;
  int refcon = 0;
  AttachFolderSubmenu(menu, 1, &folder, &prefs, RecordInstall, &refcon);
  prefs.fontID = 5;
  prefs.fontSize = 9;
  AttachFolderSubmenu(menu, 2, &folder, &prefs, nullptr, nullptr);
  MenuRef sub = Submenu(1);
  ASSERT_TRUE(sub);
  EXPECT_EQ(gInstalled.menus, std::vector<MenuRef>{sub});
  EXPECT_EQ(gInstalled.refcon, &refcon);
  FSRef listed;
  ASSERT_TRUE(GetItemFSRef(sub, 0, &listed));
  EXPECT_EQ(FSCompareFSRefs(&listed, &folder), noErr);
  DisplayPrefs stored;
  ASSERT_TRUE(GetItemDisplayPrefs(sub, 0, &stored));
  EXPECT_EQ(stored.iconSize, 24);
  EXPECT_EQ(GetMenuIconSize(sub), 24);
  EXPECT_EQ(CountMenuItems(sub), 0);
  auto subView = GetMenuView(sub).value();
  EXPECT_EQ(subView.fontID, 3) << "the parent's font";
  EXPECT_EQ(subView.fontSize, 11);
  EXPECT_EQ(GetMenuView(Submenu(2)).value().fontID, 5);
  // A second submenu for one item replaces the first, which goes.
  const MenuID oldID = GetMenuID(sub);
  AttachFolderSubmenu(menu, 1, &folder, &prefs, nullptr, nullptr);
  ASSERT_TRUE(Submenu(1));
  EXPECT_NE(GetMenuID(Submenu(1)), oldID);
  EXPECT_EQ(FindAgentMenu(oldID), nullptr);
  AttachFolderSubmenu(menu, 9, &folder, &prefs, nullptr, nullptr);  // no such item
}

// Enabled state, from (flags, header label) in and out of drop mode.
TEST_F(ItemRecords, DropModeEnablesOnlyFoldersApplicationsAndHeaders) {
  struct Case {
    const char* name;
    UInt32 flags;
    bool header;
    bool startEnabled;
    bool enabledOutside;
    bool enabledInDrop;
  };
  const Case cases[] = {
      {"document", kPlain, false, true, true, false},
      {"no flags", 0, false, false, true, false},
      {"package", kPackage, false, true, true, false},
      {"application", kApp, false, false, false, false},
      {"app bundle", kAppBundle, false, true, true, true},
      {"folder", kFolder, false, true, true, true},
      {"folder header", kFolder, true, true, false, true},
  };
  for (const Case& c : cases) {
    MenuItemIndex item = Append(c.name);
    const UInt8 label = c.header ? 1 : 0;
    if (c.header) SetMenuItemProperty(menu, item, kSKIDCreator, kLabelTag, 1, &label);
    for (bool drop : {false, true}) {
      gDropMenuActive = drop;
      if (c.startEnabled)
        EnableMenuItem(menu, item);
      else
        DisableMenuItem(menu, item);
      ValidateItem(0, c.flags, menu, item, nullptr, nullptr, nullptr);
      EXPECT_EQ(IsMenuItemEnabled(menu, item), drop ? c.enabledInDrop : c.enabledOutside)
          << c.name << (drop ? " in drop mode" : "");
    }
  }
}

TEST_F(ItemRecords, AliasToAFolderGetsASubmenuWhileTheFolderExists) {
  fs::create_symlink(Path("Later"), Path("link"));
  FSRef link = Ref("link");
  MenuItemIndex item = Append("link", &link, 1, kAlias);
  DisplayPrefs prefs;
  ValidateItem(1, kAlias, menu, item, &prefs, RecordInstall, nullptr);
  EXPECT_FALSE(Submenu(item)) << "the target does not exist yet";

  fs::create_directory(Path("Later"));
  ValidateItem(1, kAlias, menu, item, nullptr, nullptr, nullptr);
  EXPECT_FALSE(Submenu(item)) << "no display record, no submenu";
  ValidateItem(1, kAlias, menu, item, &prefs, RecordInstall, nullptr);
  MenuRef sub = Submenu(item);
  ASSERT_TRUE(sub);
  FSRef listed, stored, target = Ref("Later");
  ASSERT_TRUE(GetItemFSRef(sub, 0, &listed));
  EXPECT_EQ(FSCompareFSRefs(&listed, &target), noErr);
  ASSERT_TRUE(GetItemFSRef(menu, item, &stored));
  EXPECT_EQ(FSCompareFSRefs(&stored, &link), noErr) << "the item keeps naming the alias";
  EXPECT_TRUE(IsMenuItemEnabled(menu, item));
  gDropMenuActive = true;
  ValidateItem(1, kAlias, menu, item, &prefs, RecordInstall, nullptr);
  EXPECT_EQ(Submenu(item), sub) << "an existing submenu is kept";
  EXPECT_TRUE(IsMenuItemEnabled(menu, item)) << "judged by the target: a folder";
  gDropMenuActive = false;

  fs::remove(Path("Later"));
  ValidateItem(1, kAlias, menu, item, &prefs, RecordInstall, nullptr);
  EXPECT_FALSE(Submenu(item));
  EXPECT_FALSE(IsValidMenu(sub)) << "disposed, not just detached";

  // An alias retargeted to a file loses its submenu as well.
  fs::create_directory(Path("Later"));
  ValidateItem(1, kAlias, menu, item, &prefs, RecordInstall, nullptr);
  ASSERT_TRUE(Submenu(item));
  fs::remove(Path("Later"));
  plist_test::WriteFile(Path("Later"), "now a file");
  gDropMenuActive = true;
  ValidateItem(1, kAlias, menu, item, &prefs, RecordInstall, nullptr);
  EXPECT_FALSE(Submenu(item));
  EXPECT_FALSE(IsMenuItemEnabled(menu, item)) << "a document target in drop mode";
}

TEST_F(ItemRecords, RevalidationSkipsItemsWithoutANodeAndShowsBoundKeys) {
  plist_test::WriteFile(Path("doc"), "x");
  FSRef doc = Ref("doc");
  Append("placeholder");
  Append("doc", &doc, 321, 0);
  Append("folder", &doc, 322, kFolder);
  DisableMenuItem(menu, 1);
  DisableMenuItem(menu, 2);
  KeyBindingRecord record;
  record.nodeID = 321;
  record.fileRef = doc;
  record.keyCode = 0x60;
  gKeyBindingRecords.push_back(std::make_unique<KeyBindingRecord>(record));
  RevalidateItemRange(menu, 0, 9, nullptr, nullptr, nullptr);
  gKeyBindingRecords.clear();
  EXPECT_FALSE(IsMenuItemEnabled(menu, 1)) << "no 'NODE': left alone";
  EXPECT_TRUE(IsMenuItemEnabled(menu, 2)) << "missing 'FLAG' counts as 0";
  EXPECT_EQ(View(2).glyph, 0x73) << "its bound key (F5) shows";
  EXPECT_EQ(View(3).glyph, 0);
}

// Icons record the order in which items go (the menu releases an item's
// icon when the item is deleted).
std::vector<void*> gReleased;
void NoRetain(UInt8, void*) {}
void RecordRelease(UInt8, void* icon) { gReleased.push_back(icon); }

TEST_F(ItemRecords, RangesGoFromTheEndWithTheirSubmenuTrees) {
  SetMenuIconOwnership(NoRetain, RecordRelease);
  gReleased.clear();
  static char icons[11];
  std::vector<MenuRef> subs;
  for (int i = 1; i <= 10; ++i) {
    MenuItemIndex item = Append(std::to_string(i).c_str());
    SetMenuItemIconHandle(menu, item, kMenuIconRefType, reinterpret_cast<Handle>(&icons[i]));
  }
  fs::create_directory(Path("F"));
  FSRef folder = Ref("F");
  DisplayPrefs prefs;
  for (MenuItemIndex i : {3, 4, 5, 8})
    AttachFolderSubmenu(menu, i, &folder, &prefs, nullptr, nullptr);
  // A deeper level below item 4.
  InsertFileItem(Submenu(4), CFSTR("inner"), &folder, nullptr, false, 0, 0, 0);
  AttachFolderSubmenu(Submenu(4), 1, &folder, &prefs, nullptr, nullptr);
  MenuRef inner = View(1, Submenu(4)).submenu;
  for (MenuItemIndex i : {3, 4, 5}) subs.push_back(Submenu(i));

  DeleteItemRange(menu, 3, 5);
  SetMenuIconOwnership(nullptr, nullptr);
  RegisterIconOwnershipWithMenus();
  EXPECT_EQ(gReleased, (std::vector<void*>{&icons[5], &icons[4], &icons[3]}));
  for (MenuRef m : subs) EXPECT_FALSE(IsValidMenu(m));
  EXPECT_FALSE(IsValidMenu(inner));
  ASSERT_EQ(CountMenuItems(menu), 7);
  const char* left[] = {"1", "2", "6", "7", "8", "9", "10"};
  for (MenuItemIndex i = 1; i <= 7; ++i) EXPECT_EQ(View(i).text, left[i - 1]);
  EXPECT_TRUE(Submenu(5)) << "item 8, now 5, keeps its submenu";
  DeleteItemRange(menu, 6, 0);  // to the end
  EXPECT_EQ(CountMenuItems(menu), 5);
}

TEST_F(ItemRecords, ApplyFunctionsInsertAfterTheRunningIndexAndConsumeTheirRecords) {
  plist_test::WriteFile(Path("app"), "x");
  Append("first");
  Append("last");
  auto make = [&](const char* name, UInt32 flags) {
    auto* r = new CollectedItem;
    r->ref = Ref("app");
    r->name = CFStringFromUTF8(name).Detach();
    r->nodeID = 9;
    r->lsFlags = flags;
    return r;
  };
  CollectedItem* pane = make("Pane", kApp);
  CollectedItem* recent = make("Recent", kPlain);
  recent->extra[0] = 1;
  CollectedItem* process = make("Proc", kApp);
  const ProcessSerialNumber psn{0, 77};
  std::memcpy(process->extra, &psn, sizeof psn);
  CFRef<CFStringRef> paneName = CFRef<CFStringRef>::Retain(pane->name);

  gDropMenuActive = true;
  gRecordInsertIndex = 1;
  InsertPaneRecord(pane, menu);
  InsertRecentRecord(recent, menu);
  InsertProcessRecord(process, menu);
  EXPECT_EQ(gRecordInsertIndex, 4);
  EXPECT_EQ(CFGetRetainCount(paneName), 1) << "the record's name was released";
  const char* order[] = {"first", "Pane", "Recent", "Proc", "last"};
  for (MenuItemIndex i = 1; i <= 5; ++i) EXPECT_EQ(View(i).text, order[i - 1]);
  EXPECT_FALSE(IsMenuItemEnabled(menu, 2)) << "panes count as plain items";
  EXPECT_FALSE(IsMenuItemEnabled(menu, 3));
  EXPECT_TRUE(IsMenuItemEnabled(menu, 4));
  ProcessSerialNumber stored;
  ASSERT_EQ(GetMenuItemProperty(menu, 4, kSKIDCreator, kProcessTag, 8, nullptr, &stored), noErr);
  EXPECT_EQ(stored, psn);
  EXPECT_FALSE(Has(menu, 3, kProcessTag));
}

}  // namespace
