// The Apple events sent to the file browser: their receivers, descriptors
// and send modes, and the duplicate-name alert of a move or copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "actions/Alert.h"
#include "actions/FinderEvents.h"
#include "platform/appleevents/AppleEvents.h"
#include "platform/core/Handles.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/files/Aliases.h"
#include "platform/processes/Processes.h"
#include "shell/FrontProcess.h"
#include "support/desktop_fixture.h"

namespace fs = std::filesystem;

namespace {

using AliasList = std::vector<std::vector<UInt8>>;

class FinderEventsTest : public fixture::DesktopTest {
 protected:
  FinderEventsTest() {
    desktop.appleEvents.answer = [this](const ProcessSerialNumber&, const AppleEvent& event,
                                        AppleEvent*) -> OSErr {
      AppleEvent copy;
      EXPECT_EQ(AEDuplicateDesc(&event, &copy), noErr);
      events.push_back(copy);
      return noErr;
    };
  }
  ~FinderEventsTest() override {
    for (AppleEvent& e : events) AEDisposeDesc(&e);
  }

  ProcessSerialNumber AddFinder() {
    SimProcess finder;
    finder.name = "Finder";
    finder.type = 'FNDR';
    finder.creator = 'MACS';
    return desktop.processes.AddProcess(finder);
  }
  ProcessSerialNumber AddAltBrowser() {
    SimProcess browser;
    browser.name = "Browser";
    browser.type = 'APPL';
    browser.creator = 'PFdR';
    return desktop.processes.AddProcess(browser);
  }
  std::string File(const std::string& rel, const std::string& text = "x") {
    const std::string path = dir.path() + "/" + rel;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
    return path;
  }

  std::string Folder(const std::string& rel) {
    const std::string path = dir.path() + "/" + rel;
    fs::create_directories(path);
    return path;
  }

  // The bytes of a parameter (or attribute) and its type.
  static std::vector<UInt8> Bytes(const AEDesc& desc) {
    std::vector<UInt8> b(static_cast<std::size_t>(AEGetDescDataSize(&desc)));
    EXPECT_EQ(AEGetDescData(&desc, b.data(), static_cast<Size>(b.size())), noErr);
    return b;
  }
  static std::vector<UInt8> Param(const AppleEvent& event, AEKeyword key, DescType type) {
    AEDesc d;
    if (AEGetParamDesc(&event, key, typeWildCard, &d) != noErr) return {};
    EXPECT_EQ(d.descriptorType, type) << FourCCString(key);
    std::vector<UInt8> b = Bytes(d);
    AEDisposeDesc(&d);
    return b;
  }
  static std::vector<UInt8> Address(const AppleEvent& event, DescType type) {
    AEDesc d;
    EXPECT_EQ(AEGetAttributeDesc(&event, keyAddressAttr, typeWildCard, &d), noErr);
    EXPECT_EQ(d.descriptorType, type);
    std::vector<UInt8> b = Bytes(d);
    AEDisposeDesc(&d);
    return b;
  }
  static std::vector<UInt8> AliasBytes(const FSRef& ref) {
    AliasHandle alias = nullptr;
    EXPECT_EQ(FSNewAliasMinimal(&ref, &alias), noErr);
    std::vector<UInt8> b(*alias, *alias + GetHandleSize(alias));
    DisposeHandle(alias);
    return b;
  }
  template <class T>
  static std::vector<UInt8> BytesOf(const T& value) {
    std::vector<UInt8> b(sizeof value);
    std::memcpy(b.data(), &value, sizeof value);
    return b;
  }
  // The aliases of a list parameter, in order.
  static std::vector<std::vector<UInt8>> ListParam(const AppleEvent& event, AEKeyword key) {
    AEDesc list;
    std::vector<std::vector<UInt8>> items;
    if (AEGetParamDesc(&event, key, typeWildCard, &list) != noErr) return items;
    EXPECT_EQ(list.descriptorType, typeAEList);
    long count = 0;
    EXPECT_EQ(AECountItems(&list, &count), noErr);
    for (long i = 1; i <= count; ++i) {
      AEDesc item;
      AEKeyword k = 0;
      EXPECT_EQ(AEGetNthDesc(&list, i, typeWildCard, &k, &item), noErr);
      EXPECT_EQ(item.descriptorType, typeAlias);
      items.push_back(Bytes(item));
      AEDisposeDesc(&item);
    }
    AEDisposeDesc(&list);
    return items;
  }
  static std::string EventName(const AppleEvent& event) {
    OSType c = 0, id = 0;
    Size size = 0;
    EXPECT_EQ(AEGetAttributePtr(&event, keyEventClassAttr, typeType, nullptr, &c, 4, &size), noErr);
    EXPECT_EQ(AEGetAttributePtr(&event, keyEventIDAttr, typeType, nullptr, &id, 4, &size), noErr);
    return FourCCString(c) + "/" + FourCCString(id);
  }
  int AlertLines() const {
    int n = 0;
    for (const std::string& line : desktop.recorder.lines) n += line.starts_with("alert (note)");
    return n;
  }

