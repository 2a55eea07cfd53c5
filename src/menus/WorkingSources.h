// The working source: the builder's own mutable copy of one "Items" entry,
// with the configuration keys the preference pane writes and the cache keys
// the builder keeps between rebuilds (never saved).
#pragma once

#include <optional>

#include "menus/ItemRecords.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/Files.h"

// Configuration keys (case-sensitive).
inline const CFStringRef kSourceTypeKey = CFSTR("Type");
inline const CFStringRef kSourceURLKey = CFSTR("URL");
inline const CFStringRef kSourceAliasKey = CFSTR("Alias");
inline const CFStringRef kSourceTextKey = CFSTR("Text");
inline const CFStringRef kSourceDefaultNameKey = CFSTR("Default Name");
inline const CFStringRef kSourceIsSubmenuKey = CFSTR("Is Submenu");
inline const CFStringRef kSourceNoHierKey = CFSTR("No Hier");
inline const CFStringRef kSourceInlineNameKey = CFSTR("Inline Name");
inline const CFStringRef kSourceUseIconsKey = CFSTR("Use Icons");
inline const CFStringRef kSourceSplitItemsKey = CFSTR("Split Items");
inline const CFStringRef kSourceFilterKindKey = CFSTR("Filter Kind");
inline const CFStringRef kSourceFontKey = CFSTR("Font");
inline const CFStringRef kSourceSizeKey = CFSTR("Size");
inline const CFStringRef kSourceIconSizeKey = CFSTR("Icon Size");
inline const CFStringRef kSourceNoDirOpenKey = CFSTR("No Dir Open");

// Cache keys.
inline const CFStringRef kSourceFSRefKey = CFSTR("fsref");    // 80 bytes, or empty: resolve again
inline const CFStringRef kSourceContentsKey = CFSTR("cont");  // true: a folder listed inline
inline const CFStringRef kSourceCountKey = CFSTR("num");      // items made at the last (re)build
inline const CFStringRef kSourceDateKey = CFSTR("date");      // the inline folder's FolderDate
inline const CFStringRef kSourceSubmenuKey = CFSTR("sub");    // the submenu made for the source

// The kind codes of the sources that need no location.
inline constexpr OSType kSeparatorSourceCode = '-   ';
inline constexpr OSType kTextSourceCode = 'text';
inline constexpr OSType kVolumesSourceCode = 'vols';
inline constexpr OSType kProcessesSourceCode = 'PROC';
inline constexpr OSType kRecentApplicationsSourceCode = 'rAPP';
inline constexpr OSType kRecentDocumentsSourceCode = 'rDOC';
inline constexpr OSType kPanesSourceCode = 'span';

// Typed reads of a source's keys: a value of another type counts as absent,
// so a malformed entry is read as if the key were missing.
CFStringRef SourceString(CFDictionaryRef source, CFStringRef key);
CFDataRef SourceData(CFDictionaryRef source, CFStringRef key);
bool SourceFlag(CFDictionaryRef source, CFStringRef key, bool absent);
bool SourceHas(CFDictionaryRef source, CFStringRef key);

// "num": nullopt when absent or unreadable.
std::optional<UInt16> SourceCount(CFDictionaryRef source);
void SetSourceCount(CFMutableDictionaryRef source, UInt16 count);

// "fsref": true with the ref when it holds one; false when absent or empty.
bool SourceFSRef(CFDictionaryRef source, FSRef* out);
void SetSourceFSRef(CFMutableDictionaryRef source, const FSRef& ref);
// Marks the source as one that must be resolved again (empty "fsref").
void SetSourceUnresolved(CFMutableDictionaryRef source);

// "date": nullopt when absent or not a FolderDate's size.
std::optional<FolderDate> SourceDate(CFDictionaryRef source);
void SetSourceDate(CFMutableDictionaryRef source, const FolderDate& date);

// "sub": the submenu, while it is live.
MenuRef SourceSubmenu(CFDictionaryRef source);
void SetSourceSubmenu(CFMutableDictionaryRef source, MenuRef submenu);

// The display record of a source's keys; absent keys give the defaults, the
// icon size defaulting to the trigger's.
DisplayPrefs SourceDisplayPrefs(CFDictionaryRef source, UInt16 triggerIconSize);

// Basic Launch Services flags of ref, 0 when they cannot be read.
UInt32 BasicFlagsOf(const FSRef* ref);
// A folder: a container and none of plain file, package, application.
bool IsFolderFlags(UInt32 lsFlags);
