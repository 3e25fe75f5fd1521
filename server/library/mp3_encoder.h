#pragma once
// PCM to MP3 with LAME, in memory: the spoken announcements and the demo library's songs
// are both made this way.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quilla::server::library {

struct Mp3Format {
  int sample_rate = 44100;  // Hz of the PCM given (and of the MP3 made)
  int channels = 1;         // 1 (mono) or 2 (samples interleaved left, right)
  int bitrate_kbps = 128;   // constant bit rate
};

// The MP3 of `samples` (16-bit PCM, interleaved when stereo). The first frame is LAME's
// info frame, so players know the exact length and skip the encoder's padding. nullopt
// when LAME refuses the format or fails. An empty input gives a short valid file (the info
// frame and padding only). Thread-safe: each call has an encoder of its own.
std::optional<std::string> EncodeMp3(std::span<const std::int16_t> samples, Mp3Format format);

}  // namespace quilla::server::library
