// The key binding table: stored entries under "Key Bindings" and the
// registered records, sorted by catalog node ID.
#include "bindings/KeyBindings.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "menus/ItemRecords.h"
#include "platform/Aliases.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/HotKeys.h"
#include "platform/Preferences.h"
#include "platform/Transcript.h"
#include "shell/Aliases.h"
#include "shell/Settings.h"

std::vector<std::unique_ptr<KeyBindingRecord>> gKeyBindingRecords;

namespace {

// FSRefMakePath's buffer for the path stored under "URL".
constexpr UInt32 kBindingPathBufferSize = 2000;

using HotKeyBytes = std::array<UInt8, kHotKeyDataSize>;

HotKeyBytes EncodeHotKey(UInt32 keyCode, UInt32 modifiers) {
  return {static_cast<UInt8>(keyCode >> 24),   static_cast<UInt8>(keyCode >> 16),
          static_cast<UInt8>(keyCode >> 8),    static_cast<UInt8>(keyCode),
          static_cast<UInt8>(modifiers >> 24), static_cast<UInt8>(modifiers >> 16),
          static_cast<UInt8>(modifiers >> 8),  static_cast<UInt8>(modifiers)};
}

UInt32 ReadBigEndian32(const UInt8* p) {
  return static_cast<UInt32>(p[0]) << 24 | static_cast<UInt32>(p[1]) << 16 |
         static_cast<UInt32>(p[2]) << 8 | static_cast<UInt32>(p[3]);
}

// The entry's "Hot Key" when it is data of exactly 8 bytes; anything else
// (hand-edited or damaged preferences) counts as absent.
CFDataRef HotKeyData(CFDictionaryRef entry) {
  CFDataRef data = CFDictionaryGetTyped<CFDataRef>(entry, CFSTR(kHotKeyKey));
  return data && CFDataGetLength(data) == kHotKeyDataSize ? data : nullptr;
}

auto FirstRecordWithNodeID(UInt32 nodeID) {
  return std::lower_bound(gKeyBindingRecords.begin(), gKeyBindingRecords.end(), nodeID,
                          [](const auto& record, UInt32 id) { return record->nodeID < id; });
}

void SortKeyBindingRecords() {
  std::stable_sort(gKeyBindingRecords.begin(), gKeyBindingRecords.end(),
                   [](const auto& a, const auto& b) {
                     return CompareBindingNodeIDs(a.get(), b.get()) < 0;
                   });
}

void WriteKeyBindingEntries() {
  CFPreferencesSetAppValue(CFSTR(kKeyBindingsKey), gKeyBindingEntries,
                           kCFPreferencesCurrentApplication);
  (void)CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication);
}

// Paths in transcripts are shown below "~" so that they do not depend on
// where the user's home folder is.
std::string PathForTranscript(std::string path) {
  const char* home = std::getenv("HOME");
  if (home && *home) {
    const std::string prefix(home);
    if (path == prefix) return "~";
    if (path.starts_with(prefix + "/")) return "~" + path.substr(prefix.size());
  }
  return path;
}

std::string DescribeEntry(CFDictionaryRef entry, UInt32 keyCode, UInt32 modifiers) {
  CFStringRef url = CFDictionaryGetTyped<CFStringRef>(entry, CFSTR(kBindingURLKey));
  return Fmt("key %u mods 0x%04X %s", keyCode, modifiers,
             url ? PathForTranscript(CFStringToUTF8(url)).c_str() : "(no path)");
}

}  // namespace

int CompareBindingNodeIDs(const KeyBindingRecord* a, const KeyBindingRecord* b) {
  if (a->nodeID == b->nodeID) return 0;
  return a->nodeID < b->nodeID ? -1 : 1;
}

void UnloadKeyBindings() {
  for (auto& record : gKeyBindingRecords) {
    if (record->hotKeyRef) (void)UnregisterEventHotKey(record->hotKeyRef);
    ReleaseHotKeySignature(record->signature);
  }
  gKeyBindingRecords.clear();
}

