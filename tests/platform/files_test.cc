// File Manager over POSIX: refs, paths, catalog information, bulk listing,
// forks, volumes and the Folder Manager.
#include "platform/files/Files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "hosts/sim/SimFileSystem.h"
#include "platform/host/Host.h"
#include "support/desktop_fixture.h"
#include "support/inode_reuse.h"

namespace fs = std::filesystem;

namespace {

// The sandbox folder is searchable by all, as a home folder usually is.
class FilesTest : public fixture::FileSystemTest {
 protected:
  void SetUp() override { fs::permissions(root, fs::perms(0755)); }

  std::string Make(const std::string& rel, const std::string& contents = "x") {
    std::string path = root + "/" + rel;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  std::string MakeDir(const std::string& rel) {
    std::string path = root + "/" + rel;
    fs::create_directories(path);
    return path;
  }
  static std::string Name(const HFSUniStr255& n) {
    std::string out;
    for (int i = 0; i < n.length; ++i)
      out += n.unicode[i] < 0x80 ? static_cast<char>(n.unicode[i]) : '?';
    return out;
  }

  // Every entry of a folder, in listing order, fetched 20 at a time as the
  // folder listing does; the counts of each batch and its status go to
  // batches.
  struct Listing {
    std::vector<std::string> names;
    std::vector<FSRef> refs;
    std::vector<FSCatalogInfo> infos;
    std::vector<std::pair<ItemCount, OSErr>> batches;
  };
  static Listing List(const FSRef& folder) {
    Listing out;
    FSIterator it = nullptr;
    EXPECT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &it), noErr);
    if (!it) return out;
    OSErr status = noErr;
    while (status == noErr) {
      FSCatalogInfo infos[20];
      FSRef refs[20];
      HFSUniStr255 names[20];
      ItemCount count = 99;
      status = FSGetCatalogInfoBulk(it, 20, &count, nullptr, 0x81C5E, infos, refs, nullptr, names);
      out.batches.emplace_back(count, status);
      for (ItemCount i = 0; i < count; ++i) {
        out.names.push_back(Name(names[i]));
        out.refs.push_back(refs[i]);
        out.infos.push_back(infos[i]);
      }
      if (out.batches.size() > 100) break;
    }
    EXPECT_EQ(FSCloseIterator(it), noErr);
    return out;
  }
};

// ------------------------------------------------------------------ refs

TEST_F(FilesTest, RefsAreEqualByIdentityAndGoStaleWhenTheItemChanges) {
  std::string a = Make("a.txt");
  MakeDir("sub");
  FSRef byPath = Ref(a);
  FSRef viaDots = Ref(root + "/sub/../a.txt");
  FSRef parent = Ref(root);
  FSRef byName;
  const UniChar name[] = {'a', '.', 't', 'x', 't'};
  ASSERT_EQ(FSMakeFSRefUnicode(&parent, 5, name, kTextEncodingUnknown, &byName), noErr);
  EXPECT_EQ(FSCompareFSRefs(&byPath, &viaDots), noErr);
  EXPECT_EQ(FSCompareFSRefs(&byPath, &byName), noErr);
  FSRef other = Ref(Make("b.txt"));
  EXPECT_EQ(FSCompareFSRefs(&byPath, &other), errFSRefsDifferent);
  FSRef zero{};
  EXPECT_EQ(FSCompareFSRefs(&byPath, &zero), paramErr);
  EXPECT_EQ(FSGetCatalogInfo(&zero, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr),
            errFSBadFSRef);

  // Renamed away: the ref's path leads nowhere.
  fs::rename(a, root + "/moved.txt");
  EXPECT_EQ(FSGetCatalogInfo(&byPath, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), fnfErr);
  UInt8 buffer[1024];
  EXPECT_EQ(FSRefMakePath(&byPath, buffer, sizeof buffer), fnfErr);

  // Replaced by another file of the same name (made while the old one still
  // exists, so the inode cannot be reused): the old ref is stale, a new one
  // differs from it.
  std::string c = Make("c.txt");
  FSRef oldC = Ref(c);
  fs::rename(c, root + "/c.old");
  Make("c.txt", "new");
  fs::remove(root + "/c.old");
  EXPECT_EQ(FSGetCatalogInfo(&oldC, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), fnfErr);
  FSRef newC = Ref(c);
  EXPECT_EQ(FSCompareFSRefs(&oldC, &newC), errFSRefsDifferent);
  EXPECT_EQ(FSGetCatalogInfo(&newC, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), noErr);
}

