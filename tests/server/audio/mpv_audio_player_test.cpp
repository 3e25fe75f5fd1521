// The music engine over the real libmpv, with the "null" output (no sound device, real-time
// playback), fed by a loopback HTTP server and the tone fixtures.

#include "server/audio/mpv_audio_player.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "server/audio/audio_test_support.h"
#include "server/audio/progress_text.h"

// glibc keeps the search path of a locale loaded through LOCPATH for the life of the
// process; the leak checker of the sanitizer build must not count it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n";
}

namespace quilla::server {
namespace {

using namespace std::chrono_literals;
using testing::AudioFileServer;
using testing::ClosedLoopbackPort;
using testing::FixturePath;
using testing::ReadFixture;
using testing::WaitUntil;

double Seconds(std::int64_t bytes) {
  return static_cast<double>(bytes) / kBytesPerSecond;
}

// What OpenStream delivers, from whichever thread it comes.
class OpenResults {
 public:
  StreamOpened Callback() {
    return [this](StreamHandle handle) {
      std::lock_guard lock(mutex_);
      handles_.push_back(handle);
      arrived_.notify_all();
    };
  }
  // The first result, once it has come; nullopt when none came within `timeout`.
  std::optional<StreamHandle> Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [this] { return !handles_.empty(); })) return {};
    return handles_.front();
  }
  std::vector<StreamHandle> All() {
    std::lock_guard lock(mutex_);
    return handles_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<StreamHandle> handles_;
};

class MpvAudioPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(player_.Init()); }

  double PositionSeconds(StreamHandle handle) { return Seconds(player_.GetPosition(handle)); }

  AudioFileServer server_;
  MpvAudioPlayer player_{"null", 5s};
};

TEST_F(MpvAudioPlayerTest, UrlStreamOpensSilentAtItsStartWithItsLength) {
  const StreamHandle handle = player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3"));
  ASSERT_NE(handle, 0u);
  const std::int64_t length = player_.GetLength(handle);
  EXPECT_NEAR(Seconds(length), 3.0, 0.15);
  EXPECT_EQ(length % 4, 0) << "whole 16-bit stereo frames";
  EXPECT_EQ(player_.IsActive(handle), 0);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(player_.GetPosition(handle), 0) << "a new stream must not sound before Play";
  EXPECT_EQ(player_.BytesToSeconds(handle, 2 * kBytesPerSecond + kBytesPerSecond / 2), 2.5);
  EXPECT_EQ(player_.BytesToSeconds(handle, 0), 0.0);
}

TEST_F(MpvAudioPlayerTest, OpenStreamReturnsAtOnceAndReportsTheStreamWhenItIsOpen) {
  OpenResults opened;
  const auto asked = std::chrono::steady_clock::now();
  player_.OpenStream({.url = server_.Url("/held/tone_3s.mp3")}, opened.Callback());
  // The host holds its answer: a call that waited for it would take the whole time-out.
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
  ASSERT_TRUE(server_.WaitForHeldArrivals(1, 5s));
  EXPECT_TRUE(opened.All().empty());

  server_.ReleaseHeld();
  const std::optional<StreamHandle> handle = opened.Wait(5s);
  ASSERT_TRUE(handle.has_value());
  ASSERT_NE(*handle, 0u);
  EXPECT_EQ(player_.IsActive(*handle), 0) << "opened paused at its start";
  EXPECT_NEAR(Seconds(player_.GetLength(*handle)), 3.0, 0.15);
  ASSERT_TRUE(player_.Play(*handle, false));
  EXPECT_EQ(player_.IsActive(*handle), 1);
  EXPECT_EQ(opened.All().size(), 1u);
}

