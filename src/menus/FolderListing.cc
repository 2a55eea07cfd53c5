// Putting one folder's entries into a menu.
#include "menus/FolderListing.h"

#include <array>
#include <limits>
#include <memory>

#include "common/IconRendering.h"
#include "menus/HiddenNames.h"
#include "platform/host/Transcript.h"
#include "platform/launchservices/LaunchServices.h"
#include "shell/Aliases.h"

namespace {

// Entries fetched per bulk call, each with its catalog information, so that
// an entry's icon is found without asking the catalog again.
constexpr ItemCount kBatchSize = 20;

// What Launch Services says an entry is. "File" is anything that is a plain
// file, package or application; "folder" is a container that is none of
// these.
constexpr LSItemInfoFlags kFileKinds =
    kLSItemInfoIsPlainFile | kLSItemInfoIsPackage | kLSItemInfoIsApplication;

constexpr UniChar kPathSeparator = '/';
constexpr UniChar kExtensionSeparator = '.';

// One bulk call's worth of entries. About 11 KB, so it lives on the heap.
struct Batch {
  std::array<FSCatalogInfo, kBatchSize> infos;
  std::array<FSRef, kBatchSize> refs;
  std::array<HFSUniStr255, kBatchSize> names;
};

// The most items a menu holds.
constexpr UInt32 kMenuItemLimit = std::numeric_limits<MenuItemIndex>::max();

void ReportCutFolder(const FSRef* folder) {
  UInt8 path[4096];
  const char* shown = FSRefMakePath(folder, path, sizeof path) == noErr
                          ? reinterpret_cast<const char*>(path)
                          : "(unknown)";
  ReportProblem(
      Fmt("menus: folder %s is cut at the menu's limit of %u items; the rest of its "
          "entries are not shown",
          shown, kMenuItemLimit));
}

// Closes the iterator however listing ends.
struct IteratorCloser {
  FSIterator iterator;
  ~IteratorCloser() { (void)FSCloseIterator(iterator); }
};

// Basic flags of the item, 0 when it cannot be asked about (it went away).
LSItemInfoFlags BasicFlags(const FSRef* ref) {
  LSItemInfoRecord info;
  if (LSCopyItemInfoForRef(ref, kLSRequestBasicFlagsOnly, &info) != noErr) return 0;
  return info.flags;
}

bool ListsFiles(SInt8 splitMode) {
  return splitMode == kSplitMixed || splitMode == kSplitFilesThenFolders ||
         splitMode == kSplitFilesOnly;
}

bool ListsFolders(SInt8 splitMode) {
  return splitMode == kSplitMixed || splitMode == kSplitFoldersOnly;
}

// The entry's name in the bytes a hidden-names file holds; false when it has
// no such form.
bool NameAsCString(const HFSUniStr255& name, FileNameBuffer& out) {
  CFRef<CFStringRef> text = CFStringCreateWithCharacters(kCFAllocatorDefault, name.unicode,
                                                         static_cast<CFIndex>(name.length));
  return text && CFStringGetFileSystemRepresentation(text, out, sizeof out);
}

// Everything one entry needs from the listing around it.
struct Listing {
  MenuRef menu;
  bool makeSubmenus;
  const DisplayPrefs* prefs;
  SInt8 splitMode;
  MenuInstaller installer;
  void* refcon;
  SInt16 iconSize;
  bool renderImages;
  const HiddenNameList& hidden;
  MenuItemIndex after;
  UInt16 count;
};

enum class EntryResult { kListed, kSkipped, kNotInserted };

// Puts one entry of a batch into the menu, or skips it.
EntryResult ListEntry(Listing& listing, const FSRef& ref, const FSCatalogInfo& info,
                      const HFSUniStr255& name) {
  const LSItemInfoFlags flags = BasicFlags(&ref);
  if (flags & kLSItemInfoIsInvisible) return EntryResult::kSkipped;
  // Names the folder's hidden-names file lists are left out.
  if (!listing.hidden.IsEmpty()) {
    FileNameBuffer cName;
    if (NameAsCString(name, cName) && listing.hidden.Contains(cName)) return EntryResult::kSkipped;
  }
  // An alias is listed as what it points to. A resolution that fails part
  // way may have moved the copy: the target is then the entry itself again.
  FSRef target = ref;
  LSItemInfoFlags kindFlags = flags;
  if (flags & kLSItemInfoIsAliasFile) {
    bool targetIsFolder = false;
    bool wasAliased = false;
    const LSItemInfoFlags targetFlags =
        ResolveAliasFile(&target, true, &targetIsFolder, &wasAliased, false, 0) == noErr
            ? BasicFlags(&target)
            : 0;
    if (targetFlags != 0)
      kindFlags = targetFlags;
    else
      target = ref;
  }
  // Only files and folders, as far as the split mode and the filter want them.
  const bool isFile = kindFlags & kFileKinds;
  const bool isFolder = !isFile && (kindFlags & kLSItemInfoIsContainer);
  if (isFile) {
    if (!ListsFiles(listing.splitMode)) return EntryResult::kSkipped;
    if (listing.prefs->filterKind == kFilterApplications && !(kindFlags & kLSItemInfoIsApplication))
      return EntryResult::kSkipped;
  } else if (isFolder) {
    if (!ListsFolders(listing.splitMode)) return EntryResult::kSkipped;
  } else {
    return EntryResult::kSkipped;
  }
  // Applications are shown without their ".app".
  CFStringRef displayName = nullptr;
  if (LSCopyDisplayNameForRef(&ref, &displayName) != noErr || !displayName)
    return EntryResult::kSkipped;
  CFRef<CFStringRef> text(displayName);
  if ((kindFlags & kLSItemInfoIsApplication) && CFStringHasSuffix(text, CFSTR(".app")))
    text = StripExtension(std::move(text));
  // The icon as an image when the menu draws images, else the icon itself.
  void* icon = nullptr;
  if (listing.prefs->useIcons) {
    IconRef iconRef = nullptr;
    if (GetIconRefFromFileInfo(&ref, name.length, name.unicode, kIconServicesCatalogInfoMask, &info,
                               kIconServicesNormalUsageFlag, &iconRef, nullptr) == noErr &&
        iconRef) {
      if (listing.renderImages)
        icon = GetCGImageForIconRef(iconRef, static_cast<UInt16>(listing.iconSize), kTransformNone);
      else
        icon = iconRef;
    }
  }
  // The item keeps the alias file's own ref and flags. A menu that takes
  // no more items (or is gone) will not take the next entry either.
  if (InsertFileItem(listing.menu, text, &ref, icon, listing.renderImages, listing.after,
                     info.nodeID, flags) != noErr)
    return EntryResult::kNotInserted;
  listing.after += 1;
  listing.count += 1;
  // Its bound key, alias submenu and enabled state.
  ValidateItem(info.nodeID, flags, listing.menu, listing.after, listing.prefs, listing.installer,
               listing.refcon);
  // A folder item keeps its display preferences and gets its submenu; that
  // of an alias lists the target folder.
  if (isFolder) {
    SetMenuItemProperty(listing.menu, listing.after, kSKIDCreator, kPrefTag, kPrefTagSize,
                        listing.prefs);
    MenuRef submenu = nullptr;
    if (listing.makeSubmenus &&
        GetMenuItemHierarchicalMenu(listing.menu, listing.after, &submenu) == noErr && !submenu)
      AttachFolderSubmenu(listing.menu, listing.after, &target, listing.prefs, listing.installer,
                          listing.refcon);
  }
  // `text` releases the item's text here.
  return EntryResult::kListed;
}

}  // namespace

