// Alias records, alias files (symbolic links), the mount-and-retry rule for
// unmounted volumes, and the handles alias records live in.
#include "platform/files/Aliases.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimFileSystem.h"
#include "platform/host/Host.h"
#include "support/desktop_fixture.h"
#include "support/inode_reuse.h"

namespace fs = std::filesystem;

namespace {

class AliasesTest : public fixture::FileSystemTest {
 protected:
  std::string Make(const std::string& rel, const std::string& contents = "x") {
    std::string path = root + "/" + rel;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << contents;
    return path;
  }
  void Link(const std::string& target, const std::string& rel) {
    fs::create_symlink(target, root + "/" + rel);
  }
  // Makes an alias record for path, resolves it later with the given flags.
  struct Alias {
    AliasHandle handle = nullptr;
    ~Alias() { DisposeHandle(handle); }
  };
  OSErr Resolve(const Alias& alias, unsigned long flags, std::string* found, Boolean* changed) {
    FSRef target;
    OSErr err = FSResolveAliasWithMountFlags(nullptr, alias.handle, &target, changed, flags);
    if (err == noErr) *found = PathOf(target);
    return err;
  }
};

TEST_F(AliasesTest, RecordsFindTheItemByPathThenByIdentityThenByName) {
  std::string original = Make("docs/a.txt");
  Alias alias;
  FSRef ref = Ref(original);
  ASSERT_EQ(FSNewAlias(nullptr, &ref, &alias.handle), noErr);
  ASSERT_NE(alias.handle, nullptr);
  EXPECT_GT(GetHandleSize(alias.handle), 0);
  std::string found;
  Boolean changed = true;
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, original);
  EXPECT_FALSE(changed);

  // Renamed within its folder: found by its identity.
  fs::rename(original, root + "/docs/renamed.txt");
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, root + "/docs/renamed.txt");
  EXPECT_TRUE(changed);

  // Renamed, and another file took its old name: the item itself wins.
  Make("docs/a.txt", "impostor");
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, root + "/docs/renamed.txt");

  // The item itself is gone: the file now at its path stands in for it.
  fs::remove(root + "/docs/renamed.txt");
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, original);
  EXPECT_TRUE(changed);

  fs::remove(original);
  EXPECT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), fnfErr);
  EXPECT_FALSE(changed);
}

// A file made after the recorded one was deleted may get its inode: it is
// not the recorded item, neither beside it nor at its path.
TEST_F(AliasesTest, ANewcomerWithTheRecordedInodeIsNotTheItem) {
  std::string a = Make("docs/a.txt");
  FSRef ref = Ref(a);
  Alias alias;
  ASSERT_EQ(FSNewAlias(nullptr, &ref, &alias.handle), noErr);
  if (!inode_reuse::ReplaceKeepingInode(a, root + "/docs/b.txt", inode_reuse::MakeFile))
    GTEST_SKIP() << "this file system did not hand out a freed inode again";
  std::string found;
  Boolean changed = false;
  EXPECT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), fnfErr) << found;

  // At the recorded path the newcomer only stands in for the item, as any
  // replacement does, and says so.
  fs::rename(root + "/docs/b.txt", a);
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, a);
  EXPECT_TRUE(changed);
}

// Records written before they held the item's type and birth time (version
// 1: the inode alone) are still read, and still find a renamed item.
TEST_F(AliasesTest, FirstVersionRecordsStillResolve) {
  std::string a = Make("docs/a.txt");
  const UInt64 inode = inode_reuse::InodeOf(a);
  std::vector<UInt8> bytes = {'K', 'v', 'A', 'l', 0, 1, 0, 0};
  for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<UInt8>(inode >> shift));
  for (const std::string& s : {a, std::string("/"), std::string("/"), std::string("a.txt")}) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<UInt8>(s.size() >> shift));
    bytes.insert(bytes.end(), s.begin(), s.end());
  }
  Alias alias;
  ASSERT_EQ(PtrToHand(bytes.data(), &alias.handle, static_cast<long>(bytes.size())), noErr);
  std::string found;
  Boolean changed = true;
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, a);
  EXPECT_FALSE(changed);
  fs::rename(a, root + "/docs/renamed.txt");
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, root + "/docs/renamed.txt");
  EXPECT_TRUE(changed);
  // Truncated within its fields: refused.
  for (std::size_t cut = 8; cut < bytes.size(); cut += 5) {
    AliasHandle h = nullptr;
    ASSERT_EQ(PtrToHand(bytes.data(), &h, static_cast<long>(cut)), noErr);
    FSRef target;
    EXPECT_EQ(FSResolveAliasWithMountFlags(nullptr, h, &target, nullptr, kResolveAliasFileNoUI),
              paramErr);
    DisposeHandle(h);
  }
}

