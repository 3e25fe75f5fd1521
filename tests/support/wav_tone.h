#pragma once
// A sine tone as the bytes of a WAV file (16-bit mono PCM), for songs served in tests.

#include <cmath>
#include <cstdint>
#include <string>

namespace quilla::testing {

inline std::string WavTone(double seconds, double frequency = 440.0, int sample_rate = 22050) {
  const auto samples = static_cast<std::uint32_t>(seconds * sample_rate);
  const std::uint32_t data_bytes = samples * 2;
  std::string wav;
  auto put32 = [&wav](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto put16 = [&wav](std::uint16_t v) {
    wav.push_back(static_cast<char>(v & 0xFF));
    wav.push_back(static_cast<char>(v >> 8));
  };
  wav += "RIFF";
  put32(36 + data_bytes);
  wav += "WAVEfmt ";
  put32(16);
  put16(1);  // PCM
  put16(1);  // mono
  put32(static_cast<std::uint32_t>(sample_rate));
  put32(static_cast<std::uint32_t>(sample_rate) * 2);
  put16(2);
  put16(16);
  wav += "data";
  put32(data_bytes);
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double v = std::sin(2.0 * M_PI * frequency * i / sample_rate) * 8000.0;
    put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
  }
  return wav;
}

}  // namespace quilla::testing
