// Rebuilding the sources without a file: separators, text lines and the
// generated lists, inline or behind one item with a submenu.
#include "menus/GeneratedLists.h"
#include "menus/MenuBuilder.h"
#include "menus/SourceBuild.h"
#include "menus/WorkingSources.h"
#include "platform/launchservices/LaunchServices.h"
#include "shell/Paths.h"
#include "triggers/Triggers.h"

namespace {

// kMenuItemAttrDisabled | kMenuItemAttrIgnoreMeta, as for an unresolved
// path: a text source is an inert line shown exactly as written.
constexpr MenuItemAttributes kTextLineAttributes = 0x101;
static_assert(kTextLineAttributes == (kMenuItemAttrDisabled | kMenuItemAttrIgnoreMeta));
// The one-character text that makes a separator line (a Pascal string).
constexpr unsigned char kSeparatorItemText[] = {1, '-'};
// The header text of last resort.
constexpr const char* kBlankText = " ";

bool BuildSeparator(SourceBuild& b) {
  if (!b.num) {
    // A separator the menu refused is tried again at the next rebuild.
    if (InsertMenuItemText(b.menu, kSeparatorItemText, b.start - 1) != noErr) return true;
    b.changed = true;
  }
  b.count = 1;
  return true;
}

bool BuildTextLine(SourceBuild& b) {
  if (b.num) {
    b.count = 1;
    return true;
  }
  CFStringRef text = SourceString(b.source, kSourceTextKey);
  if (!text) return true;
  if (InsertMenuItemTextWithCFString(b.menu, text, b.start - 1, kTextLineAttributes, 0) != noErr)
    return false;
  b.count = 1;
  b.changed = true;
  return true;
}

// Refreshes the whole contents of a generated list's submenu.
void ListIntoSubmenu(SourceBuild& b, OSType code, MenuRef submenu) {
  switch (code) {
    case kVolumesSourceCode:
      (void)ListVolumes(submenu, 1, kWholeMenuCount, &b.prefs, InstallMenuHandlers, b.trigger);
      break;
    case kProcessesSourceCode: (void)ListProcesses(submenu, 1, kWholeMenuCount, &b.prefs); break;
    case kRecentApplicationsSourceCode:
    case kRecentDocumentsSourceCode:
      (void)ListRecentItems(submenu, 1, kWholeMenuCount, &b.prefs, InstallMenuHandlers, b.trigger,
                            code, nullptr);
      break;
    case kPanesSourceCode:
      // Replaces the panes only when a pane folder changed.
      (void)ListPreferencePanes(submenu, 1, kWholeMenuCount, b.prefs.useIcons != 0);
      break;
    default: break;
  }
}

// A generated list behind one item with a submenu.
bool BuildListSubmenu(SourceBuild& b, OSType code) {
  if (!b.num) b.changed = true;
  // The parent item of the panes shows System Preferences' name and icon.
  FSRef appRef;
  const FSRef* ref = nullptr;
  if (code == kPanesSourceCode && !b.num && LocateSystemPreferences(&appRef) == noErr)
    ref = &appRef;
  const bool hadSubmenu = SourceSubmenu(b.source) != nullptr;
  MenuRef submenu =
      AttachSourceSubmenu(b.source, ref, b.menu, b.trigger, &b.prefs, b.trigger->iconSize);
  if (!submenu) return true;
  // A parent item made now (an earlier attempt failed) is a new range.
  if (!hadSubmenu) b.changed = true;
  ListIntoSubmenu(b, code, submenu);
  b.count = 1;
  return true;
}

// The text of a generated list's name header.
CFRef<CFStringRef> ListHeaderText(const SourceBuild& b, OSType code) {
  if (CFStringRef text = SourceString(b.source, kSourceTextKey))
    return CFRef<CFStringRef>::Retain(text);
  if (CFStringRef text = SourceString(b.source, kSourceDefaultNameKey))
    return CFRef<CFStringRef>::Retain(text);
  FSRef appRef;
  CFStringRef name = nullptr;
  if (code == kPanesSourceCode && LocateSystemPreferences(&appRef) == noErr &&
      LSCopyDisplayNameForRef(&appRef, &name) == noErr)
    return CFRef<CFStringRef>(name);
  return CFRef<CFStringRef>::Retain(CFSTR(kBlankText));
}

// A generated list inline.
bool BuildInlineList(SourceBuild& b, OSType code) {
  const bool inlineName = SourceFlag(b.source, kSourceInlineNameKey, false);
  MenuItemIndex first = b.start;
  UInt16 old = 0;
  bool hasHeader = false;
  if (b.num) {
    // The header stays (a stored count of 0 means there was none).
    hasHeader = inlineName && *b.num != 0;
    if (hasHeader) first = ItemAt(b.start, 1);
    old = hasHeader ? static_cast<UInt16>(*b.num - 1) : *b.num;
  } else if (inlineName) {
    CFRef<CFStringRef> text = ListHeaderText(b, code);
    if (InsertFileItem(b.menu, text, nullptr, nullptr, false, first - 1, 0, 0) == noErr) {
      DisableMenuItem(b.menu, first);
      hasHeader = true;
      first = ItemAt(b.start, 1);
    }
    b.changed = true;
    old = 0;
  }

  UInt16 n = 0;
  bool listChanged = false;
  switch (code) {
    case kVolumesSourceCode:
      n = ListVolumes(b.menu, first, old, &b.prefs, InstallMenuHandlers, b.trigger);
      listChanged = n != 0 || n != old;
      break;
    case kProcessesSourceCode:
      n = ListProcesses(b.menu, first, old, &b.prefs);
      listChanged = n != 0 || n != old;
      break;
    case kRecentApplicationsSourceCode:
    case kRecentDocumentsSourceCode:
      n = ListRecentItems(b.menu, first, old, &b.prefs, InstallMenuHandlers, b.trigger, code,
                          &listChanged);
      break;
    case kPanesSourceCode:
      n = ListPreferencePanes(b.menu, first, old, b.prefs.useIcons != 0);
      // 0: no pane folder changed and nothing was touched; the range
      // (header included) is stepped over by its stored size. Without a
      // stored size there is no earlier range to keep.
      if (n == 0 && b.num) {
        RevalidateItemRange(b.menu, first, LastOf(first, old), &b.prefs, InstallMenuHandlers,
                            b.trigger);
        b.count = 0;
        return true;
      }
      listChanged = n != 0;
      break;
    default: break;
  }
  if (listChanged) b.changed = true;
  b.count = static_cast<UInt16>(n + (hasHeader ? 1 : 0));
  return true;
}

}  // namespace

// A source without "fsref": a separator or a generated list, by its type code.
bool BuildTypedSource(SourceBuild& b) {
  OSType code = 0;
  bool isSeparator = false;
  CFTypeRef type = static_cast<CFTypeRef>(CFDictionaryGetValue(b.source, kSourceTypeKey));
  if (!type || !ParseSourceType(type, &code, &isSeparator)) return true;
  if (isSeparator) return BuildSeparator(b);
  switch (code) {
    case kTextSourceCode: return BuildTextLine(b);
    case kVolumesSourceCode:
    case kProcessesSourceCode:
    case kRecentApplicationsSourceCode:
    case kRecentDocumentsSourceCode:
      // These change all the time: the first build leaves them out and the
      // first pop-up lists them.
      if (gInitialBuild) return true;
      [[fallthrough]];
    case kPanesSourceCode:
      if (SourceFlag(b.source, kSourceIsSubmenuKey, false)) return BuildListSubmenu(b, code);
      return BuildInlineList(b, code);
    default: return true;
  }
}
