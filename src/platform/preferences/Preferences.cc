// Preference domains over property list files.
#include "platform/preferences/Preferences.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/bundles/Bundle.h"
#include "platform/host/Transcript.h"
#include "platform/propertylists/PropertyList.h"

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
  // The last problem reported about reading the file, so that a file that
  // stays unreadable is reported once and not at every synchronise. (Every
  // failed write is reported: each one loses a change the user made.)
  std::string lastReadReport;
};

// By file path: should HOME change under a running process, changes made
// for one file are never written into another.
std::map<std::string, Domain> gDomains;

void ReportReadProblem(Domain& domain, std::string line) {
  if (line == domain.lastReadReport) return;
  ReportProblem(line);
  domain.lastReadReport = std::move(line);
}

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

// The domain file as it is on disk: an empty document when there is no
// file (or no bytes in it); nullopt, reported, when there is one we cannot
// read or whose top level is not a dictionary. Such a file is never written
// over: it may be the user's work in progress.
std::optional<PropertyListDocument> ReadDomainFile(const std::string& path, Domain& domain) {
  PropertyListDocument document;
  std::string reason;
  OSStatus status = document.Read(path, &reason);
  if (status == fnfErr || (status == noErr && document.CanBeWrittenBack())) {
    // Readable again: a later problem is news, even the one said before.
    domain.lastReadReport.clear();
    if (status == fnfErr) return PropertyListDocument();
    return document;
  }
  if (status != noErr) {
    ReportReadProblem(domain, Fmt("preferences: %s cannot be read (%s); it is left untouched",
                                  path.c_str(), reason.c_str()));
    return std::nullopt;
  }
  std::size_t dicts = document.skippedDictionaries(), texts = document.skippedStrings();
  if (dicts || texts) {
    auto count = [](std::size_t n, const char* one, const char* many) {
      return n ? Fmt("%zu %s", n, n == 1 ? one : many) : std::string();
    };
    std::string what = count(dicts, "dictionary", "dictionaries");
    if (dicts && texts) what += " and ";
    what += count(texts, "text", "texts");
    ReportReadProblem(domain, Fmt("preferences: %s: %s skipped: a NUL character in a key or a text",
                                  path.c_str(), what.c_str()));
  }
  return document;
}

Domain* DomainFor(CFStringRef applicationID, std::string* idText = nullptr,
                  std::string* pathText = nullptr) {
  auto id = ApplicationIDText(applicationID);
  if (!id) return nullptr;
  auto path = DomainFilePath(*id);
  if (!path) return nullptr;
  Domain& domain = gDomains[*path];
  if (!domain.values) {
    auto read = ReadDomainFile(*path, domain);
    domain.values = read ? read->CopyValues()
                         : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                     &kCFTypeDictionaryValueCallBacks);
  }
  if (idText) *idText = *id;
  if (pathText) *pathText = *path;
  return &domain;
}

// Creates the folders on the way to the file, private to the user as
// XDG asks of the configuration folder. 0 or the errno of the failure.
int MakeFoldersFor(const std::string& file) {
  for (auto slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    std::string folder = file.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) == 0) continue;
    if (errno != EEXIST) return errno;
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  }
  return 0;
}

// The file a write goes to: the end of the chain of symbolic links at path
// (which need not exist yet), so that settings kept elsewhere and linked in
// stay where the user put them and the link stays a link. 0 or an errno.
int WriteTarget(const std::string& path, std::string* target) {
  *target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(target->c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode)) return 0;
    std::vector<char> link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    ssize_t n = ::readlink(target->c_str(), link.data(), link.size());
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) >= link.size()) return ENAMETOOLONG;
    std::string next(link.data(), static_cast<std::size_t>(n));
    if (next.empty()) return ENOENT;
    if (next.front() != '/') next.insert(0, *target, 0, target->find_last_of('/') + 1);
    *target = next;
  }
  return ELOOP;
}

