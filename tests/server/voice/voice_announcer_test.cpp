#include "server/voice/voice_announcer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "server/audio/announcement_player.h"
#include "support/free_port.h"
#include "support/local_http_server.h"
#include "support/wait_until.h"

namespace quilla::server {
namespace {

using namespace std::chrono_literals;
using quilla::testing::FreeLoopbackPort;
using quilla::testing::LocalHttpServer;
using quilla::testing::QueryOf;
using quilla::testing::WaitUntil;

constexpr char kClientId[] = "LocalTestClientId0000000";
constexpr char kClientSecret[] = "LocalTestClientSecret00000000000";
constexpr char kToken[] = "24.5f3c1e.2592000.1767225600.282335-118";

std::string Fixture(const char* name) {
  std::ifstream in(std::filesystem::path(QUILLA_VOICE_FIXTURES) / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The oracle for the "tex" value: "%" and two upper-case hex digits for every byte.
std::string EveryBytePercentEncoded(const std::string& text) {
  std::string out;
  char hex[4];
  for (unsigned char byte : text) {
    std::snprintf(hex, sizeof(hex), "%%%02X", byte);
    out += hex;
  }
  return out;
}

bool IsAlphanumeric(std::string_view text) {
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// "baidu_yuyin_" + 8 letters and digits + ".mp3".
bool IsAnnouncementName(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  return name.size() == 24 && name.starts_with("baidu_yuyin_") && name.ends_with(".mp3") &&
         IsAlphanumeric(std::string_view(name).substr(12, 8));
}

// The speech service on 127.0.0.1: a token endpoint and an audio endpoint whose answers a
// test can change, and a hook that runs (and may wait) before each audio answer.
class FakeSpeechService {
 public:
  FakeSpeechService() {
    http.server().Get("/oauth/2.0/token", [this](const httplib::Request&, httplib::Response& r) {
      std::lock_guard lock(mutex_);
      r.set_content(token_answer, "application/json");
    });
    http.server().Get("/text2audio", [this](const httplib::Request& request, httplib::Response& r) {
      std::function<void(const std::string&)> hook;
      {
        std::lock_guard lock(mutex_);
        hook = before_audio;
      }
      if (hook) hook(request.get_param_value("tex"));
      std::lock_guard lock(mutex_);
      r.status = audio_status;
      r.set_content(audio_body, audio_type.c_str());
    });
    http.Start();
  }

  ServiceSettings Settings() const {
    ServiceSettings services;
    services.radio = http.Base();
    services.speech_token = http.Base();
    services.speech_audio = http.Base();
    services.speech_client_id = kClientId;
    services.speech_client_secret = kClientSecret;
    return services;
  }

  void Set(const std::function<void(FakeSpeechService&)>& change) {
    std::lock_guard lock(mutex_);
    change(*this);
  }

  // The "tex" values of the audio requests, decoded, in arrival order.
  std::vector<std::string> SpokenTexts() const {
    std::vector<std::string> texts;
    for (const httplib::Request& request : http.ArrivalsAt("/text2audio")) {
      const std::string query = QueryOf(request);
      texts.push_back(httplib::detail::decode_url(query.substr(4, query.find("&tok=") - 4), true));
    }
    return texts;
  }

  // Guarded by mutex_ once the announcer runs; change them through Set().
  std::string token_answer = std::string("{\"access_token\":\"") + kToken +
                             "\",\"session_key\":\"9mzdDZXu\",\"scope\":\"audio_tts_post\","
                             "\"refresh_token\":\"25.x\",\"expires_in\":2592000}";
  std::string audio_type = "audio/mp3";
  int audio_status = 200;
  std::string audio_body = Fixture("announcement_3s.mp3");
  std::function<void(const std::string& tex)> before_audio;

  LocalHttpServer http;

 private:
  std::mutex mutex_;
};

class VoiceAnnouncerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private temporary directory, so the test sees exactly the files it causes.
    temp_dir_ = std::filesystem::temp_directory_path() /
                ("quilla_voice_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(temp_dir_);
    std::filesystem::create_directories(temp_dir_);
    const char* old = std::getenv("TMPDIR");
    old_tmpdir_ = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TMPDIR", temp_dir_.c_str(), 1);
  }
  void TearDown() override {
    if (old_tmpdir_) {
      ::setenv("TMPDIR", old_tmpdir_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    std::filesystem::remove_all(temp_dir_);
  }

  std::vector<std::filesystem::path> AnnouncementFiles() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(temp_dir_)) {
      if (entry.path().filename().string().starts_with("baidu_yuyin_")) {
        files.push_back(entry.path());
      }
    }
    return files;
  }

  std::filesystem::path temp_dir_;
  std::optional<std::string> old_tmpdir_;
  AnnouncementPlayer player_{"null"};
};

TEST_F(VoiceAnnouncerTest, SpeaksTheWholePhraseWithTheChosenVoice) {
  FakeSpeechService service;
  VoiceAnnouncer announcer(service.Settings(), player_);
  const std::string text = "即将播放的歌曲来自系统随机点播的晴天";

  announcer.Speak(text, 3);
  announcer.WaitIdle();

  const auto requests = service.http.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].path, "/oauth/2.0/token");
  EXPECT_EQ(QueryOf(requests[0]), std::string("grant_type=client_credentials&client_id=") +
                                     kClientId + "&client_secret=" + kClientSecret);
  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_EQ(requests[1].path, "/text2audio");
  const std::string expected_start =
      "tex=" + EveryBytePercentEncoded(text) + "&tok=" + kToken + "&cuid=";
  const std::string expected_end = "&ctp=1&lan=zh&vol=5&per=3";
  const std::string query = QueryOf(requests[1]);
  ASSERT_EQ(query.size(), expected_start.size() + 10 + expected_end.size()) << query;
  EXPECT_EQ(query.substr(0, expected_start.size()), expected_start);
  EXPECT_TRUE(IsAlphanumeric(query.substr(expected_start.size(), 10))) << query;
  EXPECT_EQ(query.substr(expected_start.size() + 10), expected_end);

  ASSERT_TRUE(WaitUntil([&] { return player_.IsPlaying(); }));
  const std::filesystem::path file = player_.CurrentFile();
  EXPECT_EQ(file.parent_path(), temp_dir_);
  EXPECT_TRUE(IsAnnouncementName(file)) << file;
}

TEST_F(VoiceAnnouncerTest, RepliesThatAreNotMp3AreSilence) {
  struct Case {
    std::string name;
    std::function<void(FakeSpeechService&)> reply;
    std::string expected_token;
  };
  const Case cases[] = {
      {"audio/mpeg is not audio/mp3", [](FakeSpeechService& s) { s.audio_type = "audio/mpeg"; },
       kToken},
      {"type written in capitals", [](FakeSpeechService& s) { s.audio_type = "Audio/MP3"; },
       kToken},
      {"error answer",
       [](FakeSpeechService& s) {
         s.audio_status = 500;
         s.audio_type = "application/json";
         s.audio_body = R"({"err_no":502,"err_msg":"access token invalid or no longer valid"})";
       },
       kToken},
      {"refused token: the text is still sent, without a token",
       [](FakeSpeechService& s) {
         s.token_answer = R"({"error":"invalid_client","error_description":"unknown client id"})";
         s.audio_type = "application/json";
         s.audio_body = R"({"err_no":501,"err_msg":"Invalid token"})";
       },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSpeechService service;
    service.Set(c.reply);
    {
      VoiceAnnouncer announcer(service.Settings(), player_);
      announcer.Speak("测试", 1);
      announcer.WaitIdle();
    }
    const auto audio_requests = service.http.ArrivalsAt("/text2audio");
    ASSERT_EQ(audio_requests.size(), 1u);
    EXPECT_NE(QueryOf(audio_requests[0]).find("&tok=" + c.expected_token + "&cuid="),
              std::string::npos)
        << QueryOf(audio_requests[0]);
    EXPECT_FALSE(player_.IsPlaying());
    EXPECT_EQ(player_.CurrentFile(), std::filesystem::path());
    EXPECT_TRUE(AnnouncementFiles().empty());
  }
}

TEST_F(VoiceAnnouncerTest, UnreachableServiceIsSilenceAndSpeakNeverWaits) {
  ServiceSettings services;
  const std::string closed = "http://127.0.0.1:" + std::to_string(FreeLoopbackPort());
  services.speech_token = closed;
  services.speech_audio = closed;
  VoiceAnnouncer announcer(services, player_);

  const auto started = std::chrono::steady_clock::now();
  announcer.Speak("没有人在听", 0);
  announcer.Speak("", 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 50ms);
  announcer.WaitIdle();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  EXPECT_FALSE(player_.IsPlaying());
  EXPECT_EQ(player_.CurrentFile(), std::filesystem::path());
  EXPECT_TRUE(AnnouncementFiles().empty());
}

TEST_F(VoiceAnnouncerTest, SecondAnnouncementCutsOffTheFirst) {
  FakeSpeechService service;
  std::promise<void> release_second;
  std::shared_future<void> second_released = release_second.get_future().share();
  service.Set([&](FakeSpeechService& s) {
    s.before_audio = [second_released](const std::string& tex) {
      if (tex == "第二条") second_released.wait_for(10s);
    };
  });
  VoiceAnnouncer announcer(service.Settings(), player_);

  announcer.Speak("第一条", 0);
  announcer.Speak("第二条", 0);
  // The first is playing while the second is still being synthesised.
  ASSERT_TRUE(WaitUntil([&] { return player_.IsPlaying(); }));
  const std::filesystem::path first = player_.CurrentFile();
  ASSERT_FALSE(first.empty());
  release_second.set_value();
  announcer.WaitIdle();

  const std::filesystem::path second = player_.CurrentFile();
  EXPECT_NE(second, first);
  EXPECT_FALSE(second.empty());
  EXPECT_TRUE(WaitUntil([&] { return player_.IsPlaying(); }));
  EXPECT_EQ(service.SpokenTexts(), (std::vector<std::string>{"第一条", "第二条"}));
  EXPECT_EQ(service.http.ArrivalsAt("/oauth/2.0/token").size(), 2u);  // a token each time
  // The cut-off announcement's file does not stay behind.
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(first); }));
}

