// Bundles, their resources and localized strings, and the host's bundles of
// private functions.
#include "platform/bundles/Bundle.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "platform/bundles/HostPrivateFunctions.h"
#include "platform/host/Host.h"
#include "platform/propertylists/PropertyList.h"

namespace {

// Bundles handed out by the Get functions, kept for the life of the process
// so that borrowed pointers never dangle: by folder (main bundles; tests
// and the simulator switch between several) and by identifier (host bundles).
std::map<std::string, CFRef<CFBundleRef>> gFolderBundles;
std::map<std::string, CFRef<CFBundleRef>> gHostBundles;
std::optional<std::string> gMainBundlePath;  // set by SetMainBundlePath

constexpr const char* kEnglishLocalizations[] = {"English.lproj", "en.lproj"};

std::string ExecutablePath() {
  std::string buffer(PATH_MAX, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

const std::string& ExecutableBundlePath() {
  static const std::string path = BundlePathForExecutable(ExecutablePath()).value_or("");
  return path;
}

// True for names that could lead out of the folder they are looked up in.
bool Climbs(std::string_view name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    auto end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

bool Exists(const std::string& path, bool* isDirectory) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

CFRef<CFURLRef> URLForPath(const std::string& path, bool isDirectory) {
  return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                 reinterpret_cast<const UInt8*>(path.data()),
                                                 static_cast<CFIndex>(path.size()), isDirectory);
}

std::string ResourcesPath(CFBundleRef bundle) { return bundle->path + "/Contents/Resources"; }

const StringsTable& TableNamed(CFBundleRef bundle, const std::string& name) {
  auto it = bundle->stringsTables.find(name);
  if (it != bundle->stringsTables.end()) return it->second;
  StringsTable table;
  if (!bundle->path.empty() && !Climbs(name)) {
    for (const char* localization : kEnglishLocalizations) {
      auto loaded =
          StringsTable::Load(ResourcesPath(bundle) + "/" + localization + "/" + name + ".strings");
      if (loaded) {
        table = std::move(*loaded);
        break;
      }
    }
  }
  // A missing table is remembered as empty so that it is looked for once.
  return bundle->stringsTables.emplace(name, std::move(table)).first->second;
}

}  // namespace

std::string __CFBundle::Describe() const {
  return path.empty() ? "bundle(" + CFStringToUTF8(hostIdentifier) + ")" : "bundle(" + path + ")";
}

CFTypeID CFBundleGetTypeID() { return kCFTypeIDBundle; }

std::optional<std::string> BundlePathForExecutable(std::string_view exePath) {
  auto slash = exePath.find_last_of('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view folder = exePath.substr(0, slash);
  constexpr std::string_view kExecutableFolder = "/Contents/MacOS";
  if (!folder.ends_with(kExecutableFolder)) return std::nullopt;
  std::string_view bundle = folder.substr(0, folder.size() - kExecutableFolder.size());
  if (bundle.empty() || bundle.ends_with('/')) return std::nullopt;
  return std::string(bundle);
}

void SetMainBundlePath(std::string path) {
  if (path.empty())
    gMainBundlePath.reset();
  else
    gMainBundlePath = std::move(path);
}

CFBundleRef CFBundleGetMainBundle() {
  const std::string& path = gMainBundlePath ? *gMainBundlePath : ExecutableBundlePath();
  if (path.empty()) return nullptr;
  auto& slot = gFolderBundles[path];
  if (!slot) {
    slot = CFRef<CFBundleRef>(new __CFBundle);
    slot.get()->path = path;
  }
  return slot;
}

CFRef<CFBundleRef> CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
  bool isDirectory = false;
  if (!bundleURL || !Exists(bundleURL->path, &isDirectory) || !isDirectory) return nullptr;
  CFRef<CFBundleRef> bundle(new __CFBundle);
  bundle.get()->path = bundleURL->path;
  return bundle;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
  if (!bundle || bundle->path.empty()) return nullptr;
  if (!bundle->infoDictionary) {
    CFRef<CFPropertyListRef> info;
    if (ReadPropertyListFile(bundle->path + "/Contents/Info.plist", kCFPropertyListImmutable,
                             &info) != noErr)
      info.reset();
    bundle->infoDictionary = CFRefAs<CFDictionaryRef>(std::move(info));
  }
  return bundle->infoDictionary->get();
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  if (!bundle) return nullptr;
  if (bundle->hostIdentifier) return bundle->hostIdentifier;
  return CFDictionaryGetTyped<CFStringRef>(CFBundleGetInfoDictionary(bundle),
                                           CFSTR("CFBundleIdentifier"));
}

CFRef<CFURLRef> CFBundleCopyBundleURL(CFBundleRef bundle) {
  if (!bundle || bundle->path.empty()) return nullptr;
  return URLForPath(bundle->path, true);
}

CFRef<CFURLRef> CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
  if (!bundle || bundle->path.empty()) return nullptr;
  return URLForPath(ResourcesPath(bundle), true);
}

CFRef<CFURLRef> CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                        CFStringRef resourceType, CFStringRef subDirName) {
  if (!bundle || bundle->path.empty() || !resourceName) return nullptr;
  std::string name = CFStringToUTF8(resourceName);
  std::string type = resourceType ? CFStringToUTF8(resourceType) : "";
  if (type.starts_with('.')) type.erase(0, 1);
  std::string subDir = subDirName ? CFStringToUTF8(subDirName) : "";
  if (name.empty() || Climbs(name) || Climbs(type) || Climbs(subDir)) return nullptr;
  std::string file = type.empty() ? name : name + "." + type;
  std::string within = (subDir.empty() ? "" : "/" + subDir) + "/" + file;
  std::string resources = ResourcesPath(bundle);
  bool isDirectory = false;
  if (Exists(resources + within, &isDirectory)) return URLForPath(resources + within, isDirectory);
  std::string localized = resources + "/" + kEnglishLocalizations[0] + within;
  if (Exists(localized, &isDirectory)) return URLForPath(localized, isDirectory);
  return nullptr;
}

CFRef<CFStringRef> CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key,
                                               CFStringRef value, CFStringRef tableName) {
  if (bundle && key) {
    std::string table = tableName ? CFStringToUTF8(tableName) : "Localizable";
    if (CFStringRef found = TableNamed(bundle, table).Find(key->text))
      return CFRef<CFStringRef>::Retain(found);
  }
  if (value && CFStringGetLength(value) > 0) return CFStringCreateCopy(nullptr, value);
  if (key) return CFStringCreateCopy(nullptr, key);
  return CFStringFromUTF8("");
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  if (!bundleID) return nullptr;
  CFBundleRef main = CFBundleGetMainBundle();
  if (main && CFEqual(CFBundleGetIdentifier(main), bundleID)) return main;
  auto* table = CurrentHost().privateFunctions;
  std::string id = CFStringToUTF8(bundleID);
  if (!table || !table->HasBundle(id)) return nullptr;
  auto& slot = gHostBundles[id];
  if (!slot) {
    slot = CFRef<CFBundleRef>(new __CFBundle);
    slot.get()->hostIdentifier = CFStringCreateCopy(nullptr, bundleID);
  }
  return slot;
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName) {
  auto* table = CurrentHost().privateFunctions;
  if (!bundle || !functionName || !table) return nullptr;
  CFStringRef id = CFBundleGetIdentifier(bundle);
  if (!id) return nullptr;
  return table->Lookup(CFStringToUTF8(id), CFStringToUTF8(functionName));
}
