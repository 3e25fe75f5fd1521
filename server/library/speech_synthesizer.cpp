#include "server/library/speech_synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "encoding/utf8.h"
#include "server/library/mp3_encoder.h"

namespace quilla::server::library {
namespace {

struct VoiceSetting {
  const char* name;  // espeak-ng language + variant
  int rate;          // words a minute
  int pitch;         // 0..100, 50 normal
  int range;         // 0..100, 50 normal; wider sounds livelier
};

// Mandarin throughout; the variants and settings give four voices that are easy to tell
// apart over a loudspeaker. espeak-ng counts every Han character as a word, so these rates
// are about four syllables a second, the pace of a station announcer.
constexpr VoiceSetting kVoices[kSpeechVoices] = {
    {"cmn+f2", 230, 55, 55},  // 0: a woman
    {"cmn+m3", 215, 40, 45},  // 1: a man, a little slower and lower
    {"cmn+m1", 195, 45, 85},  // 2: a livelier man, unhurried, with a wide melody
    {"cmn+f4", 250, 78, 90},  // 3: a lively girl, quick and high
};

constexpr int kBitrateKbps = 48;  // plenty for a voice

// The one espeak-ng engine of the process. Everything in it runs under `mutex`.
struct Engine {
  std::mutex mutex;
  int sample_rate = 0;  // 0: not started yet; < 0: failed to start
};

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

int CollectSamples(short* samples, int count, espeak_EVENT* events) {
  auto* sink = static_cast<std::vector<std::int16_t>*>(events ? events->user_data : nullptr);
  if (sink && samples && count > 0) sink->insert(sink->end(), samples, samples + count);
  return 0;  // go on
}

// Under engine.mutex. False when espeak-ng cannot run here.
bool Started(Engine& engine) {
  if (engine.sample_rate == 0) {
    // DONT_EXIT: without it espeak-ng ends the whole process when its data is missing.
    engine.sample_rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (engine.sample_rate > 0) {
      espeak_SetSynthCallback(CollectSamples);
    } else {
      engine.sample_rate = -1;
    }
  }
  return engine.sample_rate > 0;
}

}  // namespace

std::optional<std::string> EspeakSynthesizer::Synthesize(std::string_view text, int voice) {
  if (!encoding::IsValidUtf8(text)) return std::nullopt;
  const VoiceSetting& setting = kVoices[voice >= 0 && voice < kSpeechVoices ? voice : 0];
  std::vector<std::int16_t> samples;
  int sample_rate = 0;
  {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    if (!Started(engine)) return std::nullopt;
    sample_rate = engine.sample_rate;
    if (espeak_SetVoiceByName(setting.name) != EE_OK) return std::nullopt;
    espeak_SetParameter(espeakRATE, setting.rate, 0);
    espeak_SetParameter(espeakPITCH, setting.pitch, 0);
    espeak_SetParameter(espeakRANGE, setting.range, 0);
    // espeak-ng wants a terminated text; no SSML and no phoneme codes: the text is read
    // as it stands, whatever brackets it holds.
    const std::string terminated(text);
    if (espeak_Synth(terminated.c_str(), terminated.size() + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, &samples) != EE_OK) {
      return std::nullopt;
    }
  }
  if (samples.empty()) return std::nullopt;
  return EncodeMp3(samples,
                   {.sample_rate = sample_rate, .channels = 1, .bitrate_kbps = kBitrateKbps});
}

}  // namespace quilla::server::library
