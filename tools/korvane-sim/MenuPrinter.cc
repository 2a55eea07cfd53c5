#include "korvane-sim/MenuPrinter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "bindings/KeyBindings.h"
#include "menus/ItemRecords.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"
#include "platform/icons/Icons.h"
#include "platform/launchservices/LaunchServices.h"
#include "platform/processes/Processes.h"

namespace {

// Item texts come from file names, which may hold control characters; one
// transcript line per item must stay one line.
std::string PrintableText(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c < 0x20 || c == 0x7F)
      out += Fmt("\\x%02X", c);
    else
      out.push_back(static_cast<char>(c));
  }
  return out;
}

std::string Indent(int depth) { return std::string(static_cast<std::size_t>(depth) * 2, ' '); }

std::string ItemsText(UInt16 count) { return Fmt("%u item%s", count, count == 1 ? "" : "s"); }

std::string RefText(const FSRef& ref) {
  std::array<UInt8, 4096> path{};
  if (FSRefMakePath(&ref, path.data(), path.size()) != noErr) return "(gone)";
  return TranscriptPath(reinterpret_cast<const char*>(path.data()));
}

std::string KeyText(const MenuItemView& item) {
  if (!item.hasKeyEquivalent) return {};
  std::string key;
  if (item.glyph != 0) {
    const char* name = KeyGlyphName(item.glyph);
    key = name ? name : Fmt("glyph 0x%02X", static_cast<unsigned>(item.glyph));
  } else if (item.isVirtualKey) {
    // Virtual key 0 is the A key, a key like any other.
    key = Fmt("vk%u", static_cast<unsigned>(item.commandKey));
  } else {
    key = item.commandKey >= 0x20 && item.commandKey < 0x7F
              ? Fmt("'%c'", static_cast<char>(item.commandKey))
              : Fmt("char 0x%04X", static_cast<unsigned>(item.commandKey));
  }
  std::string mods;
  if (item.modifiers & kMenuControlModifier) mods += "ctrl+";
  if (item.modifiers & kMenuOptionModifier) mods += "opt+";
  if (item.modifiers & kMenuShiftModifier) mods += "shift+";
  if (!(item.modifiers & kMenuNoCommandModifier)) mods += "cmd+";
  return " key=" + mods + key;
}

std::string FlagsText(UInt32 flags) {
  static constexpr std::array<std::pair<UInt32, const char*>, 8> kNames{{
      {kLSItemInfoIsPlainFile, "file"},
      {kLSItemInfoIsPackage, "package"},
      {kLSItemInfoIsApplication, "application"},
      {kLSItemInfoIsContainer, "container"},
      {kLSItemInfoIsAliasFile, "alias"},
      {kLSItemInfoIsSymlink, "symlink"},
      {kLSItemInfoIsInvisible, "invisible"},
      {kLSItemInfoIsVolume, "volume"},
  }};
  std::string names;
  for (const auto& [bit, name] : kNames)
    if (flags & bit) names += std::string(names.empty() ? "" : " ") + name;
  return Fmt("0x%08X (%s)", flags, names.c_str());
}

// What the menu (item 0) or item says about itself: 'FILE' and its node and
// date, for comparing the other properties with.
struct Subject {
  std::optional<FSRef> file;
  FSCatalogInfo info;
  bool haveInfo = false;
};

Subject SubjectOf(MenuRef menu, MenuItemIndex item) {
  Subject s;
  FSRef ref;
  if (GetItemFSRef(menu, item, &ref)) {
    s.file = ref;
    s.haveInfo =
        FSGetCatalogInfo(&ref, kFSCatInfoNodeID, &s.info, nullptr, nullptr, nullptr) == noErr;
  }
  return s;
}

template <class T>
T ValueOf(const MenuPropertyView& p) {
  T value;
  std::memcpy(&value, p.bytes.data(), sizeof value);
  return value;
}

