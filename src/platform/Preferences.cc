// Preference domains over property list files.
#include "platform/Preferences.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "platform/Transcript.h"

const CFStringRef kCFPreferencesCurrentApplication = CFSTR("kCFPreferencesCurrentApplication");

namespace {

constexpr const char* kDefaultApplicationID = "com.talvik.korvane";
constexpr const char* kFolderName = "korvane";

struct Domain {
  // What this process sees: the file as last read, with its own changes.
  CFRef<CFMutableDictionaryRef> values;
  // Keys changed since the last synchronise, by UTF-8 text (which sorts as
  // the transcript lists them): the key and its new value, null if removed.
  std::map<std::string, std::pair<CFRef<CFStringRef>, CFRef<CFPropertyListRef>>> changed;
};

// By file path: should HOME change under a running process, changes made
// for one file are never written into another.
std::map<std::string, Domain> gDomains;

std::optional<std::string> ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg);
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config";
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    return std::string(pw->pw_dir) + "/.config";
  return std::nullopt;
}

std::optional<std::string> ApplicationIDText(CFStringRef applicationID) {
  if (!applicationID) return std::nullopt;
  if (CFEqual(applicationID, kCFPreferencesCurrentApplication)) {
    if (CFStringRef id = CFBundleGetIdentifier(CFBundleGetMainBundle()))
      applicationID = id;
    else
      return kDefaultApplicationID;
  }
  std::string id = CFStringToUTF8(applicationID);
  // The name becomes a file name: nothing that could lead elsewhere.
  if (id.empty() || id.front() == '.' || id.find('/') != std::string::npos ||
      id.find('\0') != std::string::npos)
    return std::nullopt;
  return id;
}

std::optional<std::string> DomainFilePath(const std::string& id) {
  auto folder = ConfigFolder();
  if (!folder) return std::nullopt;
  return *folder + "/" + kFolderName + "/" + id + ".plist";
}

// The domain file's dictionary: empty when there is no file; nullopt when
// there is one we cannot read or that is not a dictionary.
std::optional<CFRef<CFMutableDictionaryRef>> ReadDomainFile(const std::string& path) {
  CFRef<CFPropertyListRef> plist;
  OSStatus status = ReadPropertyListFile(path, kCFPropertyListImmutable, &plist);
  if (status == fnfErr)
    return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                     &kCFTypeDictionaryValueCallBacks);
  auto dict = CFRefAs<CFDictionaryRef>(std::move(plist));
  if (status != noErr || !dict) return std::nullopt;
  return CFDictionaryCreateMutableCopy(nullptr, 0, dict);
}

Domain* DomainFor(CFStringRef applicationID, std::string* idText = nullptr,
                  std::string* pathText = nullptr) {
  auto id = ApplicationIDText(applicationID);
  if (!id) return nullptr;
  auto path = DomainFilePath(*id);
  if (!path) return nullptr;
  Domain& domain = gDomains[*path];
  if (!domain.values) {
    auto read = ReadDomainFile(*path);
    domain.values = read ? std::move(*read)
                         : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                     &kCFTypeDictionaryValueCallBacks);
  }
  if (idText) *idText = *id;
  if (pathText) *pathText = *path;
  return &domain;
}

// Creates the folders on the way to the file, private to the user as
// XDG asks of the configuration folder.
bool MakeFoldersFor(const std::string& file) {
  for (auto slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    std::string folder = file.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Writing goes to the file a symbolic link points at, so that settings kept
// elsewhere and linked in stay where the user put them.
std::string WriteTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      std::string target = resolved;
      std::free(resolved);
      return target;
    }
  }
  return path;
}

}  // namespace

CFRef<CFPropertyListRef> CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID) {
  Domain* domain = key ? DomainFor(applicationID) : nullptr;
  if (!domain) return nullptr;
  // Stored values are immutable copies, so sharing one is as good as a copy.
  return CFRef<CFPropertyListRef>::Retain(
      static_cast<CFTypeRef>(CFDictionaryGetValue(domain->values, key)));
}

void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value,
                              CFStringRef applicationID) {
  Domain* domain = key ? DomainFor(applicationID) : nullptr;
  if (!domain) return;
  CFRef<CFPropertyListRef> copy;
  if (value) {
    if (!CFPropertyListIsValid(value, kCFPropertyListXMLFormat_v1_0)) return;
    copy = CFPropertyListCreateDeepCopy(nullptr, value, kCFPropertyListImmutable);
  }
  auto keyCopy = CFStringCreateCopy(nullptr, key);
  if (copy)
    CFDictionarySetValue(domain->values, keyCopy, copy);
  else
    CFDictionaryRemoveValue(domain->values, keyCopy);
  domain->changed[CFStringToUTF8(keyCopy)] = {keyCopy, copy};
}

Boolean CFPreferencesAppSynchronize(CFStringRef applicationID) {
  std::string id, path;
  Domain* domain = DomainFor(applicationID, &id, &path);
  if (!domain) return false;
  auto onDisk = ReadDomainFile(path);
  if (!onDisk) return false;
  if (domain->changed.empty()) {
    domain->values = std::move(*onDisk);
    return true;
  }
  std::string keys;
  for (auto& [text, change] : domain->changed) {
    if (change.second)
      CFDictionarySetValue(*onDisk, change.first, change.second);
    else
      CFDictionaryRemoveValue(*onDisk, change.first);
    keys += (keys.empty() ? "" : ", ") + text;
  }
  if (!MakeFoldersFor(path) || WritePropertyListFile(WriteTarget(path), *onDisk, 0600) != noErr)
    return false;
  domain->values = std::move(*onDisk);
  domain->changed.clear();
  Transcribe(Fmt("prefs: synchronized %s (%s)", id.c_str(), keys.c_str()));
  return true;
}

Boolean CFPreferencesGetAppBooleanValue(CFStringRef key, CFStringRef applicationID,
                                        Boolean* keyExistsAndHasValidFormat) {
  auto value = CFRefAs<CFBooleanRef>(CFPreferencesCopyAppValue(key, applicationID));
  if (keyExistsAndHasValidFormat) *keyExistsAndHasValidFormat = value != nullptr;
  return value && CFBooleanGetValue(value);
}

void CFPreferencesResetForTesting() { gDomains.clear(); }
