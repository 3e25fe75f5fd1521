#include "server/library/radio_answers.h"

#include <cctype>
#include <cstdio>

#include "encoding/utf8.h"
#include "server/library/library_routes.h"
#include "server/library/search_answer.h"

namespace quilla::server::library {
namespace {

// The service's own codes: 22000 is "fine", 22005 "no such song".
constexpr int kFine = 22000;
constexpr int kNoSuchSong = 22005;

// An address inside a JSON string: "/" as "\/". Addresses are ASCII; anything else in
// them is percent-encoded, so no quote or backslash can end or bend the value.
std::string JsonUrl(std::string_view url) {
  std::string out;
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/') {
      out += "\\/";
    } else if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Quoted(std::string_view text) {
  return "\"" + RadioJsonText(text) + "\"";
}

std::string FormatOf(const LibrarySong& song) {
  const auto dot = song.path.find_last_of('.');
  std::string format = dot == std::string::npos ? "" : song.path.substr(dot + 1);
  for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return format;
}

std::string Envelope(std::span<const LibrarySong> songs, const std::string& list) {
  return std::string("{\"errorCode\":") + std::to_string(songs.empty() ? kNoSuchSong : kFine) +
         ",\"data\":{\"xcode\":\"\",\"songList\":[" + list + "]}}";
}

}  // namespace

std::string RadioJsonText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const char32_t cp = encoding::NextCodePoint(text, at);
    if (cp >= 0x20 && cp < 0x7F && cp != '"' && cp != '\\' && cp != '%') {
      out += static_cast<char>(cp);
    } else {
      AppendUnicodeEscape(out, cp);
    }
  }
  return out;
}

std::string RadioPlaylistAnswer(std::string_view channel, std::string_view channel_name,
                                std::span<const SongId> ids) {
  std::string list;
  for (const SongId id : ids) {
    if (!list.empty()) list += ',';
    list += "{\"id\":" + std::to_string(id) + ",\"type\":0,\"method\":0,\"flow\":0}";
  }
  return "{\"error_code\":" + std::to_string(kFine) +
         ",\"result\":{\"channel\":" + Quoted(channel) + ",\"ch_name\":" + Quoted(channel_name) +
         ",\"count\":" + std::to_string(ids.size()) + ",\"songlist\":[" + list + "]}}";
}

std::string RadioSongLinkAnswer(std::span<const LibrarySong> songs, std::string_view base_url) {
  const std::string base(base_url);
  std::string list;
  for (const LibrarySong& song : songs) {
    const std::string id = std::to_string(song.id);
    const std::string media = JsonUrl(MediaUrl(base, song.id));
    const std::string cover = JsonUrl(CoverUrl(base, song.id));
    if (!list.empty()) list += ',';
    list += "{\"queryId\":\"" + id + "\",\"songId\":" + id + ",\"songName\":" + Quoted(song.title) +
            ",\"artistId\":\"0\"" + ",\"artistName\":" + Quoted(song.artist) + ",\"albumId\":0" +
            ",\"albumName\":" + Quoted(song.album) + ",\"songPicSmall\":\"" + cover +
            "\",\"songPicBig\":\"" + cover + "\",\"lrcLink\":\"" +
            JsonUrl(LyricsUrl(base, song.id)) +
            "\",\"time\":" + std::to_string(song.duration_ms / 1000) +
            ",\"linkCode\":" + std::to_string(kFine) + ",\"songLink\":\"" + media +
            "\",\"showLink\":\"" + media + "\",\"format\":" + Quoted(FormatOf(song)) +
            ",\"size\":" + std::to_string(song.size) + "}";
  }
  return Envelope(songs, list);
}

std::string RadioSongInfoAnswer(std::span<const LibrarySong> songs, std::string_view base_url) {
  const std::string base(base_url);
  std::string list;
  for (const LibrarySong& song : songs) {
    const std::string cover = JsonUrl(CoverUrl(base, song.id));
    if (!list.empty()) list += ',';
    // The picture addresses carry the service's size suffix, which readers cut off at "@s".
    list += "{\"songId\":\"" + std::to_string(song.id) + "\",\"songName\":" + Quoted(song.title) +
            ",\"artistName\":" + Quoted(song.artist) + ",\"albumName\":" + Quoted(song.album) +
            ",\"songPicSmall\":\"" + cover + "@s_0,w_90\",\"songPicBig\":\"" + cover +
            "@s_0,w_150\",\"songPicRadio\":\"" + cover + "@s_0,w_300\",\"lrcLink\":\"" +
            JsonUrl(LyricsUrl(base, song.id)) + "\"}";
  }
  return Envelope(songs, list);
}

}  // namespace quilla::server::library
