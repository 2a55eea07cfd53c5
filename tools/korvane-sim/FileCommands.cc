// Scenario commands that lay out what folder listings show (application
// bundles, tools, desktop entries, hidden-names files, pipes) and list a
// folder into a menu of its own.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "korvane-sim/MenuPrinter.h"
#include "korvane-sim/Simulator.h"
#include "menus/FolderListing.h"
#include "platform/files/Files.h"
#include "platform/host/Transcript.h"

namespace fs = std::filesystem;

namespace {

constexpr char16_t kHiddenListFileName[] = u".hidden";
constexpr const char* kDefaultPackageType = "APPL";
constexpr const char* kDefaultSignature = "????";

void Need(const ScenarioLine& line, std::size_t words, const char* usage) {
  if (line.words.size() < words) throw ScenarioError(line, std::string("usage: ") + usage);
}

void WriteFile(const ScenarioLine& line, const std::string& path, const std::string& content,
               fs::perms permissions = fs::perms::owner_read | fs::perms::owner_write |
                                       fs::perms::group_read | fs::perms::others_read) {
  fs::create_directories(fs::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw ScenarioError(line, "cannot write " + path);
  }
  std::error_code ec;
  fs::permissions(path, permissions, ec);
  if (ec) throw ScenarioError(line, "cannot change the mode of " + path);
}

std::string XMLEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

std::string FourCharCode(const ScenarioLine& line, const std::string& word) {
  if (word.size() != 4) throw ScenarioError(line, "not a four-character code: " + word);
  return word;
}

// app PATH [type CODE] [creator CODE] [opens EXT]...: an application bundle
// whose Info.plist names its package type and signature and the document
// extensions it edits, with an executable.
void MakeApp(Simulator& sim, const ScenarioLine& l) {
  static constexpr const char* kUsage = "app PATH [type CODE] [creator CODE] [opens EXT]...";
  Need(l, 2, kUsage);
  std::string type = kDefaultPackageType;
  std::string creator = kDefaultSignature;
  std::string extensions;
  for (std::size_t i = 2; i < l.words.size(); i += 2) {
    if (i + 1 >= l.words.size()) throw ScenarioError(l, std::string("usage: ") + kUsage);
    if (l.words[i] == "type")
      type = FourCharCode(l, l.words[i + 1]);
    else if (l.words[i] == "creator")
      creator = FourCharCode(l, l.words[i + 1]);
    else if (l.words[i] == "opens")
      extensions += "<string>" + XMLEscaped(l.words[i + 1]) + "</string>";
    else
      throw ScenarioError(l, "unknown option: " + l.words[i]);
  }
  const std::string documentTypes =
      extensions.empty()
          ? std::string()
          : "  <key>CFBundleDocumentTypes</key><array><dict>"
            "<key>CFBundleTypeExtensions</key><array>" +
                extensions +
                "</array><key>CFBundleTypeRole</key><string>Editor</string></dict></array>\n";
  const std::string path = sim.SandboxPath(l, l.words[1]);
  const std::string name = fs::path(path).stem().string();
  const std::string plist =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
      "  <key>CFBundleExecutable</key><string>" +
      XMLEscaped(name) +
      "</string>\n"
      "  <key>CFBundleName</key><string>" +
      XMLEscaped(name) +
      "</string>\n"
      "  <key>CFBundlePackageType</key><string>" +
      XMLEscaped(type) +
      "</string>\n"
      "  <key>CFBundleSignature</key><string>" +
      XMLEscaped(creator) + "</string>\n" + documentTypes + "</dict>\n</plist>\n";
  WriteFile(l, path + "/Contents/Info.plist", plist);
  WriteFile(l, path + "/Contents/MacOS/" + name, "#!/bin/sh\nexit 0\n",
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                fs::perms::others_read | fs::perms::others_exec);
}

// tool PATH: an executable file (an application on Linux).
void MakeTool(Simulator& sim, const ScenarioLine& l) {
  Need(l, 2, "tool PATH");
  WriteFile(l, sim.SandboxPath(l, l.words[1]), "#!/bin/sh\nexit 0\n",
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                fs::perms::others_read | fs::perms::others_exec);
}

// desktop-app PATH NAME: a desktop entry of type Application called NAME.
void MakeDesktopApp(Simulator& sim, const ScenarioLine& l) {
  Need(l, 3, "desktop-app PATH NAME");
  WriteFile(l, sim.SandboxPath(l, l.words[1]),
            "[Desktop Entry]\nType=Application\nName=" + l.words[2] + "\nExec=true\n");
}

// hidden FOLDER NAME... | hidden FOLDER <<END: the folder's hidden-names
// file, one name per line, every line ended by a line feed. (A last line
// without its line feed is written with "file FOLDER/.hidden TEXT".)
void MakeHiddenList(Simulator& sim, const ScenarioLine& l) {
  Need(l, 2, "hidden FOLDER NAME... | hidden FOLDER <<END");
  std::string content;
  if (l.hasBody) {
    if (!l.body.empty()) content = l.body + "\n";
  } else {
    for (std::size_t i = 2; i < l.words.size(); ++i) content += l.words[i] + "\n";
  }
  WriteFile(l, sim.SandboxPath(l, l.words[1]) + "/.hidden", content);
}

// pipe PATH: a named pipe, which never ends when read.
void MakePipe(Simulator& sim, const ScenarioLine& l) {
  Need(l, 2, "pipe PATH");
  const std::string path = sim.SandboxPath(l, l.words[1]);
  fs::create_directories(fs::path(path).parent_path());
  if (::mkfifo(path.c_str(), 0644) != 0) throw ScenarioError(l, "cannot make the pipe " + path);
}

SInt16 SmallNumber(const ScenarioLine& line, const std::string& word) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || value < -32768 || value > 32767)
    throw ScenarioError(line, "not a 16-bit number: " + word);
  return static_cast<SInt16>(value);
}

