#include "hosts/sim/SimLaunchServices.h"

#include <sys/stat.h>

#include "platform/core/MacErrors.h"
#include "platform/host/Transcript.h"

namespace {

std::string Shown(const std::string& path, const std::string& home) {
  if (!home.empty() && path == home) return "~";
  if (!home.empty() && path.starts_with(home + "/")) return "~" + path.substr(home.size());
  return path;
}

// A folder opens in the file browser and a program runs; a plain document
// needs an application.
bool OpensOnItsOwn(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) || (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0 ||
         path.ends_with(".desktop");
}

}  // namespace

OSStatus SimLaunchServices::Open(const std::string& path, const std::string& appPath) {
  if (appPath.empty() && !OpensOnItsOwn(path)) {
    Transcribe(Fmt("open %s: no application", Shown(path, home).c_str()));
    return kLSApplicationNotFoundErr;
  }
  opened.push_back({path, appPath});
  if (appPath.empty())
    Transcribe(Fmt("open %s", Shown(path, home).c_str()));
  else
    Transcribe(Fmt("open %s with %s", Shown(path, home).c_str(), Shown(appPath, home).c_str()));
  return noErr;
}
