// Build-time tool: makes the demo library, the music a fresh machine plays when it has
// none of its own. Every song is made here from its recipe (demo_songs.h): the melody
// synthesised and encoded as MP3, tagged (title, artist, album, genre, year, track, the
// cover drawn for it), with its words beside it as an .lrc file.
//
//   make_demo_library OUT_DIR
//
// Writes "<artist> - <title>.mp3" and ".lrc" for each song into OUT_DIR (created when
// missing), then OUT_DIR/.complete; exits 1 on any failure.

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "server/library/mp3_encoder.h"
#include "server/library/tools/demo_covers.h"
#include "server/library/tools/demo_songs.h"
#include "server/library/tools/song_synth.h"

namespace fs = std::filesystem;
using namespace quilla::server::library;
using namespace quilla::server::library::tools;

namespace {

TagLib::String Text(std::string_view utf8) {
  return TagLib::String(std::string(utf8), TagLib::String::UTF8);
}

// "[mm:ss.xx]" as lyrics files time their lines.
std::string LrcTime(double seconds) {
  const long hundredths = std::lround(seconds * 100);
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "[%02ld:%02ld.%02ld]", hundredths / 6000,
                (hundredths / 100) % 60, hundredths % 100);
  return stamp;
}

std::string LrcText(const DemoSong& song, const RenderedSong& rendered) {
  std::string lrc = "[ti:" + std::string(song.title) + "]\r\n[ar:" + std::string(song.artist) +
                    "]\r\n[al:" + std::string(song.album) + "]\r\n[by:Quilla]\r\n";
  lrc += LrcTime(0) + std::string(song.title) + " - " + std::string(song.artist) + "\r\n";
  for (std::size_t i = 0; i < song.lines.size(); ++i) {
    lrc += LrcTime(rendered.line_starts[i]) + std::string(song.lines[i]) + "\r\n";
  }
  return lrc;
}

bool Tag(const fs::path& file, const DemoSong& song, unsigned track, const std::string& cover) {
  TagLib::MPEG::File mp3(file.c_str());
  if (!mp3.isValid()) return false;
  TagLib::ID3v2::Tag* tag = mp3.ID3v2Tag(true);
  tag->setTitle(Text(song.title));
  tag->setArtist(Text(song.artist));
  tag->setAlbum(Text(song.album));
  tag->setGenre(Text(song.genre));
  tag->setYear(static_cast<unsigned>(song.year));
  tag->setTrack(track);
  auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
  picture->setMimeType("image/png");
  picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
  picture->setPicture(TagLib::ByteVector(cover.data(), static_cast<unsigned>(cover.size())));
  tag->addFrame(picture);  // the tag owns the frame now
  return mp3.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers);
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool MakeSong(const fs::path& folder, const DemoSong& song, unsigned track) {
  const std::string stem = std::string(song.artist) + " - " + std::string(song.title);
  const RenderedSong rendered = RenderSong(song);
  if (rendered.seconds < 20 || rendered.seconds > 40) {
    std::cerr << stem << ": " << rendered.seconds << " s, not between 20 and 40\n";
    return false;
  }
  const auto mp3 =
      EncodeMp3(rendered.pcm, {.sample_rate = kDemoSampleRate, .channels = 2, .bitrate_kbps = 128});
  const fs::path audio = folder / (stem + ".mp3");
  if (!mp3 || !WriteFile(audio, *mp3)) {
    std::cerr << stem << ": cannot encode or write the MP3\n";
    return false;
  }
  if (!Tag(audio, song, track, DrawDemoCover(song))) {
    std::cerr << stem << ": cannot tag the MP3\n";
    return false;
  }
  if (!WriteFile(folder / (stem + ".lrc"), LrcText(song, rendered))) {
    std::cerr << stem << ": cannot write the lyrics\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_demo_library OUT_DIR\n";
    return 1;
  }
  const fs::path folder = argv[1];
  std::error_code error;
  fs::create_directories(folder, error);
  fs::remove(folder / ".complete", error);
  unsigned track = 0;
  for (const DemoSong& song : DemoSongs()) {
    if (!MakeSong(folder, song, ++track)) return 1;
  }
  return WriteFile(folder / ".complete", std::to_string(track) + " songs\n") ? 0 : 1;
}
