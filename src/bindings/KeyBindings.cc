// The key binding table: stored entries under "Key Bindings" and the
// registered records, sorted by catalog node ID.
#include "bindings/KeyBindings.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "menus/ItemRecords.h"
#include "platform/events/Events.h"
#include "platform/events/HotKeys.h"
#include "platform/files/Aliases.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"
#include "platform/preferences/Preferences.h"
#include "platform/sound/Sound.h"
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

// The entry's "Hot Key" when it is data of at least 8 bytes, read by its
// first 8 as a trigger's "Hot Key" is; anything else (hand-edited or damaged
// preferences) counts as absent.
CFDataRef HotKeyData(CFDictionaryRef entry) {
  CFDataRef data = CFDictionaryGetTyped<CFDataRef>(entry, CFSTR(kHotKeyKey));
  return data && CFDataGetLength(data) >= kHotKeyDataSize ? data : nullptr;
}

auto FirstRecordWithNodeID(UInt32 nodeID) {
  return std::lower_bound(gKeyBindingRecords.begin(), gKeyBindingRecords.end(), nodeID,
                          [](const auto& record, UInt32 id) { return record->nodeID < id; });
}

void SortKeyBindingRecords() {
  std::stable_sort(
      gKeyBindingRecords.begin(), gKeyBindingRecords.end(),
      [](const auto& a, const auto& b) { return CompareBindingNodeIDs(a.get(), b.get()) < 0; });
}

enum class WriteResult { kSaved, kNotStorable, kNotSaved };

// Writes gKeyBindingEntries under "Key Bindings" and synchronises. The
// domain does not take a value it cannot store (it would make every later
// write fail): that is told by reading the value back.
WriteResult WriteKeyBindingEntries() {
  CFPreferencesSetAppValue(CFSTR(kKeyBindingsKey), gKeyBindingEntries,
                           kCFPreferencesCurrentApplication);
  CFRef<CFPropertyListRef> taken =
      CFPreferencesCopyAppValue(CFSTR(kKeyBindingsKey), kCFPreferencesCurrentApplication);
  if (!taken || !CFEqual(taken, gKeyBindingEntries)) return WriteResult::kNotStorable;
  return CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication) ? WriteResult::kSaved
                                                                       : WriteResult::kNotSaved;
}

