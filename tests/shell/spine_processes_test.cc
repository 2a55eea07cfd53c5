// Finding processes by signature and handing the front back.
#include "shell/AgentFixture.h"
#include "shell/FrontProcess.h"
#include "shell/Startup.h"

namespace {

class ProcessesTest : public agent_test::AgentTest {
 protected:
  ProcessSerialNumber Add(const char* name, const char* type, const char* creator,
                          bool front = false) {
    SimProcess p;
    p.name = name;
    p.type = FourCC(type);
    p.creator = FourCC(creator);
    return desktop.processes.AddProcess(p, front);
  }
  static ProcessInfoRec PreparedRecord() {
    ProcessInfoRec info;
    info.processInfoLength = kProcessInfoRecLength;
    info.processName = nullptr;
    info.processAppSpec = nullptr;
    return info;
  }
};

TEST_F(ProcessesTest, FindsTheFirstProcessWithBothTypeAndCreator) {
  Add("Impostor", "APPL", "MACS");  // right creator, wrong type
  const ProcessSerialNumber finder = Add("Finder", "FNDR", "MACS");
  Add("Second Finder", "FNDR", "MACS");
  ProcessSerialNumber psn;
  ProcessInfoRec info = PreparedRecord();
  ASSERT_EQ(FindProcessBySignature('FNDR', 'MACS', &psn, &info), noErr);
  EXPECT_EQ(psn, finder);
  EXPECT_EQ(info.processNumber, finder);
  EXPECT_EQ(info.processType, FourCC("FNDR"));
}

TEST_F(ProcessesTest, ASignatureNobodyHasEndsWithTheListsEndError) {
  Add("TextEdit", "APPL", "ttxt");
  const ProcessSerialNumber last = Add("Preview", "APPL", "prvw");
  ProcessSerialNumber psn;
  ProcessInfoRec info = PreparedRecord();
  EXPECT_EQ(FindProcessBySignature('APPL', 'none', &psn, &info), procNotFound);
  // The caller's record holds the last process examined.
  EXPECT_EQ(info.processNumber, last);
  EXPECT_EQ(info.processSignature, FourCC("prvw"));
  EXPECT_EQ(info.processName, nullptr);
}

TEST_F(ProcessesTest, TheAlternativeBrowserIsAnApplicationWithItsCreator) {
  EXPECT_FALSE(IsAltBrowserRunning());
  Add("Not the browser", "FNDR", "PFdR");
  EXPECT_FALSE(IsAltBrowserRunning());
  Add("Path Finder", "APPL", "PFdR");
  EXPECT_TRUE(IsAltBrowserRunning());
}

TEST_F(ProcessesTest, SavingTheFrontActivatesTheAgentAndRestoringBringsItBack) {
  const ProcessSerialNumber editor = Add("TextEdit", "APPL", "ttxt", true);
  ProcessSerialNumber saved;
  SaveFrontAndActivateSelf(&saved);
  EXPECT_EQ(saved, editor);
  EXPECT_EQ(desktop.processes.Front(), desktop.processes.Self());
  RestoreFront(&saved);
  EXPECT_EQ(desktop.processes.Front(), editor);
  EXPECT_TRUE(Saw("front: TextEdit (front window only)"));
}

TEST_F(ProcessesTest, RestoringAFrontThatWentAwayChangesNothing) {
  const ProcessSerialNumber editor = Add("TextEdit", "APPL", "ttxt", true);
  ProcessSerialNumber saved;
  SaveFrontAndActivateSelf(&saved);
  ASSERT_EQ(desktop.processes.Terminate(editor), noErr);
  RestoreFront(&saved);
  EXPECT_EQ(desktop.processes.Front(), desktop.processes.Self());
}

TEST_F(ProcessesTest, ActivateFinderBringsOnlyItsFrontWindowForward) {
  ActivateFinder();  // no Finder: nothing happens
  EXPECT_EQ(Count("front: "), 0u);
  const ProcessSerialNumber finder = Add("Finder", "FNDR", "MACS");
  ActivateFinder();
  EXPECT_EQ(desktop.processes.Front(), finder);
  EXPECT_TRUE(Saw("front: Finder (front window only)"));
}

}  // namespace