TEST_F(MpvAudioPlayerTest, ANewerOpenAbandonsTheOneUnderWay) {
  OpenResults slow;
  OpenResults fast;
  player_.OpenStream({.url = server_.Url("/held/tone_3s.mp3")}, slow.Callback());
  ASSERT_TRUE(server_.WaitForHeldArrivals(1, 5s));
  player_.OpenStream({.url = server_.Url("/tone_10s.mp3")}, fast.Callback());
  EXPECT_EQ(slow.Wait(1s), std::optional<StreamHandle>(0)) << "abandoned at once";
  const std::optional<StreamHandle> handle = fast.Wait(5s);
  ASSERT_TRUE(handle.has_value());
  ASSERT_NE(*handle, 0u);
  ASSERT_TRUE(player_.Play(*handle, false));

  // The slow host answers late: the new stream plays on, and nothing more is reported.
  server_.ReleaseHeld();
  ASSERT_TRUE(WaitUntil([&] { return PositionSeconds(*handle) > 0.5; }, 5s));
  EXPECT_EQ(player_.IsActive(*handle), 1);
  EXPECT_NEAR(Seconds(player_.GetLength(*handle)), 10.0, 0.2);
  EXPECT_EQ(slow.All(), (std::vector<StreamHandle>{0}));
  EXPECT_EQ(fast.All().size(), 1u);
}

