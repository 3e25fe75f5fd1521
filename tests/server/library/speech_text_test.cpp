// Which parts of an announcement are read in English and which in Mandarin.

#include "server/library/speech_text.h"

#include <gtest/gtest.h>

namespace quilla::server::library {
namespace {

std::string Describe(const std::vector<SpeechPart>& parts) {
  std::string out;
  for (const SpeechPart& part : parts) out += (part.english ? "E[" : "M[") + part.text + "]";
  return out;
}

TEST(SpeechTextTest, LatinRunsAreEnglishAndTheRestMandarin) {
  struct Case {
    const char* text;
    const char* parts;
  };
  for (const Case& c : std::vector<Case>{
           {"即将播放的歌曲来自 Tom 点播的Paper Boats",
            "M[即将播放的歌曲来自 ]E[Tom ]M[点播的]E[Paper Boats]"},
           {"即将播放的歌曲来自系统随机点播的晴天", "M[即将播放的歌曲来自系统随机点播的晴天]"},
           {"Route 66号公路", "E[Route 66]M[号公路]"},  // digits after a letter stay English
           {"2首歌", "M[2首歌]"},                       // digits alone are Chinese numbers
           {"A-Lin的歌", "E[A-Lin]M[的歌]"},
           {"周杰伦 - 晴天", "M[周杰伦 - 晴天]"},
           {"Ｔｏｍ来了", "M[Ｔｏｍ来了]"},  // full-width letters are read as Mandarin
           {"hello", "E[hello]"},
           {"", ""},
           {"   ", ""},
       }) {
    EXPECT_EQ(Describe(SplitSpeechText(c.text)), c.parts) << c.text;
  }
}

}  // namespace
}  // namespace quilla::server::library
