#pragma once
// Pictures drawn at build time, for the build-time tools: a picture is a function from a
// point to a colour, sampled 4 x 4 times a pixel (smooth edges) and written as a PNG with
// zlib alone, so the library links no drawing library.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quilla::server::library::tools {

struct Colour {
  double r, g, b;  // 0..1
};

inline Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The colour at a point, in pixels from the top left corner.
using PointColour = std::function<Colour(double x, double y)>;

// A `size` x `size` PNG (8-bit RGB) of the picture.
inline std::string DrawPng(int size, const PointColour& colour_at) {
  constexpr int kSamples = 4;
  std::string raw;
  raw.reserve(std::size_t(size) * (size * 3 + 1));
  for (int y = 0; y < size; ++y) {
    raw += '\0';  // filter: none
    for (int x = 0; x < size; ++x) {
      Colour sum{0, 0, 0};
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Colour c = colour_at(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        }
      }
      const double n = kSamples * kSamples;
      for (const double v : {sum.r / n, sum.g / n, sum.b / n}) {
        raw += static_cast<char>(static_cast<std::uint8_t>(std::clamp(v, 0.0, 1.0) * 255 + 0.5));
      }
    }
  }

  uLongf packed_size = compressBound(uLong(raw.size()));
  std::string packed(packed_size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
            reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 9);
  packed.resize(packed_size);

  const auto put32 = [](std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
  };
  const auto put_chunk = [&](std::string& png, const char* type, const std::string& data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    png += body;
    put32(png, static_cast<std::uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
  };
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  put32(header, static_cast<std::uint32_t>(size));
  put32(header, static_cast<std::uint32_t>(size));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  put_chunk(png, "IHDR", header);
  put_chunk(png, "IDAT", packed);
  put_chunk(png, "IEND", "");
  return png;
}

}  // namespace quilla::server::library::tools
