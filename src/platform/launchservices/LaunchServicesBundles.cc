// Reading the files that tell Launch Services what an item is: a bundle's
// Info.plist and a desktop entry.
//
// Info.plist is read with libplist directly: Launch Services needs only a
// few strings from it, and going through CoreFoundation values would build
// the whole document as objects for nothing.
#include <plist/plist.h>

#include <cstdio>
#include <memory>

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/files/FilesInternal.h"
#include "platform/launchservices/LaunchServicesInternal.h"

namespace LaunchServicesPrivate {
namespace {

constexpr std::size_t kMaxInfoPlistSize = 4 * 1024 * 1024;
constexpr std::size_t kMaxDesktopEntrySize = 64 * 1024;

bool ReadFile(const std::string& path, std::size_t limit, std::string* out) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) return false;
  out->assign(limit + 1, '\0');
  std::size_t n = std::fread(out->data(), 1, out->size(), f.get());
  if (n > limit || std::ferror(f.get())) return false;
  out->resize(n);
  return true;
}

using PlistPtr = std::unique_ptr<void, void (*)(plist_t)>;

std::optional<std::string> StringItem(plist_t dict, const char* key) {
  plist_t node = plist_dict_get_item(dict, key);
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  if (!text) return std::nullopt;
  return std::string(text, static_cast<std::size_t>(length));
}

OSType CodeFromText(const std::optional<std::string>& text) {
  if (!text) return 0;
  std::string bytes;
  if (!UTF16ToMacRoman(UTF8ToUTF16(*text), bytes) || bytes.size() != 4) return 0;
  return FourCC(bytes);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Desktop entry string values escape \s \n \t \r and \\.
std::string Unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    char c = value[++i];
    out.push_back(c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c);
  }
  return out;
}

}  // namespace

std::optional<BundleInfo> ReadBundleInfo(const std::string& bundlePath) {
  std::string data;
  if (!ReadFile(bundlePath + "/Contents/Info.plist", kMaxInfoPlistSize, &data) || data.empty())
    return std::nullopt;
  plist_t raw = nullptr;
  plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &raw);
  PlistPtr root(raw, &plist_free);
  if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return std::nullopt;

  BundleInfo info;
  info.packageType = CodeFromText(StringItem(root.get(), "CFBundlePackageType"));
  info.signature = CodeFromText(StringItem(root.get(), "CFBundleSignature"));
  plist_t types = plist_dict_get_item(root.get(), "CFBundleDocumentTypes");
  if (types && plist_get_node_type(types) == PLIST_ARRAY) {
    for (uint32_t i = 0, n = plist_array_get_size(types); i < n; ++i) {
      plist_t type = plist_array_get_item(types, i);
      if (!type || plist_get_node_type(type) != PLIST_DICT) continue;
      BundleDocumentType doc;
      doc.role = StringItem(type, "CFBundleTypeRole").value_or("");
      plist_t extensions = plist_dict_get_item(type, "CFBundleTypeExtensions");
      if (extensions && plist_get_node_type(extensions) == PLIST_ARRAY) {
        for (uint32_t k = 0, m = plist_array_get_size(extensions); k < m; ++k) {
          plist_t e = plist_array_get_item(extensions, k);
          if (!e || plist_get_node_type(e) != PLIST_STRING) continue;
          uint64_t length = 0;
          if (const char* text = plist_get_string_ptr(e, &length))
            doc.extensions.emplace_back(text, static_cast<std::size_t>(length));
        }
      }
      info.documentTypes.push_back(std::move(doc));
    }
  }
  return info;
}

std::optional<DesktopEntry> ReadDesktopEntry(const std::string& path) {
  std::string data;
  if (!ReadFile(path, kMaxDesktopEntrySize, &data)) return std::nullopt;
  DesktopEntry entry;
  bool inGroup = false, seenGroup = false;
  std::string_view rest(data);
  while (!rest.empty()) {
    std::size_t eol = rest.find('\n');
    std::string_view line = Trim(rest.substr(0, eol));
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (inGroup) break;  // the group ended
      inGroup = line == "[Desktop Entry]";
      seenGroup = seenGroup || inGroup;
      continue;
    }
    if (!inGroup) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (key == "Type")
      entry.isApplication = value == "Application";
    else if (key == "Name")
      entry.name = Unescape(value);
  }
  if (!seenGroup) return std::nullopt;
  return entry;
}

bool IsPackageExtension(std::string_view extension) {
  static constexpr std::string_view kPackageExtensions[] = {"app",       "prefPane", "bundle",
                                                            "framework", "plugin",   "kext"};
  for (std::string_view p : kPackageExtensions)
    if (FilesPrivate::EqualsIgnoringASCIICase(extension, p)) return true;
  return false;
}

bool IsDesktopFileName(std::string_view name) {
  return name.size() > 8 && name.ends_with(".desktop");
}

}  // namespace LaunchServicesPrivate
