// Reading the settings at start-up, and seeding the menu definitions from
// the bundle's default settings on first run.
#include "shell/Settings.h"

#include <cstdlib>

#include "bindings/KeyBindings.h"
#include "platform/Bundle.h"
#include "platform/Files.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "platform/Transcript.h"

CFMutableArrayRef gKeyBindingEntries = nullptr;

namespace {

// A default settings file is a few kilobytes; anything far larger is not
// ours and is not read into memory.
constexpr SInt64 kMaxDefaultSettingsSize = 16 * 1024 * 1024;

// Closes the fork on every path on which it was opened.
class OpenFork {
 public:
  OpenFork() = default;
  OpenFork(const OpenFork&) = delete;
  OpenFork& operator=(const OpenFork&) = delete;
  ~OpenFork() {
    if (open_) (void)FSCloseFork(refNum_);
  }
  OSErr Open(const FSRef* ref) {
    HFSUniStr255 dataForkName;
    (void)FSGetDataForkName(&dataForkName);
    OSErr err = FSOpenFork(ref, dataForkName.length, dataForkName.unicode, fsRdPerm, &refNum_);
    open_ = err == noErr;
    return err;
  }
  FSIORefNum refNum() const { return refNum_; }

 private:
  FSIORefNum refNum_ = 0;
  bool open_ = false;
};

// Step 2 of LoadSettings. Any failure ends the seeding and leaves the
// domain as it was; the result is "Global Menus" as read back from the
// domain afterwards, or null.
CFRef<CFPropertyListRef> SeedGlobalMenusFromBundle() {
  // 2.1
  CFRef<CFURLRef> url = CFBundleCopyResourceURL(
      CFBundleGetMainBundle(), CFSTR(kDefaultSettingsName), CFSTR(kDefaultSettingsType), nullptr);
  FSRef resource;
  const bool found = url && CFURLGetFSRef(url, &resource);
  url.reset();
  if (!found) {
    Transcribe("settings: no default settings in the bundle");
    return nullptr;
  }
  // 2.2 (2.6: the fork closes when `fork` goes, on every path from here)
  OpenFork fork;
  SInt64 forkSize = 0;
  if (fork.Open(&resource) != noErr || FSGetForkSize(fork.refNum(), &forkSize) != noErr ||
      forkSize <= 0 || forkSize > kMaxDefaultSettingsSize) {
    Transcribe("settings: the default settings cannot be read");
    return nullptr;
  }
  const auto size = static_cast<ByteCount>(forkSize);
  // malloc: the data object below adopts the buffer and frees it with free().
  auto* buffer = static_cast<UInt8*>(std::malloc(size));
  if (!buffer) return nullptr;
  ByteCount actual = 0;
  if (FSReadFork(fork.refNum(), fsAtMark, 0, size, buffer, &actual) != noErr || actual != size) {
    std::free(buffer);
    Transcribe("settings: the default settings cannot be read");
    return nullptr;
  }
  // 2.3
  CFRef<CFDataRef> data = CFDataCreateWithBytesNoCopy(
      kCFAllocatorDefault, buffer, static_cast<CFIndex>(size), kCFAllocatorDefault);
  if (!data) {
    std::free(buffer);
    return nullptr;
  }
  CFRef<CFDictionaryRef> defaults = CFRefAs<CFDictionaryRef>(CFPropertyListCreateFromXMLData(
      kCFAllocatorDefault, data, kCFPropertyListImmutable, nullptr));
  if (!defaults) {
    // Not a dictionary: nothing is seeded and nothing is written.
    Transcribe("settings: the default settings are not a property list dictionary");
    return nullptr;
  }
  // 2.4 A value that is not an array could never make a menu, and stored it
  // would stop every later start-up from seeding: it counts as missing.
  CFArrayRef globalMenus = CFDictionaryGetTyped<CFArrayRef>(defaults, CFSTR(kGlobalMenusKey));
  Transcribe(Fmt("settings: seeding \"%s\" from the bundle (%ld definitions)", kGlobalMenusKey,
                 globalMenus ? static_cast<long>(CFArrayGetCount(globalMenus)) : 0L));
  CFPreferencesSetAppValue(CFSTR(kGlobalMenusKey), globalMenus, kCFPreferencesCurrentApplication);
  (void)CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication);
  // 2.5
  defaults.reset();
  CFRef<CFPropertyListRef> menus =
      CFPreferencesCopyAppValue(CFSTR(kGlobalMenusKey), kCFPreferencesCurrentApplication);
  data.reset();
  return menus;
}

// The definitions a trigger can be made from: only the dictionaries of the
// array, in order (the array itself when every element is one).
CFRef<CFArrayRef> DefinitionsOnly(CFRef<CFArrayRef> menus) {
  const CFIndex count = CFArrayGetCount(menus);
  CFRef<CFMutableArrayRef> kept =
      CFArrayCreateMutable(kCFAllocatorDefault, count, &kCFTypeArrayCallBacks);
  for (CFIndex i = 0; i < count; ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(menus, i));
    if (value && CFGetTypeID(value) == CFDictionaryGetTypeID()) CFArrayAppendValue(kept, value);
  }
  if (CFArrayGetCount(kept) == count) return menus;
  Transcribe(Fmt("settings: %ld of %ld menu definitions are not dictionaries",
                 static_cast<long>(count - CFArrayGetCount(kept)), static_cast<long>(count)));
  return CFRef<CFArrayRef>(kept.Detach());
}

}  // namespace

CFRef<CFArrayRef> LoadSettings() {
  // 1.
  CFRef<CFPropertyListRef> stored =
      CFPreferencesCopyAppValue(CFSTR(kGlobalMenusKey), kCFPreferencesCurrentApplication);
  // 2.
  if (!stored) stored = SeedGlobalMenusFromBundle();
  CFRef<CFArrayRef> menus = CFRefAs<CFArrayRef>(stored);
  if (stored && !menus) Transcribe(Fmt("settings: \"%s\" is not an array", kGlobalMenusKey));
  if (menus) menus = DefinitionsOnly(std::move(menus));

  // 3.
  CFRef<CFArrayRef> bindings = CFRefAs<CFArrayRef>(
      CFPreferencesCopyAppValue(CFSTR(kKeyBindingsKey), kCFPreferencesCurrentApplication));
  CFRef<CFMutableArrayRef> entries =
      bindings ? CFArrayCreateMutableCopy(kCFAllocatorDefault, 0, bindings)
               : CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  bindings.reset();
  if (gKeyBindingEntries) CFRelease(gKeyBindingEntries);
  gKeyBindingEntries = entries.Detach();

  Transcribe(Fmt("settings read: %ld menu definitions, %ld key bindings",
                 menus ? static_cast<long>(CFArrayGetCount(menus)) : 0L,
                 static_cast<long>(CFArrayGetCount(gKeyBindingEntries))));
  // 4.
  return menus;
}
