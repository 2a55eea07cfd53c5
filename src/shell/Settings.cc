// Reading the settings at start-up, and seeding the menu definitions from
// the bundle's default settings on first run.
#include "shell/Settings.h"

#include <cstdlib>

#include "bindings/KeyBindings.h"
#include "platform/bundles/Bundle.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"
#include "platform/preferences/Preferences.h"
#include "platform/propertylists/PropertyList.h"

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

// Fills a domain without "Global Menus" from the bundle's default settings.
// Any failure ends the seeding and leaves the domain as it was; the result
// is "Global Menus" as read back from the domain afterwards, or null.
CFRef<CFPropertyListRef> SeedGlobalMenusFromBundle() {
  // The defaults are a resource of the bundle.
  CFRef<CFURLRef> url = CFBundleCopyResourceURL(
      CFBundleGetMainBundle(), CFSTR(kDefaultSettingsName), CFSTR(kDefaultSettingsType), nullptr);
  FSRef resource;
  const bool found = url && CFURLGetFSRef(url, &resource);
  url.reset();
  if (!found) {
    ReportProblem("settings: no default settings in the bundle");
    return nullptr;
  }
  // The fork closes when `fork` goes, on every path from here.
  OpenFork fork;
  SInt64 forkSize = 0;
  if (fork.Open(&resource) != noErr || FSGetForkSize(fork.refNum(), &forkSize) != noErr ||
      forkSize <= 0 || forkSize > kMaxDefaultSettingsSize) {
    ReportProblem("settings: the default settings cannot be read");
    return nullptr;
  }
  const auto size = static_cast<ByteCount>(forkSize);
  // malloc: the data object below adopts the buffer and frees it with free().
  auto* buffer = static_cast<UInt8*>(std::malloc(size));
  if (!buffer) return nullptr;
  ByteCount actual = 0;
  if (FSReadFork(fork.refNum(), fsAtMark, 0, size, buffer, &actual) != noErr || actual != size) {
    std::free(buffer);
    ReportProblem("settings: the default settings cannot be read");
    return nullptr;
  }
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
    ReportProblem("settings: the default settings are not a property list dictionary");
    return nullptr;
  }
  // A value that is not an array could never make a menu, and stored it
  // would stop every later start-up from seeding: it counts as missing.
  CFArrayRef globalMenus = CFDictionaryGetTyped<CFArrayRef>(defaults, CFSTR(kGlobalMenusKey));
  Transcribe(Fmt("settings: seeding \"%s\" from the bundle (%ld definitions)", kGlobalMenusKey,
                 globalMenus ? static_cast<long>(CFArrayGetCount(globalMenus)) : 0L));
  CFPreferencesSetAppValue(CFSTR(kGlobalMenusKey), globalMenus, kCFPreferencesCurrentApplication);
  const bool saved = CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication);
  // Read back from the domain, which holds them even when the file could not
  // be written; the bundle's own copy serves if the domain refused them.
  CFRef<CFPropertyListRef> menus =
      CFPreferencesCopyAppValue(CFSTR(kGlobalMenusKey), kCFPreferencesCurrentApplication);
  // The domain refuses a value it cannot store; then nothing was saved
  // either, though the synchronise had nothing to write.
  const bool taken = menus && CFEqual(menus, globalMenus);
  if (globalMenus && (!saved || !taken)) {
    ReportProblem(
        "settings: the menu definitions from the bundle could not be saved; they are used for "
        "this run only, and the next start tries again");
    if (!menus) menus = CFRef<CFPropertyListRef>::Retain(globalMenus);
  }
  defaults.reset();
  data.reset();
  return menus;
}

// The stored "Global Menus" as last read: MenuDefinitionNumber counts in it.
// Held so that the definitions cannot go (and another dictionary take one's
// address) while their numbers are asked for.
CFRef<CFArrayRef> gStoredDefinitions;

