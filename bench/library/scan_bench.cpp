// Indexing a folder of 10,000 tagged MP3 files: the first scan (files per second) and a
// restart over the unchanged folder (time until the index is complete), against a bare
// walk that stats every file of the same folder.

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "server/library/music_library.h"
#include "support/temp_dir.h"
#include "support/test_audio.h"

namespace quilla::server::library {
namespace {

constexpr int kFiles = 10000;

struct Folder {
  testing::TempDir music{"quilla-bench-music-"};
  testing::TempDir index{"quilla-bench-index-"};
};

// 100 folders of 100 files, copies of 100 differently tagged short MP3s.
void Fill(Folder& f) {
  std::vector<std::string> templates;
  for (int t = 0; t < 100; ++t) {
    const std::string path = (f.index.path() / ("t" + std::to_string(t) + ".mp3")).string();
    testing::WriteToneFile(path, 0.3);
    testing::WriteTags(path, testing::TestTags()
                                 .Title("歌曲 " + std::to_string(t))
                                 .Artist("歌手 " + std::to_string(t % 17))
                                 .Album("专辑 " + std::to_string(t % 7)));
    templates.push_back(testing::ReadBytes(path));
    std::filesystem::remove(path);
  }
  for (int i = 0; i < kFiles; ++i) {
    const auto dir = f.music.path() / ("album " + std::to_string(i / 100));
    std::filesystem::create_directories(dir);
    testing::WriteBytes(dir / ("song " + std::to_string(i) + ".mp3"), templates[i % 100]);
  }
}

const Folder& TheFolder() {
  static Folder folder;
  [[maybe_unused]] static const bool filled = (Fill(folder), true);
  return folder;
}

// Starts a library over the folder and waits for its first complete scan.
ScanReport StartAndWait(const std::string& index_file) {
  std::mutex mutex;
  std::condition_variable done;
  std::optional<ScanReport> report;
  LibraryConfig config;
  config.folder = TheFolder().music.path().string();
  config.index_file = index_file;
  config.bind_address = "127.0.0.1";
  config.port = 0;
  config.watch_folder = false;
  config.on_scan_finished = [&](const ScanReport& r) {
    std::lock_guard lock(mutex);
    report = r;
    done.notify_all();
  };
  MusicLibrary library(config);
  std::string error;
  library.Start(&error);
  std::unique_lock lock(mutex);
  done.wait(lock, [&] { return report.has_value(); });
  return *report;
}

void BM_FirstScan10kFiles(benchmark::State& state) {
  const std::string index = (TheFolder().index.path() / "first.db").string();
  std::size_t read = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(index + suffix);
    state.ResumeTiming();
    read += StartAndWait(index).read;
  }
  state.counters["files_per_s"] = benchmark::Counter(double(read), benchmark::Counter::kIsRate);
}

void BM_Restart10kUnchanged(benchmark::State& state) {
  const std::string index = (TheFolder().index.path() / "restart.db").string();
  StartAndWait(index);  // the index the restarts find
  std::size_t read = 0;
  for (auto _ : state) read += StartAndWait(index).read;
  state.counters["files_read_again"] = double(read);
}

void BM_BareWalkAndStat10k(benchmark::State& state) {
  TheFolder();
  std::size_t files = 0;
  for (auto _ : state) {
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(TheFolder().music.path())) {
      struct stat info {};
      if (::stat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode)) ++files;
    }
  }
  benchmark::DoNotOptimize(files);
}

BENCHMARK(BM_FirstScan10kFiles)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Restart10kUnchanged)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareWalkAndStat10k)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quilla::server::library
