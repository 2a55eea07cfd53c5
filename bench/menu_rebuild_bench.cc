// Rebuilding a large trigger menu: 50 folders listed inline (200 entries
// each) and 10 folders shown as submenus (their first level of 200 entries
// listed at build time). The incremental builder exists so that a pop-up
// does not relist what did not change: the unchanged rebuild should cost a
// small fraction of the first build (goal: at most 5 %), and a rebuild
// after one file was added should cost about one folder's listing.
//
// Also reported: the heap bytes per menu item of the whole tree, without
// icons (goal: at most 400), measured with mallinfo2 around the first build
// (mapped blocks included).
//
// Run: build-*/bench/menu_rebuild_bench --benchmark_repetitions=5
//      --benchmark_report_aggregates_only=true
// The ratios are in docs/performance.md.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "hosts/sim/SimDesktop.h"
#include "menus/ItemRecords.h"
#include "menus/MenuBuilder.h"
#include "triggers/Triggers.h"

namespace fs = std::filesystem;

namespace {

constexpr int kInlineFolders = 50;
constexpr int kSubmenuFolders = 10;
constexpr int kEntriesPerFolder = 200;
// Every item of the tree: the inline entries, the submenus' parent items
// and their first levels.
constexpr int kMenuItems =
    kInlineFolders * kEntriesPerFolder + kSubmenuFolders * (1 + kEntriesPerFolder);

CFRef<CFDictionaryRef> FolderSource(const std::string& path, bool isSubmenu, bool useIcons) {
  CFRef<CFMutableDictionaryRef> entry = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(entry, CFSTR("URL"), CFStringFromUTF8(path).get());
  CFDictionarySetValue(entry, CFSTR("Use Icons"), useIcons ? kCFBooleanTrue : kCFBooleanFalse);
  if (isSubmenu) CFDictionarySetValue(entry, CFSTR("Is Submenu"), kCFBooleanTrue);
  return entry;
}

// The sandbox, its folders and the "Items" of the trigger, made once.
class Fixture {
 public:
  Fixture() {
    char templ[] = "/tmp/korvane-rebuild-bench-XXXXXX";
    if (!mkdtemp(templ)) std::abort();
    home_ = templ;
    for (int f = 0; f < kInlineFolders + kSubmenuFolders; ++f) {
      const std::string folder = FolderPath(f);
      fs::create_directories(folder);
      for (int e = 0; e < kEntriesPerFolder; ++e) {
        char name[64];
        std::snprintf(name, sizeof name, "document %03d.txt", e);
        std::ofstream(folder + "/" + name) << "x";
      }
      // Made a while before the pop-ups, as real folders are: their dates
      // are settled, so the first rebuild already keeps them.
      StampAnHourBack(folder, f);
    }
    desktop_ = std::make_unique<SimDesktop>(home_);
    for (bool useIcons : {false, true}) {
      CFRef<CFMutableArrayRef> items =
          CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
      for (int f = 0; f < kInlineFolders + kSubmenuFolders; ++f)
        CFArrayAppendValue(items, FolderSource(FolderPath(f), f >= kInlineFolders, useIcons).get());
      items_[useIcons ? 1 : 0] = items;
    }
  }
  ~Fixture() {
    desktop_.reset();
    std::error_code ec;
    fs::remove_all(home_, ec);
  }
  std::string FolderPath(int index) const { return home_ + "/folder " + std::to_string(index); }
  CFArrayRef Items(bool useIcons) const { return items_[useIcons ? 1 : 0]; }

  std::unique_ptr<UtilityMenu> MakeTrigger(bool useIcons) const {
    TriggerConfig config;
    config.items = Items(useIcons);
    return std::make_unique<UtilityMenu>(config);
  }

