// The library's speech answers as the server's own voice code asks for them: a token, then
// MP3 for the announcement text in each of the four voices, played by libmpv (null output).

#include "server/library/speech_routes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "server/audio/announcement_player.h"
#include "server/audio/mpv_audio_player.h"
#include "server/voice/speech_request.h"
#include "server/voice/voice_announcer.h"
#include "support/wait_until.h"
#include "web/web_fetch.h"

namespace quilla::server::library {
namespace {

using namespace std::chrono_literals;
using testing::WaitUntil;

constexpr const char* kAnnouncement = "即将播放的歌曲来自 小明 点播的晴天";

class SpeechRoutesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddSpeechRoutes(service_, std::make_shared<EspeakSynthesizer>());
    std::string error;
    ASSERT_TRUE(service_.Start("127.0.0.1", 0, &error)) << error;
    services_ = ServiceSettings::BuiltInLibrary(service_.port());
  }

  std::string Token() {
    const web::WebFetchResult answer = web::WebFetch(SpeechTokenUrl(services_));
    EXPECT_EQ(answer.status, 200);
    return SpeechTokenFrom(answer.body);
  }

  web::WebFetchResult Speech(const std::string& text, int voice) {
    return web::WebFetch(
        SpeechAudioUrl(services_, SpeechQuery(text, Token(), "abcdefghij", voice)));
  }

  HttpService service_;
  ServiceSettings services_;
};

TEST_F(SpeechRoutesTest, TokenAnswerCarriesAFreshToken) {
  const std::string first = Token();
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos) << first;
  EXPECT_NE(Token(), first);

  const auto refused =
      web::WebFetch(services_.speech_token + "/oauth/2.0/token?grant_type=password");
  EXPECT_EQ(refused.status, 400);
  EXPECT_EQ(SpeechTokenFrom(refused.body), "");
}

TEST_F(SpeechRoutesTest, EveryVoiceSpeaksMp3ThatLibmpvPlays) {
  MpvAudioPlayer player("null", 5s);
  ASSERT_TRUE(player.Init());
  // The length of the MP3 as libmpv decodes it, in seconds; it plays.
  const auto played_seconds = [&](const std::string& mp3, int voice) {
    const StreamHandle stream = player.CreateStream({}, mp3, {});
    EXPECT_NE(stream, 0u) << "voice " << voice;
    const double seconds = player.BytesToSeconds(stream, player.GetLength(stream));
    EXPECT_TRUE(player.Play(stream));
    EXPECT_TRUE(WaitUntil([&] { return player.GetPosition(stream) > kBytesPerSecond / 4; }))
        << "voice " << voice << " plays";
    player.Stop(stream);
    return seconds;
  };

  std::vector<std::string> voices;
  std::vector<double> seconds;
  for (int voice = 0; voice < kSpeechVoices; ++voice) {
    const web::WebFetchResult answer = Speech(kAnnouncement, voice);
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_TRUE(IsSpeechAudio(answer.response_headers)) << answer.response_headers;
    EXPECT_NE(answer.response_headers.find("Content-Type: audio/mp3"), std::string::npos);
    voices.push_back(answer.body);
    seconds.push_back(played_seconds(answer.body, voice));
    EXPECT_GT(seconds.back(), 2.0) << "voice " << voice << ": a whole sentence";
    EXPECT_LT(seconds.back(), 12.0) << "voice " << voice;
  }
  EXPECT_EQ(std::set<std::string>(voices.begin(), voices.end()).size(), voices.size());
  // The voices speak at paces of their own: the girl quickest, then the woman, the man,
  // the livelier man (each at least 3% apart, well beyond one voice's own variation).
  EXPECT_LT(seconds[3] * 1.03, seconds[0]);
  EXPECT_LT(seconds[0] * 1.03, seconds[1]);
  EXPECT_LT(seconds[1] * 1.03, seconds[2]);
  // A number the service does not know speaks in the first voice.
  EXPECT_NEAR(played_seconds(Speech(kAnnouncement, 7).body, 7), seconds[0], seconds[0] * 0.03);
}

TEST_F(SpeechRoutesTest, TextsTooLongEmptyOrBrokenAreRefusedWithoutAudio) {
  // 341 Han characters are 1,023 bytes: with one more letter the text is at the limit.
  std::string longest;
  for (int i = 0; i < 341; ++i) longest += "好";
  longest += "a";
  ASSERT_EQ(longest.size(), kMaxSpeechTextBytes);
  const auto at_limit = Speech(longest, 0);
  EXPECT_EQ(at_limit.status, 200);
  EXPECT_TRUE(IsSpeechAudio(at_limit.response_headers));

  struct Case {
    std::string text;
    const char* why;
  };
  for (const Case& c : std::vector<Case>{
           {longest + "b", "1024"}, {"", "empty"}, {"  ", "empty"}, {"\xE6\x99", "UTF-8"}}) {
    const auto refused = Speech(c.text, 0);
    EXPECT_EQ(refused.status, 400) << c.why;
    EXPECT_FALSE(IsSpeechAudio(refused.response_headers)) << c.why;
    EXPECT_NE(refused.body.find(c.why), std::string::npos) << refused.body;
    EXPECT_NE(refused.body.find("\"err_no\""), std::string::npos) << refused.body;
  }
}

// The server's own announcer, pointed at the library by the built-in defaults, speaks
// through its announcement player.
TEST_F(SpeechRoutesTest, TheServersAnnouncerSpeaksThroughTheLibrary) {
  AnnouncementPlayer player("null");
  VoiceAnnouncer announcer(services_, player);
  // Mandarin and English parts in one announcement.
  announcer.Speak("即将播放的歌曲来自 Tom 点播的Paper Boats", 3);
  ASSERT_TRUE(WaitUntil([&] { return player.IsPlaying(); }, 20s));
  announcer.WaitIdle();
  EXPECT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }, 20s)) << "plays to its end";
}

}  // namespace
}  // namespace quilla::server::library
