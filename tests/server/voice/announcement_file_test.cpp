#include "server/voice/announcement_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quilla::server {
namespace {

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AnnouncementFileTest, WritesANewRandomlyNamedFileEachTime) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("quilla_announcement_file_" +
                    std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  static constexpr char kAudio[] = "ID3\0\x01\xFF\xFB mp3";
  const std::string audio(kAudio, sizeof(kAudio) - 1);

  const auto first = WriteAnnouncementFile(audio, dir);
  const auto second = WriteAnnouncementFile("", dir);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->parent_path(), dir);
  const std::string name = first->filename().string();
  ASSERT_EQ(name.size(), 24u) << name;
  EXPECT_TRUE(name.starts_with("baidu_yuyin_") && name.ends_with(".mp3")) << name;
  for (char c : name.substr(12, 8))
    EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << name;
  EXPECT_NE(*first, *second);
  EXPECT_EQ(ReadAll(*first), audio);
  EXPECT_EQ(ReadAll(*second), "");

  EXPECT_EQ(WriteAnnouncementFile(audio, dir / "missing"), std::nullopt);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quilla::server