TEST_F(AliasesTest, DamagedRecordsAreRefused) {
  FSRef ref = Ref(Make("a"));
  Alias alias;
  ASSERT_EQ(FSNewAliasMinimal(&ref, &alias.handle), noErr);
  const Size size = GetHandleSize(alias.handle);
  std::vector<char> bytes(*alias.handle, *alias.handle + size);
  FSRef target;
  // Every truncation is refused, never read past its end.
  for (Size cut = 0; cut < size; ++cut) {
    AliasHandle h = nullptr;
    ASSERT_EQ(PtrToHand(bytes.data(), &h, cut), noErr);
    EXPECT_EQ(FSResolveAliasWithMountFlags(nullptr, h, &target, nullptr, kResolveAliasFileNoUI),
              paramErr)
        << cut;
    DisposeHandle(h);
  }
  bytes[0] ^= 0x20;  // not our magic
  AliasHandle h = nullptr;
  ASSERT_EQ(PtrToHand(bytes.data(), &h, size), noErr);
  EXPECT_EQ(FSResolveAliasWithMountFlags(nullptr, h, &target, nullptr, kResolveAliasFileNoUI),
            paramErr);
  DisposeHandle(h);
  EXPECT_EQ(FSResolveAliasWithMountFlags(nullptr, nullptr, &target, nullptr, 0), paramErr);
}

TEST_F(AliasesTest, UnmountedVolumesAskBeforeResolving) {
  sim.AddVolume("Backup", "Volumes/Backup");
  std::string file = Make("Volumes/Backup/report.txt");
  FSRef ref = Ref(file);
  Alias alias;
  ASSERT_EQ(FSNewAlias(nullptr, &ref, &alias.handle), noErr);
  sim.SetMounted("Backup", false);

  std::string found;
  Boolean changed;
  EXPECT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), nsvErr);
  EXPECT_EQ(sim.MountRequests(), 0);

  sim.SetMountAnswer(false);
  EXPECT_EQ(Resolve(alias, 0, &found, &changed), nsvErr);
  EXPECT_EQ(sim.MountRequests(), 1);

  sim.SetMountAnswer(true);
  ASSERT_EQ(Resolve(alias, 0, &found, &changed), noErr);
  EXPECT_EQ(found, file);
  EXPECT_EQ(sim.MountRequests(), 2);
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{"mount request: \"Backup\" refused",
                                                      "mount request: \"Backup\" mounted"}));
  // Mounted now: no further question.
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(sim.MountRequests(), 2);
}

TEST_F(AliasesTest, MountFlagsWithoutNoUIMayAskToMount) {
  // Only kResolveAliasFileNoUI forbids asking: other flags, alone, let the
  // host ask the user to mount, for records and alias files alike.
  sim.AddVolume("Backup", "Volumes/Backup");
  std::string file = Make("Volumes/Backup/report.txt");
  FSRef ref = Ref(file);
  Alias alias;
  ASSERT_EQ(FSNewAlias(nullptr, &ref, &alias.handle), noErr);
  Link(file, "shortcut");
  std::string found;
  Boolean changed = true;

  sim.SetMounted("Backup", false);
  EXPECT_EQ(Resolve(alias, kResolveAliasFileNoUI | kResolveAliasTryFileIDFirst, &found, &changed),
            nsvErr);
  EXPECT_EQ(sim.MountRequests(), 0);
  ASSERT_EQ(Resolve(alias, kResolveAliasTryFileIDFirst, &found, &changed), noErr);
  EXPECT_EQ(found, file);
  EXPECT_FALSE(changed);
  EXPECT_EQ(sim.MountRequests(), 1);

  sim.SetMounted("Backup", false);
  FSRef shortcut = Ref(root + "/shortcut");
  Boolean isFolder = true, aliased = false;
  EXPECT_EQ(FSResolveAliasFileWithMountFlags(&shortcut, true, &isFolder, &aliased,
                                             kResolveAliasFileNoUI | kResolveAliasTryFileIDFirst),
            nsvErr);
  EXPECT_EQ(sim.MountRequests(), 1);
  ASSERT_EQ(FSResolveAliasFileWithMountFlags(&shortcut, true, &isFolder, &aliased,
                                             kResolveAliasTryFileIDFirst),
            noErr);
  EXPECT_EQ(PathOf(shortcut), file);
  EXPECT_TRUE(aliased);
  EXPECT_EQ(sim.MountRequests(), 2);

  // A refused request is a volume still not mounted.
  sim.SetMounted("Backup", false);
  sim.SetMountAnswer(false);
  EXPECT_EQ(Resolve(alias, kResolveAliasTryFileIDFirst, &found, &changed), nsvErr);
  EXPECT_EQ(sim.MountRequests(), 3);
}

