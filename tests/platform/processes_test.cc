#include "platform/processes/Processes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimProcesses.h"
#include "platform/core/MacErrors.h"
#include "platform/files/Files.h"
#include "platform/processes/Gestalt.h"
#include "platform/processes/SystemUIMode.h"

namespace {

constexpr ProcessSerialNumber kCurrent{0, kCurrentProcess};

class ProcessesTest : public ::testing::Test {
 protected:
  ProcessesTest() {
    finder = procs.AddProcess({.name = "Finder", .type = FourCC("FNDR"), .creator = FourCC("MACS")},
                              true);
    textEdit = procs.AddProcess({.name = "TextEdit", .creator = FourCC("ttxt")});
    desktop.recorder.lines.clear();
  }
  std::vector<std::string>& Lines() { return desktop.recorder.lines; }

  SimDesktop desktop;
  SimProcesses& procs = desktop.processes;
  ProcessSerialNumber finder;
  ProcessSerialNumber textEdit;
};

std::vector<ProcessSerialNumber> WalkAll() {
  std::vector<ProcessSerialNumber> seen;
  ProcessSerialNumber psn{0, kNoProcess};
  OSErr err;
  while ((err = GetNextProcess(&psn)) == noErr) seen.push_back(psn);
  EXPECT_EQ(err, procNotFound);
  EXPECT_EQ(psn, (ProcessSerialNumber{0, kNoProcess}));
  return seen;
}

TEST_F(ProcessesTest, WalkVisitsTheTableInOrderAndEndsWithProcNotFound) {
  EXPECT_EQ(WalkAll(), (std::vector{procs.Self(), finder, textEdit}));

  // A walk continues from a process that has ended only by starting over.
  ProcessSerialNumber stale = textEdit;
  ASSERT_EQ(procs.Terminate(textEdit), noErr);
  EXPECT_EQ(GetNextProcess(&stale), procNotFound);
  EXPECT_EQ(WalkAll(), (std::vector{procs.Self(), finder}));

  // {0, kCurrentProcess} continues from the agent's own place.
  ProcessSerialNumber current = kCurrent;
  ASSERT_EQ(GetNextProcess(&current), noErr);
  EXPECT_EQ(current, finder);
  EXPECT_EQ(GetNextProcess(nullptr), paramErr);
}

TEST_F(ProcessesTest, InformationRecordIsFilledAsTheSignatureSearchReadsIt) {
  Str31 name = {};
  int fileRecord = 0;
  ProcessInfoRec info;
  info.processInfoLength = 60;
  info.processName = name;
  info.processAppSpec = &fileRecord;
  ASSERT_EQ(GetProcessInformation(&finder, &info), noErr);
  EXPECT_EQ(info.processNumber, finder);
  EXPECT_EQ(info.processType, FourCC("FNDR"));
  EXPECT_EQ(info.processSignature, FourCC("MACS"));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Finder");
  EXPECT_EQ(info.processAppSpec, &fileRecord);  // never written
  EXPECT_EQ(info.processInfoLength, 60u);

  ProcessInfoRec self;
  ASSERT_EQ(GetProcessInformation(&kCurrent, &self), noErr);
  EXPECT_EQ(self.processNumber, procs.Self());
  EXPECT_EQ(self.processSignature, FourCC("Kvne"));
  EXPECT_TRUE(self.processMode & modeOnlyBackground);

  ProcessSerialNumber gone{0, 0x7777};
  EXPECT_EQ(GetProcessInformation(&gone, &info), procNotFound);
  EXPECT_EQ(GetProcessInformation(&finder, nullptr), paramErr);
}

TEST_F(ProcessesTest, PascalNameIsMacRomanAndTruncated) {
  auto longName =
      procs.AddProcess({.name = "Caf\xC3\xA9 \xE6\x97\xA5 Editor with a very long name"});
  Str31 name = {};
  ProcessInfoRec info;
  info.processName = name;
  ASSERT_EQ(GetProcessInformation(&longName, &info), noErr);
  ASSERT_EQ(name[0], 31);
  EXPECT_EQ(name[4], 0x8E);  // é in Mac Roman
  EXPECT_EQ(name[6], '?');   // no Mac Roman form
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 7), 25), " Editor with a very long ");

  // The full name, in Unicode, comes from CopyProcessName.
  CFStringRef raw = nullptr;
  ASSERT_EQ(CopyProcessName(&longName, &raw), noErr);
  CFRef<CFStringRef> full(raw);
  EXPECT_EQ(CFStringToUTF8(full), "Caf\xC3\xA9 \xE6\x97\xA5 Editor with a very long name");
}

