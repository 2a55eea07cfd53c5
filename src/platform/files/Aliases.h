// Alias Manager: alias records and alias files.
//
// An alias record is a binary record of our own held in a handle: a magic
// and version, the item's path, the identity of its volume (mount point and
// name), the item's identity (inode, file type and birth time, as in an
// FSRef) and its name. Records of the first version, which hold the inode
// alone, are still read. An alias file is a symbolic link.
//
// Resolving a record, in this order (a bounded search: one folder at most):
//  - The volume. A volume the host lists under the recorded mount point, or
//    else under the recorded name (then at its new mount point, which counts
//    as a change). If that volume is not mounted: with kResolveAliasFileNoUI
//    nsvErr; otherwise the host is asked to mount it (the user may be asked)
//    and resolution goes on once it is mounted, else nsvErr. A volume the
//    host does not list whose mount point is gone is nsvErr as well.
//  - The recorded path, when it still leads to the recorded item (same
//    inode, file type and birth time).
//  - The recorded item among the entries of the recorded parent folder
//    (it was renamed there): found elsewhere, wasChanged is true. Another
//    item that merely got the recorded inode is not taken for it.
//  - The recorded path, now leading to another item (the item was
//    replaced, as editors that save by renaming do): wasChanged is true.
//  - Otherwise fnfErr.
#pragma once

#include "platform/core/Handles.h"
#include "platform/files/Files.h"

using AliasHandle = Handle;

enum : unsigned long {
  kResolveAliasFileNoUI = 0x00000001,
  kResolveAliasTryFileIDFirst = 0x00000002,
};

// A new alias record for target (fromFile, for relative aliases, is not
// used). The caller disposes of *inAlias.
// noErr; paramErr; errFSBadFSRef; fnfErr; memFullErr.
[[nodiscard]] OSErr FSNewAlias(const FSRef* fromFile, const FSRef* target, AliasHandle* inAlias);
// The same record; kept for callers that ask for a minimal alias.
[[nodiscard]] OSErr FSNewAliasMinimal(const FSRef* target, AliasHandle* inAlias);

// Resolves a record as described above (fromFile is not used). wasChanged
// (may be null) tells whether the item was found elsewhere than recorded.
// mountFlags: kResolveAliasFileNoUI, or 0 to let the host ask the user to
// mount a missing volume.
// noErr; paramErr (null handle or ref, or a record that is not ours);
// nsvErr (volume not mounted); fnfErr.
[[nodiscard]] OSErr FSResolveAliasWithMountFlags(const FSRef* fromFile, AliasHandle inAlias,
                                                 FSRef* target, Boolean* wasChanged,
                                                 unsigned long mountFlags);

// Resolves an alias file in place. A symbolic link is followed (one link, or
// the whole chain with resolveAliasChains; a chain of more than 32 links, as
// a loop makes, ends with fnfErr and never hangs); *theRef then names the
// target, wasAliased is true and targetIsFolder tells whether it is a
// folder. Anything else is left as it is with wasAliased false and noErr. A
// relative link is taken from the link's folder. A target on an unmounted
// volume is handled as when resolving a record. Out pointers may be null.
// noErr; paramErr; errFSBadFSRef; fnfErr (the ref, or the link's target, is
// missing); nsvErr.
[[nodiscard]] OSErr FSResolveAliasFileWithMountFlags(FSRef* theRef, Boolean resolveAliasChains,
                                                     Boolean* targetIsFolder, Boolean* wasAliased,
                                                     unsigned long mountFlags);
// As above with mount flags 0.
[[nodiscard]] OSErr FSResolveAliasFile(FSRef* theRef, Boolean resolveAliasChains,
                                       Boolean* targetIsFolder, Boolean* wasAliased);