// The definitions a trigger can be made from, in order (the array itself
// when every element is one). Every other element is reported, as is every
// value the reading corrects.
CFRef<CFArrayRef> UsableDefinitions(CFRef<CFArrayRef> menus) {
  gStoredDefinitions = CFRef<CFArrayRef>::Retain(menus.get());
  const CFIndex count = CFArrayGetCount(menus);
  CFRef<CFMutableArrayRef> kept =
      CFArrayCreateMutable(kCFAllocatorDefault, count, &kCFTypeArrayCallBacks);
  for (CFIndex i = 0; i < count; ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(menus, i));
    SettingsNotes notes;
    TriggerConfig config;
    TabLook look;
    if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID())
      notes.Skip("it is " + SettingsValueKind(value) + ", a dictionary is needed");
    else if (ReadTriggerConfig(static_cast<CFDictionaryRef>(value), &config, &look, &notes))
      CFArrayAppendValue(kept, value);
    ReportSettingsNotes(Fmt("menu definition %ld", static_cast<long>(i + 1)), notes);
  }
  if (CFArrayGetCount(kept) == count) return menus;
  return CFRef<CFArrayRef>(kept.Detach());
}

// The number of stored key binding entries that can be registered; the
// others, and values of an entry that count as absent, are reported.
CFIndex UsableKeyBindings(CFArrayRef entries) {
  CFIndex usable = 0;
  for (CFIndex i = 0; i < CFArrayGetCount(entries); ++i) {
    SettingsNotes notes;
    if (CheckKeyBindingEntry(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(entries, i)), &notes))
      ++usable;
    ReportSettingsNotes(Fmt("key binding %ld", static_cast<long>(i + 1)), notes);
  }
  return usable;
}

}  // namespace

CFRef<CFArrayRef> LoadSettings() {
  // The menu definitions, seeded from the bundle when there are none.
  CFRef<CFPropertyListRef> stored =
      CFPreferencesCopyAppValue(CFSTR(kGlobalMenusKey), kCFPreferencesCurrentApplication);
  if (!stored) stored = SeedGlobalMenusFromBundle();
  CFRef<CFArrayRef> menus = CFRefAs<CFArrayRef>(stored);
  if (stored && !menus)
    ReportProblem(Fmt("settings: %s; no menus are made, and it is left in the file as it is",
                      WrongTypeNote(kGlobalMenusKey, stored, "an array").c_str()));
  gStoredDefinitions.reset();
  if (menus) menus = UsableDefinitions(std::move(menus));

  // The key bindings: every stored entry is kept, the usable ones counted.
  CFRef<CFPropertyListRef> storedBindings =
      CFPreferencesCopyAppValue(CFSTR(kKeyBindingsKey), kCFPreferencesCurrentApplication);
  CFRef<CFArrayRef> bindings = CFRefAs<CFArrayRef>(storedBindings);
  if (storedBindings && !bindings)
    ReportProblem(
        Fmt("settings: %s; no key bindings are read, and the first binding made "
            "replaces it",
            WrongTypeNote(kKeyBindingsKey, storedBindings, "an array").c_str()));
  const CFIndex usableBindings = bindings ? UsableKeyBindings(bindings) : 0;
  CFRef<CFMutableArrayRef> entries =
      bindings ? CFArrayCreateMutableCopy(kCFAllocatorDefault, 0, bindings)
               : CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  bindings.reset();
  if (gKeyBindingEntries) CFRelease(gKeyBindingEntries);
  gKeyBindingEntries = entries.Detach();

  // What the agent goes on with: the definitions that make menus and the
  // bindings that can be registered.
  Transcribe(Fmt("settings read: %ld menu definitions, %ld key bindings",
                 menus ? static_cast<long>(CFArrayGetCount(menus)) : 0L,
                 static_cast<long>(usableBindings)));
  return menus;
}

UInt16 MenuDefinitionNumber(CFDictionaryRef definition) {
  if (!gStoredDefinitions || !definition) return 0;
  const CFIndex count = CFArrayGetCount(gStoredDefinitions);
  for (CFIndex i = 0; i < count; ++i)
    if (CFArrayGetValueAtIndex(gStoredDefinitions, i) == static_cast<const void*>(definition))
      return static_cast<UInt16>(i + 1);
  return 0;
}