TEST_F(ProcessesTest, SameProcessResolvesTheCurrentProcess) {
  ProcessSerialNumber self;
  ASSERT_EQ(GetCurrentProcess(&self), noErr);
  EXPECT_NE(self, kCurrent);
  Boolean same = false;
  ASSERT_EQ(SameProcess(&kCurrent, &self, &same), noErr);
  EXPECT_TRUE(same);
  ASSERT_EQ(SameProcess(&kCurrent, &finder, &same), noErr);
  EXPECT_FALSE(same);

  // A process that has ended still matches its own number: the relaunch
  // logic compares the terminated process with the one it remembered.
  ProcessSerialNumber remembered = textEdit;
  ASSERT_EQ(procs.Terminate(textEdit), noErr);
  same = false;
  ASSERT_EQ(SameProcess(&textEdit, &remembered, &same), noErr);
  EXPECT_TRUE(same);

  EXPECT_EQ(SameProcess(&finder, nullptr, &same), paramErr);
  desktop.host().processes = nullptr;
  same = true;
  EXPECT_EQ(SameProcess(&kCurrent, &finder, &same), procNotFound);
  EXPECT_TRUE(same);
  ASSERT_EQ(SameProcess(&finder, &finder, &same), noErr);  // needs no host
}

TEST_F(ProcessesTest, FrontChangesAreMadeAndTranscribed) {
  ProcessSerialNumber front;
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, finder);

  // The start-up hand-over: the agent takes the front, then gives it back.
  ASSERT_EQ(SetFrontProcess(&kCurrent), noErr);
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, procs.Self());
  ASSERT_EQ(SetFrontProcessWithOptions(&finder, kSetFrontProcessFrontWindowOnly), noErr);
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, finder);
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"front: Korvane", "front: Finder (front window only)"}));

  Lines().clear();
  ProcessSerialNumber gone{0, 0x7777};
  EXPECT_EQ(SetFrontProcess(&gone), procNotFound);
  EXPECT_EQ(SetFrontProcessWithOptions(&finder, 0x10), paramErr);
  EXPECT_EQ(SetFrontProcess(nullptr), paramErr);
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, finder);
}

TEST_F(ProcessesTest, HidingAndShowing) {
  ASSERT_EQ(ShowHideProcess(&textEdit, false), noErr);
  EXPECT_FALSE(IsProcessVisible(&textEdit));
  EXPECT_TRUE(IsProcessVisible(&finder));

  // Bringing a hidden process to the front shows it first.
  ASSERT_EQ(SetFrontProcess(&textEdit), noErr);
  EXPECT_TRUE(IsProcessVisible(&textEdit));

  // Hiding the front process hands the front to the first visible
  // application; the background-only agent is passed over.
  ASSERT_EQ(ShowHideProcess(&textEdit, false), noErr);
  ProcessSerialNumber front;
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, finder);
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"hide: TextEdit", "show: TextEdit", "front: TextEdit",
                                      "hide: TextEdit", "front: Finder"}));

  ProcessSerialNumber gone{0, 0x7777};
  EXPECT_EQ(ShowHideProcess(&gone, true), procNotFound);
  EXPECT_FALSE(IsProcessVisible(&gone));
  EXPECT_FALSE(IsProcessVisible(nullptr));
}

TEST_F(ProcessesTest, HidingAllOthersLeavesTheProcessHiddenOnesAndTheAgent) {
  const ProcessSerialNumber mail = procs.AddProcess({.name = "Mail", .creator = FourCC("emal")});
  ASSERT_EQ(ShowHideProcess(&mail, false), noErr);
  Lines().clear();
  ASSERT_EQ(CPSPostHideMostReq(&textEdit), noErr);
  EXPECT_TRUE(IsProcessVisible(&textEdit));
  EXPECT_FALSE(IsProcessVisible(&finder));
  const ProcessSerialNumber self{0, kCurrentProcess};
  EXPECT_TRUE(IsProcessVisible(&self));
  // Only Finder is hidden (the front passes to TextEdit, the first visible
  // application); Mail was hidden already.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"hide: Finder", "front: TextEdit"}));

  const ProcessSerialNumber gone{0, 0x7777};
  EXPECT_EQ(CPSPostHideMostReq(&gone), procNotFound);
  EXPECT_EQ(CPSPostHideMostReq(nullptr), paramErr);
}

TEST_F(ProcessesTest, KillingEndsTheProcessAndReportsTheTermination) {
  std::vector<ProcessSerialNumber> terminated;
  procs.onTerminated = [&](ProcessSerialNumber psn) {
    // By the time the application hears of it, the process is gone.
    ProcessInfoRec info;
    EXPECT_EQ(GetProcessInformation(&psn, &info), procNotFound);
    terminated.push_back(psn);
  };
  ASSERT_EQ(KillProcess(&finder), noErr);
  EXPECT_EQ(terminated, std::vector{finder});
  ProcessSerialNumber front;
  ASSERT_EQ(GetFrontProcess(&front), noErr);
  EXPECT_EQ(front, textEdit);
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"kill: Finder", "terminated: Finder", "front: TextEdit"}));

  EXPECT_EQ(KillProcess(&finder), procNotFound);
  EXPECT_NE(KillProcess(&kCurrent), noErr);  // the sim cannot end the agent itself
  EXPECT_EQ(terminated.size(), 1u);
  EXPECT_EQ(WalkAll(), (std::vector{procs.Self(), textEdit}));
}