TEST_F(FilesTest, RefsOnTwoVolumesCompareAsDifferentVolumes) {
  // A file and a folder on a second file system: shared memory, a tmpfs
  // where the temporary folder usually is not.
  char otherDir[] = "/dev/shm/korvane-test-XXXXXX";
  if (!::mkdtemp(otherDir)) GTEST_SKIP() << "no /dev/shm to make a folder in";
  const std::string there = otherDir;
  struct RemoveAfter {
    std::string path;
    ~RemoveAfter() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } removeAfter{there};
  std::ofstream(there + "/file") << "y";
  struct stat here {
  }, away{};
  ASSERT_EQ(::stat(root.c_str(), &here), 0);
  ASSERT_EQ(::stat(there.c_str(), &away), 0);
  if (here.st_dev == away.st_dev)
    GTEST_SKIP() << "the temporary folder is on the same file system as /dev/shm";
  const FSRef localFile = Ref(Make("file")), localFolder = Ref(root);
  const FSRef otherFile = Ref(there + "/file"), otherFolder = Ref(there);
  EXPECT_EQ(FSCompareFSRefs(&localFile, &otherFile), diffVolErr);
  EXPECT_EQ(FSCompareFSRefs(&otherFile, &localFile), diffVolErr);
  EXPECT_EQ(FSCompareFSRefs(&localFolder, &otherFolder), diffVolErr);
  EXPECT_EQ(FSCompareFSRefs(&localFile, &otherFolder), diffVolErr);
  // On its own volume each still compares as usual.
  const FSRef otherAgain = Ref(there + "/../" + fs::path(there).filename().string() + "/file");
  EXPECT_EQ(FSCompareFSRefs(&otherFile, &otherAgain), noErr);
  EXPECT_EQ(FSCompareFSRefs(&otherFile, &otherFolder), errFSRefsDifferent);
}

// A file system gives the inode of a deleted item to the next one it makes:
// such a newcomer at the old path is another item, whatever its kind.
TEST_F(FilesTest, AnItemThatGotTheInodeOfADeletedOneIsAnotherItem) {
  struct Case {
    const char* what;
    bool oldIsFolder;
    void (*make)(const std::string&);
  };
  const Case cases[] = {
      {"file replaced by a file", false, inode_reuse::MakeFile},
      {"file replaced by a folder", false, inode_reuse::MakeFolder},
      {"folder replaced by a file", true, inode_reuse::MakeFile},
      {"folder replaced by a folder", true, inode_reuse::MakeFolder},
  };
  int reused = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = c.oldIsFolder ? MakeDir("item") : Make("item");
    FSRef old = Ref(path);
    FSRef listed = List(Ref(root)).refs.at(0);
    ASSERT_EQ(FSCompareFSRefs(&old, &listed), noErr);
    if (!inode_reuse::ReplaceKeepingInode(path, path, c.make)) {
      fs::remove_all(path);
      continue;
    }
    ++reused;
    FSRef now = Ref(path);
    EXPECT_EQ(FSCompareFSRefs(&old, &now), errFSRefsDifferent);
    EXPECT_EQ(FSCompareFSRefs(&listed, &List(Ref(root)).refs.at(0)), errFSRefsDifferent);
    // The old ref no longer names an existing item.
    EXPECT_EQ(FSGetCatalogInfo(&old, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), fnfErr);
    UInt8 buffer[1024];
    EXPECT_EQ(FSRefMakePath(&old, buffer, sizeof buffer), fnfErr);
    FSIterator it = nullptr;
    EXPECT_EQ(FSOpenIterator(&old, kFSIterateFlat, &it), fnfErr);
    if (it) (void)FSCloseIterator(it);
    // The new ref does, and is equal to one made again.
    FSRef again = Ref(path);
    EXPECT_EQ(FSCompareFSRefs(&now, &again), noErr);
    EXPECT_EQ(FSGetCatalogInfo(&now, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), noErr);
    fs::remove_all(path);
  }
  if (reused == 0) GTEST_SKIP() << "this file system did not hand out a freed inode again";
}

