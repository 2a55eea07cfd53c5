// korvane-sim as a program: its exit statuses and its error reports.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "korvane-sim/Scenario.h"
#include "support/plist_support.h"

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

RunResult RunSim(const std::string& scenario) {
  plist_test::TempDir dir;
  const std::string& tmp = dir.path();
  { std::ofstream(tmp + "/s.scn") << scenario; }
  std::string cmd = std::string(KORVANE_BUILD_DIR) + "/korvane-sim " + tmp + "/s.scn >" + tmp +
                    "/out 2>" + tmp + "/err";
  int raw = std::system(cmd.c_str());
  RunResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  auto slurp = [](const std::string& p) {
    std::ifstream in(p);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  r.out = slurp(tmp + "/out");
  r.err = slurp(tmp + "/err");
  return r;
}

}  // namespace

TEST(KorvaneSim, ExitStatusReflectsExpectations) {
  auto ok = RunSim("folder ~/A\nnote hello\nexpect > note hello\nexpect-not > note bye\n");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.out.find("> note hello"), std::string::npos);

  auto failed = RunSim("note hello\nexpect > note bye\n");
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("s.scn:2:"), std::string::npos) << failed.err;
  EXPECT_NE(failed.err.find("> note hello"), std::string::npos) << "shows what was seen";

  auto negated = RunSim("note hello\nexpect-not > note h*\n");
  EXPECT_EQ(negated.status, 1);
}

TEST(KorvaneSim, ExpectationsMoveForward) {
  // A line matched once cannot satisfy a later expectation again.
  auto r = RunSim("note one\nexpect > note one\nexpect > note one\n");
  EXPECT_EQ(r.status, 1);
}

TEST(KorvaneSim, ScenarioErrorsNameFileAndLine) {
  auto unknown = RunSim("note ok\n\nfrobnicate now\n");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("s.scn:3: unknown command: frobnicate"), std::string::npos)
      << unknown.err;

  auto escape = RunSim("file ../outside x\n");
  EXPECT_EQ(escape.status, 2);
  EXPECT_NE(escape.err.find("s.scn:1:"), std::string::npos);

  auto heredoc = RunSim("file ~/x <<END\nno end marker\n");
  EXPECT_EQ(heredoc.status, 2);

  auto badWait = RunSim("wait soon\n");
  EXPECT_EQ(badWait.status, 2);
}

TEST(KorvaneSim, WaitMovesTheVirtualClock) {
  auto r = RunSim("start\nwait 2.5\nnote later\nexpect > note later\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("[   2.500] > note later"), std::string::npos) << r.out;
}

TEST(ScenarioWords, QuotedWordsCanHoldAnyByte) {
  auto words = SplitWords(R"(file "a\rb\tc\nd" "\x00\x7f\xFF\x41" "\"\\\q")", "s.scn", 1);
  ASSERT_EQ(words.size(), 4u);
  EXPECT_EQ(words[1], "a\rb\tc\nd");
  EXPECT_EQ(words[2], std::string("\x00\x7F\xFF"
                                  "A",
                                  4));
  EXPECT_EQ(words[3], "\"\\q") << "other escapes stand for the character itself";
  // Outside quotes a backslash is an ordinary character.
  EXPECT_EQ(SplitWords(R"(a\rb)", "s.scn", 1), std::vector<std::string>{R"(a\rb)"});
}

TEST(ScenarioWords, AByteEscapeNeedsTwoHexadecimalDigits) {
  for (const char* text : {R"("\x4")", R"("\xG0")", R"("\x)", R"("ab\x4z")"}) {
    try {
      (void)SplitWords(text, "s.scn", 7);
      ADD_FAILURE() << text << " was accepted";
    } catch (const ScenarioError& e) {
      EXPECT_NE(std::string(e.what()).find("s.scn:7: "), std::string::npos) << e.what();
    }
  }
}

TEST(KorvaneSim, ACarriageReturnReachesTheFile) {
  // show-file splits at line feeds only, so the carriage return stays.
  auto r = RunSim("file ~/crlf \"one\\r\\ntwo\\x09end\"\nshow-file ~/crlf\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("| one\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("| two\tend\n"), std::string::npos) << r.out;
}
