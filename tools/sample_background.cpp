#include "tools/sample_background.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sample {

namespace {

constexpr float kFloorHalf = 8.0f;
constexpr float kWallRadius = 7.0f;
constexpr float kWallHeight = 6.0f;

// Deterministic value noise from an integer hash.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x85EBCA6Bu;
  h ^= h >> 16;
  return h;
}
float Noise(uint32_t x, uint32_t y, uint32_t seed) { return float(Hash(x, y, seed) & 0xFFFF) / 65535.0f; }

Argb Shade(Argb c, float f) {
  auto ch = [f](int v) { return std::clamp(int(std::lround(float(v) * f)), 0, 255); };
  return MakeArgb(AlphaOf(c), ch(RedOf(c)), ch(GreenOf(c)), ch(BlueOf(c)));
}

}  // namespace

XMeshData BuildBackground(const std::string& floorTexture, const std::string& wallTexture) {
  MeshBuilder mesh;
  const uint32_t floor = mesh.AddMaterial({1.0f, 1.0f, 1.0f, 10.0f, 0.0f, 0.3f, floorTexture});
  const uint32_t wall = mesh.AddMaterial({1.0f, 1.0f, 1.0f, 10.0f, 0.0f, 0.35f, wallTexture});
  mesh.AddGrid(
      16, 16,
      [](float s, float t) {
        return Vec3{-kFloorHalf + 2.0f * kFloorHalf * s, 0.0f, kFloorHalf - 2.0f * kFloorHalf * t};
      },
      [](float, float) { return Vec3{0.0f, 1.0f, 0.0f}; }, 8.0f, 8.0f, floor);
  const float span = 2.0f * std::numbers::pi_v<float> * 115.0f / 360.0f;
  auto angle = [span](float s) { return -span + 2.0f * span * s; };
  mesh.AddGrid(
      40, 6,
      [&](float s, float t) {
        const float a = angle(s);
        return Vec3{kWallRadius * std::sin(a), kWallHeight * (1.0f - t), kWallRadius * std::cos(a)};
      },
      [&](float s, float) {
        const float a = angle(s);
        return Vec3{-std::sin(a), 0.0f, -std::cos(a)};
      },
      3.0f, 1.0f, wall);
  return mesh.ToXMeshData();
}

Image DrawFloorTexture(BackgroundTheme theme) {
  constexpr int kSize = 256;
  Image image(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      Argb c = 0;
      switch (theme) {
        case BackgroundTheme::kStudio: {
          // Planks of 32 pixels, each with its own tint and grain.
          const int plank = y / 32;
          const float tint = 0.85f + 0.3f * Noise(uint32_t(plank), 0, 1);
          const float grain = 0.9f + 0.1f * Noise(uint32_t(x / 3), uint32_t(y / 2 + plank * 97), 2);
          c = Shade(MakeArgb(255, 196, 146, 96), tint * grain);
          const int joint = (plank % 2 == 0) ? 0 : 128;
          if (y % 32 == 0 || (x + joint) % 256 == 0) c = MakeArgb(255, 90, 60, 40);
          break;
        }
        case BackgroundTheme::kGarden: {
          const float n = 0.5f * Noise(uint32_t(x), uint32_t(y), 3) +
                          0.5f * Noise(uint32_t(x / 8), uint32_t(y / 8), 4);
          c = Shade(MakeArgb(255, 90, 170, 70), 0.75f + 0.4f * n);
          break;
        }
        case BackgroundTheme::kStage: {
          const bool light = ((x / 64) + (y / 64)) % 2 == 0;
          c = light ? MakeArgb(255, 225, 215, 200) : MakeArgb(255, 70, 60, 80);
          c = Shade(c, 0.95f + 0.08f * Noise(uint32_t(x / 2), uint32_t(y / 2), 5));
          break;
        }
        case BackgroundTheme::kNight: {
          c = Shade(MakeArgb(255, 40, 48, 80), 0.9f + 0.2f * Noise(uint32_t(x / 4), uint32_t(y / 4), 6));
          if (x % 64 < 3 || y % 64 < 3) c = MakeArgb(255, 110, 200, 255);
          break;
        }
      }
      image.at(x, y) = c;
    }
  }
  return image;
}

Image DrawWallTexture(BackgroundTheme theme) {
  constexpr int kSize = 256;
  Image image(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    const float t = float(y) / float(kSize - 1);  // 0 at the top
    for (int x = 0; x < kSize; ++x) {
      Argb c = 0;
      switch (theme) {
        case BackgroundTheme::kStudio: {
          c = Mix(MakeArgb(255, 200, 220, 240), MakeArgb(255, 150, 175, 215), t);
          if ((x / 16) % 2 == 0) c = Shade(c, 0.93f);
          if (y > 246) c = MakeArgb(255, 235, 235, 230);  // skirting board
          break;
        }
        case BackgroundTheme::kGarden: {
          c = Mix(MakeArgb(255, 90, 150, 235), MakeArgb(255, 200, 230, 255), t);
          // Whole periods across the width, so the repeated texture has no seam.
          const float w = 2.0f * std::numbers::pi_v<float> * float(x) / float(kSize);
          const float hill = 180.0f + 25.0f * std::sin(2.0f * w) + 12.0f * std::sin(5.0f * w);
          if (float(y) > hill) c = Shade(MakeArgb(255, 70, 140, 60), 0.9f + 0.2f * Noise(uint32_t(x / 3), uint32_t(y / 3), 7));
          break;
        }
        case BackgroundTheme::kStage: {
          const float fold = 0.5f + 0.5f * std::cos(float(x) * 2.0f * std::numbers::pi_v<float> / 32.0f);
          c = Shade(MakeArgb(255, 190, 30, 45), 0.55f + 0.5f * fold);
          if (y < 20) c = MakeArgb(255, 220, 180, 60);  // pelmet
          break;
        }
        case BackgroundTheme::kNight: {
          c = Mix(MakeArgb(255, 10, 12, 40), MakeArgb(255, 50, 40, 100), t);
          if (Hash(uint32_t(x), uint32_t(y), 8) % 180 == 0) c = MakeArgb(255, 255, 255, 220);
          break;
        }
      }
      image.at(x, y) = c;
    }
  }
  if (theme == BackgroundTheme::kGarden) {
    FillEllipse(image, 60.0f, 50.0f, 30.0f, 12.0f, MakeArgb(230, 255, 255, 255));
    FillEllipse(image, 80.0f, 44.0f, 22.0f, 12.0f, MakeArgb(230, 255, 255, 255));
    FillEllipse(image, 190.0f, 80.0f, 26.0f, 10.0f, MakeArgb(220, 255, 255, 255));
  } else if (theme == BackgroundTheme::kNight) {
    FillEllipse(image, 190.0f, 60.0f, 22.0f, 22.0f, MakeArgb(255, 250, 240, 200));
    FillEllipse(image, 200.0f, 54.0f, 19.0f, 19.0f, MakeArgb(255, 20, 20, 55));
  }
  return image;
}

}  // namespace sample