TEST_F(MpvAudioPlayerTest, CloseStreamReleasesTheStream) {
  const StreamHandle handle = player_.CreateStreamFromUrl(server_.Url("/tone_10s.mp3"));
  ASSERT_NE(handle, 0u);
  ASSERT_TRUE(player_.Play(handle, false));
  EXPECT_TRUE(player_.CloseStream(handle));
  EXPECT_EQ(player_.IsActive(handle), 0);
  EXPECT_EQ(player_.GetPosition(handle), -1);
  EXPECT_FALSE(player_.Play(handle, false));
  EXPECT_FALSE(player_.CloseStream(handle));
  EXPECT_FALSE(player_.CloseStream(0));
  // The engine is fine afterwards.
  EXPECT_NE(player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3")), 0u);
}

TEST_F(MpvAudioPlayerTest, PausesStopsAndContinuesWhereItWas) {
  const StreamHandle handle = player_.CreateStreamFromUrl(server_.Url("/tone_10s.mp3"));
  ASSERT_NE(handle, 0u);
  EXPECT_FALSE(player_.Pause(handle)) << "nothing plays yet";
  EXPECT_EQ(player_.IsActive(handle), 0);

  ASSERT_TRUE(player_.Play(handle, false));
  EXPECT_EQ(player_.IsActive(handle), 1);
  std::this_thread::sleep_for(600ms);
  EXPECT_NEAR(PositionSeconds(handle), 0.6, 0.3) << "plays in real time";

  // Pause holds the position (read once the engine has settled: its clock is updated in
  // steps of some tens of milliseconds).
  ASSERT_TRUE(player_.Pause(handle));
  EXPECT_EQ(player_.IsActive(handle), 3);
  std::this_thread::sleep_for(100ms);
  const double paused_at = PositionSeconds(handle);
  std::this_thread::sleep_for(300ms);
  EXPECT_NEAR(PositionSeconds(handle), paused_at, 0.005);
  EXPECT_EQ(player_.IsActive(handle), 3);

  // Continue resumes there; pressing it again while playing changes nothing.
  ASSERT_TRUE(player_.Play(handle, false));
  EXPECT_EQ(player_.IsActive(handle), 1);
  EXPECT_NEAR(PositionSeconds(handle), paused_at, 0.1);
  std::this_thread::sleep_for(300ms);
  const double before_second_continue = PositionSeconds(handle);
  EXPECT_GT(before_second_continue, paused_at + 0.15);
  ASSERT_TRUE(player_.Play(handle, false));
  EXPECT_GE(PositionSeconds(handle), before_second_continue);
  EXPECT_EQ(player_.IsActive(handle), 1);

  // Stop keeps the stream and its position; continue carries on from there.
  ASSERT_TRUE(player_.Stop(handle));
  EXPECT_EQ(player_.IsActive(handle), 0);
  std::this_thread::sleep_for(100ms);
  const double stopped_at = PositionSeconds(handle);
  EXPECT_GT(stopped_at, 0.5);
  std::this_thread::sleep_for(300ms);
  EXPECT_NEAR(PositionSeconds(handle), stopped_at, 0.005);
  ASSERT_TRUE(player_.Play(handle, false));
  EXPECT_NEAR(PositionSeconds(handle), stopped_at, 0.1);
  EXPECT_EQ(player_.IsActive(handle), 1);

  // Restart goes back to the beginning.
  ASSERT_TRUE(player_.Play(handle, true));
  EXPECT_LT(PositionSeconds(handle), 0.1);
  EXPECT_EQ(player_.IsActive(handle), 1);
}

TEST_F(MpvAudioPlayerTest, ShortSongPlaysThroughToItsEnd) {
  const StreamHandle handle = player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3"));
  ASSERT_NE(handle, 0u);
  const std::int64_t length = player_.GetLength(handle);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(player_.Play(handle));

  // Playing (1) all the way, then ended (0); never anything else.
  int state = 1;
  std::int64_t last_position = 0;
  while (state == 1 && std::chrono::steady_clock::now() - started < 8s) {
    std::this_thread::sleep_for(50ms);
    state = player_.IsActive(handle);
    const std::int64_t position = player_.GetPosition(handle);
    EXPECT_GE(position, last_position) << "positions only move forward";
    EXPECT_LE(position, length);
    last_position = position;
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(state, 0);
  EXPECT_GT(elapsed, 2.5) << "real time, also without a sound device";
  EXPECT_EQ(player_.GetPosition(handle), player_.GetLength(handle))
      << "an ended stream stands at its end";
  EXPECT_EQ(TimeText(player_.BytesToSeconds(handle, player_.GetPosition(handle))),
            TimeText(player_.BytesToSeconds(handle, player_.GetLength(handle))));

  // Continuing an ended stream plays nothing; restarting plays it again.
  EXPECT_TRUE(player_.Play(handle, false));
  EXPECT_EQ(player_.IsActive(handle), 0);
  ASSERT_TRUE(player_.Play(handle, true));
  EXPECT_EQ(player_.IsActive(handle), 1);
  EXPECT_LT(PositionSeconds(handle), 0.1);
}

TEST_F(MpvAudioPlayerTest, SetPositionMovesWithoutChangingThePlayState) {
  const StreamHandle handle = player_.CreateStreamFromUrl(server_.Url("/tone_10s.mp3"));
  ASSERT_NE(handle, 0u);
  const std::int64_t length = player_.GetLength(handle);
  EXPECT_NEAR(Seconds(length), 10.0, 0.2);

  EXPECT_FALSE(player_.SetPosition(handle, -4));
  EXPECT_FALSE(player_.SetPosition(handle, length + 4));

  // While stopped: the position moves at once, nothing starts.
  const std::int64_t near_end = length - kBytesPerSecond;
  ASSERT_TRUE(player_.SetPosition(handle, near_end));
  EXPECT_NEAR(PositionSeconds(handle), Seconds(near_end), 0.05);
  EXPECT_EQ(player_.IsActive(handle), 0);

  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(player_.Play(handle, false));
  EXPECT_EQ(player_.IsActive(handle), 1);
  ASSERT_TRUE(WaitUntil([&] { return player_.IsActive(handle) == 0; }, 4s));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms) << "played on from the seek";
  EXPECT_EQ(player_.GetPosition(handle), length);

  // While playing: a seek keeps it playing from the new place.
  ASSERT_TRUE(player_.Play(handle, true));
  ASSERT_TRUE(player_.SetPosition(handle, 5 * kBytesPerSecond));
  EXPECT_NEAR(PositionSeconds(handle), 5.0, 0.1);
  EXPECT_EQ(player_.IsActive(handle), 1);

  // Moving to the very end ends the song at once (the slider at 1000).
  ASSERT_TRUE(player_.SetPosition(handle, SeekTarget(1000, length)));
  EXPECT_EQ(player_.IsActive(handle), 0);
  EXPECT_EQ(player_.GetPosition(handle), length);

  // Slider 0 goes back to the start of a stream that had ended.
  ASSERT_TRUE(player_.SetPosition(handle, SeekTarget(0, length)));
  EXPECT_EQ(player_.GetPosition(handle), 0);
  EXPECT_EQ(player_.IsActive(handle), 0);
}

TEST_F(MpvAudioPlayerTest, SourcesThatCannotBeOpenedGiveHandleZero) {
  const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/a.mp3";
  const struct {
    const char* name;
    std::string file_path;
    std::string url;
  } cases[] = {
      {"nothing given", "", ""},
      {"missing file, nothing else", "/no/such/dir/song.mp3", ""},
      {"a directory", FixturePath("").string(), ""},
      {"closed loopback port", "", closed},
      {"HTML page", "", server_.Url("/page.html")},
      {"not found", "", server_.Url("/missing.mp3")},
      {"not a web address", "", "file://" + FixturePath("tone_3s.mp3").string()},
      {"plain text", "", "tone_3s.mp3"},
  };
  for (const auto& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(player_.CreateStream(c.file_path, {}, c.url), 0u) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s) << c.name;
  }

  // What the progress tick sees for handle 0: failure on both reads, equal texts.
  EXPECT_FALSE(player_.Play(0));
  EXPECT_FALSE(player_.Play(0, false));
  EXPECT_EQ(player_.GetPosition(0), -1);
  EXPECT_EQ(player_.GetLength(0), -1);
  EXPECT_EQ(player_.IsActive(0), 0);
  EXPECT_LT(player_.BytesToSeconds(0, -1), 0);
  EXPECT_EQ(TimeText(player_.BytesToSeconds(0, player_.GetPosition(0))),
            TimeText(player_.BytesToSeconds(0, player_.GetLength(0))));

  // The engine is still fine afterwards.
  EXPECT_NE(player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3")), 0u);
}

TEST_F(MpvAudioPlayerTest, ReplacedHandleActsAsInvalid) {
  const StreamHandle first = player_.CreateStreamFromUrl(server_.Url("/tone_10s.mp3"));
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(player_.Play(first));
  const StreamHandle second = player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3"));
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first);

  EXPECT_FALSE(player_.Play(first));
  EXPECT_FALSE(player_.Pause(first));
  EXPECT_FALSE(player_.Stop(first));
  EXPECT_FALSE(player_.SetPosition(first, 0));
  EXPECT_EQ(player_.GetPosition(first), -1);
  EXPECT_EQ(player_.GetLength(first), -1);
  EXPECT_EQ(player_.IsActive(first), 0);
  EXPECT_LT(player_.BytesToSeconds(first, kBytesPerSecond), 0);

  EXPECT_EQ(player_.IsActive(second), 0) << "the new stream waits for Play";
  EXPECT_NEAR(Seconds(player_.GetLength(second)), 3.0, 0.15);

  // A stream that fails to open replaces the live one as well.
  EXPECT_EQ(player_.CreateStreamFromUrl(server_.Url("/page.html")), 0u);
  EXPECT_EQ(player_.GetLength(second), -1);
}

