#pragma once
// A small synthesiser for the demo library: it plays a DemoSong's recipe (an intro, one
// two-bar phrase of melody a line of words, an outro) with a lead instrument, a pad, a
// bass and drums, as 44.1 kHz stereo PCM. Deterministic: the same recipe gives the same
// samples on every build.

#include <cstdint>
#include <vector>

#include "server/library/tools/demo_songs.h"

namespace quilla::server::library::tools {

inline constexpr int kDemoSampleRate = 44100;

struct RenderedSong {
  std::vector<std::int16_t> pcm;    // interleaved left, right
  double seconds = 0;               // length of the PCM
  std::vector<double> line_starts;  // when each line of words begins, in seconds
};

RenderedSong RenderSong(const DemoSong& song);

}  // namespace quilla::server::library::tools