  // Adds a file to (or takes it out of) one inline folder, and gives the
  // folder a date of its own an hour back: the change is seen however
  // coarse the clock, and the date is settled at once, as a change made a
  // while before the pop-up is (a date just stamped is relisted once more).
  void ToggleFile(int folder) {
    const std::string path = FolderPath(folder) + "/added.txt";
    if (fs::exists(path))
      fs::remove(path);
    else
      std::ofstream(path) << "x";
    StampAnHourBack(FolderPath(folder), ++toggles_);
  }

  // Sets a folder's modification date an hour back, nanoseconds from tag
  // so that each stamp differs.
  static void StampAnHourBack(const std::string& folder, long tag) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const struct timespec times[2] = {{0, UTIME_OMIT}, {now.tv_sec - 3600, tag % 1000000000}};
    utimensat(AT_FDCWD, folder.c_str(), times, 0);
  }

 private:
  std::string home_;
  long toggles_ = 1000;  // above the folders' own tags
  std::unique_ptr<SimDesktop> desktop_;
  CFRef<CFArrayRef> items_[2];
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

UInt32 CountTreeItems(MenuRef menu) {
  UInt32 count = CountMenuItems(menu);
  for (UInt16 i = 1; i <= CountMenuItems(menu); ++i) {
    MenuRef submenu = nullptr;
    if (GetMenuItemHierarchicalMenu(menu, i, &submenu) == noErr && submenu)
      count += CountTreeItems(submenu);
  }
  return count;
}

// The trigger's construction: sources prepared, first build.
void BM_FirstBuild(benchmark::State& state) {
  const bool useIcons = state.range(0) != 0;
  UInt32 items = 0;
  for (auto _ : state) {
    auto trigger = TheFixture().MakeTrigger(useIcons);
    state.PauseTiming();
    items = CountTreeItems(trigger->menu);
    trigger.reset();
    state.ResumeTiming();
  }
  if (items != kMenuItems) state.SkipWithError("the tree does not hold every item");
  state.counters["items"] = items;
}
BENCHMARK(BM_FirstBuild)->Arg(0)->Arg(1)->ArgName("icons")->Unit(benchmark::kMillisecond);

// A pop-up with nothing changed: every folder only compares its date and
// revalidates its items.
void BM_UnchangedRebuild(benchmark::State& state) {
  const bool useIcons = state.range(0) != 0;
  auto trigger = TheFixture().MakeTrigger(useIcons);
  for (auto _ : state) RebuildMenu(trigger.get());
  state.counters["items"] = CountMenuItems(trigger->menu);
}
BENCHMARK(BM_UnchangedRebuild)->Arg(0)->Arg(1)->ArgName("icons")->Unit(benchmark::kMillisecond);

// A pop-up after one file was added to (or removed from) one inline folder:
// that folder is relisted, the rest revalidated.
void BM_RebuildAfterOneFileAdded(benchmark::State& state) {
  const bool useIcons = state.range(0) != 0;
  auto trigger = TheFixture().MakeTrigger(useIcons);
  int folder = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TheFixture().ToggleFile(folder);
    folder = (folder + 7) % kInlineFolders;
    state.ResumeTiming();
    RebuildMenu(trigger.get());
  }
}
BENCHMARK(BM_RebuildAfterOneFileAdded)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("icons")
    ->Unit(benchmark::kMillisecond);

// Heap bytes in use: small blocks, and the large ones malloc maps directly
// (a big menu's item vector is one of those).
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Heap bytes per item of the built tree, without icons: the menu model, the
// item records and the working sources, everything the trigger keeps.
void BM_MemoryPerItem(benchmark::State& state) {
  double perItem = 0;
  for (auto _ : state) {
    state.PauseTiming();
    malloc_trim(0);
    const size_t before = HeapInUse();
    state.ResumeTiming();
    auto trigger = TheFixture().MakeTrigger(false);
    state.PauseTiming();
    const size_t after = HeapInUse();
    const UInt32 items = CountTreeItems(trigger->menu);
    perItem = static_cast<double>(after - before) / items;
    trigger.reset();
    state.ResumeTiming();
  }
  state.counters["bytes_per_item"] = perItem;
}
BENCHMARK(BM_MemoryPerItem)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
