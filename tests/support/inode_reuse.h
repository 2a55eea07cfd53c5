// Making a file system hand the inode of a deleted item to a new one, so
// that tests can show that such a newcomer is not taken for the old item.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace inode_reuse {

// Deletes the item at oldPath and makes a new one at newPath (which may be
// oldPath) with make(newPath) until the new item gets the old one's inode:
// file systems such as ext4 give a freed inode to the next item made in the
// same folder, nearly always at the first try. Waits a few clock ticks
// before deleting, so that the newcomer's birth time differs from the old
// item's. False when no try within `attempts` got the inode (a file system
// that does not reuse inodes soon, such as tmpfs, or another process took
// it first): the caller skips.
bool ReplaceKeepingInode(const std::string& oldPath, const std::string& newPath,
                         const std::function<void(const std::string&)>& make, int attempts = 2000);

void MakeFile(const std::string& path);
void MakeFolder(const std::string& path);

// The inode of path (lstat), 0 when it cannot be read.
ino_t InodeOf(const std::string& path);

}  // namespace inode_reuse
