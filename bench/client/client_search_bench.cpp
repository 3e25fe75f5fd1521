// The music search and the request history under load.
// - BM_ParseSearchPage: one page answer into SongRecords (the "null," replacement, the
//   five-capture pattern, DecodeJsonText of every value), for a page of 10 results and
//   for an answer of 1 MiB. Baseline BM_BarePcre2Match: the same pattern, compiled once,
//   matched over the same text with plain pcre2_match until no match is left, nothing
//   copied or decoded (see there for its two variants).
// - BM_SaveHistory / BM_LoadHistory: a 10 000-row request history written to and read
//   from its list-view file (goal: 200 ms each).

#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <filesystem>
#include <random>
#include <string>

#include "client/requests/request_history.h"
#include "client/search/search_page.h"

namespace quilla::bench {
namespace {

// Text as the service writes it: everything beyond ASCII as \uXXXX.
std::string Escaped(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

// One song object with a three-minute LRC text (about 2.5 KiB escaped).
std::string SongJson(int n) {
  std::string lyrics;
  for (int second = 0; second < 180; second += 5) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "[%02d:%02d.00]", second / 60, second % 60);
    lyrics += tag + Escaped(u"我们一起唱这首歌") + "\\r\\n";
  }
  const std::string id = std::to_string(n);
  return R"({"type":"qq","songid":")" + id + R"(","title":")" + Escaped(u"晴天 ") + id +
         R"(","author":")" + Escaped(u"周杰伦") + R"(","lrc":")" + lyrics +
         R"(","url":"http:\/\/music.example\/song\/)" + id +
         R"(.mp3?vkey=ABCDEF0123456789","pic":"http:\/\/music.example\/cover\/)" + id + R"(.jpg"})";
}

// An answer of `songs` songs, or of as many as make `min_bytes`.
std::string Answer(int songs, std::size_t min_bytes = 0) {
  std::string json = R"({"code":200,"data":[)";
  for (int n = 1; n <= songs || json.size() < min_bytes; ++n) {
    if (n > 1) json += ",";
    json += SongJson(n);
  }
  return json + R"(],"error":""})";
}

const std::string& AnswerFor(int kind) {
  static const std::string page = Answer(10);
  static const std::string mebibyte = Answer(0, 1u << 20);
  return kind == 0 ? page : mebibyte;
}

void SetLabel(benchmark::State& state, const std::string& answer, std::size_t songs) {
  state.SetLabel(std::to_string(answer.size() / 1024) + " KiB, " + std::to_string(songs) +
                 " songs");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer.size()));
}

void BM_ParseSearchPage(benchmark::State& state) {
  const std::string& answer = AnswerFor(static_cast<int>(state.range(0)));
  std::size_t songs = 0;
  for (auto _ : state) {
    auto parsed = client::ParseSearchPage(answer);
    songs = parsed.size();
    benchmark::DoNotOptimize(parsed);
  }
  SetLabel(state, answer, songs);
}
BENCHMARK(BM_ParseSearchPage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// range(1) == 1: the best a bare caller can do (compiled to machine code, the subject's
// UTF checked once). range(1) == 0: the plain way, which the matcher used before: the
// interpreter, with PCRE2 checking the rest of the subject at every match.
void BM_BarePcre2Match(benchmark::State& state) {
  const std::string& answer = AnswerFor(static_cast<int>(state.range(0)));
  const bool best = state.range(1) == 1;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(
      reinterpret_cast<PCRE2_SPTR>(client::kSongPattern.data()), client::kSongPattern.size(),
      PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, &error, &error_offset, nullptr);
  if (best) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(answer.data());
  std::size_t songs = 0;
  for (auto _ : state) {
    songs = 0;
    PCRE2_SIZE offset = 0;
    uint32_t options = 0;
    while (pcre2_match(code, subject, answer.size(), offset, options, data, nullptr) > 0) {
      offset = pcre2_get_ovector_pointer(data)[1];
      if (best) options = PCRE2_NO_UTF_CHECK;
      ++songs;
    }
    benchmark::DoNotOptimize(songs);
  }
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  SetLabel(state, answer, songs);
}
BENCHMARK(BM_BarePcre2Match)->ArgsProduct({{0, 1}, {1, 0}})->Unit(benchmark::kMicrosecond);

client::RequestHistory History(int rows) {
  client::RequestHistory history;
  for (int i = 0; i < rows; ++i) {
    const std::string id = std::to_string(i);
    history.AddRequest({"晴天 " + id, "周杰伦", "http://music.example/song/" + id + ".mp3?vkey=AB",
                        "http://music.example/cover/" + id + ".jpg", "[00:01.00]不存"});
  }
  return history;
}

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() /
         ("quilla-history-bench-" + std::to_string(std::random_device{}()) + ".ini");
}

void BM_SaveHistory(benchmark::State& state) {
  const client::RequestHistory history = History(static_cast<int>(state.range(0)));
  const auto file = BenchFile();
  for (auto _ : state) {
    // Each closing writes over the file of the last one.
    if (!history.SaveListView(file)) state.SkipWithError("save failed");
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveHistory)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadHistory(benchmark::State& state) {
  const auto file = BenchFile();
  History(static_cast<int>(state.range(0))).SaveListView(file);
  for (auto _ : state) {
    client::RequestHistory history;
    history.LoadListView(file, true);
    if (history.size() != static_cast<std::size_t>(state.range(0))) state.SkipWithError("short");
    benchmark::DoNotOptimize(history);
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_LoadHistory)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quilla::bench
BENCHMARK_MAIN();