TEST_F(FilesTest, PathsRoundTripCanonically) {
  std::string file = Make("dir/file");
  fs::create_directory_symlink(root + "/dir", root + "/linkdir");
  Boolean isDir = true;
  FSRef viaLink;
  ASSERT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>((root + "//linkdir/file").c_str()),
                          &viaLink, &isDir),
            noErr);
  EXPECT_FALSE(isDir);
  EXPECT_EQ(PathOf(viaLink), file);  // folders resolved

  // The final link is an item of its own, not its target.
  FSRef link;
  ASSERT_EQ(
      FSPathMakeRef(reinterpret_cast<const UInt8*>((root + "/linkdir/").c_str()), &link, &isDir),
      noErr);
  EXPECT_FALSE(isDir);
  EXPECT_EQ(PathOf(link), root + "/linkdir");
  FSRef dir = Ref(root + "/dir");
  EXPECT_EQ(FSCompareFSRefs(&link, &dir), errFSRefsDifferent);

  // Relative paths start at the working directory.
  std::string cwd = fs::current_path().string();
  fs::current_path(root + "/dir");
  FSRef relative = Ref("file");
  fs::current_path(cwd);
  EXPECT_EQ(FSCompareFSRefs(&relative, &viaLink), noErr);

  // The buffer must hold the path and its NUL.
  std::vector<UInt8> exact(file.size() + 1);
  EXPECT_EQ(FSRefMakePath(&viaLink, exact.data(), static_cast<UInt32>(exact.size())), noErr);
  EXPECT_EQ(FSRefMakePath(&viaLink, exact.data(), static_cast<UInt32>(file.size())),
            pathTooLongErr);

  auto url = CFURLCreateFromFSRef(nullptr, &dir);
  ASSERT_TRUE(url);
  EXPECT_EQ(url.get()->path, root + "/dir");
  EXPECT_TRUE(url.get()->isDirectory);
  FSRef back;
  EXPECT_TRUE(CFURLGetFSRef(url, &back));
  EXPECT_EQ(FSCompareFSRefs(&back, &dir), noErr);

  Ref(root + "/missing", fnfErr);
  Ref(file + "/below", dirNFErr);
  EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(""), &back, nullptr), fnfErr);
}

// A folder's date to the nanosecond, and whether it is settled: read at
// least the file system's timestamp granularity after it was stamped
// (whole-second dates two seconds, the others 50 ms), never when ahead of
// the clock.
TEST_F(FilesTest, ModificationStampsHoldNanosecondsAndSayWhenTheyAreSettled) {
  std::string folder = MakeDir("dated");
  FSRef ref = Ref(folder);
  auto stampAt = [&](long secondsFromNow, long nanoseconds) {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    const struct timespec times[2] = {{0, UTIME_OMIT}, {now.tv_sec + secondsFromNow, nanoseconds}};
    EXPECT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
    FSModificationStamp stamp;
    EXPECT_EQ(FSGetModificationStamp(&ref, &stamp), noErr);
    EXPECT_EQ(stamp.seconds, now.tv_sec + secondsFromNow);
    EXPECT_EQ(stamp.nanoseconds, static_cast<UInt32>(nanoseconds));
    return static_cast<bool>(stamp.settled);
  };
  EXPECT_TRUE(stampAt(-3600, 123456789));
  EXPECT_TRUE(stampAt(-1, 1));  // 50 ms is long gone
  EXPECT_FALSE(stampAt(0, 0));  // a whole-second date: two seconds
  EXPECT_TRUE(stampAt(-3, 0));
  EXPECT_FALSE(stampAt(5, 999999999));  // ahead of the clock
  EXPECT_FALSE(stampAt(0, 999999999));  // later this second
  FSModificationStamp stamp;
  EXPECT_EQ(FSGetModificationStamp(&ref, nullptr), paramErr);
  FSRef zero{};
  EXPECT_EQ(FSGetModificationStamp(&zero, &stamp), errFSBadFSRef);
  fs::remove(folder);
  EXPECT_EQ(FSGetModificationStamp(&ref, &stamp), fnfErr);
}

