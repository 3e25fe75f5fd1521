#pragma once
// Speech for the announcements: a text becomes MP3 audio in one of four voices. The
// library answers the server's speech requests with it, so announcements need no outside
// service.

#include <optional>
#include <string>
#include <string_view>

namespace quilla::server::library {

// The voices, by the number the speech requests carry ("per"). Any other number speaks
// in voice 0.
inline constexpr int kSpeechVoices = 4;

class SpeechSynthesizer {
 public:
  virtual ~SpeechSynthesizer() = default;
  // The MP3 of `text` (UTF-8) spoken in `voice`; nullopt when nothing could be made.
  // Thread-safe; blocks for the synthesis.
  virtual std::optional<std::string> Synthesize(std::string_view text, int voice) = 0;
};

// Mandarin speech with espeak-ng, the Latin parts of the text in English
// (SplitSpeechText), encoded with LAME. Voice 0 a woman, 1 a man, 2 a livelier man, 3 a
// lively girl.
//
// espeak-ng keeps its state in the process: every EspeakSynthesizer shares one engine,
// started on the first call, and syntheses run one at a time (callers wait for each
// other); the MP3 encoding runs outside that lock. nullopt when espeak-ng's data cannot be
// loaded, the text is not UTF-8, or it yields no sound.
class EspeakSynthesizer final : public SpeechSynthesizer {
 public:
  std::optional<std::string> Synthesize(std::string_view text, int voice) override;
};

}  // namespace quilla::server::library
