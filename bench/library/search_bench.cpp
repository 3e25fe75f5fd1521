// Search latency over a generated index of 100,000 tracks: one-, two- and five-character
// queries taken from the indexed titles, and pinyin initials of titles. Baseline: a plain
// byte-substring scan over the same titles, artists and albums without any folding.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "encoding/utf8.h"
#include "library/latency.h"
#include "server/library/pinyin.h"
#include "server/library/search_index.h"

namespace quilla::server::library {

using encoding::DecodeUtf8;
using encoding::EncodeUtf8;
namespace {

constexpr int kTracks = 100000;

// Common characters of song titles and names, so queries hit as they do in real music.
const char32_t kPool[] =
    U"爱你我的心天空晴雨夜曲风花雪月春夏秋冬海阳光星梦想回忆时间青春再见永远幸福快乐"
    U"伤悲泪笑歌声音乐世界城市故事朋友情人老男孩女孩东南西北山水云小大白黑红蓝绿"
    U"周杰伦林俊陈奕迅王菲刘德华张学友邓紫棋薛之谦李荣浩孙燕姿蔡依林五月天";

std::u32string RandomText(std::mt19937& random, int min_length, int max_length) {
  std::uniform_int_distribution<int> length(min_length, max_length);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPool) - 2);
  std::u32string text;
  for (int i = length(random); i > 0; --i) text += kPool[pick(random)];
  return text;
}

struct Corpus {
  std::vector<LibrarySong> songs;
  std::unique_ptr<SearchIndex> index;
  std::string raw;  // baseline: titles, artists and albums, one per line
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    std::mt19937 random(17);
    for (int i = 1; i <= kTracks; ++i) {
      LibrarySong song;
      song.id = i;
      song.title = EncodeUtf8(RandomText(random, 2, 8));
      if (i % 5 == 0) song.title += " (Live " + std::to_string(i % 97) + ")";
      song.artist = EncodeUtf8(RandomText(random, 2, 4));
      song.album = EncodeUtf8(RandomText(random, 2, 6));
      song.file_stem = song.artist + " - " + song.title;
      song.path = "/music/" + song.file_stem + ".mp3";
      c.raw += song.title + "\n" + song.artist + "\n" + song.album + "\n";
      c.songs.push_back(std::move(song));
    }
    c.index = std::make_unique<SearchIndex>(c.songs);
    return c;
  }();
  return corpus;
}

// Queries: `length` consecutive characters of random titles.
std::vector<std::string> SubstringQueries(int length) {
  std::mt19937 random(length);
  std::vector<std::string> queries;
  const auto& songs = TheCorpus().songs;
  while (queries.size() < 200) {
    const std::u32string title = DecodeUtf8(songs[random() % songs.size()].title);
    if (title.size() < std::size_t(length)) continue;
    queries.push_back(EncodeUtf8(title.substr(random() % (title.size() - length + 1), length)));
  }
  return queries;
}

// Queries: the first letters of the readings of 2 to 4 characters of random titles.
std::vector<std::string> InitialsQueries() {
  std::mt19937 random(99);
  std::vector<std::string> queries;
  const PinyinReadings& table = PinyinReadings::Instance();
  const auto& songs = TheCorpus().songs;
  while (queries.size() < 200) {
    const std::u32string title = DecodeUtf8(songs[random() % songs.size()].title);
    std::string initials;
    for (std::size_t i = 0; i < title.size() && initials.size() < 2 + queries.size() % 3; ++i) {
      const auto syllables = table.Syllables(table.SetOf(title[i]));
      if (syllables.empty()) break;
      initials += syllables.front().front();
    }
    if (initials.size() >= 2) queries.push_back(initials);
  }
  return queries;
}

void RunSearches(benchmark::State& state, const std::vector<std::string>& queries) {
  const SearchIndex& index = *TheCorpus().index;
  bench::Latencies latencies;
  std::size_t i = 0, matches = 0;
  for (auto _ : state) {
    latencies.Time([&] { matches += index.Search(queries[i++ % queries.size()], 1).total; });
  }
  latencies.Report(state);
  state.counters["matches_per_query"] = double(matches) / double(state.iterations());
}

void BM_Search1Char(benchmark::State& state) {
  RunSearches(state, SubstringQueries(1));
}
void BM_Search2Chars(benchmark::State& state) {
  RunSearches(state, SubstringQueries(2));
}
void BM_Search5Chars(benchmark::State& state) {
  RunSearches(state, SubstringQueries(5));
}
void BM_SearchPinyinInitials(benchmark::State& state) {
  RunSearches(state, InitialsQueries());
}

// The baseline: every occurrence of the query's bytes in the raw text, nothing else.
void BM_RawSubstringScan2Chars(benchmark::State& state) {
  const std::vector<std::string> queries = SubstringQueries(2);
  const std::string& raw = TheCorpus().raw;
  bench::Latencies latencies;
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    latencies.Time([&] {
      const std::string& query = queries[i++ % queries.size()];
      for (auto at = raw.find(query); at != std::string::npos; at = raw.find(query, at + 1)) ++hits;
    });
  }
  benchmark::DoNotOptimize(hits);
  latencies.Report(state);
}

void BM_BuildIndex100k(benchmark::State& state) {
  const auto& songs = TheCorpus().songs;
  for (auto _ : state) {
    SearchIndex index(songs);
    benchmark::DoNotOptimize(index.size());
  }
}

BENCHMARK(BM_Search1Char)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Search2Chars)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Search5Chars)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchPinyinInitials)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawSubstringScan2Chars)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildIndex100k)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilla::server::library
