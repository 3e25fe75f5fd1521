#include "server/voice/speech_request.h"

#include <gtest/gtest.h>

#include <string>

namespace quilla::server {
namespace {

TEST(SpeechRequestTest, Addresses) {
  ServiceSettings services;
  services.speech_token = "http://127.0.0.1:1";
  services.speech_audio = "http://127.0.0.1:2";
  services.speech_client_id = "ID";
  services.speech_client_secret = "SECRET";
  EXPECT_EQ(SpeechTokenUrl(services),
            "http://127.0.0.1:1/oauth/2.0/token?grant_type=client_credentials&client_id=ID"
            "&client_secret=SECRET");
  EXPECT_EQ(SpeechAudioUrl(services, "tex=%41"), "http://127.0.0.1:2/text2audio?tex=%41");
}

TEST(SpeechRequestTest, QueryEncodesEveryByteOfTheText) {
  struct Case {
    std::string text;
    int voice;
    std::string query;
  };
  const Case cases[] = {
      {"你好", 0, "tex=%E4%BD%A0%E5%A5%BD&tok=T&cuid=C&ctp=1&lan=zh&vol=5&per=0"},
      {"a-b_c.9 ~", 3, "tex=%61%2D%62%5F%63%2E%39%20%7E&tok=T&cuid=C&ctp=1&lan=zh&vol=5&per=3"},
      {"", 1, "tex=&tok=T&cuid=C&ctp=1&lan=zh&vol=5&per=1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SpeechQuery(c.text, "T", "C", c.voice), c.query) << c.text;
  }
}

TEST(SpeechRequestTest, TokenAndAudioAnswers) {
  EXPECT_EQ(SpeechTokenFrom(R"({"access_token":"24.abc.2592000.1","expires_in":2592000})"),
            "24.abc.2592000.1");
  EXPECT_EQ(SpeechTokenFrom(R"({"error":"invalid_client","error_description":"unknown"})"), "");
  EXPECT_EQ(SpeechTokenFrom(R"({"access_token":"unterminated)"), "");

  struct Case {
    std::string headers;
    bool audio;
  };
  const Case cases[] = {
      {"Content-Type: audio/mp3\r\nContent-Length: 10\r\n", true},
      {"Content-Length: 10\r\nContent-Type: audio/mp3;charset=utf-8\r\n", true},
      {"Content-Type: audio/mpeg\r\n", false},
      {"Content-Type: Audio/MP3\r\n", false},
      {"Content-Type: application/json\r\n", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSpeechAudio(c.headers), c.audio) << c.headers;
}

}  // namespace
}  // namespace quilla::server