void LoadKeyBindings() {
  UnloadKeyBindings();
  const CFIndex count = gKeyBindingEntries ? CFArrayGetCount(gKeyBindingEntries) : 0;
  gKeyBindingRecords.reserve(static_cast<std::size_t>(count));
  for (CFIndex i = 0; i < count; ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(gKeyBindingEntries, i));
    // An element that is not a dictionary is no entry at all.
    if (value && CFGetTypeID(value) == CFDictionaryGetTypeID())
      RegisterStoredBinding(static_cast<CFDictionaryRef>(value));
  }
  SortKeyBindingRecords();
}

void RegisterStoredBinding(CFDictionaryRef entry) {
  if (!entry) return;
  // 1.
  CFDataRef hotKey = HotKeyData(entry);
  CFDataRef alias = CFDictionaryGetTyped<CFDataRef>(entry, CFSTR(kBindingAliasKey));
  CFStringRef url = CFDictionaryGetTyped<CFStringRef>(entry, CFSTR(kBindingURLKey));
  if (!hotKey) return;
  FSRef item;
  bool found = false;
  // 2. By the stored path.
  if (url) {
    CFRef<CFURLRef> itemURL =
        CFURLCreateWithFileSystemPath(kCFAllocatorDefault, url, kCFURLPOSIXPathStyle, false);
    found = itemURL && CFURLGetFSRef(itemURL, &item);
  }
  // 3. By the alias, without asking the user to mount anything.
  if (!found && alias) found = ResolveAliasData(alias, &item, false) == noErr;
  if (found) {
    // 4.
    FSCatalogInfo info;
    if (FSGetCatalogInfo(&item, kFSCatInfoNodeID, &info, nullptr, nullptr, nullptr) != noErr)
      return;
    RegisterKeyBinding(info.nodeID, &item, entry);
  } else {
    // 5. Registered all the same, so that pressing it reports the missing item.
    RegisterKeyBinding(0, nullptr, entry);
  }
}

void RegisterKeyBinding(UInt32 nodeID, const FSRef* fileRef, CFDictionaryRef entry) {
  CFDataRef hotKey = entry ? HotKeyData(entry) : nullptr;
  if (!hotKey) return;
  // 1.
  auto record = std::make_unique<KeyBindingRecord>();
  record->nodeID = nodeID;
  if (fileRef) record->fileRef = *fileRef;
  // 2.
  const UInt8* bytes = CFDataGetBytePtr(hotKey);
  record->keyCode = ReadBigEndian32(bytes);
  record->modifiers = ReadBigEndian32(bytes + 4);
  // 3.
  record->entry = CFRef<CFDictionaryRef>::Retain(entry);
  record->signature = HotKeySignatureFor(entry);
  if (record->signature == 0) return;
  const EventHotKeyID id{record->signature, kItemBindingHotKeyID};
  const OSStatus status = RegisterEventHotKey(record->keyCode, record->modifiers, id,
                                              GetApplicationEventTarget(), 0, &record->hotKeyRef);
  // 4. A refused hot key drops the record; the stored entry stays.
  if (status != noErr) {
    ReleaseHotKeySignature(record->signature);
    return;
  }
  gKeyBindingRecords.push_back(std::move(record));
}

