#include "server/library/tools/demo_covers.h"

#include <algorithm>
#include <cmath>

#include "server/library/tools/picture_drawing.h"

namespace quilla::server::library::tools {
namespace {

constexpr int kSize = 300;

Colour FromHex(unsigned rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

// 1 inside, 0 outside, a pixel-wide soft edge: `distance` is negative inside the shape.
double Inside(double distance) {
  return std::clamp(0.5 - distance, 0.0, 1.0);
}

double Circle(double x, double y, double cx, double cy, double r) {
  return std::hypot(x - cx, y - cy) - r;
}

// A repeatable value in [0, 1) for integer cell coordinates (stars, windows).
double CellNoise(int a, int b) {
  unsigned h = static_cast<unsigned>(a) * 374761393u + static_cast<unsigned>(b) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0;
}

Colour Paint(const DemoSong& song, double x, double y) {
  const Colour top = FromHex(song.colours[0]);
  const Colour bottom = FromHex(song.colours[1]);
  const Colour accent = FromHex(song.colours[2]);
  Colour c = Mix(top, bottom, y / kSize);
  switch (song.motif) {
    case Motif::kSunrise: {
      c = Mix(c, accent, Inside(Circle(x, y, 150, 190, 62)));
      const double hill = 215 + 18 * std::sin(x / 40.0) + 10 * std::sin(x / 17.0 + 1);
      c = Mix(c, {0.35, 0.55, 0.30}, Inside(hill - y));
      const double near = 250 + 14 * std::sin(x / 29.0 + 2);
      c = Mix(c, {0.22, 0.40, 0.22}, Inside(near - y));
      break;
    }
    case Motif::kWaves: {
      for (int k = 0; k < 4; ++k) {
        const double level = 170 + k * 30 + 8 * std::sin(x / 22.0 + k * 1.7);
        c = Mix(c, Mix(bottom, top, 0.25 + 0.2 * k), Inside(level - y));
      }
      // A paper boat: a hull and a sail.
      const double hull = std::max({168 - y, y - 186, std::abs(x - 150) - (110 - (y - 168))});
      const double sail = std::max(y - 168, std::abs(x - 150) - (y - 118) * 0.55);
      c = Mix(c, accent, std::max(Inside(hull), y > 118 ? Inside(sail) : 0.0));
      break;
    }
    case Motif::kBamboo: {
      for (int k = 0; k < 6; ++k) {
        const double stalk_x = 30 + k * 48 + 10 * std::sin(k * 2.3);
        const double width = 7 + (k % 3) * 2;
        double inside = Inside(std::abs(x - stalk_x) - width);
        if (std::fmod(y + k * 37, 70.0) < 3) inside *= 0.4;  // the joints
        c = Mix(c, Mix(accent, bottom, 0.25 * (k % 2)), inside);
      }
      c = Mix(c, {0.85, 0.20, 0.15}, Inside(Circle(x, y, 240, 60, 22)));  // a red seal
      break;
    }
    case Motif::kCityNight: {
      c = Mix(c, accent, Inside(Circle(x, y, 225, 70, 26)));
      c = Mix(c, top, Inside(Circle(x, y, 236, 62, 24)));  // the crescent's shadow
      const int column = static_cast<int>(x) / 30;
      const double roof = 150 + 90 * CellNoise(column, 7);
      if (y > roof) {
        c = {0.05, 0.06, 0.12};
        const bool window = std::fmod(x, 30.0) > 6 && std::fmod(x, 30.0) < 14 &&
                            std::fmod(y, 20.0) > 6 && std::fmod(y, 20.0) < 14;
        if (window && CellNoise(static_cast<int>(x) / 10, static_cast<int>(y) / 20) > 0.55)
          c = accent;
      }
      break;
    }
    case Motif::kRipples: {
      for (const auto& [cx, cy] : {std::pair{110.0, 200.0}, std::pair{210.0, 150.0}}) {
        const double r = std::hypot(x - cx, (y - cy) * 2.2);
        const double ring = std::abs(std::fmod(r, 26.0) - 13);
        if (r < 110) c = Mix(c, accent, Inside(ring - 10.5) * (1 - r / 110));
      }
      for (int k = 0; k < 40; ++k) {  // rain
        const double rx = CellNoise(k, 1) * kSize, ry = CellNoise(k, 2) * kSize * 0.6;
        c = Mix(c, {1, 1, 1}, 0.5 * Inside(std::max(std::abs(x - rx) - 0.8, std::abs(y - ry) - 7)));
      }
      break;
    }
    case Motif::kNeon: {
      const double r = std::hypot(x - 150, y - 150);
      const double glow = std::exp(-std::pow(std::fmod(r, 34.0) - 17, 2) / 6.0);
      c = Mix(c, accent, glow * std::clamp(1.4 - r / 150, 0.0, 1.0));
      if (y > 200) {  // a floor grid running to the horizon
        const double depth = 2000 / (y - 190);
        // Distance to the nearest grid line, in grid units (0 on a line, 0.5 between).
        const double across = std::abs(std::fmod((x - 150) * depth / 400 + 1000.5, 1.0) - 0.5);
        const double along = std::abs(std::fmod(depth / 12, 1.0) - 0.5);
        const double line = std::max(across, along);
        c = Mix(bottom, {1.0, 0.2, 0.8}, std::clamp((line - 0.44) * 16, 0.0, 1.0));
      }
      break;
    }
    case Motif::kMoonBoat: {
      if (CellNoise(static_cast<int>(x) / 6, static_cast<int>(y) / 6) > 0.985)
        c = Mix(c, accent,
                Inside(Circle(x, y, std::floor(x / 6) * 6 + 3, std::floor(y / 6) * 6 + 3, 1.5)));
      // A crescent lying on its back: the moon boat.
      const double outer = Circle(x, y, 150, 140, 80);
      const double inner = Circle(x, y, 150, 105, 80);
      c = Mix(c, accent, Inside(std::max(outer, -inner)));
      c = Mix(c, {1, 1, 1}, 0.9 * Inside(Circle(x, y, 150, 190, 9)));  // a small passenger
      break;
    }
    case Motif::kRoad: {
      c = Mix(c, accent, Inside(Circle(x, y, 150, 130, 55)) * 0.6);  // the setting sun
      if (y > 150) {
        const double half = (y - 150) * 1.1 + 3;
        const double road = std::abs(x - 150) - half;
        c = Mix(c, {0.13, 0.12, 0.14}, Inside(road));
        const double dash = std::fmod(std::log(y - 149) * 9, 2.0) < 1 ? 1 : 0;
        c = Mix(c, {1.0, 0.85, 0.3}, dash * Inside(std::abs(x - 150) - (y - 150) * 0.04 - 0.6));
      }
      break;
    }
  }
  // A soft darkening towards the corners, like a printed sleeve.
  const double vignette = 1 - 0.25 * std::pow(std::hypot(x - 150, y - 150) / 212, 2);
  return {c.r * vignette, c.g * vignette, c.b * vignette};
}

}  // namespace

std::string DrawDemoCover(const DemoSong& song) {
  return DrawPng(kSize, [&song](double x, double y) { return Paint(song, x, y); });
}

}  // namespace quilla::server::library::tools
