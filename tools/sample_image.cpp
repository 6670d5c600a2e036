#include "tools/sample_image.h"

#include <algorithm>
#include <cmath>

namespace sample {

namespace {

int MixChannel(int a, int b, float t) {
  return int(std::lround(float(a) + (float(b) - float(a)) * t));
}

struct Glyph {
  char c;
  uint8_t rows[kGlyphHeight];  // five bits each, the leftmost column in bit 4
};

constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'w', {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& glyph : kFont) {
    if (glyph.c == c) return &glyph;
  }
  return nullptr;
}

}  // namespace

Argb Mix(Argb a, Argb b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return MakeArgb(MixChannel(AlphaOf(a), AlphaOf(b), t), MixChannel(RedOf(a), RedOf(b), t),
                  MixChannel(GreenOf(a), GreenOf(b), t), MixChannel(BlueOf(a), BlueOf(b), t));
}

Image::Image(int w, int h, Argb fill)
    : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}

void BlendPixel(Image& image, int x, int y, Argb colour, float coverage) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height || coverage <= 0.0f) return;
  const float sa = float(AlphaOf(colour)) / 255.0f * std::min(coverage, 1.0f);
  const Argb dst = image.at(x, y);
  const float da = float(AlphaOf(dst)) / 255.0f;
  const float oa = sa + da * (1.0f - sa);
  if (oa <= 0.0f) {
    image.at(x, y) = 0;
    return;
  }
  auto channel = [&](int s, int d) {
    const float v = (float(s) * sa + float(d) * da * (1.0f - sa)) / oa;
    return int(std::lround(std::clamp(v, 0.0f, 255.0f)));
  };
  image.at(x, y) = MakeArgb(int(std::lround(oa * 255.0f)), channel(RedOf(colour), RedOf(dst)),
                            channel(GreenOf(colour), GreenOf(dst)),
                            channel(BlueOf(colour), BlueOf(dst)));
}

void FillShape(Image& image, float x0, float y0, float x1, float y1, Argb colour,
               const std::function<bool(float, float)>& inside) {
  const int ix0 = std::max(0, int(std::floor(x0)));
  const int iy0 = std::max(0, int(std::floor(y0)));
  const int ix1 = std::min(image.width, int(std::ceil(x1)) + 1);
  const int iy1 = std::min(image.height, int(std::ceil(y1)) + 1);
  for (int y = iy0; y < iy1; ++y) {
    for (int x = ix0; x < ix1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          if (inside(float(x) + (float(sx) + 0.5f) / 4.0f, float(y) + (float(sy) + 0.5f) / 4.0f)) {
            ++hits;
          }
        }
      }
      if (hits > 0) BlendPixel(image, x, y, colour, float(hits) / 16.0f);
    }
  }
}

void FillRect(Image& image, int x0, int y0, int x1, int y1, Argb colour) {
  for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(image.width, x1); ++x) {
      BlendPixel(image, x, y, colour, 1.0f);
    }
  }
}

void FillEllipse(Image& image, float cx, float cy, float rx, float ry, Argb colour) {
  FillShape(image, cx - rx, cy - ry, cx + rx, cy + ry, colour, [=](float x, float y) {
    const float dx = (x - cx) / rx;
    const float dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0f;
  });
}

void FillRing(Image& image, float cx, float cy, float inner, float outer, Argb colour) {
  FillShape(image, cx - outer, cy - outer, cx + outer, cy + outer, colour, [=](float x, float y) {
    const float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d2 <= outer * outer && d2 >= inner * inner;
  });
}

void FillRoundRect(Image& image, float x0, float y0, float x1, float y1, float r, Argb colour) {
  FillShape(image, x0, y0, x1, y1, colour, [=](float x, float y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const float qx = std::max(std::max(x0 + r - x, x - (x1 - r)), 0.0f);
    const float qy = std::max(std::max(y0 + r - y, y - (y1 - r)), 0.0f);
    return qx * qx + qy * qy <= r * r;
  });
}

bool HasGlyph(char c) { return FindGlyph(c) != nullptr; }

int TextWidth(const std::string& text, int scale) {
  if (text.empty()) return 0;
  return int(text.size()) * (kGlyphWidth + 1) * scale - scale;
}

void DrawText(Image& image, const std::string& text, int x, int y, int scale, Argb colour) {
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* glyph = FindGlyph(text[i]);
    if (glyph == nullptr) continue;
    const int left = x + int(i) * (kGlyphWidth + 1) * scale;
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int col = 0; col < kGlyphWidth; ++col) {
        if ((glyph->rows[row] >> (kGlyphWidth - 1 - col)) & 1) {
          FillRect(image, left + col * scale, y + row * scale, left + (col + 1) * scale,
                   y + (row + 1) * scale, colour);
        }
      }
    }
  }
}

}  // namespace sample
