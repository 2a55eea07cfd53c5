// Listing a 10,000-entry folder into a menu, next to what any folder menu
// has to pay at least (reading the folder, a stat per entry, a name sort)
// and, when GIO is there, to the way other Linux folder menus list
// (g_file_enumerate_children with the standard attributes).
//
// Run: build-*/bench/folder_listing_bench --benchmark_repetitions=5
//      --benchmark_report_aggregates_only=true
// The ratios that matter are in docs/performance.md.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#ifdef KORVANE_HAVE_GIO
#include <gio/gio.h>
#endif

#include "hosts/sim/SimDesktop.h"
#include "menus/FolderListing.h"
#include "platform/files/Files.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 10000;
constexpr int kFolderEvery = 10;  // one entry in ten is a folder
constexpr SInt16 kRenderedIconSize = 16;

// A sandbox home with one big folder in it, and the simulated desktop that
// draws icons, made once for every benchmark in the binary.
class Fixture {
 public:
  Fixture() {
    char templ[] = "/tmp/korvane-bench-XXXXXX";
    if (!mkdtemp(templ)) std::abort();
    home_ = templ;
    folder_ = home_ + "/big";
    fs::create_directories(folder_);
    static constexpr const char* kExtensions[] = {".txt", ".pdf", ".png", ".c", ""};
    for (int i = 0; i < kEntries; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "%s %05d", i % 3 == 0 ? "Report" : "notes", i);
      std::string path = folder_ + "/" + name;
      if (i % kFolderEvery == 0) {
        fs::create_directory(path);
      } else {
        std::ofstream(path + kExtensions[i % 5]) << "x";
      }
    }
    desktop_ = std::make_unique<SimDesktop>(home_);
    static constexpr char16_t kHidden[] = u".hidden";
    gHiddenListNameLength = 0;
    for (char16_t c : std::u16string_view(kHidden)) gHiddenListName[gHiddenListNameLength++] = c;
    if (FSPathMakeRef(reinterpret_cast<const UInt8*>(folder_.c_str()), &ref_, nullptr) != noErr)
      std::abort();
  }
  ~Fixture() {
    desktop_.reset();
    std::error_code ec;
    fs::remove_all(home_, ec);
  }
  const std::string& folder() const { return folder_; }
  const FSRef& ref() const { return ref_; }

 private:
  std::string home_;
  std::string folder_;
  std::unique_ptr<SimDesktop> desktop_;
  FSRef ref_{};
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

// What listing a folder costs at least: every name, one stat each, sorted.
void BM_Floor_ReaddirFstatatSort(benchmark::State& state) {
  const std::string& folder = TheFixture().folder();
  for (auto _ : state) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) std::abort();
    const int fd = ::dirfd(dir);
    struct Entry {
      std::string name;
      struct stat st;
    };
    std::vector<Entry> entries;
    while (const dirent* e = ::readdir(dir)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      Entry entry{e->d_name, {}};
      if (::fstatat(fd, e->d_name, &entry.st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["entries"] = kEntries;
}
BENCHMARK(BM_Floor_ReaddirFstatatSort)->Unit(benchmark::kMillisecond);

#ifdef KORVANE_HAVE_GIO
void BM_GIO_EnumerateChildren(benchmark::State& state) {
  GFile* file = g_file_new_for_path(TheFixture().folder().c_str());
  for (auto _ : state) {
    GFileEnumerator* enumerator =
        g_file_enumerate_children(file, "standard::*", G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (!enumerator) std::abort();
    int count = 0;
    while (GFileInfo* info = g_file_enumerator_next_file(enumerator, nullptr, nullptr)) {
      ++count;
      g_object_unref(info);
    }
    g_object_unref(enumerator);
    benchmark::DoNotOptimize(count);
  }
  g_object_unref(file);
}
BENCHMARK(BM_GIO_EnumerateChildren)->Unit(benchmark::kMillisecond);
#endif

// ListFolder into a fresh menu, as a folder submenu is filled when it opens;
// taking the menu down again is not timed.
void ListInto(benchmark::State& state, bool useIcons, SInt16 iconSize) {
  const FSRef& folder = TheFixture().ref();
  DisplayPrefs prefs;
  prefs.useIcons = useIcons ? 1 : 0;
  prefs.iconSize = iconSize;
  UInt16 listed = 0;
  for (auto _ : state) {
    MenuRef menu = nullptr;
    if (CreateAgentMenu(&menu) != noErr) std::abort();
    SetMenuItemProperty(menu, 0, kSKIDCreator, kIconTag, kIconTagSize, &iconSize);
    listed = ListFolder(menu, &folder, true, &prefs, kSplitMixed, 0, nullptr, nullptr);
    state.PauseTiming();
    DisposeMenuTree(menu);
    state.ResumeTiming();
  }
  if (listed != kEntries) state.SkipWithError("not every entry was listed");
  state.counters["entries"] = listed;
}

void BM_ListFolder_NoIcons(benchmark::State& state) { ListInto(state, false, 0); }
BENCHMARK(BM_ListFolder_NoIcons)->Unit(benchmark::kMillisecond);

void BM_ListFolder_IconRefs(benchmark::State& state) { ListInto(state, true, 0); }
BENCHMARK(BM_ListFolder_IconRefs)->Unit(benchmark::kMillisecond);

void BM_ListFolder_RenderedIcons16(benchmark::State& state) {
  ListInto(state, true, kRenderedIconSize);
}
BENCHMARK(BM_ListFolder_RenderedIcons16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
