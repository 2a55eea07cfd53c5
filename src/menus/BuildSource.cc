// Rebuilding a trigger's menu source by source: the file sources (single
// items and inline folders) and the bookkeeping every source ends with.
#include "menus/FolderListing.h"
#include "menus/MenuBuilder.h"
#include "menus/SourceBuild.h"
#include "menus/WorkingSources.h"
#include "platform/launchservices/LaunchServices.h"
#include "triggers/Triggers.h"

namespace {

// kMenuItemAttrDisabled | kMenuItemAttrIgnoreMeta: the path of a source that
// cannot be found, shown as it is (a leading hyphen is no separator).
constexpr MenuItemAttributes kUnresolvedLineAttributes = 0x101;
static_assert(kUnresolvedLineAttributes == (kMenuItemAttrDisabled | kMenuItemAttrIgnoreMeta));
// The 'LABL' value of an inline folder's name header.
constexpr UInt8 kNameHeaderLabel = 1;

void RemoveCount(SourceBuild& b) {
  CFDictionaryRemoveValue(b.source, kSourceCountKey);
  b.num.reset();
}

// Deletes the source's old range and forgets its size.
void DeleteOldRange(SourceBuild& b) {
  if (!b.num) return;
  if (*b.num != 0) DeleteItemRange(b.menu, b.start, LastOf(b.start, *b.num));
  RemoveCount(b);
}

// Stores a location just found. "cont" is decided anew: the path may now
// lead to a file where a folder was, or the other way round.
void RecordLocation(SourceBuild& b, const FSRef& ref) {
  SetSourceFSRef(b.source, ref);
  CFDictionaryRemoveValue(b.source, kSourceContentsKey);
  if (!SourceFlag(b.source, kSourceIsSubmenuKey, false) && IsFolderFlags(BasicFlagsOf(&ref)))
    CFDictionarySetValue(b.source, kSourceContentsKey, kCFBooleanTrue);
}

OSErr ResolveAgain(const SourceBuild& b, FSRef* ref) {
  OSType code = 0;
  bool isSeparator = false;
  CFTypeRef type = static_cast<CFTypeRef>(CFDictionaryGetValue(b.source, kSourceTypeKey));
  if (type) (void)ParseSourceType(type, &code, &isSeparator);
  return ResolveSourceLocation(b.source, SourceString(b.source, kSourceURLKey), code, ref);
}

// A source that cannot be found shows its "URL" as a disabled line (nothing
// without "URL"). False when the line could not be inserted.
bool ShowUnresolvedLine(SourceBuild& b) {
  CFStringRef url = SourceString(b.source, kSourceURLKey);
  if (!url) return true;
  if (InsertMenuItemTextWithCFString(b.menu, url, b.start - 1, kUnresolvedLineAttributes, 0) !=
      noErr)
    return false;
  b.count = 1;
  b.changed = true;
  return true;
}

// A file, application, or folder shown as one item.
bool BuildSingleItem(SourceBuild& b, const FSRef& ref) {
  // The item exists: only its derived state is brought up to date.
  b.count = 1;
  if (b.num && *b.num != 0) {
    RevalidateItemRange(b.menu, b.start, b.start, &b.prefs, InstallMenuHandlers, b.trigger);
    return true;
  }
  const UInt32 flags = BasicFlagsOf(&ref);
  const bool inserted =
      InsertSingleItem(&ref, b.menu, b.trigger, SourceString(b.source, kSourceTextKey), flags,
                       &b.prefs, b.trigger->iconSize);
  // A folder's first level is listed now, deeper levels when they open.
  if (inserted && IsFolderFlags(flags)) {
    AttachFolderSubmenu(b.menu, b.start, &ref, &b.prefs, InstallMenuHandlers, b.trigger);
    MenuRef submenu = nullptr;
    if (GetMenuItemHierarchicalMenu(b.menu, b.start, &submenu) == noErr && submenu)
      PopulateSubmenu(b.trigger, submenu);
  }
  // The item keeps its display preferences; one not inserted takes no room.
  if (inserted) {
    SetMenuItemProperty(b.menu, b.start, kSKIDCreator, kPrefTag, kPrefTagSize, &b.prefs);
    b.changed = true;
  } else {
    b.count = 0;
  }
  return true;
}

// The name header above an inline folder's contents: "Text", else the
// folder's display name. False when it could not be inserted.
bool InsertNameHeader(SourceBuild& b, const FSRef& ref) {
  CFRef<CFStringRef> displayName;
  CFStringRef text = SourceString(b.source, kSourceTextKey);
  if (!text) {
    CFStringRef name = nullptr;
    if (LSCopyDisplayNameForRef(&ref, &name) != noErr) return false;
    displayName.reset(name);
    text = name;
  }
  FSCatalogInfo info;
  const UInt32 nodeID =
      FSGetCatalogInfo(&ref, kFSCatInfoNodeID, &info, nullptr, nullptr, nullptr) == noErr
          ? info.nodeID
          : 0;
  const UInt32 flags = BasicFlagsOf(&ref);
  if (InsertFileItem(b.menu, text, &ref, nullptr, false, b.start - 1, nodeID, flags) != noErr)
    return false;
  SetMenuItemProperty(b.menu, b.start, kSKIDCreator, kLabelTag, kLabelTagSize, &kNameHeaderLabel);
  // A header is an inert label outside drop mode: validated now, it shows
  // so from the first pop-up on, not only after an unchanged rebuild.
  ValidateItem(nodeID, flags, b.menu, b.start, &b.prefs, InstallMenuHandlers, b.trigger);
  return true;
}

// A folder listed inline.
bool BuildInlineFolder(SourceBuild& b, const FSRef& ref) {
  // An unchanged folder keeps its items: they are only revalidated and
  // stepped over by their stored size.
  const std::optional<FolderDate> stored = SourceDate(b.source);
  FolderDate newDate;
  OSStatus status = noErr;
  bool settled = false;
  const bool changed =
      FolderChanged(&ref, stored ? &*stored : nullptr, &newDate, &status, &settled);
  if (stored && !changed) {
    if (b.num)
      RevalidateItemRange(b.menu, b.start, LastOf(b.start, *b.num), &b.prefs, InstallMenuHandlers,
                          b.trigger);
    b.count = 0;
    return true;
  }
  // A date too recent to show that nothing changes later is not kept:
  // the next rebuild relists.
  if (settled)
    SetSourceDate(b.source, newDate);
  else
    CFDictionaryRemoveValue(b.source, kSourceDateKey);
  // The old items go; a name header stays.
  const bool inlineName = SourceFlag(b.source, kSourceInlineNameKey, false);
  if (b.num && *b.num != 0) {
    if (inlineName)
      DeleteItemRange(b.menu, ItemAt(b.start, 1), LastOf(b.start, *b.num));
    else
      DeleteItemRange(b.menu, b.start, LastOf(b.start, *b.num));
  }
  // A kept header counts. (A stored count of 0 means there was none.)
  b.changed = true;
  MenuItemIndex listingStart = b.start;
  if (b.num && *b.num != 0 && inlineName) {
    b.count = 1;
    listingStart = ItemAt(b.start, 1);
  } else if (inlineName) {
    // A new header.
    if (InsertNameHeader(b, ref)) {
      b.count = 1;
      listingStart = ItemAt(b.start, 1);
    }
  }
  // A folder that could not be read is looked at again next time (being
  // made readable changes no modification date).
  OSErr listed = noErr;
  b.count +=
      ListFolder(b.menu, &ref, !SourceFlag(b.source, kSourceNoHierKey, false), &b.prefs,
                 b.prefs.splitItems, listingStart - 1, InstallMenuHandlers, b.trigger, &listed);
  if (listed != noErr) CFDictionaryRemoveValue(b.source, kSourceDateKey);
  return true;
}

// Steps the trigger's next item index over the source's range and records
// its size when the range was remade.
void FinishSource(SourceBuild& b) {
  if (b.changed) {
    b.trigger->nextItemIndex = ItemAt(b.trigger->nextItemIndex, b.count);
    SetSourceCount(b.source, b.count);
  } else if (b.count != 0) {
    b.trigger->nextItemIndex = ItemAt(b.trigger->nextItemIndex, b.count);
  } else if (const std::optional<UInt16> num = SourceCount(b.source)) {
    b.trigger->nextItemIndex = ItemAt(b.trigger->nextItemIndex, *num);
  }
}

}  // namespace

