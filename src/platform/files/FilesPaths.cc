// The process-wide table of interned paths that FSRefs point into, and
// making paths canonical.
//
// A folder listing hands out one ref per entry, so interning must be cheap:
// a node is (parent index, name) with the name stored in a chunked arena, and
// lookup is one open-addressing probe sequence keyed by parent and name. The
// table only grows; it holds each distinct path once however often it is
// listed.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/files/FilesInternal.h"

namespace FilesPrivate {
namespace {

struct Node {
  UInt32 parent;
  UInt32 hash;
  const char* name;
  UInt32 length;
};

class PathTable {
 public:
  PathTable() {
    nodes_.push_back(Node{0, 0, "", 0});  // "/"
    slots_.assign(4096, 0);
  }

  UInt32 Intern(UInt32 parent, std::string_view name) {
    const UInt32 hash = Hash(parent, name);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      UInt32 slot = slots_[i];
      if (slot == 0) break;
      const Node& n = nodes_[slot];
      if (n.hash == hash && n.parent == parent && n.length == name.size() &&
          std::memcmp(n.name, name.data(), name.size()) == 0)
        return slot;
    }
    if ((nodes_.size() + 1) * 2 > slots_.size()) Grow();
    auto index = static_cast<UInt32>(nodes_.size());
    nodes_.push_back(Node{parent, hash, Store(name), static_cast<UInt32>(name.size())});
    Place(index);
    return index;
  }

  bool Known(UInt32 node) const { return node < nodes_.size(); }
  const Node& At(UInt32 node) const { return nodes_[node]; }

 private:
  static UInt32 Hash(UInt32 parent, std::string_view name) {
    UInt32 h = 2166136261u ^ (parent * 0x9E3779B1u);
    for (unsigned char c : name) h = (h ^ c) * 16777619u;
    return h ? h : 1;
  }

  void Place(UInt32 index) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = nodes_[index].hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = index;
  }

  void Grow() {
    slots_.assign(slots_.size() * 2, 0);
    for (UInt32 i = 1; i < nodes_.size(); ++i) Place(i);
  }

  const char* Store(std::string_view name) {
    static constexpr std::size_t kChunk = 64 * 1024;
    if (chunks_.empty() || chunkUsed_ + name.size() > chunkSize_) {
      chunkSize_ = std::max(kChunk, name.size());
      chunks_.push_back(std::make_unique<char[]>(chunkSize_));
      chunkUsed_ = 0;
    }
    char* at = chunks_.back().get() + chunkUsed_;
    std::memcpy(at, name.data(), name.size());
    chunkUsed_ += name.size();
    return at;
  }

  std::vector<Node> nodes_;
  std::vector<UInt32> slots_;  // 0: empty (node 0 is never looked up by name)
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunkUsed_ = 0;
  std::size_t chunkSize_ = 0;
};

PathTable& Table() {
  static PathTable table;
  return table;
}

}  // namespace

UInt32 InternChild(UInt32 parent, std::string_view name) { return Table().Intern(parent, name); }

UInt32 InternPath(std::string_view path) {
  UInt32 node = 0;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t slash = path.find('/', i);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > i) node = InternChild(node, path.substr(i, slash - i));
    i = slash + 1;
  }
  return node;
}

bool IsKnownNode(UInt32 node) { return Table().Known(node); }

std::string_view NameOfNode(UInt32 node) {
  const Node& n = Table().At(node);
  return {n.name, n.length};
}

UInt32 ParentOfNode(UInt32 node) { return Table().At(node).parent; }

std::string PathOfNode(UInt32 node) {
  if (node == 0) return "/";
  UInt32 chain[256];
  std::vector<UInt32> deep;  // only for paths more than 256 levels deep
  std::size_t depth = 0, length = 0;
  for (UInt32 n = node; n != 0; n = Table().At(n).parent) {
    if (depth < 256)
      chain[depth] = n;
    else
      deep.push_back(n);
    ++depth;
    length += Table().At(n).length + 1;
  }
  std::string path;
  path.reserve(length);
  for (std::size_t k = depth; k-- > 0;) {
    const Node& n = Table().At(k < 256 ? chain[k] : deep[k - 256]);
    path.push_back('/');
    path.append(n.name, n.length);
  }
  return path;
}

OSStatus StatusFromErrno(int error) {
  switch (error) {
    case 0: return noErr;
    case ENOENT:
    case ELOOP: return fnfErr;
    case ENOTDIR: return dirNFErr;
    case EACCES:
    case EPERM: return afpAccessDenied;
    case ENAMETOOLONG: return bdNamErr;
    case ENOMEM: return memFullErr;
    case EMFILE:
    case ENFILE: return tmfoErr;
    case EROFS: return wPrErr;
    case ENOSPC:
    case EDQUOT: return dskFulErr;
    case EEXIST: return dupFNErr;
    case EBUSY: return fBsyErr;
    default: return ioErr;
  }
}

OSStatus CanonicalPath(std::string_view input, bool mapMac, std::string* out) {
  std::string path(input);
  if (mapMac) path = MapMacPath(std::move(path));
  if (path.empty()) return fnfErr;
  if (path.front() != '/') {
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return StatusFromErrno(errno);
    path = std::string(cwd) + "/" + path;
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path == "/") {
    *out = "/";
    return noErr;
  }
  std::size_t slash = path.rfind('/');
  std::string last = path.substr(slash + 1);
  char resolved[PATH_MAX];
  if (last == "." || last == "..") {
    // The item is a folder reached through its parent: resolve it whole.
    if (!::realpath(path.c_str(), resolved)) return StatusFromErrno(errno);
    *out = resolved;
    return noErr;
  }
  std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
  if (!::realpath(parent.c_str(), resolved)) return StatusFromErrno(errno);
  std::string result = resolved;
  if (result != "/") result.push_back('/');
  result += last;
  *out = std::move(result);
  return noErr;
}

}  // namespace FilesPrivate
