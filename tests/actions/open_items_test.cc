// Opening items: the action the modifier keys select for a chosen file or
// process item, and the ways OpenItem opens an item (System Preferences,
// the alternative browser, Launch Services, resolving and trying again), on
// the simulated desktop with a scripted user.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../menus/builder_test_support.h"
#include "actions/OpenItems.h"
#include "common/PrivateFunctions.h"
#include "menus/ItemRecords.h"
#include "platform/preferences/Preferences.h"
#include "platform/processes/Processes.h"
#include "shell/Paths.h"
#include "shell/Settings.h"

namespace {

using namespace builder_test;
using Kind = SimMenuStep::Kind;
namespace fs = std::filesystem;

constexpr const char* kRevealEvent = "'misc'/'mvis'";

class OpenItemsTest : public Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    ForgetSystemPreferencesForTesting();
    gActiveTrigger = nullptr;
    finder_ = AddProcess("Finder", 'FNDR', 'MACS');
    editor_ = AddProcess("TextEdit", 'APPL', 'ttxt');
    App("Applications/TextEdit.app", 'ttxt', "txt");
    File("F/a.txt");
    Folder("F/Sub");
    (void)SetFrontProcess(&finder_);
  }
  void TearDown() override {
    ForgetSystemPreferencesForTesting();
    Sandbox::TearDown();
  }

  ProcessSerialNumber AddProcess(const std::string& name, OSType type, OSType creator) {
    SimProcess p;
    p.name = name;
    p.type = type;
    p.creator = creator;
    return desktop.processes.AddProcess(p);
  }

  // An application bundle with the signature, editing documents of the
  // extension when one is given.
  void App(const std::string& rel, OSType creator, const std::string& extension = {}) {
    const std::string types = extension.empty()
                                  ? std::string()
                                  : "<key>CFBundleDocumentTypes</key><array><dict>"
                                    "<key>CFBundleTypeExtensions</key><array><string>" +
                                        extension +
                                        "</string></array><key>CFBundleTypeRole</key>"
                                        "<string>Editor</string></dict></array>";
    File(rel + "/Contents/Info.plist",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
         "<key>CFBundlePackageType</key><string>APPL</string>"
         "<key>CFBundleSignature</key><string>" +
             FourCCString(creator) + "</string>" + types + "</dict></plist>\n");
  }

  void Step(Kind kind, std::vector<std::string> path = {}, UInt32 value = 0) {
    SimMenuStep step;
    step.kind = kind;
    step.path = std::move(path);
    step.value = value;
    desktop.menuTracking.Queue(std::move(step));
  }
  void Do(std::function<void()> action) {
    SimMenuStep step;
    step.kind = Kind::kDo;
    step.description = "the test acts";
    step.action = std::move(action);
    desktop.menuTracking.Queue(std::move(step));
  }

  // Pops the menu of the folder F up, chooses the item with the modifiers
  // held (and, for a process item, the process's record put on it while
  // the menu is open).
  void Choose(const std::string& item, UInt32 modifiers,
              const ProcessSerialNumber* process = nullptr) {
    UtilityMenu* t = Trigger();
    Step(Kind::kHighlight, {item});
    if (process) {
      const ProcessSerialNumber psn = *process;
      Do([t, psn] {
        ASSERT_EQ(SetMenuItemProperty(t->highlightedMenu, t->highlightedItem, kSKIDCreator,
                                      kProcessTag, kProcessTagSize, &psn),
                  noErr);
      });
    }
    Step(Kind::kModifiers, {}, modifiers);
    Step(Kind::kChoose);
    ShowMenuAndOpenChoice(t, false);
  }
  UtilityMenu* Trigger() {
    if (!trigger_) trigger_ = MakeTrigger(Items({Entry().Str("URL", Path("F"))}));
    return trigger_;
  }

  std::vector<std::string> Opened() const {
    std::vector<std::string> out;
    for (const auto& o : desktop.launchServices.opened)
      out.push_back(o.path.substr(root.size()) +
                    (o.app.empty() ? "" : " with " + o.app.substr(root.size())));
    return out;
  }
  std::size_t Events(const std::string& prefix) const {
    std::size_t n = 0;
    for (const std::string& e : desktop.appleEvents.delivered) n += e.starts_with(prefix);
    return n;
  }
  std::size_t Beeps() const {
    return static_cast<std::size_t>(
        std::ranges::count(desktop.recorder.lines, std::string("beep")));
  }
  bool Visible(const ProcessSerialNumber& psn) const { return IsProcessVisible(&psn); }
  bool InFront(const ProcessSerialNumber& psn) const {
    ProcessSerialNumber front;
    Boolean same = false;
    return GetFrontProcess(&front) == noErr && SameProcess(&front, &psn, &same) == noErr && same;
  }

  ProcessSerialNumber finder_{};
  ProcessSerialNumber editor_{};
  UtilityMenu* trigger_ = nullptr;
};

