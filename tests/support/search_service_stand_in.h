#pragma once
// A stand-in for the music search service: answers the search form posted to "/" with
// prepared pages, chosen by the exact form body, and records every request (headers and
// body) through its LocalHttpServer. A form can be held until the test releases it, to
// keep a search running.

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/local_http_server.h"

namespace quilla::testing {

// One song of an answer; lyrics std::nullopt is sent as the JSON value null.
struct StandInSong {
  std::string title, author;
  std::optional<std::string> lyrics;
  std::string url, pic;
};

// `count` songs "<prefix> N" for N = first, first + 1, ... with lyrics and addresses.
inline std::vector<StandInSong> NumberedSongs(int first, int count,
                                              const std::string& prefix = "Song") {
  std::vector<StandInSong> songs;
  for (int n = first; n < first + count; ++n) {
    const std::string id = std::to_string(n);
    songs.push_back({prefix + " " + id, "Singer " + id, "[00:01.00]line " + id,
                     "http://music.example/" + id + ".mp3", "http://music.example/" + id + ".jpg"});
  }
  return songs;
}

// An answer as the service writes it: the five keys last in each object, in their order.
// The texts go in as they are (they must already be JSON string contents).
inline std::string SearchAnswerJson(const std::vector<StandInSong>& songs) {
  std::string json = R"({"code":200,"data":[)";
  for (std::size_t i = 0; i < songs.size(); ++i) {
    const StandInSong& s = songs[i];
    if (i > 0) json += ",";
    json += R"({"type":"qq","songid":")" + std::to_string(i) + R"(","title":")" + s.title +
            R"(","author":")" + s.author + R"(","lrc":)" +
            (s.lyrics ? "\"" + *s.lyrics + "\"" : std::string("null")) + R"(,"url":")" + s.url +
            R"(","pic":")" + s.pic + R"("})";
  }
  json += R"(],"error":""})";
  return json;
}

class SearchServiceStandIn {
 public:
  SearchServiceStandIn() {
    http_.server().Post("/", [this](const httplib::Request& request, httplib::Response& res) {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [&] { return !held_.contains(request.body); });
      const auto it = answers_.find(request.body);
      res.set_content(it != answers_.end() ? it->second : kNoSongs, "application/json");
    });
    http_.Start();
  }
  ~SearchServiceStandIn() {
    ReleaseAll();
    http_.Stop();
  }

  // The answer to the form `form_body` (any other form gets an answer without songs).
  void Answer(const std::string& form_body, std::string answer) {
    std::lock_guard lock(mutex_);
    answers_[form_body] = std::move(answer);
  }
  // Requests with this form wait for ReleaseAll before they are answered.
  void Hold(const std::string& form_body) {
    std::lock_guard lock(mutex_);
    held_.insert(form_body);
  }
  void ReleaseAll() {
    std::lock_guard lock(mutex_);
    held_.clear();
    cv_.notify_all();
  }

  std::string Base() const { return http_.Base(); }
  LocalHttpServer& http() { return http_; }

 private:
  static constexpr const char* kNoSongs = R"({"code":200,"data":[],"error":""})";
  std::mutex mutex_;
  std::condition_variable cv_;
  std::map<std::string, std::string> answers_;
  std::set<std::string> held_;
  LocalHttpServer http_;  // last: stopped before the rest goes
};

}  // namespace quilla::testing