TEST_F(AliasesTest, AVolumeMountedElsewhereIsFoundByName) {
  sim.AddVolume("Stick", "Volumes/Stick");
  FSRef ref = Ref(Make("Volumes/Stick/notes/todo.txt"));
  Alias alias;
  ASSERT_EQ(FSNewAlias(nullptr, &ref, &alias.handle), noErr);

  // The same volume, now at another mount point.
  SimFileSystem moved(root);
  moved.AddVolume("Stick", "Volumes/Stick 1");
  std::string copy = Make("Volumes/Stick 1/notes/todo.txt");
  fs::remove_all(root + "/Volumes/Stick");
  host.fileSystem = &moved;
  std::string found;
  Boolean changed = false;
  ASSERT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), noErr);
  EXPECT_EQ(found, copy);
  EXPECT_TRUE(changed);

  // A volume nobody lists any more, whose mount point is gone.
  SimFileSystem none(root);
  host.fileSystem = &none;
  EXPECT_EQ(Resolve(alias, kResolveAliasFileNoUI, &found, &changed), nsvErr);
}

TEST_F(AliasesTest, AliasFilesAreFollowedOneLinkOrTheWholeChain) {
  std::string file = Make("target.txt");
  fs::create_directories(root + "/folder");
  Link(file, "link1");
  Link("link1", "link2");  // relative
  fs::create_directories(root + "/sub");
  Link("../folder", "sub/up");

  FSRef ref = Ref(root + "/link2");
  Boolean isFolder = true, aliased = false;
  ASSERT_EQ(
      FSResolveAliasFileWithMountFlags(&ref, true, &isFolder, &aliased, kResolveAliasFileNoUI),
      noErr);
  EXPECT_EQ(PathOf(ref), file);
  EXPECT_FALSE(isFolder);
  EXPECT_TRUE(aliased);

  ref = Ref(root + "/link2");
  ASSERT_EQ(
      FSResolveAliasFileWithMountFlags(&ref, false, &isFolder, &aliased, kResolveAliasFileNoUI),
      noErr);
  EXPECT_EQ(PathOf(ref), root + "/link1");  // one step only
  EXPECT_TRUE(aliased);

  ref = Ref(root + "/sub/up");
  ASSERT_EQ(FSResolveAliasFile(&ref, true, &isFolder, &aliased), noErr);
  EXPECT_EQ(PathOf(ref), root + "/folder");
  EXPECT_TRUE(isFolder);

  // Not an alias: left alone.
  FSRef plain = Ref(file);
  FSRef before = plain;
  ASSERT_EQ(FSResolveAliasFile(&plain, true, &isFolder, &aliased), noErr);
  EXPECT_FALSE(aliased);
  EXPECT_EQ(std::memcmp(&plain, &before, sizeof plain), 0);
}

