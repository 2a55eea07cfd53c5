// Bundles: a folder X.app (or .prefPane, ...) with Contents/Info.plist and
// Contents/Resources, its resources and localized strings; and the bundles
// of the host's named private functions.
//
// Bundle objects are reference counted like every CoreFoundation-like value.
// The main bundle and the bundles found by identifier live as long as the
// process, so the borrowed pointers the Get functions hand out stay valid.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/bundles/StringsTable.h"
#include "platform/corefoundation/CoreFoundation.h"

inline constexpr CFTypeID kCFTypeIDBundle = 1100;

class __CFBundle final : public __CFObject {
 public:
  CFTypeID TypeID() const override { return kCFTypeIDBundle; }
  std::string Describe() const override;

  // The bundle folder; empty for a bundle that stands for a host's table
  // of private functions.
  std::string path;
  // Set for host bundles; read from Info.plist for folder bundles.
  CFRef<CFStringRef> hostIdentifier;
  // Read on first use, then kept, as the files of a bundle do not change
  // while it is in use.
  std::optional<CFRef<CFDictionaryRef>> infoDictionary;
  std::map<std::string, StringsTable> stringsTables;
};

using CFBundleRef = __CFBundle*;

CFTypeID CFBundleGetTypeID();

// The bundle the running program belongs to: the one set by
// SetMainBundlePath, else the one holding the executable
// (.../X.app/Contents/MacOS/program). Null when the program is in no bundle.
CFBundleRef CFBundleGetMainBundle();

// The bundle at a folder URL; null when the URL does not name a folder.
CFRef<CFBundleRef> CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL);

// CFBundleIdentifier from Info.plist (or the host bundle's identifier);
// null when there is none. Borrowed from the bundle.
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);

// The contents of Contents/Info.plist; null when it is missing or is not a
// dictionary. Borrowed from the bundle.
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);

CFRef<CFURLRef> CFBundleCopyBundleURL(CFBundleRef bundle);

// Contents/Resources of the bundle; null for a host bundle.
CFRef<CFURLRef> CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);

// Contents/Resources/[subDirName/]resourceName[.resourceType] when that
// exists, else the same inside English.lproj; null when neither exists.
// resourceType may be null or empty (resourceName is then the whole file
// name) and may start with a dot. Names that climb out of the bundle ("..")
// find nothing.
CFRef<CFURLRef> CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                        CFStringRef resourceType, CFStringRef subDirName);

// The text for key in the table tableName (null: "Localizable") of the
// bundle's English localization, Resources/English.lproj/<table>.strings.
// A missing entry or table yields value when it is non-null and not empty,
// else key. Each table is read once per bundle.
CFRef<CFStringRef> CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key,
                                               CFStringRef value, CFStringRef tableName);

// The main bundle when bundleID is its identifier; else, when the host's
// table of private functions knows bundleID, a bundle standing for it (the
// same object on every call). Null otherwise, and always for other
// identifiers when the host has no table.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);

// The function the host's table has under functionName in bundle; null
// when the host has no table, the bundle has no identifier, or the table has
// no such function.
void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName);

// ------------------------------------------------------ our own helpers

// Makes the bundle folder at path the main bundle (korvane-sim and the
// tests use the build tree's Korvane.app); an empty path goes back to
// finding it from the executable.
void SetMainBundlePath(std::string path);

// The bundle folder an executable at exePath belongs to
// (".../X.app/Contents/MacOS/exe" gives ".../X.app"), or nullopt.
std::optional<std::string> BundlePathForExecutable(std::string_view exePath);