  std::vector<AppleEvent> events;
};

std::vector<UInt8> TypeBytes(OSType t) {
  std::vector<UInt8> b(4);
  std::memcpy(b.data(), &t, 4);
  return b;
}

// ------------------------------------------------------------- receivers

TEST_F(FinderEventsTest, RevealCarriesClassAndAliasToTheFinderByProcessAndBringsItForward) {
  const ProcessSerialNumber finder = AddFinder();
  const FSRef item = Ref(File("Documents/notes.txt"));
  ASSERT_EQ(SendAliasEvent(kFinderType, kFinderCreator, true, &item, kAEMiscStandards,
                           kAEMakeObjectsVisible),
            noErr);
  ASSERT_EQ(events.size(), 1u);
  const AppleEvent& e = events[0];
  EXPECT_EQ(EventName(e), "misc/mvis");
  EXPECT_EQ(Address(e, typeProcessSerialNumber), BytesOf(finder));
  EXPECT_EQ(Param(e, keyAEObjectClass, typeType), TypeBytes('alia'));
  EXPECT_EQ(Param(e, keyDirectObject, typeAlias), AliasBytes(item));
  EXPECT_EQ(desktop.appleEvents.modes.back(), 0x71);
  SInt32 transaction = -5;
  SInt16 returnID = 0;
  Size size = 0;
  ASSERT_EQ(AEGetAttributePtr(&e, keyTransactionIDAttr, typeSInt32, nullptr, &transaction,
                              sizeof transaction, &size),
            noErr);
  ASSERT_EQ(AEGetAttributePtr(&e, keyReturnIDAttr, typeSInt16, nullptr, &returnID, sizeof returnID,
                              &size),
            noErr);
  EXPECT_EQ(transaction, 0);
  EXPECT_GT(returnID, 0) << "generated";
  ProcessSerialNumber front;
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, finder);
}

TEST_F(FinderEventsTest, NothingIsSentToABrowserThatDoesNotRun) {
  const FSRef item = Ref(File("a.txt"));
  const FSRef folder = Ref(dir.path());
  const FSRef* items[] = {&item};
  EXPECT_EQ(SendAliasEvent(kAltBrowserType, kAltBrowserCreator, true, &item, kAltBrowserEventClass,
                           kAltBrowserOpenFolder),
            procNotFound);
  EXPECT_EQ(MoveOrCopyItems(items, &folder, false, false), procNotFound);
  EXPECT_TRUE(desktop.appleEvents.delivered.empty());
}

TEST_F(FinderEventsTest, TheAlternativeBrowserGetsMovesAndInfoButTrashingGoesToTheFinder) {
  AddFinder();
  const ProcessSerialNumber browser = AddAltBrowser();
  const FSRef item = Ref(File("a.txt"));
  const FSRef folder = Ref(Folder("Dest"));
  const FSRef* items[] = {&item};

  ASSERT_EQ(MoveOrCopyItems(items, &folder, true, false), noErr);
  ASSERT_EQ(ShowInfoWindow(&item), noErr);
  ASSERT_EQ(MoveFilesToFinderTrash(&item, 1), noErr);
  ASSERT_EQ(events.size(), 3u);

  EXPECT_EQ(EventName(events[0]), "core/clon");
  EXPECT_EQ(Address(events[0], typeProcessSerialNumber), BytesOf(browser));
  EXPECT_EQ(ListParam(events[0], keyDirectObject), AliasList{AliasBytes(item)});
  EXPECT_EQ(Param(events[0], keyAEInsertHere, typeAlias), AliasBytes(folder));
  EXPECT_EQ(desktop.appleEvents.modes[0], 0x71);

  EXPECT_EQ(EventName(events[1]), "PFdR/Info");
  EXPECT_EQ(Address(events[1], typeProcessSerialNumber), BytesOf(browser));
  EXPECT_EQ(Param(events[1], keyAEObjectClass, typeType), TypeBytes('alia'));
  EXPECT_EQ(desktop.appleEvents.modes[1], 0x71);

  EXPECT_EQ(EventName(events[2]), "core/delo");
  EXPECT_EQ(Address(events[2], typeApplSignature), TypeBytes('MACS'));
  EXPECT_EQ(ListParam(events[2], keyDirectObject), AliasList{AliasBytes(item)});
  EXPECT_EQ(desktop.appleEvents.modes[2], kAEWaitReply);
}

