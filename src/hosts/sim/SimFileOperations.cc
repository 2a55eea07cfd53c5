#include "hosts/sim/SimFileOperations.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "platform/core/Handles.h"
#include "platform/files/Aliases.h"
#include "platform/host/Transcript.h"

namespace fs = std::filesystem;

namespace {

std::string& RenderingHome() {
  static std::string home;
  return home;
}

std::string Shown(const std::string& path, const std::string& home) {
  if (!home.empty() && path == home) return "~";
  if (!home.empty() && path.starts_with(home + "/")) return "~" + path.substr(home.size());
  return path;
}

// The path an alias record names, when it still resolves.
std::optional<std::string> PathOfAlias(std::span<const UInt8> data) {
  Handle h = nullptr;
  if (PtrToHand(data.data(), &h, static_cast<long>(data.size())) != noErr) return std::nullopt;
  FSRef ref;
  Boolean changed = false;
  const OSErr err = FSResolveAliasWithMountFlags(nullptr, h, &ref, &changed, kResolveAliasFileNoUI);
  DisposeHandle(h);
  if (err != noErr) return std::nullopt;
  std::vector<UInt8> path(4096);
  if (FSRefMakePath(&ref, path.data(), static_cast<UInt32>(path.size())) != noErr)
    return std::nullopt;
  return std::string(reinterpret_cast<const char*>(path.data()));
}

std::optional<std::string> AliasOf(const AEDesc& desc) {
  if (desc.descriptorType != typeAlias) return std::nullopt;
  std::vector<UInt8> bytes(static_cast<std::size_t>(AEGetDescDataSize(&desc)));
  if (AEGetDescData(&desc, bytes.data(), static_cast<Size>(bytes.size())) != noErr)
    return std::nullopt;
  return PathOfAlias(bytes);
}

// The paths of a parameter that is an alias or a list of aliases; nullopt
// when one of them does not resolve.
std::optional<std::vector<std::string>> PathsOf(const AppleEvent& event, AEKeyword key) {
  AEDesc param;
  if (AEGetParamDesc(&event, key, typeWildCard, &param) != noErr) return std::nullopt;
  std::vector<std::string> paths;
  bool ok = true;
  if (param.descriptorType == typeAEList) {
    long count = 0;
    (void)AECountItems(&param, &count);
    for (long i = 1; ok && i <= count; ++i) {
      AEDesc item;
      AEKeyword keyword = 0;
      if (AEGetNthDesc(&param, i, typeWildCard, &keyword, &item) != noErr) {
        ok = false;
        break;
      }
      std::optional<std::string> path = AliasOf(item);
      AEDisposeDesc(&item);
      if (path)
        paths.push_back(*path);
      else
        ok = false;
    }
  } else if (std::optional<std::string> path = AliasOf(param)) {
    paths.push_back(*path);
  } else {
    ok = false;
  }
  AEDisposeDesc(&param);
  if (!ok) return std::nullopt;
  return paths;
}

// A name not yet taken in folder: name, else "name 2", "name 3" ...
fs::path FreeName(const fs::path& folder, const std::string& name) {
  fs::path target = folder / name;
  for (int n = 2; fs::exists(fs::symlink_status(target)); ++n)
    target = folder / (name + " " + std::to_string(n));
  return target;
}

}  // namespace

std::string RenderAliasAsPath(std::span<const UInt8> data) {
  std::optional<std::string> path = PathOfAlias(data);
  return path ? Shown(*path, RenderingHome()) : std::string("<unresolved>");
}

void SetAliasRenderingHome(std::string home) { RenderingHome() = std::move(home); }

OSErr CarryOutFileOperation(const AppleEvent& event, const std::string& home) {
  AEEventClass eventClass = 0;
  AEEventID eventID = 0;
  Size size = 0;
  if (AEGetAttributePtr(&event, keyEventClassAttr, typeType, nullptr, &eventClass, 4, &size) !=
          noErr ||
      AEGetAttributePtr(&event, keyEventIDAttr, typeType, nullptr, &eventID, 4, &size) != noErr ||
      eventClass != kAECoreSuite)
    return noErr;
  const bool trash = eventID == kAEDelete;
  if (!trash && eventID != kAEMove && eventID != kAEClone && eventID != kAECreateElement)
    return noErr;

  std::optional<std::vector<std::string>> items =
      PathsOf(event, eventID == kAECreateElement ? keyAETo : keyDirectObject);
  std::optional<std::vector<std::string>> folder;
  if (trash)
    folder = std::vector<std::string>{home + "/.Trash"};
  else
    folder = PathsOf(event, keyAEInsertHere);
  if (!items || !folder || folder->size() != 1) {
    Transcribe("file browser cannot carry out the event: an item or the folder is not found");
    return fnfErr;
  }
  const fs::path destination = folder->front();
  std::error_code ec;
  fs::create_directories(destination, ec);
  for (const std::string& item : *items) {
    const std::string name = fs::path(item).filename().string();
    const char* done = nullptr;
    fs::path target = destination / name;
    if (trash) {
      target = FreeName(destination, name);
      fs::rename(item, target, ec);
      done = "trashed";
    } else if (eventID == kAECreateElement) {
      target = FreeName(destination, name + " alias");
      fs::create_symlink(item, target, ec);
      done = "made alias of";
    } else if (fs::exists(fs::symlink_status(target))) {
      // The user was asked before the event was sent; an item still in the
      // way is kept, and the one dropped stays where it was.
      Transcribe("file browser keeps " + Shown(target.string(), home) + ": " + Shown(item, home) +
                 " not " + (eventID == kAEMove ? "moved" : "copied"));
      continue;
    } else if (eventID == kAEMove) {
      fs::rename(item, target, ec);
      done = "moved";
    } else {
      fs::copy(item, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
      done = "copied";
    }
    if (ec) {
      Transcribe("file browser failed on " + Shown(item, home) + ": " + ec.message());
      return ioErr;
    }
    Transcribe(Fmt("file browser %s %s to %s", done, Shown(item, home).c_str(),
                   Shown(target.string(), home).c_str()));
  }
  return noErr;
}