UInt16 ListFolder(MenuRef menu, const FSRef* folder, bool makeSubmenus, const DisplayPrefs* prefs,
                  SInt8 splitMode, MenuItemIndex after, MenuInstaller installer, void* refcon,
                  OSErr* outStatus) {
  if (outStatus) *outStatus = paramErr;
  if (!folder || !prefs) return 0;
  // A menu with an icon size draws its icons as images.
  const SInt16 iconSize = GetMenuIconSize(menu);
  const bool renderImages = iconSize != 0;
  FSIterator iterator = nullptr;
  const OSErr opened = FSOpenIterator(folder, kFSIterateFlat, &iterator);
  if (outStatus) *outStatus = opened;
  if (opened != noErr) return 0;
  UInt16 count = 0;
  bool insertionFailed = false;
  {
    IteratorCloser closer{iterator};
    HiddenNameList hidden;
    hidden.Read(folder);
    Listing listing{menu,     makeSubmenus, prefs,  splitMode, installer, refcon,
                    iconSize, renderImages, hidden, after,     0};
    // Fetched in batches, each with its catalog information.
    auto batch = std::make_unique<Batch>();
    OSErr status = noErr;
    while (status == noErr && !insertionFailed) {
      ItemCount fetched = 0;
      status = FSGetCatalogInfoBulk(iterator, kBatchSize, &fetched, nullptr,
                                    kIconServicesCatalogInfoMask, batch->infos.data(),
                                    batch->refs.data(), nullptr, batch->names.data());
      // The batch counts also when the call says it was the last.
      for (ItemCount i = 0; i < fetched && !insertionFailed; ++i)
        insertionFailed = ListEntry(listing, batch->refs[i], batch->infos[i], batch->names[i]) ==
                          EntryResult::kNotInserted;
    }
    after = listing.after;
    count = listing.count;
    // The closer ends the listing here.
  }
  // A menu that took no more items cut the folder short: the user hears of
  // the entries that are not shown.
  if (insertionFailed && IsValidMenu(menu) && CountMenuItems(menu) >= kMenuItemLimit)
    ReportCutFolder(folder);
  // The folders follow the file items.
  if (splitMode == kSplitFilesThenFolders && !insertionFailed)
    count +=
        ListFolder(menu, folder, makeSubmenus, prefs, kSplitFoldersOnly, after, installer, refcon);
  return count;
}

CFRef<CFStringRef> StripExtension(CFRef<CFStringRef> name) {
  if (!name) return name;
  const CFIndex length = CFStringGetLength(name);
  // The last path component starts after the last separator.
  CFIndex componentStart = 0;
  for (CFIndex i = length; i > 0; --i) {
    if (CFStringGetCharacterAtIndex(name, i - 1) == kPathSeparator) {
      componentStart = i;
      break;
    }
  }
  for (CFIndex i = length; i > componentStart + 1; --i) {
    if (CFStringGetCharacterAtIndex(name, i - 1) != kExtensionSeparator) continue;
    CFRef<CFMutableStringRef> stripped = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, name);
    CFStringDelete(stripped, CFRangeMake(i - 1, length - (i - 1)));
    return stripped;
  }
  return CFStringCreateCopy(kCFAllocatorDefault, name);
}
