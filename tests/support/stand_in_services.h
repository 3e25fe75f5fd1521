#pragma once
// The outside services of a party, on loopback: a media host with generated songs, the FM
// radio's three paths and its lyrics files, and the speech service's token and audio. Each
// kind of service can be made slow: its answers wait until the test releases them (Hold /
// Release), or each waits a fixed time (SetDelay), as a congested link would keep them.
//
// One song can be held on its own as well (HoldSong / ReleaseSong).
//
// Routes: "/song/<name>.wav" (20 s for "long", 3 s for every other name); "/dev/api/"
// (channel "public_tuijian_rege": ids 101 and 102), "/data/music/songlink" ("Radio <id>" by
// "DJ", its song "/song/r<id>.wav" and lyrics "/lrc/<id>.lrc"), "/data/music/songinfo"
// (picture "/pic/<id>.jpg"), "/lrc/<id>.lrc"; "/oauth/2.0/token" (token "tok-42") and
// "/text2audio" (the MP3 given to the constructor; each text recorded).

#include <httplib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/ini_file.h"
#include "support/local_http_server.h"
#include "support/wav_tone.h"

namespace quilla::testing {

class StandInServices {
 public:
  enum class Kind { kMedia = 0, kRadio = 1, kSpeech = 2 };

  explicit StandInServices(std::string announcement_mp3)
      : announcement_(std::move(announcement_mp3)) {
    httplib::Server& s = http_.server();
    s.Get(R"(/song/(\w+)\.wav)", [this](const httplib::Request& req, httplib::Response& res) {
      BeforeAnswer(Kind::kMedia, req.matches[1]);
      res.set_content(req.matches[1] == "long" ? long_song_ : short_song_, "audio/wav");
    });
    s.Get("/dev/api/", [this](const httplib::Request& req, httplib::Response& res) {
      BeforeAnswer(Kind::kRadio);
      if (req.get_param_value("id") != "public_tuijian_rege") return;
      res.set_content(R"({"list":[{"id":101,"type":0,"method":0},{"id":102,"type":0,"method":0}]})",
                      "text/html");
    });
    s.Get("/data/music/songlink", [this](const httplib::Request& req, httplib::Response& res) {
      BeforeAnswer(Kind::kRadio);
      const std::string id = req.get_param_value("songIds");
      const std::string base = "http:\\/\\/127.0.0.1:" + std::to_string(http_.port());
      res.set_content("{\"songName\":\"Radio " + id +
                          "\",\"artistId\":\"7\",\"artistName\":\"DJ\","
                          "\"albumId\":1,\"lrcLink\":\"" +
                          base + "\\/lrc\\/" + id +
                          ".lrc\",\"time\":3,"
                          "\"songLink\":\"" +
                          base + "\\/song\\/r" + id + ".wav\",\"showLink\":\"\"}",
                      "text/html");
    });
    s.Get("/data/music/songinfo", [this](const httplib::Request& req, httplib::Response& res) {
      BeforeAnswer(Kind::kRadio);
      res.set_content("{\"songPicRadio\":\"http:\\/\\/127.0.0.1:" + std::to_string(http_.port()) +
                          "\\/pic\\/" + req.get_param_value("songIds") + ".jpg@s_0,w_300\"}",
                      "text/html");
    });
    s.Get(R"(/lrc/(\d+)\.lrc)", [this](const httplib::Request&, httplib::Response& res) {
      BeforeAnswer(Kind::kRadio);
      res.set_content("[00:01.00]电台第一句\n", "text/plain");
    });
    s.Get("/oauth/2.0/token", [this](const httplib::Request&, httplib::Response& res) {
      BeforeAnswer(Kind::kSpeech);
      res.set_content(R"({"access_token":"tok-42","expires_in":2592000})", "application/json");
    });
    s.Get("/text2audio", [this](const httplib::Request& req, httplib::Response& res) {
      BeforeAnswer(Kind::kSpeech);
      {
        std::lock_guard lock(mutex_);
        spoken_.push_back(req.get_param_value("tex") + "|" + req.get_param_value("tok") + "|" +
                          req.get_param_value("per"));
        changed_.notify_all();
      }
      res.set_content(announcement_, "audio/mp3");
    });
    http_.Start();
  }