TEST_F(FilesTest, CatalogInfoComesFromStat) {
  std::string file = Make("folder/.secret", "12345");
  struct timespec times[2] = {{0, UTIME_OMIT}, {978307200, 500000000}};  // 2001-01-01 00:00:00.5
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  ::chmod(file.c_str(), 0640);
  FSRef ref = Ref(file);
  FSCatalogInfo info;
  HFSUniStr255 name;
  FSRef parent;
  ASSERT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoGettableInfo, &info, &name, nullptr, &parent), noErr);
  struct stat st, pst;
  ::stat(file.c_str(), &st);
  ::stat((root + "/folder").c_str(), &pst);
  EXPECT_EQ(info.nodeID, static_cast<UInt32>(st.st_ino));
  EXPECT_EQ(info.parentDirID, static_cast<UInt32>(pst.st_ino));
  EXPECT_EQ(info.nodeFlags & kFSNodeIsDirectoryMask, 0);
  EXPECT_EQ(info.contentModDate.highSeconds, 0);
  const UInt32 lowSeconds = info.contentModDate.lowSeconds;  // packed: no reference to it
  EXPECT_EQ(lowSeconds, 978307200u + 2082844800u);
  EXPECT_EQ(info.contentModDate.fraction, 0x8000);
  EXPECT_EQ(info.permissions[0], st.st_uid);
  EXPECT_EQ(info.permissions[2] & 0xFFFF, st.st_mode & 0xFFFF);
  EXPECT_EQ(info.dataLogicalSize, 5u);
  FileInfo finder;
  std::memcpy(&finder, info.finderInfo, sizeof finder);
  EXPECT_EQ(finder.finderFlags & kIsInvisible, kIsInvisible);
  EXPECT_LT(info.volume, 0);
  EXPECT_EQ(Name(name), ".secret");
  EXPECT_EQ(PathOf(parent), root + "/folder");

  FSRef folder = Ref(root + "/folder");
  ASSERT_EQ(FSGetCatalogInfo(&folder, kFSCatInfoNodeFlags | kFSCatInfoValence | kFSCatInfoVolume,
                             &info, nullptr, nullptr, nullptr),
            noErr);
  EXPECT_EQ(info.nodeFlags & kFSNodeIsDirectoryMask, kFSNodeIsDirectoryMask);
  EXPECT_EQ(info.valence, 1u);
  FSCatalogInfo again;
  ASSERT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoVolume, &again, nullptr, nullptr, nullptr), noErr);
  EXPECT_EQ(again.volume, info.volume);  // one number per file system

  FSRef top = Ref("/");
  ASSERT_EQ(FSGetCatalogInfo(&top, kFSCatInfoParentDirID, &info, nullptr, nullptr, &parent), noErr);
  EXPECT_EQ(info.parentDirID, 1u);
  EXPECT_EQ(FSGetCatalogInfo(&parent, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr),
            errFSBadFSRef);
}

// -------------------------------------------------------------- listing

TEST_F(FilesTest, ListsInCaseInsensitiveOrderInBatchesOfTwenty) {
  std::string folder = MakeDir("many");
  std::vector<std::string> names;
  for (int i = 0; i < 44; ++i)  // a00 B01 c02 ... mixed case
    names.push_back(std::string(1, static_cast<char>((i % 2 ? 'A' : 'a') + i % 26)) +
                    (i < 10 ? "0" : "") + std::to_string(i));
  names.push_back("B");  // differs from "b" only by case: byte order decides
  names.push_back("b");
  std::vector<std::string> shuffled = names;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  for (std::size_t i = 0; i < shuffled.size(); ++i) {
    if (i % 5 == 0)
      MakeDir("many/" + shuffled[i]);
    else
      Make("many/" + shuffled[i]);
  }
  ASSERT_EQ(names.size(), 46u);
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
    std::string lx = x, ly = y;
    for (char& c : lx) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : ly) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lx != ly ? lx < ly : x < y;
  });

  Listing l = List(Ref(folder));
  EXPECT_EQ(l.names, names);
  ASSERT_EQ(l.batches.size(), 3u);
  EXPECT_EQ(l.batches[0], (std::pair<ItemCount, OSErr>(20, noErr)));
  EXPECT_EQ(l.batches[1], (std::pair<ItemCount, OSErr>(20, noErr)));
  EXPECT_EQ(l.batches[2], (std::pair<ItemCount, OSErr>(6, errFSNoMoreItems)));

  struct stat folderStat;
  ::stat(folder.c_str(), &folderStat);
  for (std::size_t i = 0; i < l.names.size(); ++i) {
    std::string path = folder + "/" + l.names[i];
    EXPECT_EQ(PathOf(l.refs[i]), path);
    struct stat st;
    ::lstat(path.c_str(), &st);
    EXPECT_EQ(l.infos[i].nodeID, static_cast<UInt32>(st.st_ino));
    EXPECT_EQ(l.infos[i].parentDirID, static_cast<UInt32>(folderStat.st_ino));
    EXPECT_EQ((l.infos[i].nodeFlags & kFSNodeIsDirectoryMask) != 0, S_ISDIR(st.st_mode)) << path;
    FSRef byPath = Ref(path);
    EXPECT_EQ(FSCompareFSRefs(&l.refs[i], &byPath), noErr);
  }
}

