// The mount-and-retry rule of alias resolution.
#include <unistd.h>

#include "platform/files/Aliases.h"
#include "platform/files/Files.h"
#include "shell/AgentFixture.h"
#include "shell/Aliases.h"

namespace {

using agent_test::WriteFile;

class AliasesTest : public agent_test::AgentTest {
 protected:
  AliasesTest() {
    volume_ = dir / "Volumes/Backup";
    desktop.fileSystem->AddVolume("Backup", volume_, true, true);
    WriteFile(volume_ + "/report.txt", "data");
    ::symlink((volume_ + "/report.txt").c_str(), (dir / "report alias").c_str());
    SimProcess editor;
    editor.name = "TextEdit";
    editorPSN_ = desktop.processes.AddProcess(editor, true);
  }
  std::string PathOf(const FSRef& ref) {
    UInt8 path[1024];
    return FSRefMakePath(&ref, path, sizeof path) == noErr ? reinterpret_cast<char*>(path) : "";
  }
  void Unmount() { desktop.fileSystem->SetMounted("Backup", false); }

  std::string volume_;
  ProcessSerialNumber editorPSN_;
};

TEST_F(AliasesTest, WithoutInteractionAnUnmountedVolumeIsOneQuietFailure) {
  FSRef ref = Ref(dir / "report alias");
  Unmount();
  EXPECT_EQ(ResolveAliasFile(&ref, true, nullptr, nullptr, false, 0), nsvErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 0);
  EXPECT_EQ(Count("front: "), 0u) << "nothing may come to the front";
}

TEST_F(AliasesTest, WithInteractionTheVolumeIsMountedWithTheAgentInFront) {
  FSRef ref = Ref(dir / "report alias");
  Unmount();
  bool isFolder = true, wasAliased = false;
  ASSERT_EQ(ResolveAliasFile(&ref, true, &isFolder, &wasAliased, true, 0), noErr);
  EXPECT_TRUE(wasAliased);
  EXPECT_FALSE(isFolder);
  EXPECT_EQ(PathOf(ref), volume_ + "/report.txt");
  // The agent came to the front for the question and handed it back after.
  const auto self = Find("front: Korvane");
  const auto asked = Find("mount request: \"Backup\" mounted");
  const auto back = Find("front: TextEdit (front window only)");
  ASSERT_TRUE(self && asked && back);
  EXPECT_LT(*self, *asked);
  EXPECT_LT(*asked, *back);
  EXPECT_EQ(desktop.processes.Front(), editorPSN_);
}

TEST_F(AliasesTest, ARefusedMountStillHandsTheFrontBack) {
  FSRef ref = Ref(dir / "report alias");
  const FSRef before = ref;
  Unmount();
  desktop.fileSystem->SetMountAnswer(false);
  EXPECT_EQ(ResolveAliasFile(&ref, true, nullptr, nullptr, true, 0), nsvErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 1);
  EXPECT_EQ(desktop.processes.Front(), editorPSN_);
  EXPECT_EQ(std::memcmp(&ref, &before, sizeof ref), 0) << "a failed resolution keeps the ref";
}

TEST_F(AliasesTest, ExplicitMountFlagsMakeOneCallWithThem) {
  FSRef ref = Ref(dir / "report alias");
  Unmount();
  EXPECT_EQ(ResolveAliasFile(&ref, true, nullptr, nullptr, true, kResolveAliasFileNoUI), nsvErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 0);
  EXPECT_EQ(Count("front: "), 0u);
}

TEST_F(AliasesTest, ExplicitMountFlagsThatAllowAskingMountInTheOneCall) {
  // Flags other than "no UI" make one call that may ask: the volume is
  // mounted, and as there is no second call the front is not switched.
  FSRef ref = Ref(dir / "report alias");
  Unmount();
  bool isFolder = true, wasAliased = false;
  ASSERT_EQ(ResolveAliasFile(&ref, true, &isFolder, &wasAliased, true, kResolveAliasTryFileIDFirst),
            noErr);
  EXPECT_TRUE(wasAliased);
  EXPECT_FALSE(isFolder);
  EXPECT_EQ(PathOf(ref), volume_ + "/report.txt");
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 1);
  EXPECT_EQ(Count("front: "), 0u);

  FSRef target = Ref(volume_ + "/report.txt");
  AliasHandle alias = nullptr;
  ASSERT_EQ(FSNewAlias(nullptr, &target, &alias), noErr);
  Unmount();
  desktop.fileSystem->SetMountAnswer(false);
  FSRef out;
  bool changed = true;
  EXPECT_EQ(ResolveAliasRecord(alias, &out, &changed, true, kResolveAliasTryFileIDFirst), nsvErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 2) << "asked once, not retried";
  desktop.fileSystem->SetMountAnswer(true);
  ASSERT_EQ(ResolveAliasRecord(alias, &out, &changed, true, kResolveAliasTryFileIDFirst), noErr);
  EXPECT_EQ(PathOf(out), volume_ + "/report.txt");
  EXPECT_FALSE(changed);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 3);
  EXPECT_EQ(Count("front: "), 0u);
  // Without interaction the same flags are not used: nothing is asked.
  Unmount();
  EXPECT_EQ(ResolveAliasRecord(alias, &out, nullptr, false, kResolveAliasTryFileIDFirst), nsvErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 3);
  DisposeHandle(alias);
}

TEST_F(AliasesTest, OtherFailuresAreNotRetried) {
  ::symlink((dir / "missing").c_str(), (dir / "dangling").c_str());
  FSRef ref = Ref(dir / "dangling");
  EXPECT_EQ(ResolveAliasFile(&ref, true, nullptr, nullptr, true, 0), fnfErr);
  EXPECT_EQ(Count("front: "), 0u) << "only a missing volume brings the agent forward";
}

TEST_F(AliasesTest, StoredAliasRecordsFollowTheSameRule) {
  FSRef target = Ref(volume_ + "/report.txt");
  AliasHandle alias = nullptr;
  ASSERT_EQ(FSNewAlias(nullptr, &target, &alias), noErr);
  CFRef<CFDataRef> data =
      CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(*alias), GetHandleSize(alias));
  DisposeHandle(alias);
  const std::vector<UInt8> stored(CFDataGetBytePtr(data),
                                  CFDataGetBytePtr(data) + CFDataGetLength(data));
  Unmount();

  FSRef out;
  EXPECT_EQ(ResolveAliasData(data, &out, false), nsvErr);
  EXPECT_EQ(desktop.fileSystem->MountRequests(), 0);
  ASSERT_EQ(ResolveAliasData(data, &out, true), noErr);
  EXPECT_EQ(PathOf(out), volume_ + "/report.txt");
  EXPECT_EQ(desktop.processes.Front(), editorPSN_);

  // Moved within its folder: found, and the stored record stays as it was.
  ASSERT_EQ(::rename((volume_ + "/report.txt").c_str(), (volume_ + "/renamed.txt").c_str()), 0);
  ASSERT_EQ(ResolveAliasData(data, &out, false), noErr);
  EXPECT_EQ(PathOf(out), volume_ + "/renamed.txt");
  EXPECT_EQ(
      std::vector<UInt8>(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data)),
      stored);

  EXPECT_EQ(ResolveAliasData(nullptr, &out, false), paramErr);
  CFRef<CFDataRef> junk = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("junk"), 4);
  EXPECT_NE(ResolveAliasData(junk, &out, true), noErr);
}

}  // namespace
