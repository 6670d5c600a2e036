// A small ARGB canvas for the sample generator's textures, with the few
// drawing operations its pictures need. Shapes are anti-aliased by a fixed
// 4 x 4 supersampling, and text uses a built-in bitmap font, so the output is
// the same on every machine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sample {

// 0xAARRGGBB, as the texture layer stores texels.
using Argb = uint32_t;

constexpr Argb MakeArgb(int a, int r, int g, int b) {
  return (uint32_t(a & 255) << 24) | (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) |
         uint32_t(b & 255);
}
constexpr int AlphaOf(Argb c) { return int(c >> 24); }
constexpr int RedOf(Argb c) { return int((c >> 16) & 255); }
constexpr int GreenOf(Argb c) { return int((c >> 8) & 255); }
constexpr int BlueOf(Argb c) { return int(c & 255); }

// Linear mix of two colours, alpha included; t in 0..1.
Argb Mix(Argb a, Argb b, float t);

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Argb> pixels;  // rows top first

  Image() = default;
  Image(int w, int h, Argb fill = 0);
  Argb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  Argb at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Paints colour over the pixel with the given coverage (0..1), "over" blending.
void BlendPixel(Image& image, int x, int y, Argb colour, float coverage);

// inside(x, y) in pixel units (pixel centres at +0.5); each pixel is covered
// by the fraction of its 16 sub-samples inside. Only the box is visited.
void FillShape(Image& image, float x0, float y0, float x1, float y1, Argb colour,
               const std::function<bool(float, float)>& inside);

void FillRect(Image& image, int x0, int y0, int x1, int y1, Argb colour);  // [x0, x1) x [y0, y1)
void FillEllipse(Image& image, float cx, float cy, float rx, float ry, Argb colour);
void FillRing(Image& image, float cx, float cy, float inner, float outer, Argb colour);
// A rectangle with rounded corners of radius r.
void FillRoundRect(Image& image, float x0, float y0, float x1, float y1, float r, Argb colour);

// Built-in 5 x 7 font; characters it lacks are drawn as blanks.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
bool HasGlyph(char c);
// Width in pixels of text at the given scale (one column of spacing between glyphs).
int TextWidth(const std::string& text, int scale);
// Top-left corner at (x, y); each font pixel becomes a scale x scale block.
void DrawText(Image& image, const std::string& text, int x, int y, int scale, Argb colour);

}  // namespace sample
