// Shared by the key binding tests: the desktop sandbox with the preference
// folder made up front, and the binding table loaded as a fresh run of the
// agent loads it.
#pragma once

#include <string>

#include "bindings/KeyBindings.h"
#include "menus/ItemRecords.h"
#include "platform/preferences/Preferences.h"
#include "shell/Settings.h"
#include "support/desktop_fixture.h"
#include "support/plist_support.h"

namespace bindings_test {

class KeyBindingsTest : public fixture::DesktopTest {
 protected:
  KeyBindingsTest() : DesktopTest({.home = "", .config = "config"}) {}

  void SetUp() override {
    // Made before any test file, so that no folder made later can take
    // over the inode of a file a test removes (aliases find items by it).
    plist_test::MakeFolders(dir / "config/korvane");
    Restart();
  }
  void TearDown() override { UnloadKeyBindings(); }

  // What a new run of the agent does with the bindings: read "Key Bindings"
  // from the preference file, then load and register them.
  void Restart() {
    UnloadKeyBindings();
    CFPreferencesResetForTesting();
    if (gKeyBindingEntries) CFRelease(gKeyBindingEntries);
    auto stored =
        CFPreferencesCopyAppValue(CFSTR("Key Bindings"), kCFPreferencesCurrentApplication);
    auto array = stored && CFGetTypeID(stored) == CFArrayGetTypeID()
                     ? CFArrayCreateMutableCopy(nullptr, 0, static_cast<CFArrayRef>(stored.get()))
                     : CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    gKeyBindingEntries = array.Detach();
    LoadKeyBindings();
  }
};

// The same, with an empty agent menu for the items whose keys a test shows.
class KeyBindingsMenuTest : public KeyBindingsTest {
 protected:
  void SetUp() override {
    KeyBindingsTest::SetUp();
    ASSERT_EQ(CreateAgentMenu(&menu), noErr);
  }
  void TearDown() override {
    DisposeMenuTree(menu);
    KeyBindingsTest::TearDown();
  }

  MenuRef menu = nullptr;
};

}  // namespace bindings_test