  // Lets every held answer go and ends the delays, then stops serving.
  ~StandInServices() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    http_.Stop();
  }
  StandInServices(const StandInServices&) = delete;
  StandInServices& operator=(const StandInServices&) = delete;

  std::string Url(const std::string& path) const { return http_.Url(path); }

  // Points a server's "sys.ini" at these services, and at the "null" audio output so that
  // no sound device is needed.
  void WriteServerSettings(const std::filesystem::path& sys_ini) const {
    for (const char* key : {"Radio", "SpeechToken", "SpeechAudio"}) {
      settings::WriteProfileString(sys_ini, "Services", key, Url(""));
    }
    settings::WriteProfileString(sys_ini, "Audio", "Output", "null");
  }

  // Answers of `kind` wait until Release(kind).
  void Hold(Kind kind) {
    std::lock_guard lock(mutex_);
    service(kind).held = true;
  }
  void Release(Kind kind) {
    {
      std::lock_guard lock(mutex_);
      service(kind).held = false;
    }
    changed_.notify_all();
  }
  // Answers for "/song/<name>.wav" wait until ReleaseSong(name).
  void HoldSong(const std::string& name) {
    std::lock_guard lock(mutex_);
    held_songs_.push_back(name);
  }
  void ReleaseSong(const std::string& name) {
    {
      std::lock_guard lock(mutex_);
      std::erase(held_songs_, name);
    }
    changed_.notify_all();
  }
  // Waits until `count` requests for the song `name` have arrived.
  bool WaitForSongArrivals(const std::string& name, int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      return std::count(song_arrivals_.begin(), song_arrivals_.end(), name) >= count;
    });
  }

  // Every answer of `kind` waits `delay` first.
  void SetDelay(Kind kind, std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    service(kind).delay = delay;
  }

  // Waits until `count` requests of `kind` have arrived (answered or not).
  bool WaitForArrivals(Kind kind, int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return service(kind).arrivals >= count; });
  }

  // "text|token|voice" of every synthesis request so far.
  std::vector<std::string> Spoken() const {
    std::lock_guard lock(mutex_);
    return spoken_;
  }
  bool WaitForSpoken(const std::string& entry, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      for (const auto& s : spoken_) {
        if (s == entry) return true;
      }
      return false;
    });
  }

 private:
  struct Service {
    bool held = false;
    std::chrono::milliseconds delay{0};
    int arrivals = 0;
  };
  Service& service(Kind kind) { return services_[static_cast<int>(kind)]; }

  void BeforeAnswer(Kind kind, const std::string& song = {}) {
    std::unique_lock lock(mutex_);
    ++service(kind).arrivals;
    if (!song.empty()) song_arrivals_.push_back(song);
    changed_.notify_all();
    changed_.wait(lock, [&] {
      return closing_ || (!service(kind).held && std::find(held_songs_.begin(), held_songs_.end(),
                                                           song) == held_songs_.end());
    });
    const auto delay = service(kind).delay;
    if (delay.count() > 0) changed_.wait_for(lock, delay, [&] { return closing_; });
  }

  const std::string announcement_;
  const std::string short_song_ = WavTone(3.0);
  const std::string long_song_ = WavTone(20.0);
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Service, 3> services_{};
  std::vector<std::string> spoken_;
  std::vector<std::string> held_songs_;
  std::vector<std::string> song_arrivals_;
  bool closing_ = false;
  LocalHttpServer http_;  // last: stopped first, while everything its handlers use lives
};

}  // namespace quilla::testing
