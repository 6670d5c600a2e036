#include "render/dds_reader.h"

#include "render/little_endian.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using little_endian::U16;
using little_endian::U32;

constexpr size_t kHeaderEnd = 128;  // magic + 124-byte header

constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_DEPTH = 0x800000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;


constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
         (uint32_t(uint8_t(d)) << 24);
}

// The code as its four letters, or as a number when it is not text (D3D9 float formats).
std::string FourCCText(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((code >> (8 * i)) & 0xff);
    if (c < 0x20 || c >= 0x7f) return std::to_string(code);
    text += c;
  }
  return text;
}

enum class Kind { kDxt1, kDxt3, kDxt5, kMasks, kPalette8 };

struct Layout {
  Kind kind = Kind::kMasks;
  uint32_t bytesPerPixel = 0;  // uncompressed kinds
  uint32_t blockBytes = 0;     // DXT kinds
};

uint64_t LevelBytes(const Layout& layout, uint64_t w, uint64_t h) {
  if (layout.blockBytes != 0) return ((w + 3) / 4) * ((h + 3) / 4) * layout.blockBytes;
  return w * h * layout.bytesPerPixel;
}

uint32_t Expand565(uint16_t c) {
  const uint32_t r = (c >> 11) & 0x1f, g = (c >> 5) & 0x3f, b = c & 0x1f;
  return PackArgb(255, (r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

uint32_t Mix(uint32_t c0, uint32_t c1, uint32_t w0, uint32_t w1, uint32_t div) {
  uint32_t out = 0xff000000u;
  for (int s = 0; s < 24; s += 8) {
    const uint32_t a = (c0 >> s) & 0xff, b = (c1 >> s) & 0xff;
    out |= ((a * w0 + b * w1) / div) << s;
  }
  return out;
}

// The 16 colours of a colour block; DXT2-5 blocks always use four colours.
void ColourBlock(const uint8_t* block, bool allowTransparent, std::array<uint32_t, 16>* out) {
  const uint16_t raw0 = U16(block), raw1 = U16(block + 2);
  std::array<uint32_t, 4> palette;
  palette[0] = Expand565(raw0);
  palette[1] = Expand565(raw1);
  if (raw0 > raw1 || !allowTransparent) {
    palette[2] = Mix(palette[0], palette[1], 2, 1, 3);
    palette[3] = Mix(palette[0], palette[1], 1, 2, 3);
  } else {
    palette[2] = Mix(palette[0], palette[1], 1, 1, 2);
    palette[3] = 0x00000000u;
  }
  const uint32_t bits = U32(block + 4);
  for (int i = 0; i < 16; ++i) (*out)[i] = palette[(bits >> (2 * i)) & 3];
}

void ExplicitAlpha(const uint8_t* block, std::array<uint32_t, 16>* texels) {
  for (int i = 0; i < 16; ++i) {
    const uint32_t a4 = (block[i / 2] >> ((i & 1) * 4)) & 0xf;
    (*texels)[i] = ((*texels)[i] & 0x00ffffffu) | ((a4 * 17) << 24);
  }
}

void InterpolatedAlpha(const uint8_t* block, std::array<uint32_t, 16>* texels) {
  const uint32_t a0 = block[0], a1 = block[1];
  std::array<uint32_t, 8> alpha{a0, a1, 0, 0, 0, 0, 0, 0};
  if (a0 > a1) {
    for (uint32_t i = 1; i < 7; ++i) alpha[i + 1] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (uint32_t i = 1; i < 5; ++i) alpha[i + 1] = ((5 - i) * a0 + i * a1) / 5;
    alpha[6] = 0;
    alpha[7] = 255;
  }
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) {
    const uint32_t a = alpha[(bits >> (3 * i)) & 7];
    (*texels)[i] = ((*texels)[i] & 0x00ffffffu) | (a << 24);
  }
}

void DecodeBlocks(const Layout& layout, const uint8_t* src, DecodedImage* image) {
  const uint32_t w = image->width, h = image->height;
  const uint32_t bw = (w + 3) / 4, bh = (h + 3) / 4;
  std::array<uint32_t, 16> block{};
  for (uint32_t by = 0; by < bh; ++by) {
    for (uint32_t bx = 0; bx < bw; ++bx, src += layout.blockBytes) {
      switch (layout.kind) {
        case Kind::kDxt1:
          ColourBlock(src, true, &block);
          break;
        case Kind::kDxt3:
          ColourBlock(src + 8, false, &block);
          ExplicitAlpha(src, &block);
          break;
        default:
          ColourBlock(src + 8, false, &block);
          InterpolatedAlpha(src, &block);
          break;
      }
      for (uint32_t y = 0; y < 4 && by * 4 + y < h; ++y) {
        for (uint32_t x = 0; x < 4 && bx * 4 + x < w; ++x) {
          image->texels[size_t(by * 4 + y) * w + bx * 4 + x] = block[y * 4 + x];
        }
      }
    }
  }
}

// Names a mask layout the way Direct3D names formats, highest bits first:
// A8R8G8B8, X1R5G5B5, B8G8R8, A8L8 ...
std::string MaskFormatName(uint32_t bitCount, const std::vector<std::pair<char, MaskChannel>>& ch) {
  std::vector<std::pair<char, MaskChannel>> sorted;
  for (const auto& c : ch) {
    if (c.second.mask != 0) sorted.push_back(c);
  }
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.second.shift > b.second.shift; });
  std::string name;
  uint32_t top = bitCount;  // bits above this are named
  for (const auto& c : sorted) {
    const uint32_t end = c.second.shift + c.second.Bits();
    if (end < top) name += "X" + std::to_string(top - end);
    name += c.first + std::to_string(c.second.Bits());
    top = c.second.shift;
  }
  if (top > 0) name += "X" + std::to_string(top);
  return name;
}

}  // namespace

