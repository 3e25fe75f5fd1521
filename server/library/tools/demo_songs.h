#pragma once
// The demo library's eight songs, written for Quilla: names, words and the recipe of each
// melody. The build turns them into tagged MP3s with covers and .lrc lyrics
// (make_demo_library), so a fresh machine has music to request.

#include <array>
#include <string_view>
#include <vector>

namespace quilla::server::library::tools {

enum class Scale { kMajor, kMinor, kPentatonic };
enum class Lead { kPluck, kFlute, kBell, kEPiano, kSquare, kDrive };
enum class Drums { kNone, kLight, kPop, kFourOnTheFloor, kRock };
enum class Motif { kSunrise, kWaves, kBamboo, kCityNight, kRipples, kNeon, kMoonBoat, kRoad };

struct DemoSong {
  std::string_view artist, title, album, genre;  // UTF-8; the file is "artist - title"
  int year;
  int tempo_bpm;
  int root_midi;  // the key's tonic as a MIDI note (60 = middle C)
  Scale scale;
  std::array<int, 4> chords;  // scale degrees (0-based) of the four-bar chord loop
  Lead lead;
  Drums drums;
  unsigned seed;                        // the melody's dice
  std::vector<std::string_view> lines;  // one line of words a two-bar phrase
  Motif motif;
  std::array<unsigned, 3> colours;  // cover: top, bottom, accent as 0xRRGGBB
};

inline const std::vector<DemoSong>& DemoSongs() {
  static const std::vector<DemoSong> songs = {
      {"林间鸟",
       "晨光小路",
       "清晨日记",
       "流行",
       2024,
       104,
       60,
       Scale::kMajor,
       {0, 4, 5, 3},
       Lead::kPluck,
       Drums::kPop,
       11,
       {"推开窗 风很轻", "小路上 有鸟鸣", "背上书包 慢慢走", "阳光落在 我肩头", "今天的心 很晴朗",
        "跟着歌声 去远方"},
       Motif::kSunrise,
       {0xFFB36B, 0xFFE9B8, 0xF25C3B}},
      {"The Quiet Harbour",
       "Paper Boats",
       "Small Tides",
       "Pop",
       2023,
       112,
       67,
       Scale::kMajor,
       {0, 5, 3, 4},
       Lead::kBell,
       Drums::kPop,
       23,
       {"Folded a boat from yesterday's news", "Set it to sail on the morning blues",
        "Rain on the window, a river in the street", "Little paper captain, light on his feet",
        "Drifting away where the gutters run", "Paper boats racing to meet the sun"},
       Motif::kWaves,
       {0x2E6F9E, 0xA8D8EA, 0xFFFFFF}},
      {"青石乐坊",
       "竹林清风",
       "山水间",
       "中国风",
       2022,
       84,
       62,
       Scale::kPentatonic,
       {0, 5, 3, 4},
       Lead::kFlute,
       Drums::kLight,
       37,
       {"竹影摇 清风来", "石桥边 花自开", "一壶茶 半卷书", "山水间 听琴音"},
       Motif::kBamboo,
       {0xDCEBD2, 0x7FA77A, 0x2F5D3A}},
      {"Mira Vale",
       "Night Bus Home",
       "City Lights After Ten",
       "Easy Listening",
       2021,
       92,
       65,
       Scale::kMajor,
       {1, 4, 0, 5},
       Lead::kEPiano,
       Drums::kLight,
       41,
       {"Window seat and the city's asleep", "Neon promises the streets can't keep",
        "Humming along to the engine's tune", "Counting the stops underneath the moon",
        "Almost home, almost home"},
       Motif::kCityNight,
       {0x141E3C, 0x3C2E5A, 0xFFD36E}},
      {"苏小禾",
       "雨后的操场",
       "夏天的尾巴",
       "民谣",
       2023,
       96,
       57,
       Scale::kMinor,
       {0, 5, 2, 6},
       Lead::kPluck,
       Drums::kLight,
       53,
       {"雨停了 操场上有水洼", "白球鞋 踩出一朵朵花", "你说夏天 总是走得太快",
        "我说那就 把它写进歌里", "雨后的风 吹过我们的青春"},
       Motif::kRipples,
       {0x8FA9B8, 0xD9E4E8, 0x4A6B7C}},
      {"Circuit Kids",
       "Neon Pulse",
       "Voltage",
       "Electronic",
       2024,
       128,
       64,
       Scale::kMinor,
       {0, 5, 2, 6},
       Lead::kSquare,
       Drums::kFourOnTheFloor,
       67,
       {"Lights on, turn it up", "Feel the city's heartbeat", "Wires humming in the dark",
        "Every spark a brand new start", "Neon pulse, don't let go",
        "Dancing till the morning glow"},
       Motif::kNeon,
       {0x12002A, 0x3A0CA3, 0x4CC9F0}},
      {"星星合唱团",
       "月亮船",
       "童年的歌",
       "儿歌",
       2020,
       100,
       65,
       Scale::kMajor,
       {0, 3, 4, 0},
       Lead::kBell,
       Drums::kLight,
       79,
       {"月亮船 弯又弯", "摇呀摇 到天边", "星星眨眼 说晚安", "小白兔 梦里甜", "月亮船 载我去云间"},
       Motif::kMoonBoat,
       {0x1B2A4E, 0x4B5D8C, 0xFFE680}},
      {"Rusty Pedals",
       "Highway Sparks",
       "Open Road",
       "Rock",
       2022,
       138,
       57,
       Scale::kMajor,
       {0, 3, 4, 3},
       Lead::kDrive,
       Drums::kRock,
       97,
       {"Engine roaring, hands on the wheel", "Nothing but asphalt and how I feel",
        "Sparks on the highway, wind in my hair", "Leaving the old town standing there",
        "Turn up the radio, sing it loud", "Chasing the thunder, chasing the clouds",
        "Highway sparks, take me home"},
       Motif::kRoad,
       {0xF2994A, 0x6B2D5C, 0xFFE08A}},
  };
  return songs;
}

}  // namespace quilla::server::library::tools
