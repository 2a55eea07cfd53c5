// A listed name back in the file system's own bytes, for code that compares
// names with text read from files (which holds the same bytes).
#include <cstring>
#include <vector>

#include "platform/files/FilesInternal.h"

Boolean CFStringGetFileSystemRepresentation(CFStringRef string, char* buffer, CFIndex maxBufLen) {
  if (!string || !buffer || maxBufLen <= 0) return false;
  const CFIndex length = CFStringGetLength(string);
  std::vector<UniChar> units(static_cast<std::size_t>(length));
  if (length > 0) CFStringGetCharacters(string, CFRangeMake(0, length), units.data());
  std::string bytes;
  if (!FilesPrivate::UnitsToName(units.data(), units.size(), &bytes)) return false;
  if (bytes.find('\0') != std::string::npos) return false;
  if (static_cast<CFIndex>(bytes.size()) + 1 > maxBufLen) return false;
  std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
  return true;
}
