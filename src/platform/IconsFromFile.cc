// The icon of a file named by an FSRef.
#include <climits>

#include "platform/CoreFoundation.h"
#include "platform/Files.h"
#include "platform/Icons.h"

OSErr GetIconRefFromFileInfo(const FSRef* inRef, UniCharCount inFileNameLength,
                             const UniChar* inFileName, FSCatalogInfoBitmap /*inWhichInfo*/,
                             const FSCatalogInfo* /*inCatalogInfo*/,
                             IconServicesUsageFlags /*inUsageFlags*/, IconRef* outIconRef,
                             SInt16* outLabel) {
  if (!inRef || !outIconRef) return paramErr;
  *outIconRef = nullptr;
  if (outLabel) *outLabel = 0;
  // The catalog information a caller may pass says less than the item itself
  // (extension, permissions, where a link leads), and looking is cheap here.
  UInt8 path[PATH_MAX + 1];
  OSStatus err = FSRefMakePath(inRef, path, sizeof path);
  if (err == pathTooLongErr) return fnfErr;
  if (err != noErr) return static_cast<OSErr>(err);
  std::string name;
  if (inFileName && inFileNameLength > 0) {
    auto text = CFStringCreateWithCharacters(kCFAllocatorDefault, inFileName,
                                             static_cast<CFIndex>(inFileNameLength));
    if (text) name = CFStringToUTF8(text);
  }
  IconDescription description;
  if (!DescribeIconForPath(reinterpret_cast<const char*>(path), name, description)) return fnfErr;
  *outIconRef = CreateIconRefForDescription(std::move(description));
  return *outIconRef ? noErr : memFullErr;
}
