#include "support/inode_reuse.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace inode_reuse {

bool ReplaceKeepingInode(const std::string& oldPath, const std::string& newPath,
                         const std::function<void(const std::string&)>& make, int attempts) {
  const ino_t inode = InodeOf(oldPath);
  if (inode == 0) return false;
  // The kernel stamps with a coarse clock (a few milliseconds a tick).
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  std::error_code ec;
  std::filesystem::remove_all(oldPath, ec);
  // A file system hands out the lowest free inode it finds, which may be one
  // freed earlier than the one wanted: each newcomer that got another inode
  // is kept, renamed beside newPath, so that the next one gets the next free
  // inode. (Nothing else is made meanwhile: a new folder would take the
  // inode itself.) The fillers go once the inode is found.
  bool found = false;
  int fillers = 0;
  for (int i = 0; i < attempts && !found; ++i) {
    make(newPath);
    found = InodeOf(newPath) == inode;
    if (!found)
      std::filesystem::rename(newPath, newPath + ".filler-" + std::to_string(fillers++), ec);
  }
  for (int i = 0; i < fillers; ++i)
    std::filesystem::remove_all(newPath + ".filler-" + std::to_string(i), ec);
  return found;
}

void MakeFile(const std::string& path) { std::ofstream(path) << "new"; }

void MakeFolder(const std::string& path) { std::filesystem::create_directory(path); }

ino_t InodeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace inode_reuse
