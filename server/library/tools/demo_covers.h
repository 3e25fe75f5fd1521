#pragma once
// The demo songs' covers, drawn at build time: a gradient in the song's colours with a
// picture of its mood (a sunrise, waves, bamboo, a city at night, ripples, neon rings, a
// moon boat, a road), as a 300 x 300 PNG.

#include <string>

#include "server/library/tools/demo_songs.h"

namespace quilla::server::library::tools {

std::string DrawDemoCover(const DemoSong& song);

}  // namespace quilla::server::library::tools