// After a write that failed: the domain is given the entries as they are
// now, so that nothing this process could not save stays pending in it and
// rides along with the next write.
void ForgetUnsavedKeyBindings() {
  CFPreferencesSetAppValue(CFSTR(kKeyBindingsKey), gKeyBindingEntries,
                           kCFPreferencesCurrentApplication);
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

// Strictly: the string conversion reads a stray byte as the Latin-1
// character of that value, which would store a path to another file.
bool IsValidUTF8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t value = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if ((c & 0xE0) == 0xC0) {
      length = 2;
      value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3;
      value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4;
      value = c & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      value = value << 6 | (cc & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

// A path as one line of a message: control characters, and every byte of a
// path that is not UTF-8 at all beyond ASCII, as \xNN.
std::string PrintablePath(const std::string& path) {
  const bool utf8 = IsValidUTF8(path);
  std::string out;
  for (unsigned char c : PathForTranscript(path)) {
    if (c < 0x20 || c == 0x7F || (!utf8 && c >= 0x80))
      out += Fmt("\\x%02X", c);
    else
      out.push_back(static_cast<char>(c));
  }
  return out;
}

// A binding that is not made: the user hears it, as when the item's path
// is unavailable, and reads why.
void RefuseKeyBinding(const std::string& why) {
  ReportProblem(why);
  SysBeep(1);
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
  // An entry without a usable hot key registers nothing.
  CFDataRef hotKey = HotKeyData(entry);
  CFDataRef alias = CFDictionaryGetTyped<CFDataRef>(entry, CFSTR(kBindingAliasKey));
  CFStringRef url = CFDictionaryGetTyped<CFStringRef>(entry, CFSTR(kBindingURLKey));
  if (!hotKey) return;
  FSRef item;
  bool found = false;
  // The item by its stored path first,
  if (url) {
    CFRef<CFURLRef> itemURL =
        CFURLCreateWithFileSystemPath(kCFAllocatorDefault, url, kCFURLPOSIXPathStyle, false);
    found = itemURL && CFURLGetFSRef(itemURL, &item);
  }
  // then by the alias, without asking the user to mount anything.
  if (!found && alias) found = ResolveAliasData(alias, &item, false) == noErr;
  if (found) {
    // Records are kept by the item's catalog node ID.
    FSCatalogInfo info;
    if (FSGetCatalogInfo(&item, kFSCatInfoNodeID, &info, nullptr, nullptr, nullptr) != noErr)
      return;
    RegisterKeyBinding(info.nodeID, &item, entry);
  } else {
    // Registered all the same, so that pressing it reports the missing item.
    RegisterKeyBinding(0, nullptr, entry);
  }
}

void RegisterKeyBinding(UInt32 nodeID, const FSRef* fileRef, CFDictionaryRef entry) {
  CFDataRef hotKey = entry ? HotKeyData(entry) : nullptr;
  if (!hotKey) return;
  auto record = std::make_unique<KeyBindingRecord>();
  record->nodeID = nodeID;
  if (fileRef) record->fileRef = *fileRef;
  // The hot key data: key code, then modifiers, each 4 bytes big-endian.
  const UInt8* bytes = CFDataGetBytePtr(hotKey);
  record->keyCode = ReadBigEndian32(bytes);
  record->modifiers = ReadBigEndian32(bytes + 4);
  // The record keeps its entry and a signature of its own for its hot key.
  record->entry = CFRef<CFDictionaryRef>::Retain(entry);
  record->signature = HotKeySignatureFor(entry);
  if (record->signature == 0) return;
  const EventHotKeyID id{record->signature, kItemBindingHotKeyID};
  const OSStatus status = RegisterEventHotKey(record->keyCode, record->modifiers, id,
                                              GetApplicationEventTarget(), 0, &record->hotKeyRef);
  // A refused hot key drops the record; the stored entry stays.
  if (status != noErr) {
    ReleaseHotKeySignature(record->signature);
    return;
  }
  gKeyBindingRecords.push_back(std::move(record));
}

bool CheckKeyBindingEntry(CFTypeRef value, SettingsNotes* notes) {
  SettingsNotes local;
  if (!notes) notes = &local;
  if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID()) {
    notes->Skip("it is " + SettingsValueKind(value) + ", a dictionary is needed");
    return false;
  }
  auto entry = static_cast<CFDictionaryRef>(value);
  auto hotKey = static_cast<CFTypeRef>(CFDictionaryGetValue(entry, CFSTR(kHotKeyKey)));
  if (!hotKey)
    notes->Skip(Fmt("\"%s\" is missing", kHotKeyKey));
  else if (CFGetTypeID(hotKey) != CFDataGetTypeID())
    notes->Skip(WrongTypeNote(kHotKeyKey, hotKey, "data"));
  else if (!HotKeyData(entry))
    notes->Skip(Fmt("\"%s\" has %ld bytes, %ld are needed", kHotKeyKey,
                    static_cast<long>(CFDataGetLength(static_cast<CFDataRef>(hotKey))),
                    static_cast<long>(kHotKeyDataSize)));
  if (!notes->skipped.empty()) return false;
  // The item is looked for by "URL", then "Alias": one of another type
  // counts as absent.
  auto url = static_cast<CFTypeRef>(CFDictionaryGetValue(entry, CFSTR(kBindingURLKey)));
  auto alias = static_cast<CFTypeRef>(CFDictionaryGetValue(entry, CFSTR(kBindingAliasKey)));
  const bool urlUsable = url && CFGetTypeID(url) == CFStringGetTypeID();
  const bool aliasUsable = alias && CFGetTypeID(alias) == CFDataGetTypeID();
  if (url && !urlUsable)
    notes->Correct(WrongTypeNote(kBindingURLKey, url, "a string") + "; it counts as absent");
  if (alias && !aliasUsable)
    notes->Correct(WrongTypeNote(kBindingAliasKey, alias, "data") + "; it counts as absent");
  if (!urlUsable && !aliasUsable)
    notes->Correct(
        Fmt("neither \"%s\" nor \"%s\" names its item; its hot key reports the "
            "item missing",
            kBindingURLKey, kBindingAliasKey));
  return true;
}

bool AddKeyBinding(UInt32 nodeID, const FSRef* fileRef, UInt32 keyCode, UInt32 modifiers) {
  // Stored as the key code, then the modifiers, each 4 bytes big-endian.
  const HotKeyBytes hotKeyBytes = EncodeHotKey(keyCode, modifiers);
  CFRef<CFDataRef> hotKey = CFDataCreate(kCFAllocatorDefault, hotKeyBytes.data(), kHotKeyDataSize);
  // The path is how the item is found first; without one nothing is stored.
  std::array<UInt8, kBindingPathBufferSize> path{};
  if (!fileRef || FSRefMakePath(fileRef, path.data(), kBindingPathBufferSize) != noErr) {
    RefuseKeyBinding(
        Fmt("key binding for key %u mods 0x%04X not stored: the item's path cannot "
            "be made",
            keyCode, modifiers));
    return false;
  }
  const std::string pathText(reinterpret_cast<const char*>(path.data()));
  // A path that is not UTF-8 cannot be a string in the preference file.
  CFRef<CFStringRef> url =
      IsValidUTF8(pathText)
          ? CFStringCreateWithCString(kCFAllocatorDefault, pathText.c_str(), kCFStringEncodingUTF8)
          : nullptr;
  if (!url) {
    RefuseKeyBinding(
        Fmt("key binding for %s not stored: the path is not valid UTF-8, so the "
            "preference file cannot hold it",
            PrintablePath(pathText).c_str()));
    return false;
  }
  // The alias finds the item once it has been moved or renamed.
  CFRef<CFDataRef> aliasData;
  AliasHandle alias = nullptr;
  if (FSNewAlias(nullptr, fileRef, &alias) == noErr) {
    aliasData = CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(*alias),
                             GetHandleSize(alias));
    DisposeHandle(alias);
  }
  // The entry: hot key, path and, when one could be made, the alias.
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
  // A binding is announced only once it is in the file. One that cannot be
  // stored or saved is taken out again, so that it never keeps the bindings
  // made after it from being saved.
  if (const WriteResult written = WriteKeyBindingEntries(); written != WriteResult::kSaved) {
    CFArrayRemoveValueAtIndex(gKeyBindingEntries, CFArrayGetCount(gKeyBindingEntries) - 1);
    ForgetUnsavedKeyBindings();
    const std::string what = PrintablePath(pathText);
    RefuseKeyBinding(
        written == WriteResult::kNotStorable
            ? Fmt("key binding for %s not stored: the preference file cannot hold "
                  "its path",
                  what.c_str())
            : Fmt("key binding for %s could not be saved; it is not made", what.c_str()));
    return false;
  }
  Transcribe("key binding stored: " + DescribeEntry(entry, keyCode, modifiers));
  // Saved: the hot key works from now on.
  RegisterKeyBinding(nodeID, fileRef, entry);
  SortKeyBindingRecords();
  return true;
}

void RemoveKeyBinding(UInt32 nodeID, const FSRef* fileRef) {
  // Among the records with this node ID, the one for this very file.
  auto it = FirstRecordWithNodeID(nodeID);
  while (it != gKeyBindingRecords.end() && (*it)->nodeID == nodeID &&
         !(fileRef && FSCompareFSRefs(&(*it)->fileRef, fileRef) == noErr))
    ++it;
  if (it == gKeyBindingRecords.end() || (*it)->nodeID != nodeID) return;
  // Its hot key goes first, then the record leaves the table.
  if ((*it)->hotKeyRef) (void)UnregisterEventHotKey((*it)->hotKeyRef);
  ReleaseHotKeySignature((*it)->signature);
  std::unique_ptr<KeyBindingRecord> record = std::move(*it);
  gKeyBindingRecords.erase(it);
  // The stored entry is found by its key combination: the first one.
  const HotKeyBytes wanted = EncodeHotKey(record->keyCode, record->modifiers);
  const CFIndex count = gKeyBindingEntries ? CFArrayGetCount(gKeyBindingEntries) : 0;
  for (CFIndex i = 0; i < count; ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(gKeyBindingEntries, i));
    if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID()) continue;
    auto entry = static_cast<CFDictionaryRef>(value);
    CFDataRef hotKey = HotKeyData(entry);
    if (!hotKey || !std::equal(wanted.begin(), wanted.end(), CFDataGetBytePtr(hotKey))) continue;
    const std::string described = DescribeEntry(entry, record->keyCode, record->modifiers);
    CFArrayRemoveValueAtIndex(gKeyBindingEntries, i);
    if (WriteKeyBindingEntries() == WriteResult::kSaved) {
      Transcribe("key binding deleted: " + described);
    } else {
      // The hot key is gone for this run; the file still holds the entry.
      ForgetUnsavedKeyBindings();
      ReportProblem("the removal of key binding (" + described +
                    ") could not be saved; it comes back at the next start");
    }
    break;
  }
  // The record goes only now: its key combination was needed above.
  record.reset();
}

void ShowItemKeyBinding(UInt32 nodeID, MenuRef menu, MenuItemIndex item) {
  auto it = FirstRecordWithNodeID(nodeID);
  // Records with one node ID (one per volume, or several missing items)
  // lie together; the one for this very file is the item's binding.
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
  // None is: the item shows no key.
  ClearItemKey(menu, item);
}