void AddKeyBinding(UInt32 nodeID, const FSRef* fileRef, UInt32 keyCode, UInt32 modifiers) {
  // 1.
  const HotKeyBytes hotKeyBytes = EncodeHotKey(keyCode, modifiers);
  CFRef<CFDataRef> hotKey = CFDataCreate(kCFAllocatorDefault, hotKeyBytes.data(), kHotKeyDataSize);
  // 2.
  std::array<UInt8, kBindingPathBufferSize> path{};
  if (!fileRef || FSRefMakePath(fileRef, path.data(), kBindingPathBufferSize) != noErr) return;
  // 3.
  CFRef<CFStringRef> url = CFStringCreateWithCString(
      kCFAllocatorDefault, reinterpret_cast<const char*>(path.data()), kCFStringEncodingUTF8);
  if (!url) return;
  // 4.
  CFRef<CFDataRef> aliasData;
  AliasHandle alias = nullptr;
  if (FSNewAlias(nullptr, fileRef, &alias) == noErr) {
    aliasData = CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(*alias),
                             GetHandleSize(alias));
    DisposeHandle(alias);
  }
  // 5.
  CFRef<CFMutableDictionaryRef> entry = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 3, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(entry, CFSTR(kHotKeyKey), hotKey);
  CFDictionarySetValue(entry, CFSTR(kBindingURLKey), url);
  if (aliasData) CFDictionarySetValue(entry, CFSTR(kBindingAliasKey), aliasData);
  if (!gKeyBindingEntries) {
    // Settings that were never read still take new bindings.
    gKeyBindingEntries =
        CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks).Detach();
  }
  CFArrayAppendValue(gKeyBindingEntries, entry.get());
  Transcribe("key binding stored: " + DescribeEntry(entry, keyCode, modifiers));
  WriteKeyBindingEntries();
  // 6.
  RegisterKeyBinding(nodeID, fileRef, entry);
  SortKeyBindingRecords();
}

void RemoveKeyBinding(UInt32 nodeID, const FSRef* fileRef) {
  // 1. Among the records with this node ID, the one for this very file.
  auto it = FirstRecordWithNodeID(nodeID);
  while (it != gKeyBindingRecords.end() && (*it)->nodeID == nodeID &&
         !(fileRef && FSCompareFSRefs(&(*it)->fileRef, fileRef) == noErr))
    ++it;
  if (it == gKeyBindingRecords.end() || (*it)->nodeID != nodeID) return;
  // 2.
  if ((*it)->hotKeyRef) (void)UnregisterEventHotKey((*it)->hotKeyRef);
  ReleaseHotKeySignature((*it)->signature);
  std::unique_ptr<KeyBindingRecord> record = std::move(*it);
  gKeyBindingRecords.erase(it);
  // 3. The stored entry is found by its key combination: the first one.
  const HotKeyBytes wanted = EncodeHotKey(record->keyCode, record->modifiers);
  const CFIndex count = gKeyBindingEntries ? CFArrayGetCount(gKeyBindingEntries) : 0;
  for (CFIndex i = 0; i < count; ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(gKeyBindingEntries, i));
    if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID()) continue;
    auto entry = static_cast<CFDictionaryRef>(value);
    CFDataRef hotKey = HotKeyData(entry);
    if (!hotKey || !std::equal(wanted.begin(), wanted.end(), CFDataGetBytePtr(hotKey))) continue;
    Transcribe("key binding deleted: " + DescribeEntry(entry, record->keyCode, record->modifiers));
    CFArrayRemoveValueAtIndex(gKeyBindingEntries, i);
    WriteKeyBindingEntries();
    break;
  }
  // 4. The record goes here.
  record.reset();
}

void ShowItemKeyBinding(UInt32 nodeID, MenuRef menu, MenuItemIndex item) {
  // 1. The first record with this node ID.
  auto it = FirstRecordWithNodeID(nodeID);
  // 2. Records with one node ID (one per volume, or several missing items)
  //    lie together; the one for this very file is the item's binding.
  for (; it != gKeyBindingRecords.end() && (*it)->nodeID == nodeID; ++it) {
    FSRef itemRef;
    if (GetMenuItemProperty(menu, item, kSKIDCreator, kFileTag, kFileTagSize, nullptr, &itemRef) !=
        noErr)
      return;
    if (FSCompareFSRefs(&itemRef, &(*it)->fileRef) == noErr) {
      SetItemKey(menu, item, (*it)->keyCode, (*it)->modifiers);
      return;
    }
  }
  // 3. Not bound.
  ClearItemKey(menu, item);
}
