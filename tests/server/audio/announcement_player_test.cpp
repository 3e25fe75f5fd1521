// The announcement path over the real libmpv with the "null" output.

#include "server/audio/announcement_player.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "server/audio/audio_test_support.h"

namespace quilla::server {
namespace {

using namespace std::chrono_literals;
using testing::FixturePath;
using testing::WaitUntil;
namespace fs = std::filesystem;

class AnnouncementPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        fs::temp_directory_path() / ("quilla_announcement_test_" + std::to_string(::getpid()));
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  // A fresh announcement file, as the voice engine writes one for every announcement.
  fs::path Clip(const std::string& fixture, const std::string& name) {
    const fs::path file = directory_ / name;
    fs::copy_file(FixturePath(fixture), file, fs::copy_options::overwrite_existing);
    return file;
  }

  fs::path directory_;
  AnnouncementPlayer player_{"null"};
};

TEST_F(AnnouncementPlayerTest, PlaysWithoutWaitingAndRemovesItsFile) {
  const fs::path clip = Clip("tone_3s.mp3", "baidu_yuyin_aaaaaaaa.mp3");
  const auto started = std::chrono::steady_clock::now();
  player_.PlayFile(clip);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << "must not wait for the clip";
  EXPECT_TRUE(player_.IsPlaying());
  EXPECT_EQ(player_.CurrentFile(), clip);
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(clip); }, 3s)) << "removed once opened";
  EXPECT_TRUE(player_.IsPlaying()) << "still playing from the open file";

  ASSERT_TRUE(WaitUntil([&] { return !player_.IsPlaying(); }, 6s));
  EXPECT_GT(std::chrono::steady_clock::now() - started, 2500ms) << "played in real time";
  EXPECT_EQ(player_.CurrentFile(), fs::path());
}

TEST_F(AnnouncementPlayerTest, SecondAnnouncementCutsOffTheFirst) {
  const fs::path first = Clip("tone_10s.mp3", "baidu_yuyin_first000.mp3");
  const fs::path second = Clip("tone_3s.mp3", "baidu_yuyin_second00.mp3");
  player_.PlayFile(first);
  std::this_thread::sleep_for(200ms);
  const auto second_started = std::chrono::steady_clock::now();
  player_.PlayFile(second);
  EXPECT_EQ(player_.CurrentFile(), second);
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(first) && !fs::exists(second); }, 3s));

  // Only the 3-second clip is left to play; the 10-second one would hold on much longer.
  ASSERT_TRUE(WaitUntil([&] { return !player_.IsPlaying(); }, 6s));
  const auto played = std::chrono::steady_clock::now() - second_started;
  EXPECT_GT(played, 2500ms);
  EXPECT_LT(played, 5s);
}

TEST_F(AnnouncementPlayerTest, StopCutsOffAtOnce) {
  const fs::path clip = Clip("tone_10s.mp3", "baidu_yuyin_stopstop.mp3");
  player_.PlayFile(clip);
  player_.Stop();
  EXPECT_FALSE(player_.IsPlaying());
  EXPECT_EQ(player_.CurrentFile(), fs::path());
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(clip); }, 3s));
  player_.Stop();  // nothing to stop: harmless
}

TEST_F(AnnouncementPlayerTest, FilesThatCannotPlayAreRemovedAndGiveSilence) {
  const fs::path text = directory_ / "baidu_yuyin_textfile.mp3";
  std::ofstream(text) << "{\"err_no\":502,\"err_msg\":\"token invalid\"}";
  player_.PlayFile(text);
  EXPECT_TRUE(WaitUntil([&] { return !player_.IsPlaying() && !fs::exists(text); }, 3s));

  player_.PlayFile(directory_ / "baidu_yuyin_missing0.mp3");
  EXPECT_TRUE(WaitUntil([&] { return !player_.IsPlaying(); }, 3s));
}

TEST_F(AnnouncementPlayerTest, CallsFromSeveralThreadsLeaveOneAnnouncementAndNoFiles) {
  std::vector<fs::path> clips;
  for (int i = 0; i < 8; ++i)
    clips.push_back(Clip("tone_3s.mp3", "clip" + std::to_string(i) + ".mp3"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      player_.PlayFile(clips[2 * t]);
      player_.PlayFile(clips[2 * t + 1]);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(player_.IsPlaying());
  const fs::path current = player_.CurrentFile();
  EXPECT_NE(std::find(clips.begin(), clips.end(), current), clips.end());
  EXPECT_TRUE(WaitUntil(
      [&] {
        return std::none_of(clips.begin(), clips.end(),
                            [](const fs::path& p) { return fs::exists(p); });
      },
      3s));
  player_.Stop();
  EXPECT_FALSE(player_.IsPlaying());
}

TEST_F(AnnouncementPlayerTest, DestroyingThePlayerRemovesFilesStillHeld) {
  const fs::path clip = Clip("tone_10s.mp3", "baidu_yuyin_destroy0.mp3");
  {
    AnnouncementPlayer player("null");
    player.PlayFile(clip);
  }
  EXPECT_FALSE(fs::exists(clip));
}

}  // namespace
}  // namespace quilla::server