// ------------------------------------------------------- modifier table

TEST_F(OpenItemsTest, FileItemsOpenUnlessCommandAloneIsHeld) {
  const UInt32 opening[] = {0,         shiftKey,           controlKey,
                            optionKey, cmdKey | optionKey, shiftKey | controlKey | alphaLock};
  for (UInt32 modifiers : opening) {
    desktop.launchServices.opened.clear();
    Choose("a.txt", modifiers);
    EXPECT_EQ(Opened(), std::vector<std::string>{"/F/a.txt with /Applications/TextEdit.app"})
        << "modifiers " << modifiers;
  }
  EXPECT_EQ(Events(kRevealEvent), 0u);

  desktop.launchServices.opened.clear();
  Choose("a.txt", cmdKey | shiftKey);
  EXPECT_TRUE(Opened().empty()) << "Command without Option reveals";
  ASSERT_EQ(Events(kRevealEvent), 1u);
  EXPECT_NE(desktop.appleEvents.delivered.back().find("F/a.txt"), std::string::npos);
  EXPECT_EQ(gActiveTrigger, nullptr);
}

TEST_F(OpenItemsTest, ProcessItemsComeForwardHideTheFrontOneOrAllOthers) {
  Choose("a.txt", 0, &editor_);
  EXPECT_TRUE(InFront(editor_));
  EXPECT_TRUE(Visible(finder_));
  EXPECT_TRUE(Opened().empty()) << "a process item is never opened";

  (void)SetFrontProcess(&finder_);
  Choose("a.txt", optionKey, &editor_);
  EXPECT_TRUE(InFront(editor_));
  EXPECT_FALSE(Visible(finder_)) << "Option hides the application that was in front";

  (void)SetFrontProcess(&finder_);
  const ProcessSerialNumber other = AddProcess("Other", 'APPL', 'othr');
  Choose("a.txt", cmdKey | optionKey, &editor_);
  EXPECT_FALSE(Visible(finder_));
  EXPECT_FALSE(Visible(other));
  EXPECT_TRUE(Visible(editor_));
  ProcessSerialNumber self;
  ASSERT_EQ(GetCurrentProcess(&self), noErr);
  EXPECT_TRUE(Visible(self)) << "the background-only agent is left alone";

  Choose("a.txt", cmdKey, &editor_);
  EXPECT_EQ(Events(kRevealEvent), 1u) << "Command alone reveals a process item too";
  EXPECT_TRUE(Opened().empty());
}

TEST_F(OpenItemsTest, OptionOnTheProcessInFrontDoesNotHideIt) {
  (void)SetFrontProcess(&editor_);
  Choose("a.txt", optionKey, &editor_);
  EXPECT_TRUE(InFront(editor_));
  EXPECT_TRUE(Visible(editor_));
}

TEST_F(OpenItemsTest, NoRevealViaCommandKeyMakesCommandChoicesDoNothing) {
  CFPreferencesSetAppValue(CFSTR(kNoRevealViaCommandKeyKey), kCFBooleanTrue,
                           kCFPreferencesCurrentApplication);
  Choose("a.txt", cmdKey);
  Choose("a.txt", cmdKey, &editor_);
  EXPECT_EQ(Events(kRevealEvent), 0u);
  EXPECT_TRUE(Opened().empty());
  EXPECT_TRUE(InFront(finder_));

  Choose("a.txt", cmdKey | optionKey);
  EXPECT_EQ(Opened().size(), 1u) << "Command-Option still opens";

  CFPreferencesSetAppValue(CFSTR(kNoRevealViaCommandKeyKey), kCFBooleanFalse,
                           kCFPreferencesCurrentApplication);
  Choose("a.txt", cmdKey);
  EXPECT_EQ(Events(kRevealEvent), 1u);
}

// ------------------------------------------------------ choices that stop

TEST_F(OpenItemsTest, ActiveTriggerIsSetWhileTrackingAndClearedOnEveryPath) {
  UtilityMenu* t = Trigger();
  UtilityMenu* seen = nullptr;
  Do([&] { seen = gActiveTrigger; });
  Step(Kind::kCancel);
  ShowMenuAndOpenChoice(t, false);
  EXPECT_EQ(seen, t);
  EXPECT_EQ(gActiveTrigger, nullptr) << "nothing chosen";

  Choose("a.txt", 0);
  EXPECT_EQ(gActiveTrigger, nullptr) << "opened";
  Choose("a.txt", cmdKey);
  EXPECT_EQ(gActiveTrigger, nullptr) << "revealed";
}