// The order Linux file managers show: case and accents do not separate
// names, numbers go by their value, an extension's dot comes before any
// letter; bytes that are not UTF-8 sort too, and ties go by the bytes.
TEST_F(FilesTest, ListsInTheOrderFileManagersShow) {
  const std::vector<std::string> expected = {
      "a",       "\xC3\xA4",  // ä
      "b",       "\xC3\x89",  // É
      "event.c", "event.h",  "eventgenerator.c", "File1",        "file2", "file10", "x\xFE",
      "x\xFF",   "zeta",     "\xCE\xA9mega",     "\xCF\x89mega",  // Ωmega ωmega: one folded name,
                                                                  // bytes decide
  };
  std::string folder = MakeDir("order");
  std::vector<std::string> shuffled = expected;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
  for (const std::string& name : shuffled) Make("order/" + name);
  Listing l = List(Ref(folder));
  std::vector<std::string> listed;
  for (const FSRef& ref : l.refs) listed.push_back(PathOf(ref).substr(folder.size() + 1));
  EXPECT_EQ(listed, expected);
}

TEST_F(FilesTest, TheBatchThatEndsTheFolderSaysSo) {
  for (int i = 0; i < 40; ++i) Make("forty/f" + std::to_string(100 + i));
  Listing l = List(Ref(root + "/forty"));
  EXPECT_EQ(l.names.size(), 40u);
  ASSERT_EQ(l.batches.size(), 2u);
  EXPECT_EQ(l.batches[1], (std::pair<ItemCount, OSErr>(20, errFSNoMoreItems)));

  Listing empty = List(Ref(MakeDir("empty")));
  ASSERT_EQ(empty.batches.size(), 1u);
  EXPECT_EQ(empty.batches[0], (std::pair<ItemCount, OSErr>(0, errFSNoMoreItems)));

  FSIterator it;
  ASSERT_EQ(FSOpenIterator(&l.refs[0], kFSIterateFlat, &it), errFSNotAFolder);
  FSRef folder = Ref(root + "/forty");
  ASSERT_EQ(FSOpenIterator(&folder, kFSIterateSubtree, &it), errFSBadIteratorFlags);
  ASSERT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &it), noErr);
  ItemCount count = 7;
  EXPECT_EQ(FSGetCatalogInfoBulk(it, 0, &count, nullptr, 0, nullptr, nullptr, nullptr, nullptr),
            errFSBadItemCount);
  EXPECT_EQ(count, 0u);
  // The folder's modification is noticed.
  Boolean changed = true;
  EXPECT_EQ(FSGetCatalogInfoBulk(it, 1, &count, &changed, 0, nullptr, nullptr, nullptr, nullptr),
            noErr);
  EXPECT_FALSE(changed);
  struct timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
  ::utimensat(AT_FDCWD, (root + "/forty").c_str(), times, 0);
  EXPECT_EQ(FSGetCatalogInfoBulk(it, 1, &count, &changed, 0, nullptr, nullptr, nullptr, nullptr),
            noErr);
  EXPECT_TRUE(changed);
  EXPECT_EQ(FSCloseIterator(it), noErr);
  EXPECT_EQ(FSCloseIterator(it), paramErr);
}

TEST_F(FilesTest, AwkwardNamesListAndLeadBackToTheirFiles) {
  std::string folder = MakeDir("odd");
  const std::string invalid = "bad\xFF\xFE-name";
  const std::string longName(255, 'L');
  const std::string wide = [] {
    std::string s;
    for (int i = 0; i < 85; ++i) s += "\xE6\x97\xA5";  // 85 three-byte letters: 255 bytes
    return s;
  }();
  const std::string feed = "line\nfeed";
  const std::string astral = "\xF0\x9F\x93\x81 folder";  // one letter outside the BMP
  for (const std::string& n : {invalid, longName, wide, feed, astral}) Make("odd/" + n, n);

  FSRef parent = Ref(folder);
  FSIterator it;
  ASSERT_EQ(FSOpenIterator(&parent, kFSIterateFlat, &it), noErr);
  HFSUniStr255 names[10];
  FSRef refs[10];
  ItemCount count = 0;
  EXPECT_EQ(FSGetCatalogInfoBulk(it, 10, &count, nullptr, 0, nullptr, refs, nullptr, names),
            errFSNoMoreItems);
  FSCloseIterator(it);
  ASSERT_EQ(count, 5u);
  std::vector<std::string> found;
  for (ItemCount i = 0; i < count; ++i) {
    std::string path = PathOf(refs[i]);
    ASSERT_EQ(path.rfind(folder + "/", 0), 0u);
    std::string onDisk = path.substr(folder.size() + 1);
    found.push_back(onDisk);
    // The listed name finds the same file again.
    FSRef again;
    ASSERT_EQ(FSMakeFSRefUnicode(&parent, names[i].length, names[i].unicode, kTextEncodingUnknown,
                                 &again),
              noErr)
        << onDisk;
    EXPECT_EQ(FSCompareFSRefs(&again, &refs[i]), noErr);
    std::size_t expectedUnits = onDisk == wide ? 85 : onDisk == astral ? 9 : onDisk.size();
    EXPECT_EQ(names[i].length, expectedUnits) << onDisk;
    if (onDisk == feed) {
      EXPECT_EQ(names[i].unicode[4], u'\n');
    }
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> expected = {invalid, longName, wide, feed, astral};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);

  const UniChar slash[] = {'a', '/', 'b'};
  const UniChar loneHigh[] = {0xD800, 'x'};
  const UniChar dots[] = {'.', '.'};
  FSRef out;
  EXPECT_EQ(FSMakeFSRefUnicode(&parent, 3, slash, 0, &out), bdNamErr);
  EXPECT_EQ(FSMakeFSRefUnicode(&parent, 2, loneHigh, 0, &out), bdNamErr);
  EXPECT_EQ(FSMakeFSRefUnicode(&parent, 2, dots, 0, &out), bdNamErr);
  EXPECT_EQ(FSMakeFSRefUnicode(&parent, 0, nullptr, 0, &out), bdNamErr);
  EXPECT_EQ(FSMakeFSRefUnicode(&parent, 1, dots, 0, &out), bdNamErr);
}

