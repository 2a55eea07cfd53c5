// Launch Services: what kind of item a file is, what it is called, and which
// application has a given signature.
//
// Item flags from POSIX:
//  - a folder is a container; with a package extension (.app, .prefPane,
//    .bundle, .framework, .plugin, .kext; any case) also a package, and an
//    application for .app; the root of a volume is a volume and a container;
//  - a regular file is a plain file, and also an application when it is a
//    program (an execute bit set and its first bytes an ELF header or "#!";
//    an execute bit alone, as every file on a FAT, NTFS or CIFS mount has,
//    does not make one) or a ".desktop" file whose [Desktop Entry] says
//    Type=Application;
//  - a symbolic link is an alias file and a symlink, and a plain file as
//    alias files are on the Mac (so an alias that cannot be resolved still
//    counts as a file);
//  - other special files (devices, sockets, pipes) get no kind flag;
//  - a name starting with "." adds invisible.
// These are the basic flags. All flags add native application for
// applications and extension-is-hidden for ".app" bundles.
#pragma once

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/Files.h"

using LSRequestedInfo = UInt32;
using LSItemInfoFlags = UInt32;
using LSRolesMask = UInt32;

enum : LSRequestedInfo {
  kLSRequestExtension = 0x00000001,
  kLSRequestTypeCreator = 0x00000002,
  kLSRequestBasicFlagsOnly = 0x00000004,
  kLSRequestAppTypeFlags = 0x00000008,
  kLSRequestAllFlags = 0x00000010,
  kLSRequestIconAndKind = 0x00000020,
  kLSRequestExtensionFlagsOnly = 0x00000040,
  kLSRequestAllInfo = 0xFFFFFFFF,
};

enum : LSItemInfoFlags {
  kLSItemInfoIsPlainFile = 0x00000001,
  kLSItemInfoIsPackage = 0x00000002,
  kLSItemInfoIsApplication = 0x00000004,
  kLSItemInfoIsContainer = 0x00000008,
  kLSItemInfoIsAliasFile = 0x00000010,
  kLSItemInfoIsSymlink = 0x00000020,
  kLSItemInfoIsInvisible = 0x00000040,
  kLSItemInfoIsNativeApp = 0x00000080,
  kLSItemInfoIsClassicApp = 0x00000100,
  kLSItemInfoAppPrefersNative = 0x00000200,
  kLSItemInfoAppPrefersClassic = 0x00000400,
  kLSItemInfoAppIsScriptable = 0x00000800,
  kLSItemInfoIsVolume = 0x00001000,
  kLSItemInfoExtensionIsHidden = 0x00100000,
};

enum : LSRolesMask {
  kLSRolesNone = 0x00000001,
  kLSRolesViewer = 0x00000002,
  kLSRolesEditor = 0x00000004,
  kLSRolesAll = 0xFFFFFFFF,
};

enum : OSType { kLSUnknownType = 0, kLSUnknownCreator = 0 };

struct LSItemInfoRecord {
  LSItemInfoFlags flags = 0;
  OSType filetype = 0;
  OSType creator = 0;
  // Owned by the caller (release it) when kLSRequestExtension was asked for;
  // null when the name has no extension.
  CFStringRef extension = nullptr;
};

// Fills what inWhichInfo asks for. Flags as above; filetype and creator are
// a bundle's CFBundlePackageType and CFBundleSignature (0 for anything else);
// the extension is the text after the name's last "." (not a leading one).
// noErr; paramErr; errFSBadFSRef; fnfErr.
[[nodiscard]] OSStatus LSCopyItemInfoForRef(const FSRef* inItemRef, LSRequestedInfo inWhichInfo,
                                            LSItemInfoRecord* outItemInfo);

// The name to show for the item, owned by the caller: the volume's name for
// a volume's root, the Name of a ".desktop" application, an application
// bundle's name without ".app", otherwise the file name (bytes that are not
// UTF-8 show as U+FFFD).
// noErr; paramErr; errFSBadFSRef; fnfErr.
[[nodiscard]] OSStatus LSCopyDisplayNameForRef(const FSRef* inRef, CFStringRef* outDisplayName);

// The first application bundle in the host's application folders (and their
// subfolders one level down, such as Utilities) whose Contents/Info.plist
// has CFBundlePackageType inType and CFBundleSignature inCreator (0 matches
// any) and, when inExtension is given, lists that extension among its
// CFBundleDocumentTypes in a role inRoleMask allows. Folders are searched in
// the host's order, entries in listing order. Either out pointer may be null;
// *outAppURL is owned by the caller.
// noErr; paramErr (type, creator and extension all unknown);
// kLSApplicationNotFoundErr.
[[nodiscard]] OSStatus LSGetApplicationForInfo(OSType inType, OSType inCreator,
                                               CFStringRef inExtension, LSRolesMask inRoleMask,
                                               FSRef* outAppRef, CFURLRef* outAppURL);

// ------------------------------------------------------------ opening

using LSLaunchFlags = UInt32;
enum : LSLaunchFlags {
  kLSLaunchDefaults = 0x00000001,
};

struct AEDesc;

struct LSLaunchFSRefSpec {
  const FSRef* appRef = nullptr;  // null: each item opens as LSOpenFSRef opens it
  ItemCount numDocs = 0;
  const FSRef* itemRefs = nullptr;
  const AEDesc* passThruParams = nullptr;  // not passed on by this layer
  LSLaunchFlags launchFlags = kLSLaunchDefaults;
  void* asyncRefCon = nullptr;
};

// Opens the item as the desktop does: an alias file is resolved first
// (without asking to mount a volume: an alias onto an unmounted volume fails
// with nsvErr), an application runs, a folder or volume opens in the file
// browser, any other item in the application that claims its extension
// (LSGetApplicationForInfo, any role), else as the host decides.
// *outLaunchedRef (may be null) names the application that was given the
// item, or the item itself when the host chose.
// noErr; paramErr; errFSBadFSRef; fnfErr; nsvErr; kLSApplicationNotFoundErr;
// kLSUnknownErr (the host cannot launch anything).
[[nodiscard]] OSStatus LSOpenFSRef(const FSRef* inRef, FSRef* outLaunchedRef);

// With an application: opens the items with it (the application alone when
// there are none). Without one: each item as LSOpenFSRef opens it. Stops at
// the first failure and returns it. *outLaunchedRef (may be null) is the
// application, when given.
// noErr; paramErr; the failures of LSOpenFSRef.
[[nodiscard]] OSStatus LSOpenFromRefSpec(const LSLaunchFSRefSpec* inLaunchSpec,
                                         FSRef* outLaunchedRef);