TEST_F(AliasesTest, BrokenAndLoopingAliasFilesFail) {
  Link(root + "/nowhere", "broken");
  Link("loop-b", "loop-a");
  Link("loop-a", "loop-b");
  Link("self", "self");
  Boolean isFolder, aliased;
  for (const char* name : {"broken", "loop-a", "self"}) {
    FSRef ref = Ref(root + "/" + name);
    EXPECT_EQ(
        FSResolveAliasFileWithMountFlags(&ref, true, &isFolder, &aliased, kResolveAliasFileNoUI),
        fnfErr)
        << name;
  }
  // One step of a loop is fine: it reaches the other link.
  FSRef ref = Ref(root + "/loop-a");
  EXPECT_EQ(
      FSResolveAliasFileWithMountFlags(&ref, false, &isFolder, &aliased, kResolveAliasFileNoUI),
      noErr);
  EXPECT_EQ(PathOf(ref), root + "/loop-b");
}

TEST_F(AliasesTest, AChainOf32AliasFilesIsFollowedToItsEnd) {
  // chain/1 -> chain/2 -> ... -> chain/n -> target.txt: n links.
  std::string file = Make("target.txt");
  auto makeChain = [&](const std::string& folder, int n) {
    fs::create_directories(root + "/" + folder);
    for (int i = 1; i <= n; ++i)
      Link(i == n ? file : std::to_string(i + 1), folder + "/" + std::to_string(i));
    return root + "/" + folder + "/1";
  };
  Boolean isFolder = true, aliased = false;
  FSRef ref = Ref(makeChain("32", 32));
  ASSERT_EQ(
      FSResolveAliasFileWithMountFlags(&ref, true, &isFolder, &aliased, kResolveAliasFileNoUI),
      noErr);
  EXPECT_EQ(PathOf(ref), file);
  EXPECT_TRUE(aliased);
  EXPECT_FALSE(isFolder);

  // One link more is taken for a loop; the ref is left as it was.
  ref = Ref(makeChain("33", 33));
  const FSRef before = ref;
  aliased = false;
  EXPECT_EQ(
      FSResolveAliasFileWithMountFlags(&ref, true, &isFolder, &aliased, kResolveAliasFileNoUI),
      fnfErr);
  EXPECT_EQ(std::memcmp(&ref, &before, sizeof ref), 0);
  EXPECT_FALSE(aliased);
}

TEST_F(AliasesTest, AliasFilesOntoUnmountedVolumesFollowTheMountRule) {
  sim.AddVolume("Backup", "Volumes/Backup");
  std::string file = Make("Volumes/Backup/report.txt");
  Link(file, "shortcut");
  sim.SetMounted("Backup", false);
  FSRef ref = Ref(root + "/shortcut");
  Boolean isFolder, aliased;
  EXPECT_EQ(
      FSResolveAliasFileWithMountFlags(&ref, true, &isFolder, &aliased, kResolveAliasFileNoUI),
      nsvErr);
  EXPECT_EQ(sim.MountRequests(), 0);
  ASSERT_EQ(FSResolveAliasFileWithMountFlags(&ref, true, &isFolder, &aliased, 0), noErr);
  EXPECT_EQ(PathOf(ref), file);
  EXPECT_EQ(sim.MountRequests(), 1);
}

TEST(Handles, HoldCopiesAndKeepTheirSize) {
  const char text[] = "alias bytes";
  Handle h = nullptr;
  ASSERT_EQ(PtrToHand(text, &h, sizeof text), noErr);
  EXPECT_EQ(GetHandleSize(h), static_cast<Size>(sizeof text));
  EXPECT_STREQ(*h, text);
  EXPECT_NE(static_cast<const void*>(*h), static_cast<const void*>(text));
  SetHandleSize(h, 5);
  EXPECT_EQ(MemError(), noErr);
  EXPECT_EQ(GetHandleSize(h), 5);
  EXPECT_EQ(std::string(*h, 5), "alias");
  SetHandleSize(h, 100000);
  EXPECT_EQ(std::string(*h, 5), "alias");
  DisposeHandle(h);

  Handle empty = NewHandle(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(*empty, nullptr);
  EXPECT_EQ(GetHandleSize(empty), 0);
  DisposeHandle(empty);
  EXPECT_EQ(NewHandle(-1), nullptr);
  EXPECT_EQ(MemError(), paramErr);
  EXPECT_EQ(GetHandleSize(nullptr), 0);
  EXPECT_EQ(MemError(), nilHandleErr);
  EXPECT_EQ(PtrToHand(nullptr, &h, 4), paramErr);
}

}  // namespace
