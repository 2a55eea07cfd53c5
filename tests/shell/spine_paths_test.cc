// Item paths for the drag-out helper and the System Preferences locator.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/files/Files.h"
#include "shell/AgentFixture.h"
#include "shell/Paths.h"

namespace {

using agent_test::WriteFile;

class PathsTest : public agent_test::AgentTest {
 protected:
  // A file whose absolute path is exactly length bytes long.
  std::string FileWithPathLength(std::size_t length) {
    std::string path = dir.path();
    // Folders of up to 200 characters until one last name finishes it.
    while (length - path.size() > 1 + 200) {
      path += "/" + std::string(std::min<std::size_t>(200, length - path.size() - 1 - 2), 'd');
      ::mkdir(path.c_str(), 0755);
    }
    path += "/" + std::string(length - path.size() - 1, 'f');
    WriteFile(path, "");
    return path;
  }
  std::string SystemPreferences() const { return dir / "Applications/System Preferences.app"; }
  void MakeApp(const std::string& path, const char* creator) {
    plist_test::MakeFolders(path + "/Contents/MacOS");
    WriteFile(path + "/Contents/Info.plist",
              agent_test::Plist(std::string("<dict><key>CFBundlePackageType</key><string>APPL"
                                            "</string><key>CFBundleSignature</key><string>") +
                                creator + "</string></dict>"));
  }
};

TEST_F(PathsTest, APathIsGivenInMacRoman) {
  const std::string path = dir / "Caf\xC3\xA9 \xE2\x82\xAC.txt";  // "Café €.txt"
  WriteFile(path, "");
  FSRef ref = Ref(path);
  char buffer[kItemPathBufferSize];
  ASSERT_TRUE(GetItemPath(&ref, buffer));
  // é is 0x8E and € 0xDB in Mac Roman.
  EXPECT_EQ(std::string(buffer), dir.path() + "/Caf\x8E \xDB.txt");
}

TEST_F(PathsTest, APathMustFitTheBufferWithItsTerminator) {
  char buffer[kItemPathBufferSize];
  FSRef fits = Ref(FileWithPathLength(kItemPathBufferSize - 1));
  ASSERT_TRUE(GetItemPath(&fits, buffer));
  EXPECT_EQ(std::strlen(buffer), kItemPathBufferSize - 1);
  FSRef tooLong = Ref(FileWithPathLength(kItemPathBufferSize));
  EXPECT_FALSE(GetItemPath(&tooLong, buffer));
}

TEST_F(PathsTest, CharactersWithoutAMacRomanFormFail) {
  char buffer[kItemPathBufferSize];
  const std::string japanese = dir / "\xE6\x97\xA5\xE6\x9C\xAC.txt";
  WriteFile(japanese, "");
  FSRef ref = Ref(japanese);
  EXPECT_FALSE(GetItemPath(&ref, buffer));
  // A name whose bytes are not UTF-8 has no honest Mac Roman form either.
  const std::string raw = dir / "bad\xFF.txt";
  WriteFile(raw, "");
  FSRef rawRef = Ref(raw);
  EXPECT_FALSE(GetItemPath(&rawRef, buffer));
  // Nor does an item that is gone.
  FSRef gone = Ref(dir / "bad\xFF.txt");
  ::unlink(raw.c_str());
  EXPECT_FALSE(GetItemPath(&gone, buffer));
}

TEST_F(PathsTest, SystemPreferencesAtItsFixedPathIsFoundAndCached) {
  MakeApp(SystemPreferences(), "sprf");
  FSRef first, second;
  ASSERT_EQ(LocateSystemPreferences(&first), noErr);
  const FSRef expected = Ref(SystemPreferences());
  EXPECT_EQ(FSCompareFSRefs(&first, &expected), noErr);
  // The cache answers without looking again: even with the application gone.
  std::filesystem::remove_all(SystemPreferences());
  ASSERT_EQ(LocateSystemPreferences(&second), noErr);
  EXPECT_EQ(std::memcmp(&first, &second, sizeof first), 0);
}

TEST_F(PathsTest, ElsewhereItIsFoundByItsCreatorAndAFailureIsNotCached) {
  FSRef ref;
  EXPECT_EQ(LocateSystemPreferences(&ref), kLSApplicationNotFoundErr);
  MakeApp(dir / "Applications/Utilities/Settings.app", "sprf");
  ASSERT_EQ(LocateSystemPreferences(&ref), noErr) << "the failure was not cached";
  const FSRef expected = Ref(dir / "Applications/Utilities/Settings.app");
  EXPECT_EQ(FSCompareFSRefs(&ref, &expected), noErr);
}

}  // namespace