TEST_F(OpenItemsTest, ChoiceDeletedBeforeTheActionOpensNothing) {
  UtilityMenu* t = Trigger();
  Step(Kind::kHighlight, {"a.txt"});
  Do([&] { fs::remove(Path("F/a.txt")); });
  Step(Kind::kChoose);
  ShowMenuAndOpenChoice(t, false);
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(Beeps(), 1u);

  // Revealed: not sent either.
  File("F/b.txt");
  Touch("F");
  Step(Kind::kHighlight, {"b.txt"});
  Do([&] { fs::remove(Path("F/b.txt")); });
  Step(Kind::kModifiers, {}, cmdKey);
  Step(Kind::kChoose);
  ShowMenuAndOpenChoice(t, false);
  EXPECT_EQ(Events(kRevealEvent), 0u);
  EXPECT_EQ(gActiveTrigger, nullptr);
}

TEST_F(OpenItemsTest, ItemWithoutFileDoesNothing) {
  UtilityMenu* t = Trigger();
  Step(Kind::kHighlight, {"a.txt"});
  Do([t] {
    (void)RemoveMenuItemProperty(t->highlightedMenu, t->highlightedItem, kSKIDCreator, kFileTag);
  });
  Step(Kind::kChoose);
  ShowMenuAndOpenChoice(t, false);
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(Beeps(), 0u);
}

// ------------------------------------------------------------- OpenItem

TEST_F(OpenItemsTest, PreferencePaneOpensInSystemPreferencesElseLikeAnyItem) {
  Folder("Panes/Sound.prefPane/Contents");
  const FSRef pane = Ref(Path("Panes/Sound.prefPane"));
  // Without System Preferences: opened on its own.
  EXPECT_EQ(OpenItem(&pane, false), noErr);
  EXPECT_EQ(Opened(), std::vector<std::string>{"/Panes/Sound.prefPane"});

  App("Applications/System Preferences.app", kSystemPreferencesCreator);
  ForgetSystemPreferencesForTesting();
  desktop.launchServices.opened.clear();
  EXPECT_EQ(OpenItem(&pane, true), noErr);
  EXPECT_EQ(Opened(), std::vector<std::string>{
                          "/Panes/Sound.prefPane with /Applications/System Preferences.app"});

  // The comparison is plain: another case is no pane.
  Folder("Panes/Other.PREFPANE");
  desktop.launchServices.opened.clear();
  const FSRef other = Ref(Path("Panes/Other.PREFPANE"));
  EXPECT_EQ(OpenItem(&other, false), noErr);
  EXPECT_EQ(Opened(), std::vector<std::string>{"/Panes/Other.PREFPANE"});
}

TEST_F(OpenItemsTest, NoDirOpenLeavesFoldersAndAliasesToFoldersAlone) {
  fs::create_symlink(Path("F/Sub"), Path("F/Sub alias"));
  fs::create_symlink(Path("F/a.txt"), Path("F/a alias"));
  const FSRef folder = Ref(Path("F/Sub"));
  const FSRef folderAlias = Ref(Path("F/Sub alias"));
  EXPECT_EQ(OpenItem(&folder, true), noErr);
  EXPECT_EQ(OpenItem(&folderAlias, true), noErr);
  EXPECT_TRUE(Opened().empty());

  Folder("F/Drafts.txt");
  const FSRef folderWithExtension = Ref(Path("F/Drafts.txt"));
  EXPECT_EQ(OpenItem(&folderWithExtension, true), noErr);
  EXPECT_TRUE(Opened().empty()) << "a folder named like a document is still a folder";
  EXPECT_EQ(OpenItem(&folderWithExtension, false), noErr);
  EXPECT_EQ(Opened(), std::vector<std::string>{"/F/Drafts.txt"}) << "in the file browser";
  desktop.launchServices.opened.clear();

  const FSRef file = Ref(Path("F/a.txt"));
  const FSRef fileAlias = Ref(Path("F/a alias"));
  const FSRef app = Ref(Path("Applications/TextEdit.app"));
  EXPECT_EQ(OpenItem(&file, true), noErr);
  EXPECT_EQ(OpenItem(&fileAlias, true), noErr);
  EXPECT_EQ(OpenItem(&app, true), noErr) << "a package is no folder";
  EXPECT_EQ(OpenItem(&folder, false), noErr);
  EXPECT_EQ(Opened(), (std::vector<std::string>{"/F/a.txt with /Applications/TextEdit.app",
                                                "/F/a.txt with /Applications/TextEdit.app",
                                                "/Applications/TextEdit.app", "/F/Sub"}));
}

