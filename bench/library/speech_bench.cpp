// A typical announcement through the library's speech path, as the server's voice code
// asks for it (token, then text2audio, with the standard request defaults), against the
// same path answered by a stub that returns a fixed MP3 of the same announcement; plus
// the synthesis alone and the MP3 encoding alone, to see where the time goes.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "library/latency.h"
#include "server/library/mp3_encoder.h"
#include "server/library/speech_routes.h"
#include "server/voice/speech_request.h"
#include "web/web_fetch.h"

namespace quilla::server::library {
namespace {

// A typical announcement, and one with English names (spoken in two voices, Mandarin and
// English, which costs espeak-ng a change of dictionary each way).
const std::string kAnnouncements[] = {"即将播放的歌曲来自 小明 点播的晴天",
                                      "即将播放的歌曲来自 Tom 点播的Paper Boats"};

// Answers every text with the same MP3, made once.
class FixedMp3 final : public SpeechSynthesizer {
 public:
  explicit FixedMp3(std::string mp3) : mp3_(std::move(mp3)) {}
  std::optional<std::string> Synthesize(std::string_view, int) override { return mp3_; }

 private:
  std::string mp3_;
};

// Token and audio, as the announcer fetches them; the MP3's size.
std::size_t Announce(const ServiceSettings& services, const std::string& text) {
  const web::WebFetchResult token = web::WebFetch(SpeechTokenUrl(services));
  const std::string query = SpeechQuery(text, SpeechTokenFrom(token.body), "abcdefghij", 0);
  const web::WebFetchResult audio = web::WebFetch(SpeechAudioUrl(services, query));
  return IsSpeechAudio(audio.response_headers) ? audio.body.size() : 0;
}

void RunAnnouncements(benchmark::State& state, std::shared_ptr<SpeechSynthesizer> synthesizer) {
  HttpService service;
  AddSpeechRoutes(service, std::move(synthesizer));
  std::string error;
  if (!service.Start("127.0.0.1", 0, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const ServiceSettings services = ServiceSettings::BuiltInLibrary(service.port());
  bench::Latencies latencies;
  std::size_t bytes = 0;
  for (auto _ : state) {
    latencies.Time([&] { bytes = Announce(services, kAnnouncements[state.range(0)]); });
    if (bytes == 0) state.SkipWithError("no audio");
  }
  latencies.Report(state);
  state.counters["mp3_bytes"] = static_cast<double>(bytes);
}

void BM_AnnouncementSynthesised(benchmark::State& state) {
  RunAnnouncements(state, std::make_shared<EspeakSynthesizer>());
}

void BM_AnnouncementFixedMp3(benchmark::State& state) {
  const auto mp3 = EspeakSynthesizer().Synthesize(kAnnouncements[state.range(0)], 0);
  if (!mp3) {
    state.SkipWithError("cannot synthesise");
    return;
  }
  RunAnnouncements(state, std::make_shared<FixedMp3>(*mp3));
}

void BM_SynthesiseOnly(benchmark::State& state) {
  EspeakSynthesizer synthesizer;
  bench::Latencies latencies;
  for (auto _ : state) {
    latencies.Time([&] {
      benchmark::DoNotOptimize(synthesizer.Synthesize(kAnnouncements[state.range(0)], 0));
    });
  }
  latencies.Report(state);
}

// Five seconds of a voice-like tone at espeak-ng's rate, encoded as the synthesizer does.
void BM_EncodeFiveSecondsOnly(benchmark::State& state) {
  constexpr int kRate = 22050;
  std::vector<std::int16_t> pcm(5 * kRate);
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    const double t = double(i) / kRate;
    pcm[i] = static_cast<std::int16_t>(8000 * std::sin(2 * std::numbers::pi * 180 * t) *
                                       (0.6 + 0.4 * std::sin(2 * std::numbers::pi * 4 * t)));
  }
  bench::Latencies latencies;
  for (auto _ : state) {
    latencies.Time([&] {
      benchmark::DoNotOptimize(
          EncodeMp3(pcm, {.sample_rate = kRate, .channels = 1, .bitrate_kbps = 48}));
    });
  }
  latencies.Report(state);
}

BENCHMARK(BM_AnnouncementSynthesised)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnnouncementFixedMp3)
    ->Arg(0)
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesiseOnly)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeFiveSecondsOnly)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilla::server::library
