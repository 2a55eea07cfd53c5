// The simulator's own commands: the sandbox's files, the agent's start, the
// clock and expectations.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "korvane-sim/Simulator.h"
#include "platform/host/Transcript.h"

namespace fs = std::filesystem;

namespace {

void Need(const ScenarioLine& line, std::size_t words, const char* usage) {
  if (line.words.size() < words) throw ScenarioError(line, std::string("usage: ") + usage);
}

void WriteFile(const ScenarioLine& line, const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw ScenarioError(line, "cannot write " + path);
}

double Seconds(const ScenarioLine& line, const std::string& word) {
  char* end = nullptr;
  double v = std::strtod(word.c_str(), &end);
  if (end == word.c_str() || *end != '\0' || v < 0)
    throw ScenarioError(line, "not a number of seconds: " + word);
  return v;
}

}  // namespace

void RegisterCoreCommands(CommandTable& t) {
  t["file"] = {"file PATH [TEXT] | file PATH <<END", [](Simulator& sim, const ScenarioLine& l) {
                 Need(l, 2, "file PATH [TEXT]");
                 std::string content = l.hasBody ? l.body : "";
                 if (!l.hasBody && l.words.size() > 2) content = l.words[2];
                 WriteFile(l, sim.SandboxPath(l, l.words[1]), content);
               }};
  t["folder"] = {"folder PATH", [](Simulator& sim, const ScenarioLine& l) {
                   Need(l, 2, "folder PATH");
                   fs::create_directories(sim.SandboxPath(l, l.words[1]));
                 }};
  t["link"] = {"link PATH TARGET", [](Simulator& sim, const ScenarioLine& l) {
                 Need(l, 3, "link PATH TARGET");
                 std::string path = sim.SandboxPath(l, l.words[1]);
                 std::string target = l.words[2];
                 if (target.starts_with("/") || target.starts_with("~"))
                   target = sim.SandboxPath(l, target);
                 fs::create_directories(fs::path(path).parent_path());
                 std::error_code ec;
                 fs::create_symlink(target, path, ec);
                 if (ec) throw ScenarioError(l, "cannot link " + path + ": " + ec.message());
               }};
  t["remove"] = {"remove PATH", [](Simulator& sim, const ScenarioLine& l) {
                   Need(l, 2, "remove PATH");
                   std::error_code ec;
                   fs::remove_all(sim.SandboxPath(l, l.words[1]), ec);
                 }};
  t["chmod"] = {"chmod PATH OCTAL", [](Simulator& sim, const ScenarioLine& l) {
                  Need(l, 3, "chmod PATH OCTAL");
                  if (::chmod(sim.SandboxPath(l, l.words[1]).c_str(),
                              static_cast<mode_t>(std::stoul(l.words[2], nullptr, 8))) != 0)
                    throw ScenarioError(l, "cannot change the mode of " + l.words[1]);
                }};
  t["prefs"] = {"prefs <<END (an XML property list) | prefs file PATH",
                [](Simulator& sim, const ScenarioLine& l) {
                  std::string path = sim.home() + "/.config/korvane/com.talvik.korvane.plist";
                  if (l.hasBody) {
                    WriteFile(l, path, l.body);
                  } else if (l.words.size() == 3 && l.words[1] == "file") {
                    std::ifstream in(l.words[2], std::ios::binary);
                    if (!in) throw ScenarioError(l, "cannot read " + l.words[2]);
                    std::string content((std::istreambuf_iterator<char>(in)), {});
                    WriteFile(l, path, content);
                  } else {
                    throw ScenarioError(l, "usage: prefs <<END | prefs file PATH");
                  }
                }};
  t["show-file"] = {"show-file PATH", [](Simulator& sim, const ScenarioLine& l) {
                      Need(l, 2, "show-file PATH");
                      std::ifstream in(sim.SandboxPath(l, l.words[1]), std::ios::binary);
                      if (!in) {
                        sim.Note("file " + l.words[1] + ": missing");
                        return;
                      }
                      std::string row;
                      while (std::getline(in, row)) sim.Note("| " + row);
                    }};
  t["bundle"] = {"bundle PATH (the agent's bundle; default: the build tree's Korvane.app)",
                 [](Simulator& sim, const ScenarioLine& l) {
                   Need(l, 2, "bundle PATH");
                   sim.SetBundlePath(fs::absolute(l.words[1]).string());
                 }};
  t["note"] = {"note TEXT", [](Simulator&, const ScenarioLine&) {}};
  t["start"] = {"start", [](Simulator& sim, const ScenarioLine& l) { sim.Start(l); }};
  t["wait"] = {"wait SECONDS", [](Simulator& sim, const ScenarioLine& l) {
                 Need(l, 2, "wait SECONDS");
                 sim.SetPause(Seconds(l, l.words[1]));
               }};
  t["expect"] = {
      "expect PATTERN (a transcript line; * and ? match any text)",
      [](Simulator& sim, const ScenarioLine& l) { sim.Expect(l, Simulator::Rest(l), false); }};
  t["expect-not"] = {"expect-not PATTERN", [](Simulator& sim, const ScenarioLine& l) {
                       sim.Expect(l, Simulator::Rest(l), true);
                     }};
}
