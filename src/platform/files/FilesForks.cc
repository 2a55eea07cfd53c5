// Reading a file's data fork through a fork reference number.
//
// Linux files have only the data fork. A fork refnum is a small positive
// number standing for an open descriptor and its mark, so that a stale
// number can be told from a live one.
#include <fcntl.h>

#include <cerrno>
#include <map>

#include "platform/files/FilesInternal.h"

using namespace FilesPrivate;

namespace {

struct OpenFork {
  UniqueFd fd;
  SInt64 mark = 0;
};

constexpr FSIORefNum kFirstForkRefNum = 1;
constexpr FSIORefNum kLastForkRefNum = 32767;

struct ForkTable {
  std::map<FSIORefNum, OpenFork> forks;
  FSIORefNum next = kFirstForkRefNum;
};

ForkTable& Forks() {
  static ForkTable table;
  return table;
}

OpenFork* FindFork(FSIORefNum refNum) {
  auto& forks = Forks().forks;
  auto it = forks.find(refNum);
  return it == forks.end() ? nullptr : &it->second;
}

// Numbers are reused only after wrapping around, which keeps a just-closed
// number from naming a new fork at once.
bool AllocateRefNum(FSIORefNum* out) {
  ForkTable& table = Forks();
  for (int tries = 0; tries < kLastForkRefNum; ++tries) {
    FSIORefNum candidate = table.next;
    table.next =
        candidate == kLastForkRefNum ? kFirstForkRefNum : static_cast<FSIORefNum>(candidate + 1);
    if (!table.forks.contains(candidate)) {
      *out = candidate;
      return true;
    }
  }
  return false;
}

constexpr char16_t kResourceForkName[] = u"RESOURCE_FORK";

void SetForkName(std::u16string_view name, HFSUniStr255* out) {
  out->length = static_cast<UInt16>(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) out->unicode[i] = name[i];
}

}  // namespace

OSErr FSGetDataForkName(HFSUniStr255* dataForkName) {
  if (!dataForkName) return paramErr;
  SetForkName(u"", dataForkName);
  return noErr;
}

OSErr FSGetResourceForkName(HFSUniStr255* resourceForkName) {
  if (!resourceForkName) return paramErr;
  SetForkName(kResourceForkName, resourceForkName);
  return noErr;
}

OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName,
                 SInt8 permissions, FSIORefNum* forkRefNum) {
  if (!ref || !forkRefNum || (forkNameLength > 0 && !forkName)) return paramErr;
  if (permissions != fsCurPerm && permissions != fsRdPerm) return paramErr;
  std::string path;
  struct stat st;
  if (OSStatus s = LookUpRef(ref, &path, &st)) return static_cast<OSErr>(s);
  if (forkNameLength > 0) return errFSForkNotFound;  // only the data fork exists
  if (S_ISDIR(st.st_mode)) return notAFileErr;
  // Without O_NONBLOCK opening a named pipe waits for a writer, which would
  // hang the caller on a file that merely sits in a folder.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return static_cast<OSErr>(StatusFromErrno(errno));
  struct stat opened;
  if (::fstat(fd.get(), &opened) != 0) return ioErr;
  // Only regular files have a data fork: a folder (or an alias file leading
  // to one) has none, and pipes, sockets and devices never end.
  if (!S_ISREG(opened.st_mode)) return notAFileErr;
  FSIORefNum refNum;
  if (!AllocateRefNum(&refNum)) return tmfoErr;
  Forks().forks.emplace(refNum, OpenFork{std::move(fd), 0});
  *forkRefNum = refNum;
  return noErr;
}

OSErr FSGetForkSize(FSIORefNum forkRefNum, SInt64* forkSize) {
  if (!forkSize) return paramErr;
  OpenFork* fork = FindFork(forkRefNum);
  if (!fork) return errFSBadForkRef;
  struct stat st;
  if (::fstat(fork->fd.get(), &st) != 0) return ioErr;
  *forkSize = static_cast<SInt64>(st.st_size);
  return noErr;
}

OSErr FSReadFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                 ByteCount requestCount, void* buffer, ByteCount* actualCount) {
  if (actualCount) *actualCount = 0;
  OpenFork* fork = FindFork(forkRefNum);
  if (!fork) return errFSBadForkRef;
  if (!buffer && requestCount > 0) return paramErr;
  SInt64 start = 0;
  switch (positionMode & 0x3) {
    case fsAtMark: start = fork->mark; break;
    case fsFromStart: start = positionOffset; break;
    case fsFromLEOF: {
      struct stat st;
      if (::fstat(fork->fd.get(), &st) != 0) return ioErr;
      start = static_cast<SInt64>(st.st_size) + positionOffset;
      break;
    }
    case fsFromMark: start = fork->mark + positionOffset; break;
  }
  if (start < 0) return posErr;
  ByteCount done = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (done < requestCount) {
    ssize_t n = ::pread(fork->fd.get(), bytes + done, requestCount - done,
                        static_cast<off_t>(start) + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fork->mark = start + static_cast<SInt64>(done);
      if (actualCount) *actualCount = done;
      return ioErr;
    }
    if (n == 0) break;
    done += static_cast<ByteCount>(n);
  }
  fork->mark = start + static_cast<SInt64>(done);
  if (actualCount) *actualCount = done;
  return done < requestCount ? eofErr : noErr;
}

OSErr FSCloseFork(FSIORefNum forkRefNum) {
  return Forks().forks.erase(forkRefNum) ? noErr : errFSBadForkRef;
}
