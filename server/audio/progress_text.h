#pragma once
// The texts and slider values of the progress display, from the engine's byte positions.
// All functions are pure and thread-safe.

#include <cstdint>
#include <string>

namespace quilla::server {

// "mm:ss" of the whole seconds (the fraction dropped, truncated toward zero): minutes and
// seconds each as decimal text padded with "0" on the left to at least two characters.
// 0 -> "00:00", 65.9 -> "01:05", 6000 -> "100:00". Negative and non-finite values (failed
// reads) give "00:00", so the texts of a failed position and a failed length are equal.
std::string TimeText(double seconds);

// position / (length / 400) in double precision, as printf "%.13g" writes it (0..400 for a
// normal stream; both -1 -> "400"). Length 0 -> "0".
std::string ProgressText(std::int64_t position, std::int64_t length);

// position / (length / 1000) in double precision truncated toward zero (0..1000 for a normal
// stream; both -1 -> 1000). Length 0 -> 0. Clamped to the range of int.
int SliderPosition(std::int64_t position, std::int64_t length);

// slider * length / 1000 in double precision, truncated toward zero: the byte position that
// a slider value (0..1000) stands for.
std::int64_t SeekTarget(int slider, std::int64_t length);

}  // namespace quilla::server