TEST_F(FinderEventsTest, TheFinderInfoWindowNamesTheItemByItsHFSPathAndComesForward) {
  const ProcessSerialNumber finder = AddFinder();
  const std::string path = File("Documents/a:b.txt");
  const FSRef item = Ref(path);
  ASSERT_EQ(ShowInfoWindow(&item), noErr);
  ASSERT_EQ(desktop.appleEvents.delivered.size(), 1u);
  std::string hfs = "Startup Disk";
  for (const auto& part : fs::path(path).relative_path())
    hfs += ":" + (part.string() == "a:b.txt" ? std::string("a/b.txt") : part.string());
  EXPECT_EQ(desktop.appleEvents.delivered[0],
            "'aevt'/'odoc' to 'sign'('MACS') {'----': 'obj '{'form': 'enum'('prop'), "
            "'want': 'type'('prop'), 'seld': 'type'('iwnd'), 'from': 'obj '{'form': "
            "'enum'('name'), 'want': 'type'('alis'), 'seld': 'utxt'(\"" +
                hfs + "\"), 'from': null}}}");
  EXPECT_EQ(desktop.appleEvents.modes[0], kAENoReply);
  ProcessSerialNumber front;
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, finder);
}

TEST_F(FinderEventsTest, QuitGoesToTheProcessWithoutWaiting) {
  const ProcessSerialNumber finder = AddFinder();
  ASSERT_EQ(QuitProcess(&finder), noErr);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(EventName(events[0]), "aevt/quit");
  EXPECT_EQ(Address(events[0], typeProcessSerialNumber), BytesOf(finder));
  EXPECT_EQ(desktop.appleEvents.modes[0], kAENoReply);
  long params = -1;
  ASSERT_EQ(AECountItems(&events[0], &params), noErr);
  EXPECT_EQ(params, 0);
}

// ------------------------------------------------- move, copy and aliases

TEST_F(FinderEventsTest, MakingAliasesPutsTheItemsUnderToAndNeverAsks) {
  AddFinder();
  const FSRef a = Ref(File("a.txt"));
  const FSRef b = Ref(File("b.txt"));
  File("Dest/a.txt");
  const FSRef folder = Ref(dir.path() + "/Dest");
  const FSRef* items[] = {&a, &b};
  ASSERT_EQ(MoveOrCopyItems(items, &folder, false, true), noErr);
  EXPECT_EQ(AlertLines(), 0);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(EventName(events[0]), "core/crel");
  EXPECT_EQ(Param(events[0], keyAEObjectClass, typeType), TypeBytes('alia'));
  EXPECT_EQ(Param(events[0], keyAEInsertHere, typeAlias), AliasBytes(folder));
  EXPECT_EQ(ListParam(events[0], keyAETo), (AliasList{AliasBytes(a), AliasBytes(b)}));
  EXPECT_TRUE(Param(events[0], keyDirectObject, typeAEList).empty());
}