TEST_F(VoiceAnnouncerTest, AnnouncementsAreBuiltInCallOrderAndAFloodIsBounded) {
  FakeSpeechService service;
  std::promise<void> release_first;
  std::shared_future<void> first_released = release_first.get_future().share();
  service.Set([&](FakeSpeechService& s) {
    s.audio_type = "audio/mpeg";  // keeps the player out of this test
    s.before_audio = [first_released](const std::string& tex) {
      if (tex == "1") first_released.wait_for(10s);
    };
  });
  VoiceAnnouncer announcer(service.Settings(), player_);

  announcer.Speak("1", 0);
  ASSERT_TRUE(WaitUntil([&] { return service.http.ArrivalsAt("/text2audio").size() == 1; }));
  const int flood = static_cast<int>(VoiceAnnouncer::kMaxPending) + 4;
  for (int i = 2; i <= flood + 1; ++i) announcer.Speak(std::to_string(i), 0);
  release_first.set_value();
  announcer.WaitIdle();

  // The one in flight, then the newest kMaxPending in call order.
  std::vector<std::string> expected{"1"};
  for (int i = flood + 2 - static_cast<int>(VoiceAnnouncer::kMaxPending); i <= flood + 1; ++i) {
    expected.push_back(std::to_string(i));
  }
  EXPECT_EQ(service.SpokenTexts(), expected);
}

TEST_F(VoiceAnnouncerTest, DestructionAbortsTheRequestInFlightAndDropsTheRest) {
  FakeSpeechService service;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  service.Set([&](FakeSpeechService& s) {
    s.before_audio = [released](const std::string&) { released.wait_for(10s); };
  });
  auto announcer = std::make_unique<VoiceAnnouncer>(service.Settings(), player_);
  announcer->Speak("一", 0);
  announcer->Speak("二", 0);
  announcer->Speak("三", 0);
  ASSERT_TRUE(WaitUntil([&] { return service.http.ArrivalsAt("/text2audio").size() == 1; }));

  const auto started = std::chrono::steady_clock::now();
  announcer.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms);
  release.set_value();

  EXPECT_EQ(service.http.ArrivalsAt("/oauth/2.0/token").size(), 1u);
  EXPECT_FALSE(player_.IsPlaying());
  EXPECT_EQ(player_.CurrentFile(), std::filesystem::path());
  EXPECT_TRUE(AnnouncementFiles().empty());
}

}  // namespace
}  // namespace quilla::server