// Writes the document to the domain file; false, reported, when it could
// not be written.
bool WriteDomainFile(const std::string& path, const PropertyListDocument& document) {
  auto fail = [&](const std::string& why) {
    ReportProblem(Fmt("preferences: cannot write %s: %s; the changes are kept for a later try",
                      path.c_str(), why.c_str()));
    return false;
  };
  if (!document.CanBeWrittenBack())
    return fail("it holds a NUL character in a key or a text, which writing would cut off");
  if (int e = MakeFoldersFor(path)) return fail(std::strerror(e));
  std::string target;
  if (int e = WriteTarget(path, &target)) return fail(std::strerror(e));
  // An existing file keeps its mode; one the user made read-only stays
  // untouched (the rename would otherwise replace it regardless).
  mode_t mode = 0600;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
      return fail("the file is read-only");
    mode = st.st_mode & 07777;
  }
  if (int e = document.Write(target, mode)) return fail(std::strerror(e));
  if (document.format() == kCFPropertyListXMLFormat_v1_0 &&
      document.WriteFormat() == kCFPropertyListBinaryFormat_v1_0)
    ReportProblem(
        Fmt("preferences: %s is now a binary property list: it holds text an XML "
            "property list cannot carry",
            path.c_str()));
  return true;
}

}  // namespace

CFRef<CFPropertyListRef> CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID) {
  Domain* domain = key ? DomainFor(applicationID) : nullptr;
  if (!domain) return nullptr;
  // Stored values are immutable copies, so sharing one is as good as a copy.
  return CFRef<CFPropertyListRef>::Retain(
      static_cast<CFTypeRef>(CFDictionaryGetValue(domain->values, key)));
}

void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID) {
  Domain* domain = key ? DomainFor(applicationID) : nullptr;
  if (!domain) return;
  CFRef<CFPropertyListRef> copy;
  if (value) {
    if (!CFPropertyListIsValid(value, kCFPropertyListBinaryFormat_v1_0)) return;
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
  auto onDisk = ReadDomainFile(path, *domain);
  if (!onDisk) return false;
  if (domain->changed.empty()) {
    domain->values = onDisk->CopyValues();
    return true;
  }
  std::string keys;
  for (auto& [text, change] : domain->changed) {
    (void)onDisk->SetValue(change.first, change.second);  // checked when it was set
    keys += (keys.empty() ? "" : ", ") + text;
  }
  if (!WriteDomainFile(path, *onDisk)) return false;
  domain->values = onDisk->CopyValues();
  domain->changed.clear();
  Transcribe(Fmt("prefs: synchronized %s (%s)", id.c_str(), keys.c_str()));
  return true;
}

// A boolean, a number (non-zero is true) or one of the strings YES, NO,
// true, false in any case, as hand-edited files hold them.
Boolean CFPreferencesGetAppBooleanValue(CFStringRef key, CFStringRef applicationID,
                                        Boolean* keyExistsAndHasValidFormat) {
  auto value = CFPreferencesCopyAppValue(key, applicationID);
  std::optional<bool> result;
  if (value) {
    switch (CFGetTypeID(value)) {
      case kCFTypeIDBoolean:
        result = CFBooleanGetValue(static_cast<CFBooleanRef>(value.get()));
        break;
      case kCFTypeIDNumber: {
        auto number = static_cast<CFNumberRef>(value.get());
        double d = 0;
        SInt64 i = 0;
        if (CFNumberIsFloatType(number))
          result = CFNumberGetValue(number, kCFNumberFloat64Type, &d) && d != 0;
        else
          result = CFNumberGetValue(number, kCFNumberSInt64Type, &i) && i != 0;
        break;
      }
      case kCFTypeIDString: {
        auto text = static_cast<CFStringRef>(value.get());
        for (const char* word : {"YES", "TRUE"})
          if (CFStringCompare(text, CFSTR(word), kCFCompareCaseInsensitive) == kCFCompareEqualTo)
            result = true;
        for (const char* word : {"NO", "FALSE"})
          if (CFStringCompare(text, CFSTR(word), kCFCompareCaseInsensitive) == kCFCompareEqualTo)
            result = false;
        break;
      }
      default: break;
    }
  }
  if (keyExistsAndHasValidFormat) *keyExistsAndHasValidFormat = result.has_value();
  return result.value_or(false);
}

void CFPreferencesResetForTesting() { gDomains.clear(); }
