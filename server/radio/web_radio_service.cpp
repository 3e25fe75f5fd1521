#include "server/radio/web_radio_service.h"

#include <algorithm>
#include <utility>

#include "server/radio/lyrics_text.h"
#include "web/http_get.h"
#include "web/text_helpers.h"

namespace quilla::server {
namespace {

// The service writes "/" as "\/" inside its addresses.
std::string WithoutBackslashes(std::string text) {
  std::erase(text, '\\');
  return text;
}

std::string WithoutTrailingSlashes(std::string base) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

}  // namespace

WebRadioService::WebRadioService(std::string base_url, std::chrono::milliseconds timeout)
    : base_url_(WithoutTrailingSlashes(std::move(base_url))), timeout_(timeout) {}

WebRadioService::~WebRadioService() = default;

std::string WebRadioService::Get(const std::string& path_and_query, std::stop_token stop) {
  std::lock_guard lock(mutex_);
  if (stop.stop_requested()) return {};
  if (!created_) {
    // Retried on the next call when it fails: the object is created once it can be.
    created_ = request_.Create();
    if (!created_) return {};
    request_.SetTimeout(timeout_);
  }
  // No status is checked: an error page simply lacks the markers the callers look for.
  if (!request_.Open("GET", base_url_ + path_and_query, false)) return {};
  if (!request_.Send(std::move(stop))) return {};
  return request_.ResponseText();
}

std::vector<std::string> WebRadioService::FetchRadioList(const std::string& channel,
                                                         std::stop_token stop) {
  const std::string answer = Get("/dev/api/?tn=playlist&id=" + channel, std::move(stop));
  std::vector<std::string> ids;
  web::AllTextsBetween(answer, "\"id\":", ",\"type\"", ids);
  return ids;
}

RadioSong WebRadioService::LookUpRadioSong(const std::string& song_id, std::stop_token stop) {
  const std::string answer = Get("/data/music/songlink?songIds=" + song_id, std::move(stop));
  RadioSong song;
  song.title = web::UnUnicode(web::TextBetween(answer, "\"songName\":\"", "\",\"artistId\""));
  song.artist = web::UnUnicode(web::TextBetween(answer, "\"artistName\":\"", "\",\"albumId\""));
  song.lyrics_url = WithoutBackslashes(web::TextBetween(answer, "\"lrcLink\":\"", "\",\"time\""));
  song.song_url =
      WithoutBackslashes(web::TextBetween(answer, "\"songLink\":\"", "\",\"showLink\""));
  return song;
}

std::string WebRadioService::LookUpRadioPicture(const std::string& song_id, std::stop_token stop) {
  const std::string answer = Get("/data/music/songinfo?songIds=" + song_id, std::move(stop));
  return WithoutBackslashes(web::TextBetween(answer, "\"songPicRadio\":\"", "@s"));
}

std::string WebRadioService::DownloadLyrics(const std::string& lyrics_url, std::stop_token stop) {
  if (lyrics_url.empty()) return {};
  const std::optional<std::string> bytes = web::HttpGetBytes(lyrics_url, timeout_, std::move(stop));
  if (!bytes) return {};
  return LyricsText(*bytes);
}

}  // namespace quilla::server
