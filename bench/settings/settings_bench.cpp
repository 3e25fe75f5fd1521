// How long the client's exit and start-up spend on the request history file.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "settings/ini_file.h"
#include "settings/list_view_dump.h"

namespace {

using quilla::settings::ListViewTable;

std::filesystem::path TempFile(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("quilla-bench-" + std::to_string(std::random_device{}()) + "-" + name);
}

ListViewTable History(int rows) {
  ListViewTable table;
  table.column_titles = {"歌曲名称", "歌手名称", "获取地址成功才能点歌", "歌曲封面", "歌词", ""};
  table.column_widths = {150, 100, 529, 0, 0, 0};
  for (int r = 0; r < rows; ++r) {
    const std::string n = std::to_string(r);
    table.rows.push_back({"歌曲名称" + n, "歌手" + n,
                          "http://music.example/song/" + n + ".mp3?vkey=ABCDEF0123456789",
                          "http://music.example/pic/" + n + ".jpg", "", ""});
  }
  return table;
}

// Saving over the previous file, as every exit does.
void BM_SaveListView(benchmark::State& state) {
  const auto file = TempFile("save.ini");
  const ListViewTable table = History(static_cast<int>(state.range(0)));
  quilla::settings::SaveListView(table, file);
  for (auto _ : state) benchmark::DoNotOptimize(quilla::settings::SaveListView(table, file));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveListView)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_LoadListView(benchmark::State& state) {
  const auto file = TempFile("load.ini");
  quilla::settings::SaveListView(History(static_cast<int>(state.range(0))), file);
  for (auto _ : state) {
    benchmark::DoNotOptimize(quilla::settings::LoadListView(file, true));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(file);
}
BENCHMARK(BM_LoadListView)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

// One key written into a settings file of ordinary size.
void BM_WriteProfileString(benchmark::State& state) {
  const auto file = TempFile("pz.ini");
  for (const char* key : {"IP", "端口", "用户名", "头像", "公告", "是否弹窗", "是否打开启动"}) {
    quilla::settings::WriteProfileString(file, "Wind", key, "value");
  }
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        quilla::settings::WriteProfileString(file, "Wind", "是否显示歌词", std::to_string(i++)));
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_WriteProfileString)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