TEST_F(FilesTest, EntriesThatVanishWhileListingAreSkipped) {
  for (int i = 0; i < 45; ++i) Make("going/e" + std::to_string(100 + i));
  FSRef folder = Ref(root + "/going");
  FSIterator it;
  ASSERT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &it), noErr);
  FSRef refs[20];
  HFSUniStr255 names[20];
  ItemCount count;
  ASSERT_EQ(FSGetCatalogInfoBulk(it, 20, &count, nullptr, 0, nullptr, refs, nullptr, names), noErr);
  ASSERT_EQ(count, 20u);
  for (int i = 125; i < 130; ++i) fs::remove(root + "/going/e" + std::to_string(i));
  std::vector<std::string> rest;
  OSErr status = noErr;
  while (status == noErr) {
    status = FSGetCatalogInfoBulk(it, 20, &count, nullptr, 0, nullptr, refs, nullptr, names);
    for (ItemCount i = 0; i < count; ++i) rest.push_back(Name(names[i]));
  }
  EXPECT_EQ(status, errFSNoMoreItems);
  ASSERT_EQ(rest.size(), 20u);
  EXPECT_EQ(rest.front(), "e120");
  EXPECT_EQ(rest[5], "e130");
  FSCloseIterator(it);

  // The whole folder removed after opening: nothing more, no error besides
  // the end.
  ASSERT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &it), noErr);
  fs::remove_all(root + "/going");
  EXPECT_EQ(FSGetCatalogInfoBulk(it, 20, &count, nullptr, 0, nullptr, refs, nullptr, names),
            errFSNoMoreItems);
  EXPECT_EQ(count, 0u);
  FSCloseIterator(it);
  EXPECT_EQ(FSOpenIterator(&folder, kFSIterateFlat, &it), fnfErr);
}

TEST_F(FilesTest, AFolderThatCannotBeReadFailsToOpen) {
  std::string locked = MakeDir("locked");
  Make("locked/inside");
  FSRef ref = Ref(locked);
  ::chmod(locked.c_str(), 0);
  auto openAsUser = [&ref] {
    // Root reads everything, so the check runs as an ordinary user.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(2);
    FSIterator it;
    std::_Exit(FSOpenIterator(&ref, kFSIterateFlat, &it) == afpAccessDenied ? 0 : 1);
  };
  EXPECT_EXIT(openAsUser(), testing::ExitedWithCode(0), "");
}

// ----------------------------------------------------------------- forks