TEST_F(ProcessesTest, NameAndPid) {
  pid_t pid = 0;
  ASSERT_EQ(GetProcessPID(&kCurrent, &pid), noErr);
  EXPECT_EQ(pid, getpid());
  auto declared = procs.AddProcess({.name = "Mail", .creator = FourCC("emal"), .pid = 4242});
  ASSERT_EQ(GetProcessPID(&declared, &pid), noErr);
  EXPECT_EQ(pid, 4242);
  pid_t finderPid = 0;
  ASSERT_EQ(GetProcessPID(&finder, &finderPid), noErr);
  EXPECT_NE(finderPid, 0);
  EXPECT_NE(finderPid, getpid());

  CFStringRef raw = nullptr;
  ASSERT_EQ(CopyProcessName(&kCurrent, &raw), noErr);
  CFRef<CFStringRef> name(raw);
  EXPECT_EQ(CFStringToUTF8(name), "Korvane");
  ProcessSerialNumber gone{0, 0x7777};
  raw = nullptr;
  EXPECT_EQ(CopyProcessName(&gone, &raw), procNotFound);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(GetProcessPID(&gone, &pid), procNotFound);
}

TEST_F(ProcessesTest, WithoutAHostProcessTableEverythingFailsQuietly) {
  desktop.host().processes = nullptr;
  ProcessSerialNumber psn{0, kNoProcess};
  EXPECT_EQ(GetNextProcess(&psn), procNotFound);
  EXPECT_EQ(GetFrontProcess(&psn), procNotFound);
  EXPECT_EQ(GetCurrentProcess(&psn), procNotFound);
  EXPECT_EQ(SetFrontProcess(&kCurrent), procNotFound);
  EXPECT_FALSE(IsProcessVisible(&kCurrent));
  SInt32 version = 0;
  EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), gestaltUndefSelectorErr);
  EXPECT_EQ(SetSystemUIMode(kUIModeAllHidden, 0), unimpErr);
  EXPECT_TRUE(Lines().empty());
}

TEST_F(ProcessesTest, GestaltAnswersTheSystemVersion) {
  SInt32 version = 0;
  ASSERT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
  EXPECT_EQ(version, 0x1049);
  procs.SetSystemVersion(0x1039);
  ASSERT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
  EXPECT_EQ(version, 0x1039);

  version = 77;
  procs.SetSystemVersion(std::nullopt);
  EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), gestaltUndefSelectorErr);
  procs.SetSystemVersion(0x1049);
  EXPECT_EQ(Gestalt(FourCC("qdrw"), &version), gestaltUndefSelectorErr);
  EXPECT_EQ(version, 77);
  EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
}

TEST_F(ProcessesTest, SystemUIModeIsCheckedKeptAndTranscribed) {
  ASSERT_EQ(SetSystemUIMode(kUIModeAllHidden, 0), noErr);
  EXPECT_EQ(SetSystemUIMode(9, 0), paramErr);
  SystemUIMode mode = 0;
  SystemUIOptions options = 1;
  GetSystemUIMode(&mode, &options);
  EXPECT_EQ(mode, kUIModeAllHidden);
  EXPECT_EQ(options, 0u);
  EXPECT_EQ(procs.uiMode(), kUIModeAllHidden);
  ASSERT_EQ(SetSystemUIMode(kUIModeContentHidden, kUIOptionAutoShowMenuBar), noErr);
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"system ui mode 3", "system ui mode 2 options 0x1"}));
  ASSERT_EQ(SetSystemUIMode(kUIModeNormal, 0), noErr);
}

TEST_F(ProcessesTest, BundleLocationIsARefToTheBundlePath) {
  char folder[] = "/tmp/korvane-processes-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string bundle = std::string(folder) + "/Mail.app";
  ASSERT_EQ(mkdir(bundle.c_str(), 0755), 0);
  auto mail = procs.AddProcess({.name = "Mail", .bundlePath = bundle});

  FSRef ref;
  ASSERT_EQ(GetProcessBundleLocation(&mail, &ref), noErr);
  UInt8 path[1024];
  ASSERT_EQ(FSRefMakePath(&ref, path, sizeof path), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(path)), bundle);

  EXPECT_EQ(GetProcessBundleLocation(&textEdit, &ref), fnfErr);  // none declared
  ASSERT_EQ(rmdir(bundle.c_str()), 0);
  ASSERT_EQ(rmdir(folder), 0);
  EXPECT_EQ(GetProcessBundleLocation(&mail, &ref), fnfErr);
  ProcessSerialNumber gone{0, 0x7777};
  EXPECT_EQ(GetProcessBundleLocation(&gone, &ref), procNotFound);
  EXPECT_EQ(GetProcessBundleLocation(&mail, nullptr), paramErr);
}

}  // namespace