// list-folder PATH [split N] [filter N] [icons N] [noicons] [nohier]
// [properties]: lists the folder into a new menu as a folder source would,
// shows the menu and disposes of it.
void ListFolderCommand(Simulator& sim, const ScenarioLine& l) {
  static constexpr const char* kUsage =
      "usage: list-folder PATH [split N] [filter N] [icons N] [noicons] [nohier] [properties]";
  if (l.words.size() < 2) throw ScenarioError(l, kUsage);
  DisplayPrefs prefs;
  bool makeSubmenus = true;
  bool withProperties = false;
  for (std::size_t i = 2; i < l.words.size(); ++i) {
    const std::string& option = l.words[i];
    if (option == "noicons") {
      prefs.useIcons = 0;
    } else if (option == "nohier") {
      makeSubmenus = false;
    } else if (option == "properties") {
      withProperties = true;
    } else if ((option == "split" || option == "filter" || option == "icons") &&
               i + 1 < l.words.size()) {
      const SInt16 value = SmallNumber(l, l.words[++i]);
      if (option == "split")
        prefs.splitItems = static_cast<SInt8>(value);
      else if (option == "filter")
        prefs.filterKind = value;
      else
        prefs.iconSize = value;
    } else {
      throw ScenarioError(l, kUsage);
    }
  }
  // Start-up names the hidden-names file; before the agent has started the
  // command names it the same way.
  if (gHiddenListNameLength == 0) {
    for (char16_t c : std::u16string_view(kHiddenListFileName))
      gHiddenListName[gHiddenListNameLength++] = c;
  }
  const std::string path = sim.SandboxPath(l, l.words[1]);
  FSRef folder;
  if (FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &folder, nullptr) != noErr) {
    sim.Note("list-folder " + l.words[1] + ": missing");
    return;
  }
  MenuRef menu = nullptr;
  if (CreateAgentMenu(&menu) != noErr) throw ScenarioError(l, "cannot create a menu");
  SetMenuItemProperty(menu, 0, kSKIDCreator, kIconTag, kIconTagSize, &prefs.iconSize);
  const UInt16 count =
      ListFolder(menu, &folder, makeSubmenus, &prefs, prefs.splitItems, 0, nullptr, nullptr);
  sim.Note(Fmt("listed %u item%s", count, count == 1 ? "" : "s"));
  for (const std::string& line : DescribeMenuTree(menu, withProperties)) sim.Note(line);
  // Nobody else holds the menu: it goes with its submenus and icons.
  DisposeMenuTree(menu);
}

}  // namespace

void RegisterFileCommands(CommandTable& t) {
  t["app"] = {"app PATH [type CODE] [creator CODE] [opens EXT]...", MakeApp};
  t["tool"] = {"tool PATH", MakeTool};
  t["desktop-app"] = {"desktop-app PATH NAME", MakeDesktopApp};
  t["hidden"] = {"hidden FOLDER NAME... | hidden FOLDER <<END", MakeHiddenList};
  t["pipe"] = {"pipe PATH", MakePipe};
  t["list-folder"] = {
      "list-folder PATH [split N] [filter N] [icons N] [noicons] [nohier] [properties]",
      ListFolderCommand};
}