TEST_F(MpvAudioPlayerTest, ReplacedStreamsAreReleased) {
  // A long party opens hundreds of streams; each replaced one must give back its files and
  // connections.
  const auto open_descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator{});
  };
  const std::string block = ReadFixture("tone_3s.mp3");
  ASSERT_NE(player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3")), 0u);
  const auto before = open_descriptors();
  for (int i = 0; i < 10; ++i) {
    const StreamHandle url_stream = player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3"));
    ASSERT_NE(url_stream, 0u);
    ASSERT_TRUE(player_.Play(url_stream));
    ASSERT_NE(player_.CreateStream({}, block, {}), 0u);
    ASSERT_NE(player_.CreateStream(FixturePath("tone_3s.wav").string(), {}, {}), 0u);
  }
  ASSERT_NE(player_.CreateStreamFromUrl(server_.Url("/tone_3s.mp3")), 0u);
  EXPECT_LE(open_descriptors(), before + 2);
}

TEST_F(MpvAudioPlayerTest, ExistingFileComesFirstThenMemoryThenUrl) {
  const std::string wav = FixturePath("tone_3s.wav").string();
  const std::string long_mp3 = ReadFixture("tone_10s.mp3");
  const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/a.mp3";

  // An existing file wins over everything else.
  StreamHandle handle = player_.CreateStream(wav, long_mp3, closed);
  ASSERT_NE(handle, 0u);
  EXPECT_NEAR(Seconds(player_.GetLength(handle)), 3.0, 0.01);

  // A path that is no file falls through to the memory block...
  handle = player_.CreateStream("/no/such/song.mp3", long_mp3, server_.Url("/tone_3s.mp3"));
  ASSERT_NE(handle, 0u);
  EXPECT_NEAR(Seconds(player_.GetLength(handle)), 10.0, 0.2);

  // ...and with no block to the URL.
  handle = player_.CreateStream("/no/such/song.mp3", {}, server_.Url("/tone_10s.mp3"));
  ASSERT_NE(handle, 0u);
  EXPECT_NEAR(Seconds(player_.GetLength(handle)), 10.0, 0.2);
}

