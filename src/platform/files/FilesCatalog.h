// File Manager value types: names, catalog information and its bitmap.
//
// The layouts follow the Mac's so that code written against them reads the
// same; the values come from POSIX (see Files.h for how each is derived).
#pragma once

#include "platform/core/MacTypes.h"

using TextEncoding = UInt32;
using FSCatalogInfoBitmap = UInt32;
using FSIORefNum = SInt16;

enum : TextEncoding {
  kTextEncodingMacRoman = 0,
  kTextEncodingUnicodeDefault = 0x0100,
  kTextEncodingUnknown = 0xFFFF,
};

// A file name in UTF-16. Longer names are cut at 255 units (never in the
// middle of a surrogate pair).
struct HFSUniStr255 {
  UInt16 length = 0;
  UniChar unicode[255] = {};
};

// Accepted where the Mac takes one, never filled: this layer names files by
// FSRef only. Callers pass null.
struct FSSpec {
  FSVolumeRefNum vRefNum = 0;
  SInt32 parID = 0;
  Str63 name = {};
};

enum : FSCatalogInfoBitmap {
  kFSCatInfoNone = 0x00000000,
  kFSCatInfoTextEncoding = 0x00000001,
  kFSCatInfoNodeFlags = 0x00000002,
  kFSCatInfoVolume = 0x00000004,
  kFSCatInfoParentDirID = 0x00000008,
  kFSCatInfoNodeID = 0x00000010,
  kFSCatInfoCreateDate = 0x00000020,
  kFSCatInfoContentMod = 0x00000040,
  kFSCatInfoAttrMod = 0x00000080,
  kFSCatInfoAccessDate = 0x00000100,
  kFSCatInfoBackupDate = 0x00000200,
  kFSCatInfoPermissions = 0x00000400,
  kFSCatInfoFinderInfo = 0x00000800,
  kFSCatInfoFinderXInfo = 0x00001000,
  kFSCatInfoValence = 0x00002000,
  kFSCatInfoDataSizes = 0x00004000,
  kFSCatInfoRsrcSizes = 0x00008000,
  kFSCatInfoSharingFlags = 0x00010000,
  kFSCatInfoUserPrivs = 0x00020000,
  kFSCatInfoUserAccess = 0x00080000,
  kFSCatInfoAllDates = 0x000003E0,
  kFSCatInfoGettableInfo = 0x0003FFFF,
};

// nodeFlags
enum : UInt16 {
  kFSNodeLockedMask = 0x0001,
  kFSNodeIsDirectoryMask = 0x0010,
};

// Finder flags (in FileInfo / FolderInfo).
enum : UInt16 {
  kIsOnDesk = 0x0001,
  kHasBundle = 0x2000,
  kIsInvisible = 0x4000,
  kIsAlias = 0x8000,
};

// The 16 bytes of finderInfo for a file and for a folder; finderFlags sits
// at the same offset in both.
struct FileInfo {
  OSType fileType = 0;
  OSType fileCreator = 0;
  UInt16 finderFlags = 0;
  Point location;
  UInt16 reservedField = 0;
};
struct FolderInfo {
  Rect windowBounds;
  UInt16 finderFlags = 0;
  Point location;
  UInt16 reservedField = 0;
};
static_assert(sizeof(FileInfo) == 16 && sizeof(FolderInfo) == 16);

// userAccess / userPrivileges bits: what the current user may not do.
enum : UInt8 {
  kioACUserNoSeeFolderMask = 0x01,
  kioACUserNoSeeFilesMask = 0x02,
  kioACUserNoMakeChangesMask = 0x04,
  kioACUserNotOwnerMask = 0x80,
};

struct FSCatalogInfo {
  UInt16 nodeFlags = 0;
  FSVolumeRefNum volume = 0;
  UInt32 parentDirID = 0;
  UInt32 nodeID = 0;
  UInt8 sharingFlags = 0;
  UInt8 userPrivileges = 0;
  UInt8 reserved1 = 0;
  UInt8 reserved2 = 0;
  UTCDateTime createDate;
  UTCDateTime contentModDate;
  UTCDateTime attributeModDate;
  UTCDateTime accessDate;
  UTCDateTime backupDate;
  // [0] user ID, [1] group ID, [2] userAccess << 16 | mode (the POSIX mode
  // bits, file type included), [3] 0.
  UInt32 permissions[4] = {};
  UInt8 finderInfo[16] = {};
  UInt8 extFinderInfo[16] = {};
  UInt64 dataLogicalSize = 0;
  UInt64 dataPhysicalSize = 0;
  UInt64 rsrcLogicalSize = 0;
  UInt64 rsrcPhysicalSize = 0;
  UInt32 valence = 0;
  TextEncoding textEncodingHint = 0;
};
