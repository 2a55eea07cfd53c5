// File Manager and Folder Manager over POSIX.
//
// An FSRef names a file by its identity (device, inode, file type and, where
// the file system keeps one, birth time) and carries a handle to its path (an
// index into a process-wide table of interned paths, never a pointer). Two
// refs are equal when their identities are. A file system gives the inode of
// a deleted item to the next one it makes, so the inode alone would let a
// file replaced at the same path pass for the old one; type and birth time
// tell them apart (on a file system that keeps no birth time, a newcomer of
// the same type still passes, as does one made within the same tick of the
// file system's clock). A ref whose path no longer leads to the same identity no longer
// names an existing item: operations on it fail with fnfErr. The exception are the entries of the
// batch an iterator handed out last, while that batch is current (until the
// iterator's next batch or its close): questions about them (Launch
// Services' flags and names, icons, paths) are answered from what the batch
// read, as its catalog information is. Paths held in refs have no symlinks
// in their folders; the last component is never followed (an alias file,
// which is a symbolic link here, is an item of its own).
//
// A path below the mount point of a volume the host shows as unmounted counts
// as missing (fnfErr). Main thread only.
//
// Names: file names are bytes; valid UTF-8 is decoded to UTF-16, and every
// byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC00 + byte, so that a listed name always leads back to its file through
// FSMakeFSRefUnicode. Display names (Launch Services) show U+FFFD instead.
//
// Catalog information from stat: nodeID is the inode (low 32 bits), volume a
// small negative number per mounted file system, dates are seconds since
// 1904 with the fraction in 1/65536 s (createDate is the modification time:
// Linux keeps no portable birth time), permissions hold uid, gid and mode,
// finderInfo is zero but for kIsInvisible (name starting with ".") and
// kIsAlias (symbolic link), and textEncodingHint is kTextEncodingUnicodeDefault.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/FilesCatalog.h"

using OptionBits = UInt32;

// ------------------------------------------------------------------ refs

// Makes a ref for a POSIX path (absolute, or relative to the working
// directory; fixed Mac paths are mapped through MapMacPath). A final
// symbolic link is not followed. isDirectory may be null.
// noErr; paramErr (null path or ref); fnfErr (missing, or on an unmounted
// volume); dirNFErr (a folder in the path is a file); afpAccessDenied.
[[nodiscard]] OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);

// Writes the ref's absolute path, NUL-terminated, into path.
// noErr; paramErr (null argument); errFSBadFSRef (not a ref); fnfErr (the
// item is gone); pathTooLongErr (the path and its NUL need more than
// maxPathSize bytes; the buffer is then not usable).
[[nodiscard]] OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);

// The item called name inside the folder parentRef. The name is UTF-16 as
// listed (see above); textEncodingHint is ignored.
// noErr; paramErr; errFSBadFSRef; fnfErr (no such item, or parentRef is
// gone); dirNFErr (parentRef is not a folder); bdNamErr (empty, ".", "..",
// or holding "/", NUL or an unpaired surrogate that is not an escaped byte).
[[nodiscard]] OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength,
                                       const UniChar* name, TextEncoding textEncodingHint,
                                       FSRef* newRef);

// The bytes of the file name string stands for (as listed: UTF-8, with each
// escaped byte U+DC00 + byte given back as that byte), NUL-terminated in
// buffer. False when an argument is null, the bytes and their NUL need more
// than maxBufLen, or string holds a NUL or an unpaired surrogate that is not
// an escaped byte.
[[nodiscard]] Boolean CFStringGetFileSystemRepresentation(CFStringRef string, char* buffer,
                                                          CFIndex maxBufLen);

// noErr when both refs name the same item; diffVolErr (different file
// systems); errFSRefsDifferent; paramErr (null, or not a ref).
[[nodiscard]] OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2);

// True when the URL's path names an existing item (as FSPathMakeRef).
[[nodiscard]] Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);
// A file URL for the ref, marked as a directory for folders; null when the
// ref no longer names an item.
CFRef<CFURLRef> CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef);

// ------------------------------------------------------------- catalog