TEST_F(FilesTest, ForksReadFromTheMarkAndReportTheEnd) {
  std::string data(1000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  FSRef ref = Ref(Make("data.bin", data));
  HFSUniStr255 dataFork;
  ASSERT_EQ(FSGetDataForkName(&dataFork), noErr);
  FSIORefNum fork;
  ASSERT_EQ(FSOpenFork(&ref, dataFork.length, dataFork.unicode, fsRdPerm, &fork), noErr);
  SInt64 size = 0;
  EXPECT_EQ(FSGetForkSize(fork, &size), noErr);
  EXPECT_EQ(size, 1000);
  char buffer[1000];
  ByteCount got = 0;
  EXPECT_EQ(FSReadFork(fork, fsAtMark, 0, 400, buffer, &got), noErr);
  EXPECT_EQ(got, 400u);
  EXPECT_EQ(std::string(buffer, 400), data.substr(0, 400));
  EXPECT_EQ(FSReadFork(fork, fsAtMark, 0, 400, buffer, &got), noErr);
  EXPECT_EQ(std::string(buffer, 400), data.substr(400, 400));
  EXPECT_EQ(FSReadFork(fork, fsAtMark, 0, 400, buffer, &got), eofErr);
  EXPECT_EQ(got, 200u);
  EXPECT_EQ(std::string(buffer, 200), data.substr(800));
  EXPECT_EQ(FSReadFork(fork, fsFromStart, 10, 5, buffer, &got), noErr);
  EXPECT_EQ(std::string(buffer, 5), data.substr(10, 5));
  EXPECT_EQ(FSReadFork(fork, fsFromLEOF, -3, 3, buffer, &got), noErr);
  EXPECT_EQ(std::string(buffer, 3), data.substr(997));
  EXPECT_EQ(FSReadFork(fork, fsFromStart, -1, 3, buffer, &got), posErr);
  EXPECT_EQ(FSCloseFork(fork), noErr);
  EXPECT_EQ(FSReadFork(fork, fsAtMark, 0, 1, buffer, &got), errFSBadForkRef);
  EXPECT_EQ(FSCloseFork(fork), errFSBadForkRef);

  HFSUniStr255 resource;
  ASSERT_EQ(FSGetResourceForkName(&resource), noErr);
  EXPECT_EQ(FSOpenFork(&ref, resource.length, resource.unicode, fsRdPerm, &fork),
            errFSForkNotFound);
  EXPECT_EQ(FSOpenFork(&ref, 0, nullptr, fsRdWrPerm, &fork), paramErr);
  FSRef folder = Ref(root);
  EXPECT_EQ(FSOpenFork(&folder, 0, nullptr, fsRdPerm, &fork), notAFileErr);
}

// ---------------------------------------------------- volumes and folders

TEST_F(FilesTest, VolumesAreNumberedListedAndCanGoOffline) {
  sim.AddVolume("Backup", "Volumes/Backup", true);
  sim.AddVolume("Fixed", "Volumes/Fixed", false);
  std::string inside = Make("Volumes/Backup/report.txt");
  FSVolumeRefNum first = 0, second = 0;
  HFSUniStr255 name;
  FSRef rootRef;
  ASSERT_EQ(
      FSGetVolumeInfo(kFSInvalidVolumeRefNum, 1, &first, kFSVolInfoNone, nullptr, &name, &rootRef),
      noErr);
  EXPECT_EQ(Name(name), "Backup");
  EXPECT_EQ(PathOf(rootRef), root + "/Volumes/Backup");
  ASSERT_EQ(
      FSGetVolumeInfo(kFSInvalidVolumeRefNum, 2, &second, kFSVolInfoNone, nullptr, &name, nullptr),
      noErr);
  EXPECT_EQ(Name(name), "Fixed");
  EXPECT_NE(first, second);
  EXPECT_EQ(FSGetVolumeInfo(kFSInvalidVolumeRefNum, 3, nullptr, 0, nullptr, nullptr, nullptr),
            nsvErr);

  FSRef file = Ref(inside);
  FSCatalogInfo info;
  ASSERT_EQ(FSGetCatalogInfo(&file, kFSCatInfoVolume, &info, nullptr, nullptr, nullptr), noErr);
  EXPECT_EQ(info.volume, first);
  ASSERT_EQ(FSGetCatalogInfo(&rootRef, kFSCatInfoNone, nullptr, &name, nullptr, nullptr), noErr);
  EXPECT_EQ(Name(name), "Backup");  // a root is called by its volume's name

  // Unmounted: everything below it is missing, and it is not listed.
  sim.SetMounted("Backup", false);
  EXPECT_EQ(FSGetCatalogInfo(&file, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), fnfErr);
  Ref(inside, fnfErr);
  EXPECT_EQ(List(Ref(root + "/Volumes")).names, std::vector<std::string>{"Fixed"});
  ASSERT_EQ(FSGetVolumeInfo(kFSInvalidVolumeRefNum, 1, &second, 0, nullptr, &name, nullptr), noErr);
  EXPECT_EQ(Name(name), "Fixed");
  EXPECT_EQ(FSGetVolumeInfo(first, 0, nullptr, 0, nullptr, nullptr, nullptr), nsvErr);
  sim.SetMounted("Backup", true);
  EXPECT_EQ(FSGetCatalogInfo(&file, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), noErr);

  EXPECT_EQ(FSEjectVolumeSync(second, 0, nullptr), fBsyErr);
  EXPECT_EQ(FSEjectVolumeSync(first, 0, nullptr), noErr);
  EXPECT_EQ(FSEjectVolumeSync(first, 0, nullptr), nsvErr);
  EXPECT_EQ(recorder.lines,
            (std::vector<std::string>{"eject: \"Fixed\" refused", "eject: \"Backup\" ejected"}));
}

TEST_F(FilesTest, LongVolumeNamesAreCutWithoutSplittingALetter) {
  // File names cannot exceed 255 units on Linux, but volume names can.
  sim.AddVolume(std::string(300, 'v'), "Volumes/Long");
  sim.AddVolume(std::string(254, 'a') + "\xF0\x9F\x93\x81", "Volumes/Astral");
  HFSUniStr255 name;
  ASSERT_EQ(FSGetVolumeInfo(kFSInvalidVolumeRefNum, 1, nullptr, 0, nullptr, &name, nullptr), noErr);
  EXPECT_EQ(name.length, 255);
  ASSERT_EQ(FSGetVolumeInfo(kFSInvalidVolumeRefNum, 2, nullptr, 0, nullptr, &name, nullptr), noErr);
  EXPECT_EQ(name.length, 254);  // the surrogate pair would not fit whole
  EXPECT_EQ(name.unicode[253], u'a');
}

TEST_F(FilesTest, FoldersComeFromTheHostTable) {
  FSRef ref;
  EXPECT_EQ(FSFindFolder(kUserDomain, kDesktopFolderType, kDontCreateFolder, &ref), fnfErr);
  EXPECT_TRUE(recorder.lines.empty());
  ASSERT_EQ(FSFindFolder(kUserDomain, kDesktopFolderType, kCreateFolder, &ref), noErr);
  EXPECT_EQ(PathOf(ref), sim.Home() + "/Desktop");
  EXPECT_EQ(recorder.lines,
            std::vector<std::string>{"FSFindFolder: created the user folder 'desk'"});
  ASSERT_EQ(FSFindFolder(kUserDomain, kDesktopFolderType, kCreateFolder, &ref), noErr);
  EXPECT_EQ(recorder.lines.size(), 1u);  // nothing created the second time

  sim.CreateStandardFolders();
  ASSERT_EQ(FSFindFolder(kLocalDomain, kUtilitiesFolderType, kDontCreateFolder, &ref), noErr);
  EXPECT_EQ(PathOf(ref), root + "/Applications/Utilities");
  ASSERT_EQ(FSFindFolder(kOnAppropriateDisk, kApplicationsFolderType, kDontCreateFolder, &ref),
            noErr);
  EXPECT_EQ(PathOf(ref), root + "/Applications");
  EXPECT_EQ(FSFindFolder(kUserDomain, FourCC("none"), kCreateFolder, &ref), fnfErr);

  // A table entry that is a symbolic link gives the folder itself.
  fs::create_directory_symlink(sim.Home() + "/Documents", root + "/docs-link");
  sim.SetFolder(kUserDomain, kDocumentsFolderType, root + "/docs-link");
  ASSERT_EQ(FSFindFolder(kUserDomain, kDocumentsFolderType, kDontCreateFolder, &ref), noErr);
  EXPECT_EQ(PathOf(ref), sim.Home() + "/Documents");

  // Fixed Mac paths lead into the sandbox; other paths are left alone.
  EXPECT_EQ(MapMacPath("/Applications/X.app"), root + "/Applications/X.app");
  EXPECT_EQ(MapMacPath("/Applications"), root + "/Applications");
  EXPECT_EQ(MapMacPath("/Desktop Folder"), sim.Home() + "/Desktop");
  EXPECT_EQ(MapMacPath("/ApplicationsX"), "/ApplicationsX");
  EXPECT_EQ(MapMacPath("/usr/bin"), "/usr/bin");
  EXPECT_EQ(MapMacPath("relative/Applications"), "relative/Applications");
  Make("Applications/X.app/Contents/Info.plist");
  FSRef app = Ref("/Applications/X.app");
  EXPECT_EQ(PathOf(app), root + "/Applications/X.app");

  InstallHost(previous);  // no host: no table
  EXPECT_EQ(FSFindFolder(kUserDomain, kDesktopFolderType, kCreateFolder, &ref), fnfErr);
  EXPECT_EQ(MapMacPath("/Applications"), "/Applications");
  InstallHost(&host);
}

}  // namespace
