// korvane-sim as a program: its exit statuses and its error reports.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

RunResult RunSim(const std::string& scenario) {
  char dir[] = "/tmp/korvane-sim-test-XXXXXX";
  std::string tmp = mkdtemp(dir);
  {
    std::ofstream(tmp + "/s.scn") << scenario;
  }
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
  std::system(("rm -rf " + tmp).c_str());
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
