// The hidden-names file of a folder: the bytes are written as the folder's
// .hidden file and read as a listing would read them. Every line ended by a
// line feed must then be listed, and the bytes after the last line feed
// only when some line says the same.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "menus/FolderListing.h"
#include "menus/HiddenNames.h"
#include "platform/files/Files.h"

namespace {

std::string gFolder;
FSRef gFolderRef;

// A name as the list compares it: up to its first NUL.
std::string AsCString(const std::string& s) { return std::string(s.c_str()); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFolder = fuzz::NewScratchFolder("hidden");
  if (FSPathMakeRef(reinterpret_cast<const UInt8*>(gFolder.c_str()), &gFolderRef, nullptr) != noErr)
    fuzz::Fail("no ref for " + gFolder);
  const char16_t name[] = u".hidden";
  gHiddenListNameLength = std::size(name) - 1;
  std::copy_n(name, gHiddenListNameLength, gHiddenListName);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  fuzz::WriteBytes(gFolder + "/.hidden", bytes, size);
  HiddenNameList list;
  list.Read(&gFolderRef);

  const std::string text(reinterpret_cast<const char*>(bytes),
                         std::min<std::size_t>(size, kLargestHiddenList));
  std::set<std::string> names;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    names.insert(AsCString(text.substr(start, end - start)));
  if (list.IsEmpty() != names.empty()) fuzz::Fail("the list is empty, or not, wrongly");
  for (const std::string& name : names)
    if (!list.Contains(name.c_str())) fuzz::Fail("a listed name is not hidden: " + name);
  const std::string rest = AsCString(text.substr(start));
  if (list.Contains(rest.c_str()) != names.contains(rest))
    fuzz::Fail("the text after the last line feed is treated as a name: " + rest);
  for (const char* probe : {"", ".hidden", "a"})
    if (list.Contains(probe) != names.contains(probe))
      fuzz::Fail(std::string("a name is hidden wrongly: ") + probe);
  return 0;
}
