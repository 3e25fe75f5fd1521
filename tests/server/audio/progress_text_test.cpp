#include "server/audio/progress_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "server/audio/audio_player.h"

namespace quilla::server {
namespace {

TEST(TimeTextTest, WholeSecondsAsPaddedMinutesAndSeconds) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {0, "00:00"},
      {0.99, "00:00"},
      {5, "00:05"},
      {65.9, "01:05"},
      {3 * 60 + 45.6, "03:45"},
      {599.999, "09:59"},
      {6000, "100:00"},
      {7384.2, "123:04"},
      // Failed reads are negative; they must all give the same text.
      {-1.0 / 176400, "00:00"},
      {-1, "00:00"},
      {-1e300, "00:00"},
      {std::numeric_limits<double>::quiet_NaN(), "00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeText(c.seconds), c.text) << c.seconds;
}

TEST(TimeTextTest, SongEndsWithinItsLastSecond) {
  // A song of 3:45.6 counts as ended once the position reaches 3:45.0.
  const std::int64_t length = static_cast<std::int64_t>((3 * 60 + 45.6) * kBytesPerSecond);
  const auto text = [](std::int64_t bytes) {
    return TimeText(static_cast<double>(bytes) / kBytesPerSecond);
  };
  EXPECT_EQ(text(length), "03:45");
  EXPECT_EQ(text((3 * 60 + 45) * kBytesPerSecond), text(length));
  EXPECT_NE(text((3 * 60 + 45) * kBytesPerSecond - 4), text(length));
}

TEST(ProgressTextTest, FractionOf400AsShortestGeneralForm) {
  const struct {
    std::int64_t position;
    std::int64_t length;
    const char* text;
  } cases[] = {
      {0, 1000, "0"},
      {500, 1000, "200"},
      {1000, 1000, "400"},
      {1, 3, "133.3333333333"},  // 13 significant digits
      {176400, 176400 * 3, "133.3333333333"},
      {-1, -1, "400"},  // failed reads
      {0, 0, "0"},      // length 0: nothing to show
      {5, 0, "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressText(c.position, c.length), c.text) << c.position << "/" << c.length;
  }
}

TEST(SliderPositionTest, FractionOf1000TruncatedTowardZero) {
  const struct {
    std::int64_t position;
    std::int64_t length;
    int slider;
  } cases[] = {
      {0, 1000, 0},
      {999, 1000, 999},
      {1000, 1000, 1000},
      {2, 3, 666},
      {-1, -1, 1000},  // failed reads
      {-1, 3000, 0},   // truncated toward zero, not down
      {0, 0, 0},
      {7, 0, 0},
      {std::numeric_limits<std::int64_t>::max(), 1, std::numeric_limits<int>::max()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SliderPosition(c.position, c.length), c.slider) << c.position << "/" << c.length;
  }
}

TEST(SeekTargetTest, SliderTimesLengthOver1000) {
  const std::int64_t length = 10 * kBytesPerSecond;
  EXPECT_EQ(SeekTarget(0, length), 0);
  EXPECT_EQ(SeekTarget(1000, length), length);
  EXPECT_EQ(SeekTarget(500, length), length / 2);
  EXPECT_EQ(SeekTarget(1, 1999), 1);    // 1.999 truncated
  EXPECT_EQ(SeekTarget(1000, -1), -1);  // failed length read
  // The slider that SliderPosition gives leads back to (about) the same place.
  const std::int64_t position = 7 * kBytesPerSecond + 12;
  EXPECT_NEAR(static_cast<double>(SeekTarget(SliderPosition(position, length), length)),
              static_cast<double>(position), static_cast<double>(length) / 1000);
}

}  // namespace
}  // namespace quilla::server
