// The names downloaded songs get: hostile titles stay inside their folder, and the
// extension says what the server sent.

#include "client/extras/song_file_name.h"

#include <gtest/gtest.h>

#include <string>

namespace quilla::client {
namespace {

TEST(SafeSongStem, HostileTitlesBecomePlainNames) {
  const std::string chinese_300_bytes = [] {
    std::string s;
    for (int i = 0; i < 100; ++i) s += "歌";
    return s;
  }();
  const std::string chinese_198_bytes = chinese_300_bytes.substr(0, 198);
  const struct {
    std::string title;
    std::string stem;
  } cases[] = {
      {"晴天", "晴天"},
      {"Song 2.0 (Live)", "Song 2.0 (Live)"},
      {"../../.bashrc", "_.._.bashrc"},
      {"/etc/passwd", "_etc_passwd"},
      {"a/b\\c", "a_b_c"},
      {std::string("x\0y", 3), "x_y"},
      {"C:*?\"<>|", "C_______"},
      {"\x01\t\n\x1f\x7f", "_____"},
      {"a\xC2\x85"
       "b",
       "a_b"},  // U+0085, a C1 control
      {"  .. .hidden", "hidden"},
      {"\xE3\x80\x80月亮代表我的心", "月亮代表我的心"},  // led by an ideographic space
      {"...", "未命名"},
      {"   ", "未命名"},
      {"", "未命名"},
      {std::string(250, 'a'), std::string(200, 'a')},
      // 200 bytes would end inside the 67th character: the cut keeps 66 whole ones.
      {chinese_300_bytes, chinese_198_bytes},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SafeSongStem(c.title), c.stem) << "title: " << c.title;
  }
}

TEST(SongExtensionFor, TheContentTypeChoosesTheExtension) {
  const struct {
    const char* type;
    const char* extension;
  } cases[] = {
      {"audio/mpeg", ".mp3"},
      {"audio/flac", ".flac"},
      {"audio/ogg", ".ogg"},
      {"audio/mp4", ".m4a"},
      {"audio/wav", ".wav"},
      {"audio/x-wav", ".wav"},
      {"audio/x-flac", ".flac"},
      {"AUDIO/FLAC; charset=binary", ".flac"},
      {" audio/ogg ;codecs=opus", ".ogg"},
      {"application/octet-stream", ".mp3"},
      {"text/html", ".mp3"},
      {"", ".mp3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SongExtensionFor(c.type), c.extension) << "type: " << c.type;
  }
}

}  // namespace
}  // namespace quilla::client
