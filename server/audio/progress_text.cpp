#include "server/audio/progress_text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace quilla::server {
namespace {

// Decimal text padded on the left with "0" to at least two characters.
std::string TwoDigits(std::int64_t value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

// Truncates toward zero, keeping the result inside [low, high] (NaN -> 0) so that no
// conversion is undefined.
template <typename Int>
Int TruncateClamped(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLow = static_cast<double>(std::numeric_limits<Int>::min());
  // The largest double strictly below 2^63 (or 2^31) converts safely.
  const double high = std::nextafter(-kLow, 0.0);
  if (value <= kLow) return std::numeric_limits<Int>::min();
  if (value >= high) return static_cast<Int>(high);
  return static_cast<Int>(value);
}

}  // namespace

std::string TimeText(double seconds) {
  // A failed read reports a negative time; showing it as zero keeps the texts of a failed
  // position and a failed length equal, which is how a stream that never opened ends.
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  const std::int64_t whole = TruncateClamped<std::int64_t>(seconds);
  return TwoDigits(whole / 60) + ":" + TwoDigits(whole % 60);
}

std::string ProgressText(std::int64_t position, std::int64_t length) {
  // A stream of length 0 has no progress to show; 0 rather than "nan"/"inf" on the wire.
  if (length == 0) return "0";
  const double value = static_cast<double>(position) / (static_cast<double>(length) / 400.0);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return buffer;
}

int SliderPosition(std::int64_t position, std::int64_t length) {
  if (length == 0) return 0;
  return TruncateClamped<int>(static_cast<double>(position) /
                              (static_cast<double>(length) / 1000.0));
}

std::int64_t SeekTarget(int slider, std::int64_t length) {
  return TruncateClamped<std::int64_t>(static_cast<double>(slider) * static_cast<double>(length) /
                                       1000.0);
}

}  // namespace quilla::server