TEST_F(FinderEventsTest, AnItemWithoutAnAliasIsLeftOutAndWithNoneLeftNothingIsSent) {
  AddFinder();
  const FSRef kept = Ref(File("kept.txt"));
  const std::string gonePath = File("gone.txt");
  const FSRef gone = Ref(gonePath);
  fs::remove(gonePath);
  const FSRef folder = Ref(Folder("Dest"));
  const FSRef* both[] = {&gone, &kept};
  ASSERT_EQ(MoveOrCopyItems(both, &folder, false, false), noErr);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(EventName(events[0]), "core/move");
  EXPECT_EQ(ListParam(events[0], keyDirectObject), AliasList{AliasBytes(kept)});

  const FSRef* onlyGone[] = {&gone};
  EXPECT_NE(MoveOrCopyItems(onlyGone, &folder, false, false), noErr);
  EXPECT_EQ(events.size(), 1u) << "nothing sent";
}

// Two files dropped on a folder where one of them exists already.
class DuplicateAlertTest : public FinderEventsTest {
 protected:
  void SetUp() override {
    AddFinder();
    a = Ref(File("Drop/a.txt", "new"));
    b = Ref(File("Drop/b.txt"));
    existing = Ref(File("Dest/a.txt", "old"));
    folder = Ref(dir.path() + "/Dest");
  }
  OSStatus Move() {
    const FSRef* items[] = {&a, &b};
    return MoveOrCopyItems(items, &folder, false, false);
  }
  FSRef a, b, existing, folder;
};

TEST_F(DuplicateAlertTest, ReplaceTrashesTheExistingItemFirstThenMovesBoth) {
  desktop.alerts.Script(SimAlerts::Answer::Default);
  ASSERT_EQ(Move(), noErr);
  EXPECT_EQ(AlertLines(), 1);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(EventName(events[0]), "core/delo");
  EXPECT_EQ(ListParam(events[0], keyDirectObject), AliasList{AliasBytes(existing)});
  EXPECT_EQ(desktop.appleEvents.modes[0], kAEWaitReply);
  EXPECT_EQ(EventName(events[1]), "core/move");
  EXPECT_EQ(ListParam(events[1], keyDirectObject), (AliasList{AliasBytes(a), AliasBytes(b)}));
  EXPECT_EQ(desktop.appleEvents.modes[1], 0x71);
}

TEST_F(DuplicateAlertTest, StopSendsNothing) {
  desktop.alerts.Script(SimAlerts::Answer::Cancel);
  EXPECT_EQ(Move(), noErr);
  EXPECT_EQ(AlertLines(), 1);
  EXPECT_TRUE(events.empty());
}

TEST_F(DuplicateAlertTest, AnAlertThatCannotBeShownMovesWithoutTrashing) {
  desktop.alerts.Script(SimAlerts::Answer::CannotShow);
  ASSERT_EQ(Move(), noErr);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(EventName(events[0]), "core/move");

  // Nor is anything trashed on a desktop that shows no alerts at all.
  desktop.host().alerts = nullptr;
  ASSERT_EQ(Move(), noErr);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(EventName(events[1]), "core/move");
}

TEST_F(DuplicateAlertTest, TheAlertShowsTheTextsAndHandsTheFrontBack) {
  SimProcess editor;
  editor.name = "Editor";
  const ProcessSerialNumber editorPSN = desktop.processes.AddProcess(editor, true);
  desktop.alerts.Script(SimAlerts::Answer::Cancel);
  ASSERT_EQ(Move(), noErr);
  const std::string expected =
      "alert (note): \"Move/Copy Alert\" \"One or more files with the same names as what you "
      "dragged exist in the destination folder. Would you like to move the duplicate items to "
      "the trash before proceeding?\" buttons \"Replace\" (1), \"Stop\" (2)";
  EXPECT_NE(std::find(desktop.recorder.lines.begin(), desktop.recorder.lines.end(), expected),
            desktop.recorder.lines.end());
  EXPECT_NE(std::find(desktop.recorder.lines.begin(), desktop.recorder.lines.end(),
                      "alert answered: 2 \"Stop\""),
            desktop.recorder.lines.end());
  ProcessSerialNumber front;
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, editorPSN);
}

TEST_F(FinderEventsTest, AnItemDroppedOntoItsOwnFolderIsNotItsOwnDuplicate) {
  AddFinder();
  const FSRef item = Ref(File("Dest/a.txt"));
  const FSRef folder = Ref(dir.path() + "/Dest");
  const FSRef* items[] = {&item};
  desktop.alerts.Script(SimAlerts::Answer::Default);
  ASSERT_EQ(MoveOrCopyItems(items, &folder, false, false), noErr);
  EXPECT_EQ(AlertLines(), 0);
  ASSERT_EQ(events.size(), 1u) << "the item itself is never trashed";
  EXPECT_EQ(EventName(events[0]), "core/move");
}

