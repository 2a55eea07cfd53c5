// The agent's preference file through to its settings: the bytes are
// written as the domain's property list file in a scratch configuration
// folder, and the agent reads its settings as at start-up: "Global Menus"
// (seeded from the bundle's default settings when the file has none), each
// menu definition as a trigger would read it, and the stored key bindings,
// registered and then taken away again.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzSupport.h"
#include "bindings/KeyBindings.h"
#include "hosts/sim/SimDesktop.h"
#include "platform/bundles/Bundle.h"
#include "platform/preferences/Preferences.h"
#include "shell/Settings.h"

namespace {

constexpr const char* kBundleInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.talvik.korvane</string>
<key>CFBundleExecutable</key><string>Korvane</string>
</dict></plist>
)";

SimDesktop* gDesktop;
std::string gPrefsFile;

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
  if (!in) fuzz::Fail("cannot read " + relative + " of the source tree");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string home = fuzz::NewScratchFolder("prefs");
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  fuzz::MakeFolders(home + "/.config/korvane");
  gPrefsFile = home + "/.config/korvane/" + kKorvaneDomain + ".plist";

  // The bundle, with the default settings the first run seeds from.
  const std::string bundle = home + "/Korvane.app";
  fuzz::MakeFolders(bundle + "/Contents/Resources");
  fuzz::WriteText(bundle + "/Contents/Info.plist", kBundleInfo);
  fuzz::WriteText(bundle + "/Contents/Resources/com.talvik.korvane.plist",
                  ReadSourceFile("resources/com.talvik.korvane.plist"));
  SetMainBundlePath(bundle);
  gDesktop = new SimDesktop(home);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  gDesktop->recorder.lines.clear();
  fuzz::WriteBytes(gPrefsFile, bytes, size);
  CFPreferencesResetForTesting();

  CFRef<CFArrayRef> menus = LoadSettings();
  if (!gKeyBindingEntries) fuzz::Fail("settings read without key binding entries");
  for (CFIndex i = 0, count = menus ? CFArrayGetCount(menus) : 0; i < count; ++i) {
    auto definition = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(menus, i));
    TriggerConfig config;
    TabLook look;
    if (ReadTriggerConfig(definition, &config, &look)) (void)IsTabTrigger(config);
  }
  menus.reset();

  LoadKeyBindings();
  UnloadKeyBindings();
  gDesktop->runLoop.Advance(0);
  CFRelease(gKeyBindingEntries);
  gKeyBindingEntries = nullptr;
  return 0;
}
