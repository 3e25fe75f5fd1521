#pragma once
// The radio service over HTTP: the three lookups of the FM service and the plain download
// of a lyrics file.

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "server/radio/radio_service.h"
#include "web/web_request.h"

namespace quilla::server {

class WebRadioService final : public RadioService {
 public:
  // `base_url`: scheme, host and optional port of the FM service, e.g.
  // "http://fm.baidu.com" (a trailing "/" is ignored). `timeout` bounds connecting and
  // each wait for data of every request, and the whole lyrics download.
  explicit WebRadioService(std::string base_url,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10));
  ~WebRadioService() override;
  WebRadioService(const WebRadioService&) = delete;
  WebRadioService& operator=(const WebRadioService&) = delete;

  // All four calls block the calling thread for the round trip (up to about `timeout`
  // per wait), never throw, and give empty results when the service cannot be reached,
  // answers without the expected markers, or `stop` is requested (within about a second).
  // The three lookups share one request object and are serialised by a mutex, so the
  // object may be called from any thread.

  // GET base + "/dev/api/?tn=playlist&id=" + channel: every text between "\"id\":" and
  // the next ",\"type\"", in the order of the answer.
  std::vector<std::string> FetchRadioList(const std::string& channel,
                                          std::stop_token stop = {}) override;
  // GET base + "/data/music/songlink?songIds=" + id: title and artist with their \u
  // escapes resolved, the song and lyrics addresses with every backslash removed.
  RadioSong LookUpRadioSong(const std::string& song_id, std::stop_token stop = {}) override;
  // GET base + "/data/music/songinfo?songIds=" + id: the text between
  // "\"songPicRadio\":\"" and the next "@s" (which may lie beyond the value when the
  // value holds none), backslashes removed; "" when either marker is missing.
  std::string LookUpRadioPicture(const std::string& song_id, std::stop_token stop = {}) override;
  // The file at `lyrics_url` (http or https) as UTF-8 text: see LyricsText. "" when the
  // download fails or the status is not 2xx.
  std::string DownloadLyrics(const std::string& lyrics_url, std::stop_token stop = {}) override;

 private:
  // The response text of a GET of base + path_and_query, "" on failure.
  std::string Get(const std::string& path_and_query, std::stop_token stop);

  const std::string base_url_;
  const std::chrono::milliseconds timeout_;
  std::mutex mutex_;  // guards request_ and created_
  web::WebRequest request_;
  bool created_ = false;
};

}  // namespace quilla::server
