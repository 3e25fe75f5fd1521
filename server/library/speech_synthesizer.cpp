#include "server/library/speech_synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "encoding/utf8.h"
#include "server/library/mp3_encoder.h"
#include "server/library/speech_text.h"

namespace quilla::server::library {
namespace {

struct VoiceSetting {
  const char* mandarin;  // espeak-ng voice + variant for the Mandarin parts
  const char* english;   // the same variant for the Latin parts
  int mandarin_rate;     // words a minute; espeak-ng counts a Han character as a word
  int english_rate;
  int pitch;  // 0..100, 50 normal
  int range;  // 0..100, 50 normal; wider sounds livelier
};

// The variants and settings give four voices that are easy to tell apart over a
// loudspeaker. "cmn-latn-pinyin" is espeak-ng's Mandarin that speaks Han text with its
// tones (its plain "cmn" reads the pinyin of every character as English words).
constexpr VoiceSetting kVoices[kSpeechVoices] = {
    {"cmn-latn-pinyin+f2", "en+f2", 175, 165, 55, 55},  // 0: a woman
    {"cmn-latn-pinyin+m3", "en+m3", 165, 155, 40, 45},  // 1: a man, a little slower, lower
    {"cmn-latn-pinyin+m1", "en+m1", 150, 145, 45, 85},  // 2: a livelier man, a wide melody
    {"cmn-latn-pinyin+f4", "en+f4", 190, 175, 78, 90},  // 3: a lively girl, quick and high
};

// The short breath between a Mandarin and an English part.
constexpr double kPartGapSeconds = 0.04;

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

// Under the engine's lock: `text` in the voice, appended to `samples`. False on failure.
bool SpeakPart(const SpeechPart& part, const VoiceSetting& setting,
               std::vector<std::int16_t>& samples) {
  if (espeak_SetVoiceByName(part.english ? setting.english : setting.mandarin) != EE_OK) {
    return false;
  }
  espeak_SetParameter(espeakRATE, part.english ? setting.english_rate : setting.mandarin_rate, 0);
  espeak_SetParameter(espeakPITCH, setting.pitch, 0);
  espeak_SetParameter(espeakRANGE, setting.range, 0);
  // No SSML and no phoneme codes: the text is read as it stands, whatever brackets it
  // holds. espeak-ng wants it terminated.
  return espeak_Synth(part.text.c_str(), part.text.size() + 1, 0, POS_CHARACTER, 0,
                      espeakCHARS_UTF8, nullptr, &samples) == EE_OK;
}

}  // namespace

std::optional<std::string> EspeakSynthesizer::Synthesize(std::string_view text, int voice) {
  if (!encoding::IsValidUtf8(text)) return std::nullopt;
  const VoiceSetting& setting = kVoices[voice >= 0 && voice < kSpeechVoices ? voice : 0];
  const std::vector<SpeechPart> parts = SplitSpeechText(text);
  std::vector<std::int16_t> samples;
  int sample_rate = 0;
  {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    if (!Started(engine)) return std::nullopt;
    sample_rate = engine.sample_rate;
    for (const SpeechPart& part : parts) {
      if (!samples.empty())
        samples.resize(samples.size() + std::size_t(kPartGapSeconds * sample_rate));
      if (!SpeakPart(part, setting, samples)) return std::nullopt;
    }
  }
  if (samples.empty()) return std::nullopt;
  return EncodeMp3(samples,
                   {.sample_rate = sample_rate, .channels = 1, .bitrate_kbps = kBitrateKbps});
}

}  // namespace quilla::server::library
