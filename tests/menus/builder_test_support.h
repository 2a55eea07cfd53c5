// Shared by the trigger and menu builder tests: a simulated desktop over a
// sandbox folder, source entries made in code, and menu inspection.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "menus/ItemRecords.h"
#include "menus/MenuBuilder.h"
#include "menus/WorkingSources.h"
#include "platform/events/Events.h"
#include "platform/menus/MenuEvents.h"
#include "shell/Paths.h"
#include "support/desktop_fixture.h"
#include "triggers/Triggers.h"

namespace builder_test {

namespace fs = std::filesystem;

// One source entry, built key by key.
class Entry {
 public:
  Entry()
      : dict_(CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                        &kCFTypeDictionaryValueCallBacks)) {}
  Entry& Set(const char* key, CFTypeRef value) {
    CFDictionarySetValue(dict_, CFSTR(key), value);
    return *this;
  }
  Entry& Str(const char* key, const std::string& value) {
    return Set(key, CFStringFromUTF8(value).get());
  }
  Entry& Flag(const char* key, bool value) {
    return Set(key, value ? kCFBooleanTrue : kCFBooleanFalse);
  }
  Entry& Num(const char* key, int value) {
    CFRef<CFNumberRef> n = CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &value);
    return Set(key, n.get());
  }
  Entry& Bytes(const char* key, const std::string& bytes) {
    CFRef<CFDataRef> d =
        CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()),
                     static_cast<CFIndex>(bytes.size()));
    return Set(key, d.get());
  }
  CFDictionaryRef get() const { return dict_; }

 private:
  CFRef<CFMutableDictionaryRef> dict_;
};

inline CFRef<CFMutableArrayRef> Items(const std::vector<Entry>& entries) {
  CFRef<CFMutableArrayRef> items =
      CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  for (const Entry& e : entries) CFArrayAppendValue(items, e.get());
  return items;
}

// The desktop sandbox with the standard folders made and the menu globals
// at their start values; the triggers a test made go before it.
class Sandbox : public fixture::DesktopTest {
 protected:
  void SetUp() override {
    desktop.fileSystem->CreateStandardFolders();
    gNextMenuID = 0;
    gOpenMenuCount = 0;
    gDropMenuActive = false;
    gInitialBuild = false;
  }
  void TearDown() override {
    DestroyTriggersForTesting();
    owned.clear();
    // Every menu a trigger made goes with it.
    EXPECT_EQ(CountLiveMenusForTesting(), 0u);
  }

  std::string Path(const std::string& rel) const { return root + "/" + rel; }
  std::string File(const std::string& rel, const std::string& content = "x") {
    const std::string path = Path(rel);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << content;
    return path;
  }
  std::string Folder(const std::string& rel) {
    fs::create_directories(Path(rel));
    return Path(rel);
  }
  // Gives a folder a modification date of its own an hour back, as if it
  // had been changed a while ago: a change made within the clock's
  // resolution still reads as a change, and the date is settled, so the
  // builder keeps it (a folder stamped just now is relisted until its date
  // is settled).
  void Touch(const std::string& rel) { StampDate(Path(rel), -3600, ++stamps_); }
  static void StampDate(const std::string& path, long secondsFromNow, long nanoseconds) {
    struct timespec now;
    ASSERT_EQ(::clock_gettime(CLOCK_REALTIME, &now), 0);
    const struct timespec times[2] = {{0, UTIME_OMIT}, {now.tv_sec + secondsFromNow, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
  }
  long stamps_ = 0;

  // A trigger made from items alone, owned by the test.
  UtilityMenu* MakeTrigger(CFArrayRef items, UInt16 iconSize = 0) {
    TriggerConfig config;
    config.items = items;
    config.iconSize = iconSize;
    owned.push_back(std::make_unique<UtilityMenu>(config));
    return owned.back().get();
  }

  const std::string root = dir.path();
  std::vector<std::unique_ptr<UtilityMenu>> owned;
};

// The items' texts; separators read "-".
inline std::vector<std::string> Texts(MenuRef menu) {
  std::vector<std::string> texts;
  for (UInt16 i = 1; i <= CountMenuItems(menu); ++i) {
    const auto view = GetMenuItemView(menu, i);
    texts.push_back(view->isSeparator ? "-" : view->text);
  }
  return texts;
}

inline bool Enabled(MenuRef menu, MenuItemIndex item) { return IsMenuItemEnabled(menu, item); }

inline MenuRef Submenu(MenuRef menu, MenuItemIndex item) {
  MenuRef sub = nullptr;
  return GetMenuItemHierarchicalMenu(menu, item, &sub) == noErr ? sub : nullptr;
}

// Marks an item, so that a test can tell the same item from a new one with
// the same text: a replaced item loses the mark.
constexpr OSType kMarkCreator = 'test';
inline void Mark(MenuRef menu, MenuItemIndex item) {
  const UInt8 one = 1;
  ASSERT_EQ(SetMenuItemProperty(menu, item, kMarkCreator, 'mark', 1, &one), noErr);
}
inline bool Marked(MenuRef menu, MenuItemIndex item) {
  UInt8 value = 0;
  return GetMenuItemProperty(menu, item, kMarkCreator, 'mark', 1, nullptr, &value) == noErr;
}

inline CFDictionaryRef SourceAt(const UtilityMenu* trigger, CFIndex index) {
  return static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(trigger->sources, index));
}
inline int StoredCount(const UtilityMenu* trigger, CFIndex index) {
  const auto count = SourceCount(SourceAt(trigger, index));
  return count ? *count : -1;
}

// The menu-opening event, as the host sends it when a menu opens.
inline OSStatus SendMenuOpening(MenuRef menu) {
  EventRef event = nullptr;
  if (CreateEvent(nullptr, kEventClassMenu, kEventMenuOpening, 0, kEventAttributeNone, &event) !=
      noErr)
    return paramErr;
  SetEventParameter(event, kEventParamDirectObject, typeMenuRef, sizeof(menu), &menu);
  const OSStatus status = SendEventToEventTarget(event, GetMenuEventTarget(menu));
  ReleaseEvent(event);
  return status;
}

}  // namespace builder_test