// Reads what whichInfo asks for into catalogInfo (may be null, as may
// outName, fsSpec and parentRef; fsSpec is never filled). kFSCatInfoNone
// with everything null only tells whether the ref still names an item.
// The name of a volume's root is the volume's name. The root of the file
// system has parentDirID 1 and an all-zero parentRef.
// noErr; paramErr; errFSBadFSRef; fnfErr.
[[nodiscard]] OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo,
                                     FSCatalogInfo* catalogInfo, HFSUniStr255* outName,
                                     FSSpec* fsSpec, FSRef* parentRef);

// This layer's addition: the item's content-modification date as the file
// system keeps it, to the nanosecond (catalog dates hold 1/65536 s), for
// telling whether a folder changed since it was listed. The file system
// stamps with a coarse clock (a few milliseconds a tick, whole seconds or
// two on some), so two changes close together may leave one date: settled
// is true only when the date was read at least that granularity after it
// was stamped (2 s for dates without nanoseconds, else 50 ms), so that any
// later change gets a later date. A listing made while the date is not
// settled may miss a change that leaves the date as it is: such a date
// does not show that nothing changed.
struct FSModificationStamp {
  SInt64 seconds = 0;  // since 1970-01-01 UTC
  UInt32 nanoseconds = 0;
  Boolean settled = false;
};
// noErr; paramErr; errFSBadFSRef; fnfErr.
[[nodiscard]] OSErr FSGetModificationStamp(const FSRef* ref, FSModificationStamp* stamp);

// ------------------------------------------------------------- iteration

struct OpaqueFSIterator;
using FSIterator = OpaqueFSIterator*;
using FSIteratorFlags = UInt32;
enum : FSIteratorFlags { kFSIterateFlat = 0, kFSIterateSubtree = 1 };

// Opens a flat iterator over the folder's entries. The entries are read at
// once and sorted by name as Linux file managers show them: without regard to
// case or accents ("ä" with "a", "É" with "e"), numbers by their value
// ("file2" before "file10"), ties broken by byte order, so the order is total
// and the same for every pass; "." and ".." never appear.
// noErr; paramErr; errFSBadIteratorFlags (anything but kFSIterateFlat);
// errFSBadFSRef; fnfErr; errFSNotAFolder (a file or an alias file);
// afpAccessDenied (the folder cannot be read); tmfoErr; memFullErr.
[[nodiscard]] OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags iteratorFlags,
                                   FSIterator* iterator);
// noErr; paramErr (null or unknown iterator).
OSErr FSCloseIterator(FSIterator iterator);

// Returns up to maximumObjects further entries. The arrays that are not null
// must have room for maximumObjects; specs must be null. Entries that
// vanished since the folder was read are skipped. *actualObjects is always
// valid. The call that hands out the folder's last entry (or finds none
// left) returns errFSNoMoreItems, also when its batch is not empty: the
// caller handles *actualObjects entries whatever the status. containerChanged
// (may be null) tells whether the folder was modified since it was opened.
// noErr; errFSNoMoreItems; paramErr (null or unknown iterator, null
// actualObjects, specs not null); errFSBadItemCount (maximumObjects 0).
[[nodiscard]] OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects,
                                         ItemCount* actualObjects, Boolean* containerChanged,
                                         FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfos,
                                         FSRef* refs, FSSpec* specs, HFSUniStr255* names);

// ----------------------------------------------------------------- forks

enum : SInt8 { fsCurPerm = 0, fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3 };
enum : UInt16 { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2, fsFromMark = 3 };

// The data fork's name (empty) and the resource fork's ("RESOURCE_FORK",
// which no file here has). noErr; paramErr.
OSErr FSGetDataForkName(HFSUniStr255* dataForkName);
OSErr FSGetResourceForkName(HFSUniStr255* resourceForkName);

// Opens the item's data fork for reading (fsCurPerm or fsRdPerm; forks are
// never written here). A symbolic link reads as its target.
// noErr; paramErr (null argument, or a write permission); errFSBadFSRef;
// fnfErr; notAFileErr (a folder, pipe, socket or device); errFSForkNotFound
// (any other fork name); afpAccessDenied; tmfoErr (too many open forks).
[[nodiscard]] OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength,
                               const UniChar* forkName, SInt8 permissions, FSIORefNum* forkRefNum);