// A file source: a single item or an inline folder.
bool BuildFileSource(SourceBuild& b) {
  FSRef ref;
  // Not resolved before: resolve again.
  if (!SourceFSRef(b.source, &ref)) {
    if (ResolveAgain(b, &ref) != noErr) {
      // The old items (the path line) stay in place and are skipped.
      if (b.num) return true;
      return ShowUnresolvedLine(b);
    }
    RecordLocation(b, ref);
    DeleteOldRange(b);
  }
  // The item it named is gone: its range goes, and it is looked for
  // again (through "Alias" when the path no longer leads to it).
  if (FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr) != noErr) {
    CFDictionaryRemoveValue(b.source, kSourceFSRefKey);
    CFDictionaryRemoveValue(b.source, kSourceDateKey);
    SetSourceUnresolved(b.source);
    DeleteOldRange(b);
    if (ResolveAgain(b, &ref) != noErr) return ShowUnresolvedLine(b);
    RecordLocation(b, ref);
    if (SourceFlag(b.source, kSourceContentsKey, false)) return BuildInlineFolder(b, ref);
  }
  if (SourceFlag(b.source, kSourceContentsKey, false)) return BuildInlineFolder(b, ref);
  return BuildSingleItem(b, ref);
}

void RebuildMenu(UtilityMenu* trigger) {
  if (!trigger || !trigger->menu || !trigger->sources) return;
  trigger->nextItemIndex = 1;
  CFArrayApplyFunction(trigger->sources, CFRangeMake(0, CFArrayGetCount(trigger->sources)),
                       BuildSource, trigger);
}

void BuildSource(const void* value, void* context) {
  auto* trigger = static_cast<UtilityMenu*>(context);
  // The sources array holds the trigger's own mutable working sources.
  auto source = const_cast<CFMutableDictionaryRef>(static_cast<CFDictionaryRef>(value));
  SourceBuild b;
  b.source = source;
  b.trigger = trigger;
  b.menu = trigger->menu;
  b.start = trigger->nextItemIndex;
  b.prefs = SourceDisplayPrefs(source, trigger->iconSize);
  b.num = SourceCount(source);
  const bool finish =
      SourceData(source, kSourceFSRefKey) ? BuildFileSource(b) : BuildTypedSource(b);
  if (finish) FinishSource(b);
}