TEST_F(FinderEventsTest, TwoDraggedItemsOfOneNameTrashTheExistingItemOnce) {
  AddFinder();
  const FSRef first = Ref(File("One/a.txt"));
  const FSRef second = Ref(File("Two/a.txt"));
  const FSRef existing = Ref(File("Dest/a.txt"));
  const FSRef folder = Ref(dir.path() + "/Dest");
  const FSRef* items[] = {&first, &second};
  desktop.alerts.Script(SimAlerts::Answer::Default);
  ASSERT_EQ(MoveOrCopyItems(items, &folder, true, false), noErr);
  EXPECT_EQ(AlertLines(), 1);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(EventName(events[0]), "core/delo");
  EXPECT_EQ(ListParam(events[0], keyDirectObject), AliasList{AliasBytes(existing)});
  EXPECT_EQ(EventName(events[1]), "core/clon");
}

// ------------------------------------------------------------------ alerts

TEST_F(FinderEventsTest, RunAlertAnswersEachButtonAndZeroWhenNothingShows) {
  CFRef<CFStringRef> ok = CFStringFromUTF8("OK");
  CFRef<CFStringRef> cancel = CFStringFromUTF8("Cancel");
  CFRef<CFStringRef> other = CFStringFromUTF8("Other");
  CFRef<CFStringRef> message = CFStringFromUTF8("Message");
  desktop.alerts.Script(SimAlerts::Answer::Other);
  EXPECT_EQ(RunAlert(ok.get(), cancel.get(), other.get(), message.get(), nullptr), 3);
  desktop.alerts.Script(SimAlerts::Answer::Other);
  EXPECT_EQ(RunAlert(ok.get(), cancel.get(), nullptr, message.get(), nullptr), 1)
      << "a button the alert lacks cannot be pressed";
  desktop.alerts.Script(SimAlerts::Answer::Cancel);
  EXPECT_EQ(RunAlert(ok.get(), nullptr, nullptr, message.get(), nullptr), 1);
  desktop.host().alerts = nullptr;
  EXPECT_EQ(RunAlert(ok.get(), cancel.get(), nullptr, message.get(), nullptr), 0);
}

TEST(StandardAlerts, RefusedParametersMakeNoAlert) {
  SimDesktop desktop;
  CFRef<CFStringRef> message = CFStringFromUTF8("M");
  AlertStdCFStringAlertParamRec param;
  DialogRef alert = nullptr;
  param.defaultButton = kAlertStdAlertCancelButton;  // there is no cancel button
  EXPECT_EQ(CreateStandardAlert(kAlertNoteAlert, message.get(), nullptr, &param, &alert), paramErr);
  EXPECT_EQ(alert, nullptr);
  EXPECT_EQ(CreateStandardAlert(kAlertNoteAlert, nullptr, nullptr, nullptr, &alert), paramErr);
  ASSERT_EQ(CreateStandardAlert(kAlertNoteAlert, message.get(), nullptr, nullptr, &alert), noErr);
  DialogItemIndex hit = -1;
  EXPECT_EQ(RunStandardAlert(alert, nullptr, &hit), noErr);
  EXPECT_EQ(hit, 1) << "no scripted answer: Return";
}

TEST(HFSPaths, VolumeFirstColonsSwappedAndFoldersEndInAColon) {
  auto hfs = [](const char* path, bool folder) {
    CFRef<CFURLRef> url =
        CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path),
                                                static_cast<CFIndex>(std::strlen(path)), folder);
    return CFStringToUTF8(CFURLCopyFileSystemPath(url.get(), kCFURLHFSPathStyle).get());
  };
  EXPECT_EQ(hfs("/Users/ana/a:b.txt", false), "Startup Disk:Users:ana:a/b.txt");
  EXPECT_EQ(hfs("/Users/ana", true), "Startup Disk:Users:ana:");
  EXPECT_EQ(hfs("/Volumes/Backup/x", false), "Backup:x");
  EXPECT_EQ(hfs("/Volumes/Backup", true), "Backup:");
  EXPECT_EQ(hfs("/", true), "Startup Disk:");
}

}  // namespace
