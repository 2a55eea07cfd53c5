#include "support/plist_support.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plist_test {

TempDir::TempDir() {
  std::string pattern = "/tmp/korvane-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) std::abort();
  // Without links on the way, so that paths the code under test resolves
  // compare equal to the ones a test builds.
  std::error_code ec;
  path_ = std::filesystem::canonical(pattern, ec).string();
  if (ec) std::abort();
}

TempDir::~TempDir() {
  std::error_code ignored;
  // A test may leave folders it took the rights away from: give them back
  // first, or what is inside stays behind.
  std::filesystem::recursive_directory_iterator it(path_, ignored), end;
  for (; it != end; it.increment(ignored))
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      std::filesystem::permissions(it->path(), std::filesystem::perms(0755), ignored);
  std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value)
    ::setenv(name_.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    ::setenv(name_.c_str(), old_->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

RecordingHost::RecordingHost() {
  host.recorder = this;
  previous_ = InstallHost(&host);
}

RecordingHost::~RecordingHost() { InstallHost(previous_); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void MakeFolders(const std::string& path) { std::filesystem::create_directories(path); }

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto& entry : std::filesystem::directory_iterator(path, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

int ModeOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 07777);
}

std::optional<std::string> RunPython(const std::string& program) {
  TempDir dir;
  std::string script = dir / "program.py";
  WriteFile(script, "import plistlib, datetime, sys\n" + program);
  FILE* pipe = ::popen(("python3 " + script + " 2>&1").c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string output;
  std::array<char, 4096> buffer;
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    output.append(buffer.data(), n);
  int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "python failed:\n%s\n", output.c_str());
    return std::nullopt;
  }
  return output;
}

}  // namespace plist_test
