// What the Launch Services files of the layer share: reading bundles'
// Info.plist files and desktop entries, and recognising packages.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/MacTypes.h"

namespace LaunchServicesPrivate {

struct BundleDocumentType {
  std::vector<std::string> extensions;
  std::string role;  // "Editor", "Viewer", "None" or empty
};

struct BundleInfo {
  OSType packageType = 0;  // CFBundlePackageType
  OSType signature = 0;    // CFBundleSignature
  std::vector<BundleDocumentType> documentTypes;
};

// Reads bundle/Contents/Info.plist (XML or binary); nullopt when it is
// missing, too large or not a dictionary. Codes that are not exactly four
// Mac Roman characters read as 0.
std::optional<BundleInfo> ReadBundleInfo(const std::string& bundlePath);

struct DesktopEntry {
  bool isApplication = false;  // Type=Application
  std::string name;            // Name= (unlocalised), may be empty
};

// Reads the [Desktop Entry] group of a ".desktop" file; nullopt when the
// file cannot be read or has no such group.
std::optional<DesktopEntry> ReadDesktopEntry(const std::string& path);

// A regular file that runs as a program: one of its execute bits is set and
// it starts with an ELF header or "#!". The file is read (4 bytes) only when
// an execute bit is set.
bool IsProgramFile(const std::string& path, const struct stat& st);

bool IsPackageExtension(std::string_view extension);
bool IsDesktopFileName(std::string_view name);

}  // namespace LaunchServicesPrivate