std::string PropertyText(const MenuPropertyView& p, const Subject& subject) {
  const std::size_t size = p.bytes.size();
  const std::string tag = FourCCString(p.tag);
  if (p.creator != kSKIDCreator)
    return Fmt("'%s'/'%s' %zu bytes", FourCCString(p.creator).c_str(), tag.c_str(), size);
  if (p.tag == kFileTag && size == kFileTagSize) return "FILE " + RefText(ValueOf<FSRef>(p));
  if (p.tag == kNodeTag && size == kNodeTagSize) {
    const auto node = ValueOf<UInt32>(p);
    if (subject.haveInfo && subject.info.nodeID == node) return "NODE = FILE";
    return Fmt("NODE %u (not the FILE's)", node);
  }
  if (p.tag == kFlagTag && size == kFlagTagSize) return "FLAG " + FlagsText(ValueOf<UInt32>(p));
  if (p.tag == kPrefTag && size == kPrefTagSize) {
    const auto d = ValueOf<DisplayPrefs>(p);
    return Fmt("PREF icons %u split %d filter %d font %d size %u icon %d noDirOpen %u", d.useIcons,
               d.splitItems, d.filterKind, d.fontID, d.fontSize, d.iconSize, d.noDirOpen);
  }
  if (p.tag == kIconTag && size == kIconTagSize) return Fmt("ICON %d", ValueOf<SInt16>(p));
  if (p.tag == kLabelTag && size == kLabelTagSize) return Fmt("LABL %u", p.bytes[0]);
  if (p.tag == kVolumeTag && size == kVolumeTagSize) {
    const auto volume = ValueOf<FSVolumeRefNum>(p);
    HFSUniStr255 name;
    if (FSGetVolumeInfo(volume, 0, nullptr, kFSVolInfoNone, nullptr, &name, nullptr) == noErr)
      return "VOLR \"" + UTF16ToUTF8(std::u16string_view(name.unicode, name.length)) + "\"";
    return Fmt("VOLR %d (not mounted)", volume);
  }
  if (p.tag == kProcessTag && size == kProcessTagSize) {
    const auto psn = ValueOf<ProcessSerialNumber>(p);
    CFStringRef name = nullptr;
    if (CopyProcessName(&psn, &name) == noErr && name) {
      CFRef<CFStringRef> owned(name);
      return "PROC \"" + CFStringToUTF8(owned) + "\"";
    }
    return "PROC (not running)";
  }
  if ((p.tag == kDateTag || p.tag == kSystemPanesDateTag || p.tag == kUserPanesDateTag ||
       p.tag == kLocalPanesDateTag) &&
      size == kDateTagSize) {
    // Dates come from the real file system: shown only as whether they
    // match the listed folder, so that transcripts stay the same.
    if (p.tag != kDateTag) return tag + " set";
    const auto date = ValueOf<FolderDate>(p);
    FSModificationStamp now;
    const bool current = subject.file && FSGetModificationStamp(&*subject.file, &now) == noErr &&
                         now.seconds == date.seconds && now.nanoseconds == date.nanoseconds;
    return current ? "DATE current" : "DATE stale";
  }
  return Fmt("'%s' %zu bytes", tag.c_str(), size);
}

void DescribeProperties(MenuRef menu, MenuItemIndex item, int depth,
                        std::vector<std::string>& out) {
  const Subject subject = SubjectOf(menu, item);
  for (const MenuPropertyView& p : ListMenuItemProperties(menu, item))
    out.push_back(Indent(depth) + PropertyText(p, subject));
}

std::string MenuText(const MenuView& view) {
  std::string text = Fmt("menu %d: %s", view.id, ItemsText(view.itemCount).c_str());
  if (view.fontID != 0 || view.fontSize != 0)
    text += Fmt(" font %d/%u", view.fontID, view.fontSize);
  if (!view.enabled) text += " disabled";
  return text;
}

void DescribeItems(MenuRef menu, const MenuView& view, bool withProperties, int depth,
                   std::vector<MenuRef>& open, std::vector<std::string>& out) {
  if (withProperties) DescribeProperties(menu, 0, depth, out);
  for (MenuItemIndex index = 1; index <= view.itemCount; ++index) {
    const auto item = GetMenuItemView(menu, index);
    if (!item) continue;
    std::string line = Indent(depth) + Fmt("%u. ", index);
    if (item->isSeparator) {
      line += "----";
    } else {
      line += "\"" + PrintableText(item->text) + "\"";
      if (!item->enabled) line += " disabled";
      if (item->hidden) line += " hidden";
      line += KeyText(*item);
      if (item->iconType != kMenuNoIcon) line += " " + DescribeMenuIcon(item->iconType, item->icon);
    }
    const auto subview = item->submenu ? GetMenuView(item->submenu) : std::nullopt;
    if (subview) line += " > " + MenuText(*subview);
    out.push_back(line);
    if (withProperties) DescribeProperties(menu, index, depth + 1, out);
    if (!subview) continue;
    if (std::find(open.begin(), open.end(), item->submenu) != open.end()) {
      out.push_back(Indent(depth + 1) + "(a menu further up)");
      continue;
    }
    open.push_back(item->submenu);
    DescribeItems(item->submenu, *subview, withProperties, depth + 1, open, out);
    open.pop_back();
  }
}

}  // namespace

std::string TranscriptPath(const std::string& path) {
  const char* home = std::getenv("HOME");
  if (home && *home) {
    const std::string prefix(home);
    if (path == prefix) return "~";
    if (path.starts_with(prefix + "/")) return "~" + path.substr(prefix.size());
  }
  return path;
}

std::vector<std::string> DescribeMenuTree(MenuRef menu, bool withProperties) {
  std::vector<std::string> out;
  const auto view = GetMenuView(menu);
  if (!view) {
    out.emplace_back("menu: none");
    return out;
  }
  out.push_back(MenuText(*view));
  std::vector<MenuRef> open{menu};
  DescribeItems(menu, *view, withProperties, 1, open, out);
  return out;
}
