// The icon of a file named by an FSRef.
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/FilesInternal.h"
#include "platform/icons/Icons.h"
#include "platform/icons/IconsInternal.h"

OSErr GetIconRefFromFileInfo(const FSRef* inRef, UniCharCount inFileNameLength,
                             const UniChar* inFileName, FSCatalogInfoBitmap /*inWhichInfo*/,
                             const FSCatalogInfo* /*inCatalogInfo*/,
                             IconServicesUsageFlags /*inUsageFlags*/, IconRef* outIconRef,
                             SInt16* outLabel) {
  if (!inRef || !outIconRef) return paramErr;
  *outIconRef = nullptr;
  if (outLabel) *outLabel = 0;
  // The catalog information a caller may pass says less than the item itself
  // (extension, permissions, where a link leads), and looking is cheap here:
  // for an entry of a folder being listed the ref's status is at hand.
  std::string path;
  struct stat st;
  if (OSStatus err = FilesPrivate::LookUpRef(inRef, &path, &st)) return static_cast<OSErr>(err);
  std::string name;
  if (inFileName && inFileNameLength > 0) {
    auto text = CFStringCreateWithCharacters(kCFAllocatorDefault, inFileName,
                                             static_cast<CFIndex>(inFileNameLength));
    if (text) name = CFStringToUTF8(text);
  }
  IconDescription description;
  if (!DescribeIconForItem(path, st, name, description)) return fnfErr;
  *outIconRef = CreateIconRefForDescription(std::move(description));
  return *outIconRef ? noErr : memFullErr;
}
