// Helpers for the property list, preferences and bundle tests: a private
// temporary folder, environment variables set for one test, files, Python's
// plistlib as the other program, and a host that records the transcript.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/host/Host.h"

namespace plist_test {

// A fresh folder under /tmp (its path without links), removed with
// everything in it when it goes.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or, with nullopt, unsets) an environment variable until it goes.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Installs a host whose recorder keeps the transcript lines, until it goes.
class RecordingHost : public HostRecorder {
 public:
  RecordingHost();
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;
  ~RecordingHost() override;
  void Record(std::string_view line) override { lines.emplace_back(line); }
  Host host;
  std::vector<std::string> lines;

 private:
  Host* previous_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Creates the folder and every folder on the way to it.
void MakeFolders(const std::string& path);
std::vector<std::string> FolderEntries(const std::string& path);
// Permission bits of a file or folder, or -1 when it does not exist.
int ModeOf(const std::string& path);

// Runs a Python 3 program and returns what it printed, or nullopt when it
// failed. The program starts with "import plistlib, datetime, sys".
std::optional<std::string> RunPython(const std::string& program);

}  // namespace plist_test