TEST_F(MpvAudioPlayerTest, MemoryBlockPlaysAndLeavesNoFileBehind) {
  const auto own_temp_files = [] {
    const std::string prefix = "quilla_stream_" + std::to_string(::getpid()) + "_";
    int count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
      count += entry.path().filename().string().starts_with(prefix);
    }
    return count;
  };
  std::string block = ReadFixture("tone_3s.mp3");
  const StreamHandle handle = player_.CreateStream({}, block, {});
  block.assign(block.size(), '\0');  // the player keeps no reference to the caller's bytes
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(own_temp_files(), 0);
  ASSERT_TRUE(player_.Play(handle));
  std::this_thread::sleep_for(400ms);
  EXPECT_GT(PositionSeconds(handle), 0.2);
  EXPECT_EQ(player_.IsActive(handle), 1);
  ASSERT_TRUE(player_.SetPosition(handle, kBytesPerSecond / 2));
  EXPECT_NEAR(PositionSeconds(handle), 0.5, 0.05);
}

TEST_F(MpvAudioPlayerTest, StartOffsetSkipsIntoTheSource) {
  const std::string mp3 = ReadFixture("tone_10s.mp3");
  const std::int64_t half = static_cast<std::int64_t>(mp3.size() / 2);
  const struct {
    const char* name;
    std::string file_path;
    std::string_view memory;
  } cases[] = {
      {"file", FixturePath("tone_10s.mp3").string(), {}},
      {"memory", "", mp3},
  };
  for (const auto& c : cases) {
    const StreamHandle handle = player_.CreateStream(c.file_path, c.memory, {}, half);
    ASSERT_NE(handle, 0u) << c.name;
    // Half the bytes of a constant tone: roughly half the time (estimated, as the skipped
    // part held the header).
    const double seconds = Seconds(player_.GetLength(handle));
    EXPECT_GT(seconds, 3.0) << c.name;
    EXPECT_LT(seconds, 7.0) << c.name;
  }
  // A URL body is asked for from the offset on.
  EXPECT_NE(player_.CreateStream({}, {}, server_.Url("/tone_10s.mp3"), half), 0u);
  const std::vector<std::string> ranges = server_.Ranges();
  ASSERT_FALSE(ranges.empty());
  EXPECT_EQ(ranges.front(), "bytes=" + std::to_string(half) + "-");

  EXPECT_EQ(player_.CreateStream({}, mp3, {}, static_cast<std::int64_t>(mp3.size())), 0u);
  EXPECT_EQ(player_.CreateStream({}, mp3, {}, -1), 0u);
}

TEST_F(MpvAudioPlayerTest, StalledStreamReportsTwoUntilDataComes) {
  const StreamHandle handle = player_.CreateStreamFromUrl(server_.Url("/stall/tone_10s.mp3"));
  ASSERT_NE(handle, 0u);
  ASSERT_TRUE(player_.Play(handle));
  ASSERT_TRUE(WaitUntil([&] { return player_.IsActive(handle) == 2; }, 8s))
      << "state " << player_.IsActive(handle);
  server_.ReleaseStall();
  EXPECT_TRUE(WaitUntil([&] { return player_.IsActive(handle) == 1; }, 5s));
}

TEST(MpvAudioPlayerLifecycleTest, InitFreeAndInitAgain) {
  AudioFileServer server;
  MpvAudioPlayer player("null", std::chrono::seconds(5));
  EXPECT_EQ(player.CreateStreamFromUrl(server.Url("/tone_3s.mp3")), 0u) << "no engine before Init";
  EXPECT_FALSE(player.Free());

  ASSERT_TRUE(player.Init());
  EXPECT_TRUE(player.Init()) << "already running";
  const StreamHandle first = player.CreateStreamFromUrl(server.Url("/tone_3s.mp3"));
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(player.Play(first));

  EXPECT_TRUE(player.Free());
  EXPECT_EQ(player.GetPosition(first), -1);
  EXPECT_EQ(player.IsActive(first), 0);
  EXPECT_FALSE(player.Play(first));
  EXPECT_EQ(player.CreateStreamFromUrl(server.Url("/tone_3s.mp3")), 0u);

  ASSERT_TRUE(player.Init());
  const StreamHandle second = player.CreateStreamFromUrl(server.Url("/tone_3s.mp3"));
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first) << "an old handle never comes back to life";
  EXPECT_TRUE(player.Play(second));
  EXPECT_EQ(player.IsActive(second), 1);
}

