#pragma once
// The server's progress tick as the client receives it ten times a second: "歌曲进度",
// "歌曲时间" and "歌词变更", built as the server builds them.

#include <cstdio>
#include <string>
#include <vector>

#include "protocol/messages.h"

namespace quilla::bench {

// The progress the server reports at tick n of a song of `song_seconds` (400 at the end).
inline double TickProgress(int n, int song_seconds) {
  return n * 400.0 / (song_seconds * 10);
}

// Tick n of a song of `song_seconds` (3 minutes unless said) with a lyrics line (a new
// line each second).
inline std::vector<std::string> TickBlocks(int n, int song_seconds = 180) {
  const int second = n / 10;
  char time_text[32];
  std::snprintf(time_text, sizeof time_text, "%02d:%02d | %02d:%02d", second / 60, second % 60,
                song_seconds / 60, song_seconds % 60);
  return {protocol::BuildSongProgress(std::to_string(TickProgress(n, song_seconds))),
          protocol::BuildSongTime(time_text),
          protocol::BuildLyricsLine("第" + std::to_string(second) + "句歌词")};
}

// A minute of ticks, so that every applied value differs from the one before.
inline std::vector<std::vector<std::string>> Ticks() {
  std::vector<std::vector<std::string>> ticks;
  for (int n = 0; n < 600; ++n) ticks.push_back(TickBlocks(n));
  return ticks;
}

}  // namespace quilla::bench