TEST_F(OpenItemsTest, NoDirOpenIsReadFromTheItemsDisplayRecord) {
  // An item that names a folder (as a folder shown without its submenu
  // does), once with the byte set and once without the record.
  UtilityMenu* t = Trigger();
  const FSRef folder = Ref(Path("F/Sub"));
  for (bool withRecord : {true, false}) {
    Step(Kind::kHighlight, {"a.txt"});
    Do([t, &folder, withRecord] {
      ASSERT_EQ(SetMenuItemProperty(t->highlightedMenu, t->highlightedItem, kSKIDCreator, kFileTag,
                                    kFileTagSize, &folder),
                noErr);
      DisplayPrefs prefs;
      prefs.noDirOpen = 1;
      if (withRecord)
        ASSERT_EQ(SetMenuItemProperty(t->highlightedMenu, t->highlightedItem, kSKIDCreator,
                                      kPrefTag, kPrefTagSize, &prefs),
                  noErr);
      else
        (void)RemoveMenuItemProperty(t->highlightedMenu, t->highlightedItem, kSKIDCreator,
                                     kPrefTag);
    });
    Step(Kind::kChoose);
    ShowMenuAndOpenChoice(t, false);
    EXPECT_EQ(Opened().empty(), withRecord);
  }
}

TEST_F(OpenItemsTest, FoldersOpenInTheAlternativeBrowserWhenItRuns) {
  AddProcess("Browser", 'APPL', 'PFdR');
  const FSRef folder = Ref(Path("F/Sub"));
  EXPECT_EQ(OpenItem(&folder, false), noErr);
  EXPECT_TRUE(Opened().empty());
  ASSERT_EQ(Events("'PFdR'/'odoC'"), 1u);
  EXPECT_NE(desktop.appleEvents.delivered.back().find("F/Sub"), std::string::npos);
  EXPECT_TRUE(std::ranges::count(desktop.recorder.lines,
                                 std::string("front: Browser (front window only)")) > 0);

  const FSRef file = Ref(Path("F/a.txt"));
  EXPECT_EQ(OpenItem(&file, false), noErr);
  EXPECT_EQ(Opened().size(), 1u) << "files still open through Launch Services";
}

TEST_F(OpenItemsTest, AliasOnAnUnmountedVolumeIsResolvedMountedAndOpened) {
  desktop.fileSystem->AddVolume("Backup", "Volumes/Backup");
  File("Volumes/Backup/report.txt");
  fs::create_symlink(Path("Volumes/Backup/report.txt"), Path("F/report alias"));
  ASSERT_TRUE(desktop.fileSystem->SetMounted("Backup", false));
  const FSRef alias = Ref(Path("F/report alias"));

  desktop.fileSystem->SetMountAnswer(false);
  EXPECT_EQ(OpenItem(&alias, false), nsvErr);
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(Beeps(), 1u);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 1);

  desktop.fileSystem->SetMountAnswer(true);
  EXPECT_EQ(OpenItem(&alias, false), noErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 2);
  EXPECT_EQ(Opened(),
            std::vector<std::string>{"/Volumes/Backup/report.txt with /Applications/TextEdit.app"});
  EXPECT_EQ(Beeps(), 1u);
}

TEST_F(OpenItemsTest, FailedOpenThatResolutionCannotHelpBeepsOnce) {
  File("F/notes.unknown");
  const FSRef document = Ref(Path("F/notes.unknown"));
  EXPECT_EQ(OpenItem(&document, false), kLSApplicationNotFoundErr);
  EXPECT_EQ(Beeps(), 1u);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 0);

  const FSRef gone = Ref(Path("F/a.txt"));
  fs::remove(Path("F/a.txt"));
  EXPECT_EQ(OpenItem(&gone, false), fnfErr);
  EXPECT_EQ(Beeps(), 2u);
  EXPECT_TRUE(Opened().empty());
}

TEST_F(OpenItemsTest, IsFolderItemFollowsAliasesAndRefusesPackages) {
  fs::create_symlink(Path("F/Sub"), Path("F/Sub alias"));
  fs::create_symlink(Path("F/missing"), Path("F/broken alias"));
  auto isFolder = [&](const std::string& rel) {
    const FSRef ref = Ref(Path(rel));
    LSItemInfoRecord info;
    EXPECT_EQ(LSCopyItemInfoForRef(&ref, kLSRequestBasicFlagsOnly, &info), noErr) << rel;
    return IsFolderItem(&info, &ref);
  };
  EXPECT_TRUE(isFolder("F/Sub"));
  EXPECT_TRUE(isFolder("F/Sub alias"));
  EXPECT_FALSE(isFolder("F/broken alias")) << "unresolved: a file, as its flags say";
  EXPECT_FALSE(isFolder("F/a.txt"));
  EXPECT_FALSE(isFolder("Applications/TextEdit.app"));
  EXPECT_TRUE(isFolder("")) << "a volume's root is a container";
}

}  // namespace