TEST(MpvAudioPlayerLifecycleTest, OpeningIsBoundedByTheTimeout) {
  AudioFileServer server;
  MpvAudioPlayer player("null", std::chrono::milliseconds(1000));
  ASSERT_TRUE(player.Init());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(player.CreateStreamFromUrl(server.Url("/hang")), 0u);
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 5s);
  // Still usable after an abandoned open.
  const StreamHandle handle = player.CreateStreamFromUrl(server.Url("/tone_3s.mp3"));
  EXPECT_NE(handle, 0u);
}

TEST(MpvAudioPlayerLifecycleTest, FreeAbandonsAnOpenUnderWay) {
  AudioFileServer server;
  MpvAudioPlayer player("null", std::chrono::seconds(10));
  ASSERT_TRUE(player.Init());
  OpenResults opened;
  player.OpenStream({.url = server.Url("/held/tone_3s.mp3")}, opened.Callback());
  ASSERT_TRUE(server.WaitForHeldArrivals(1, 5s));
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(player.Free());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << "the host still holds its answer";
  EXPECT_EQ(opened.All(), (std::vector<StreamHandle>{0})) << "answered before Free returned";
}

// Builds a locale whose decimal separator is "," in `directory` and makes it the numeric
// locale of this process. False when the system cannot build locales.
bool UseCommaDecimalLocale(const std::filesystem::path& directory) {
  std::filesystem::create_directories(directory);
  std::ofstream(directory / "source") << "LC_CTYPE\ncopy \"POSIX\"\nEND LC_CTYPE\n"
                                         "LC_COLLATE\ncopy \"POSIX\"\nEND LC_COLLATE\n"
                                         "LC_MONETARY\ncopy \"POSIX\"\nEND LC_MONETARY\n"
                                         "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
                                         "grouping 3\nEND LC_NUMERIC\n"
                                         "LC_TIME\ncopy \"POSIX\"\nEND LC_TIME\n"
                                         "LC_MESSAGES\ncopy \"POSIX\"\nEND LC_MESSAGES\n";
  // Missing optional categories only give warnings (and a non-zero status).
  const std::string command = "localedef -c -i '" + (directory / "source").string() +
                              "' -f ANSI_X3.4-1968 '" + (directory / "xx_COMMA").string() +
                              "' >/dev/null 2>&1";
  [[maybe_unused]] const int status = std::system(command.c_str());
  ::setenv("LOCPATH", directory.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "xx_COMMA") != nullptr;
}

TEST(MpvAudioPlayerLifecycleTest, StartsUnderTheUsersNumericLocale) {
  // The Qt application object sets the user's locale (zh_CN.UTF-8, de_DE.UTF-8, ...), and
  // libmpv refuses to start under any numeric locale but "C".
  const std::filesystem::path directory =
      std::filesystem::temp_directory_path() / ("quilla_locale_test_" + std::to_string(::getpid()));
  const bool have_locale = UseCommaDecimalLocale(directory);
  std::filesystem::remove_all(directory);
  if (!have_locale) GTEST_SKIP() << "cannot build a test locale here";

  MpvAudioPlayer player("null");
  ASSERT_TRUE(player.Init());
  const StreamHandle handle = player.CreateStream(FixturePath("tone_3s.wav").string(), {}, {});
  ASSERT_NE(handle, 0u);
  EXPECT_NEAR(Seconds(player.GetLength(handle)), 3.0, 0.01);
}

TEST(MpvAudioPlayerLifecycleTest, OutputThatCannotOpenStillPlaysInRealTime) {
  // Songs must not end at once one after another (emptying the queue) when the configured
  // output is missing on this machine.
  MpvAudioPlayer player("no-such-output");
  ASSERT_TRUE(player.Init());
  const StreamHandle handle = player.CreateStream(FixturePath("tone_3s.wav").string(), {}, {});
  ASSERT_NE(handle, 0u);
  ASSERT_TRUE(player.Play(handle));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(player.IsActive(handle), 1);
  EXPECT_NEAR(Seconds(player.GetPosition(handle)), 0.5, 0.25);
}

}  // namespace
}  // namespace quilla::server