bool LooksLikeDds(const uint8_t* data, size_t size) {
  return size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

DecodeResult DecodeDds(const uint8_t* data, size_t size) {
  if (!LooksLikeDds(data, size)) return DecodeFailure("not a DDS file");
  if (size < kHeaderEnd) return DecodeFailure("DDS header is truncated");
  if (U32(data + 4) != 124) return DecodeFailure("DDS header size is not 124");
  const uint32_t flags = U32(data + 8);
  const uint32_t height = U32(data + 12);
  const uint32_t width = U32(data + 16);
  const uint32_t depth = U32(data + 24);
  const uint32_t mipCount = U32(data + 28);
  const uint32_t pfFlags = U32(data + 80);
  const uint32_t fourCC = U32(data + 84);
  const uint32_t bitCount = U32(data + 88);
  uint32_t rMask = U32(data + 92), gMask = U32(data + 96), bMask = U32(data + 100),
           aMask = U32(data + 104);
  const uint32_t caps = U32(data + 108);
  const uint32_t caps2 = U32(data + 112);

  if (width == 0 || height == 0) return DecodeFailure("DDS image has a zero size");
  if (width > kMaxImageSide || height > kMaxImageSide) {
    return DecodeFailure("DDS image of " + std::to_string(width) + "x" + std::to_string(height) +
                         " is too large");
  }
  if (caps2 & DDSCAPS2_CUBEMAP) return DecodeFailure("DDS cube maps are not supported");
  if ((caps2 & DDSCAPS2_VOLUME) || ((flags & DDSD_DEPTH) && depth > 1)) {
    return DecodeFailure("DDS volume textures are not supported");
  }

  Layout layout;
  std::string format;
  std::vector<std::pair<char, MaskChannel>> channels;
  bool luminance = false;
  size_t dataStart = kHeaderEnd;

  if (pfFlags & DDPF_FOURCC) {
    switch (fourCC) {
      case FourCC('D', 'X', 'T', '1'):
        layout = {Kind::kDxt1, 0, 8};
        break;
      case FourCC('D', 'X', 'T', '2'):
      case FourCC('D', 'X', 'T', '3'):
        layout = {Kind::kDxt3, 0, 16};
        break;
      case FourCC('D', 'X', 'T', '4'):
      case FourCC('D', 'X', 'T', '5'):
        layout = {Kind::kDxt5, 0, 16};
        break;
      case FourCC('D', 'X', '1', '0'):
        return DecodeFailure("DDS files with a DX10 header are not supported");
      default:
        return DecodeFailure("DDS FourCC " + FourCCText(fourCC) + " is not supported");
    }
    format = FourCCText(fourCC);
  } else if (pfFlags & DDPF_PALETTEINDEXED8) {
    // Writers disagree on the bit count here; the layout is one index byte per texel.
    layout = {Kind::kPalette8, 1, 0};
    format = "P8";
    dataStart = kHeaderEnd + 1024;
    if (size < dataStart) return DecodeFailure("DDS palette is truncated");
  } else if (pfFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) {
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
      return DecodeFailure("DDS bit count " + std::to_string(bitCount) + " is not supported");
    }
    const uint32_t fits = bitCount == 32 ? 0xffffffffu : ((1u << bitCount) - 1);
    const bool hasAlpha = (pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) != 0;
    if (!hasAlpha) aMask = 0;
    std::vector<std::pair<char, uint32_t>> specs;
    if (pfFlags & DDPF_RGB) {
      specs = {{'R', rMask}, {'G', gMask}, {'B', bMask}, {'A', aMask}};
    } else if (pfFlags & DDPF_LUMINANCE) {
      luminance = true;
      if (bitCount > 16) {
        return DecodeFailure("DDS luminance with " + std::to_string(bitCount) +
                             " bits is not supported");
      }
      // Some writers put the luminance mask outside the pixel; the layout is
      // then the usual L8 / A8L8 one.
      if ((rMask & ~fits) != 0 || rMask == 0) rMask = 0xff;
      if (hasAlpha && ((aMask & ~fits) != 0 || aMask == 0)) aMask = bitCount == 16 ? 0xff00 : 0;
      specs = {{'L', rMask}, {'A', aMask}};
    } else {
      specs = {{'A', aMask}};
    }
    uint32_t seen = 0;
    for (const auto& [letter, m] : specs) {
      if ((m & ~fits) != 0) return DecodeFailure("DDS channel mask lies outside the pixel");
      if ((m & seen) != 0) return DecodeFailure("DDS channel masks overlap");
      MaskChannel channel;
      if (!channel.Set(m)) return DecodeFailure("DDS channel mask is not contiguous");
      channels.emplace_back(letter, channel);
      seen |= m;
    }
    layout = {Kind::kMasks, bitCount / 8, 0};
    format = MaskFormatName(bitCount, channels);
  } else {
    return DecodeFailure("DDS pixel format is not supported");
  }

  // Level 0 must be complete; further declared levels count only when present.
  // Some writers flag the chain in the caps only.
  uint64_t offset = dataStart;
  uint32_t declared = 1;
  if (((flags & DDSD_MIPMAPCOUNT) || (caps & DDSCAPS_MIPMAP)) && mipCount > 1) {
    uint32_t chain = 1;
    for (uint32_t side = std::max(width, height); side > 1; side /= 2) ++chain;
    declared = std::min(mipCount, chain);
  }
  uint32_t levels = 0;
  for (uint64_t w = width, h = height; levels < declared; ++levels) {
    const uint64_t bytes = LevelBytes(layout, w, h);
    if (offset + bytes > size) break;
    offset += bytes;
    w = std::max<uint64_t>(1, w / 2);
    h = std::max<uint64_t>(1, h / 2);
  }
  if (levels == 0) return DecodeFailure("DDS pixel data is truncated");

  DecodeResult result;
  DecodedImage& image = result.image;
  image.width = width;
  image.height = height;
  image.format = format;
  image.levels = levels;
  image.texels.resize(size_t(width) * height);
  const uint8_t* src = data + dataStart;

  if (layout.blockBytes != 0) {
    DecodeBlocks(layout, src, &image);
  } else if (layout.kind == Kind::kPalette8) {
    const uint8_t* palette = data + kHeaderEnd;  // entries R, G, B, A
    for (size_t i = 0; i < image.texels.size(); ++i) {
      const uint8_t* e = palette + 4 * size_t(src[i]);
      image.texels[i] = PackArgb(e[3], e[0], e[1], e[2]);
    }
  } else {
    const MaskChannel* a = nullptr;
    const MaskChannel* r = nullptr;
    const MaskChannel* g = nullptr;
    const MaskChannel* b = nullptr;
    for (const auto& c : channels) {
      if (c.first == 'A') a = &c.second;
      if (c.first == 'R' || c.first == 'L') r = &c.second;
      if (c.first == 'G') g = &c.second;
      if (c.first == 'B') b = &c.second;
    }
    const uint32_t bpp = layout.bytesPerPixel;
    for (size_t i = 0; i < image.texels.size(); ++i, src += bpp) {
      uint32_t pixel = 0;
      for (uint32_t k = 0; k < bpp; ++k) pixel |= uint32_t(src[k]) << (8 * k);
      const uint32_t alpha = a ? a->Get(pixel, 255) : 255;
      const uint32_t red = r ? r->Get(pixel, 0) : 0;
      if (luminance) {
        image.texels[i] = PackArgb(alpha, red, red, red);
      } else {
        image.texels[i] = PackArgb(alpha, red, g ? g->Get(pixel, 0) : 0, b ? b->Get(pixel, 0) : 0);
      }
    }
  }
  result.ok = true;
  return result;
}