// noErr; paramErr; errFSBadForkRef; ioErr.
[[nodiscard]] OSErr FSGetForkSize(FSIORefNum forkRefNum, SInt64* forkSize);
// Reads from the position given by positionMode (fsAtMark, fsFromStart,
// fsFromLEOF, fsFromMark; cache hint bits above the low two are ignored) and
// leaves the mark after the last byte read. actualCount may be null.
// noErr; eofErr (fewer bytes than asked were left; those were read);
// posErr (a position before the start); paramErr; errFSBadForkRef; ioErr.
[[nodiscard]] OSErr FSReadFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                               ByteCount requestCount, void* buffer, ByteCount* actualCount);
// noErr; errFSBadForkRef.
OSErr FSCloseFork(FSIORefNum forkRefNum);

// --------------------------------------------------------------- volumes

using FSVolumeInfoBitmap = UInt32;
enum : FSVolumeRefNum { kFSInvalidVolumeRefNum = 0 };
enum : FSVolumeInfoBitmap {
  kFSVolInfoNone = 0x0000,
  kFSVolInfoSizes = 0x0004,
  kFSVolInfoBlocks = 0x0008,
};

struct FSVolumeInfo {
  UInt64 totalBytes = 0;
  UInt64 freeBytes = 0;
  UInt32 blockSize = 0;
  UInt32 totalBlocks = 0;
  UInt32 freeBlocks = 0;
  UInt16 flags = 0;
};

// With volumeIndex 1, 2, ...: the host's mounted volumes in its order; with
// volumeIndex 0: the volume whose number is volume. Fills the volume's number,
// its name and its root folder's ref (each out pointer may be null); info
// gets the sizes and blocks when asked (kFSVolInfoSizes, kFSVolInfoBlocks).
// noErr; nsvErr (past the last volume, or no such volume); paramErr.
[[nodiscard]] OSErr FSGetVolumeInfo(FSVolumeRefNum volume, ItemCount volumeIndex,
                                    FSVolumeRefNum* actualVolume, FSVolumeInfoBitmap whichInfo,
                                    FSVolumeInfo* info, HFSUniStr255* volumeName,
                                    FSRef* rootDirectory);

// Asks the host to eject the volume. dissenter (may be null) gets 0.
// noErr; nsvErr (no such mounted volume); fBsyErr (the host refused).
[[nodiscard]] OSStatus FSEjectVolumeSync(FSVolumeRefNum vRefNum, OptionBits flags,
                                         pid_t* dissenter);

// -------------------------------------------------------- Folder Manager

enum : SInt16 {
  kOnSystemDisk = -32768,
  kOnAppropriateDisk = -32767,
  kSystemDomain = -32766,
  kLocalDomain = -32765,
  kNetworkDomain = -32764,
  kUserDomain = -32763,
  kClassicDomain = -32762,
};
enum : Boolean { kDontCreateFolder = false, kCreateFolder = true };
enum : OSType {
  kApplicationsFolderType = FourCC("apps"),
  kApplicationSupportFolderType = FourCC("asup"),
  kCurrentUserFolderType = FourCC("cusr"),
  kDesktopFolderType = FourCC("desk"),
  kDocumentsFolderType = FourCC("docs"),
  kDomainLibraryFolderType = FourCC("dlib"),
  kPreferencesFolderType = FourCC("pref"),
  kPreferencePanesFolderType = FourCC("ppan"),
  kSystemDesktopFolderType = FourCC("sdsk"),
  kSystemFolderType = FourCC("macs"),
  kTrashFolderType = FourCC("trsh"),
  kUtilitiesFolderType = 0x757469C4,  // 'utiƒ' (ƒ is 0xC4 in Mac Roman)
};

// The folder of folderType in a domain, through the host's folder table.
// kOnAppropriateDisk, kOnSystemDisk and volume numbers look in the user,
// local and system domains in that order. With kCreateFolder a missing
// folder is created (with its missing parents).
// noErr; paramErr (null ref); fnfErr (no host, no such folder in the table,
// or missing and not to be created); afpAccessDenied, dskFulErr, ioErr
// (creating it failed).
[[nodiscard]] OSErr FSFindFolder(SInt16 vRefNum, OSType folderType, Boolean createFolder,
                                 FSRef* foundRef);

// The real path for a path that starts with one of the host's fixed Mac
// paths ("/Applications/X.app"); any other path comes back unchanged.
std::string MapMacPath(std::string path);
