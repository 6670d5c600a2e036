#include "render/bmp_reader.h"

#include "render/little_endian.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using little_endian::I32;
using little_endian::U16;
using little_endian::U32;

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_JPEG = 4;
constexpr uint32_t BI_PNG = 5;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

// Densities above this (pixels per metre, about 25000 dpi) only come from damaged headers.
constexpr int64_t kMaxDensity = 1000000;
// An RLE stream cannot honestly describe more pixels than this per byte of data.
constexpr uint64_t kMaxRlePixelsPerByte = 256;


struct Header {
  uint64_t offBits = 0;
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: top-down
  uint32_t planes = 1;
  uint32_t bitCount = 0;
  uint32_t compression = BI_RGB;
  uint32_t sizeImage = 0;
  int64_t xDensity = 0, yDensity = 0;
  uint32_t colorsUsed = 0;
};

// Maps palette indices (one per pixel, rows top first) to colours.
bool ApplyPalette(const std::vector<uint8_t>& indices, const std::vector<uint32_t>& palette,
                  std::vector<uint32_t>* texels) {
  texels->resize(indices.size());
  for (size_t i = 0; i < indices.size(); ++i) {
    if (indices[i] >= palette.size()) return false;
    (*texels)[i] = palette[indices[i]];
  }
  return true;
}

// RLE8 / RLE4 into a bottom-up index grid; false with a reason on a bad stream.
bool DecodeRle(const uint8_t* p, const uint8_t* end, uint32_t w, uint32_t h, bool four,
               std::vector<uint8_t>* grid, std::string* why) {
  uint64_t x = 0, y = 0;
  auto put = [&](uint8_t index) { (*grid)[size_t(y) * w + size_t(x++)] = index; };
  while (end - p >= 2) {
    const uint8_t count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      if (y >= h || x + count > w) {
        *why = "RLE run passes the end of a row";
        return false;
      }
      for (uint32_t i = 0; i < count; ++i) {
        put(four ? ((i & 1) ? (value & 0xf) : (value >> 4)) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
      continue;
    }
    if (value == 1) return true;  // end of bitmap
    if (value == 2) {             // delta
      if (end - p < 2) break;
      x += p[0];
      y += p[1];
      p += 2;
      if (x > w || y > h || (y == h && x > 0)) {
        *why = "RLE delta moves outside the image";
        return false;
      }
      continue;
    }
    const uint32_t n = value;  // absolute run
    const size_t bytes = four ? (n + 1) / 2 : n;
    const size_t padded = (bytes + 1) & ~size_t(1);
    if (size_t(end - p) < bytes) break;
    if (y >= h || x + n > w) {
      *why = "RLE run passes the end of a row";
      return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
      put(four ? ((i & 1) ? (p[i / 2] & 0xf) : (p[i / 2] >> 4)) : p[i]);
    }
    p += std::min(padded, size_t(end - p));
  }
  // A stream without its end marker is complete only if it filled every row.
  if (y >= h || (y + 1 == h && x == w)) return true;
  *why = "RLE data ends before the image is complete";
  return false;
}

}  // namespace

bool LooksLikeBmp(const uint8_t* data, size_t size) {
  return size >= 2 && ((data[0] == 'B' && data[1] == 'M') || (data[0] == 'B' && data[1] == 'A'));
}

DecodeResult DecodeBmp(const uint8_t* data, size_t size) {
  if (!LooksLikeBmp(data, size)) return DecodeFailure("not a BMP file");
  size_t base = 0;
  if (data[1] == 'A') {
    // OS/2 bitmap array: the first entry's file header follows a 14-byte array header.
    base = 14;
    if (size < base + 2 || data[base] != 'B' || data[base + 1] != 'M') {
      return DecodeFailure("BMP bitmap array does not hold a bitmap");
    }
  }
  if (size < base + 18) return DecodeFailure("BMP header is truncated");
  Header hd;
  const uint32_t fileSize = U32(data + base + 2);
  hd.offBits = U32(data + base + 10);
  const size_t info = base + 14;
  hd.headerSize = U32(data + info);
  switch (hd.headerSize) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
      break;
    default:
      return DecodeFailure("BMP header size " + std::to_string(hd.headerSize) + " is not known");
  }
  if (size < info + hd.headerSize) return DecodeFailure("BMP header is truncated");
  if (base == 0 && fileSize > size) return DecodeFailure("BMP file is shorter than its header says");
  const uint8_t* h = data + info;
  if (hd.headerSize == 12) {
    hd.width = U16(h + 4);
    hd.height = U16(h + 6);
    hd.planes = U16(h + 8);
    hd.bitCount = U16(h + 10);
  } else {
    hd.width = I32(h + 4);
    hd.height = I32(h + 8);
    hd.planes = U16(h + 12);
    hd.bitCount = U16(h + 14);
    if (hd.headerSize >= 40) {
      hd.compression = U32(h + 16);
      hd.sizeImage = U32(h + 20);
      hd.xDensity = I32(h + 24);
      hd.yDensity = I32(h + 28);
      hd.colorsUsed = U32(h + 32);
    }
  }
  const bool os2v2 = hd.headerSize == 16 || hd.headerSize == 64;
  if (hd.planes != 1) return DecodeFailure("BMP plane count is not 1");
  if (hd.width <= 0) return DecodeFailure("BMP width is not positive");
  if (hd.height == 0) return DecodeFailure("BMP height is zero");
  const bool topDown = hd.height < 0;
  const uint64_t width = uint64_t(hd.width);
  const uint64_t height = uint64_t(topDown ? -hd.height : hd.height);
  if (width > kMaxImageSide || height > kMaxImageSide) {
    return DecodeFailure("BMP image of " + std::to_string(width) + "x" + std::to_string(height) +
                         " is too large");
  }
  if (std::llabs(hd.xDensity) > kMaxDensity || std::llabs(hd.yDensity) > kMaxDensity) {
    return DecodeFailure("BMP pixel density is absurd");
  }
  if (hd.sizeImage > size) return DecodeFailure("BMP image size field exceeds the file");
  if (os2v2 && (hd.compression == 3 || hd.compression == 4)) {
    return DecodeFailure(hd.compression == 3 ? "OS/2 Huffman-compressed BMP is not supported"
                                             : "OS/2 RLE24 BMP is not supported");
  }
  switch (hd.compression) {
    case BI_RGB:
      if (hd.bitCount != 1 && hd.bitCount != 2 && hd.bitCount != 4 && hd.bitCount != 8 &&
          hd.bitCount != 16 && hd.bitCount != 24 && hd.bitCount != 32) {
        return DecodeFailure("BMP bit count " + std::to_string(hd.bitCount) + " is not supported");
      }
      break;
    case BI_RLE8:
    case BI_RLE4:
      if (hd.bitCount != (hd.compression == BI_RLE8 ? 8u : 4u)) {
        return DecodeFailure("BMP RLE compression does not match the bit count");
      }
      if (topDown) return DecodeFailure("BMP RLE image cannot be top-down");
      break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
      if (hd.bitCount != 16 && hd.bitCount != 32) {
        return DecodeFailure("BMP bit fields need 16 or 32 bits per pixel");
      }
      break;
    case BI_JPEG:
      return DecodeFailure("BMP with an embedded JPEG stream is not supported");
    case BI_PNG:
      return DecodeFailure("BMP with an embedded PNG stream is not supported");
    default:
      return DecodeFailure("BMP compression " + std::to_string(hd.compression) +
                           " is not supported");
  }

  // Channel masks: defaults for plain 16/32-bit pixels, else from the header
  // (V2+) or the words after a 40-byte header.
  MaskChannel r, g, b, a;
  size_t afterHeader = info + hd.headerSize;
  if (hd.compression == BI_RGB) {
    if (hd.bitCount == 16) {
      r.Set(0x7c00), g.Set(0x03e0), b.Set(0x001f);
    } else {
      r.Set(0x00ff0000), g.Set(0x0000ff00), b.Set(0x000000ff);
    }
  } else if (hd.compression == BI_BITFIELDS || hd.compression == BI_ALPHABITFIELDS) {
    uint32_t masks[4] = {0, 0, 0, 0};
    // Masks the header holds itself; the rest follow it.
    const int inHeader = hd.headerSize >= 56 ? 4 : hd.headerSize >= 52 ? 3 : 0;
    const int wanted = (hd.compression == BI_ALPHABITFIELDS || inHeader == 4) ? 4 : 3;
    for (int i = 0; i < inHeader; ++i) masks[i] = U32(h + 40 + 4 * i);
    if (wanted > inHeader) {
      const size_t count = size_t(wanted - inHeader);
      if (size < afterHeader + 4 * count) return DecodeFailure("BMP bit fields are truncated");
      for (size_t i = 0; i < count; ++i) masks[inHeader + i] = U32(data + afterHeader + 4 * i);
      afterHeader += 4 * count;
    }
    const uint32_t fits = hd.bitCount == 32 ? 0xffffffffu : 0xffffu;
    uint32_t seen = 0;
    MaskChannel* channels[4] = {&r, &g, &b, &a};
    for (int i = 0; i < 4; ++i) {
      if (i < 3 && masks[i] == 0) return DecodeFailure("BMP colour mask is empty");
      if ((masks[i] & ~fits) != 0) return DecodeFailure("BMP mask lies outside the pixel");
      if ((masks[i] & seen) != 0) return DecodeFailure("BMP masks overlap");
      if (!channels[i]->Set(masks[i])) return DecodeFailure("BMP mask is not contiguous");
      seen |= masks[i];
    }
  }

  // Palette: it must lie between the headers and the pixels.
  std::vector<uint32_t> palette;
  if (hd.bitCount <= 8) {
    const size_t entrySize = hd.headerSize == 12 ? 3 : 4;
    const uint64_t room =
        hd.offBits >= afterHeader ? std::min<uint64_t>(hd.offBits, size) - afterHeader : 0;
    const uint64_t available = room / entrySize;
    const uint64_t most = uint64_t(1) << hd.bitCount;
    uint64_t count;
    if (hd.colorsUsed != 0) {
      if (hd.colorsUsed > available) return DecodeFailure("BMP palette overlaps the pixel data");
      count = std::min<uint64_t>(hd.colorsUsed, most);
    } else {
      count = std::min(most, available);
    }
    if (count == 0) return DecodeFailure("BMP palette is missing");
    palette.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = data + afterHeader + i * entrySize;
      palette[i] = PackArgb(255, e[2], e[1], e[0]);
    }
  }

  if (hd.offBits < afterHeader || hd.offBits > size) {
    return DecodeFailure("BMP pixel data offset lies outside the file");
  }
  const uint8_t* pixels = data + hd.offBits;
  const size_t pixelBytes = size - hd.offBits;
  const uint32_t w = uint32_t(width), ht = uint32_t(height);

  DecodeResult result;
  DecodedImage& image = result.image;
  image.width = w;
  image.height = ht;
  image.format = "BMP" + std::to_string(hd.bitCount);

  if (hd.compression == BI_RLE8 || hd.compression == BI_RLE4) {
    image.format += "RLE";
    if (width * height > kMaxRlePixelsPerByte * std::max<size_t>(pixelBytes, 1)) {
      return DecodeFailure("BMP RLE data is too short for the image size");
    }
    std::vector<uint8_t> grid(size_t(width) * height, 0);
    std::string why;
    if (!DecodeRle(pixels, pixels + pixelBytes, w, ht, hd.compression == BI_RLE4, &grid, &why)) {
      return DecodeFailure("BMP " + why);
    }
    // The grid is bottom-up, as RLE always is.
    std::vector<uint8_t> rows(grid.size());
    for (uint32_t y = 0; y < ht; ++y) {
      std::memcpy(&rows[size_t(y) * w], &grid[size_t(ht - 1 - y) * w], w);
    }
    if (!ApplyPalette(rows, palette, &image.texels)) {
      return DecodeFailure("BMP pixel index lies past the palette");
    }
    result.ok = true;
    return result;
  }

  const uint64_t stride = ((width * hd.bitCount + 31) / 32) * 4;
  const uint64_t lastRow = (width * hd.bitCount + 7) / 8;
  if (stride * (height - 1) + lastRow > pixelBytes) {
    return DecodeFailure("BMP pixel data is truncated");
  }
  std::vector<uint8_t> indices;
  if (hd.bitCount <= 8) {
    indices.resize(size_t(width) * height);
  } else {
    image.texels.resize(size_t(width) * height);
  }
  const uint32_t bits = hd.bitCount;
  for (uint32_t fileRow = 0; fileRow < ht; ++fileRow) {
    const uint8_t* row = pixels + stride * fileRow;
    const size_t outRow = size_t(topDown ? fileRow : ht - 1 - fileRow) * w;
    if (bits <= 8) {
      const uint32_t mask = (1u << bits) - 1;
      for (uint32_t x = 0; x < w; ++x) {
        const uint64_t bit = uint64_t(x) * bits;
        indices[outRow + x] = uint8_t((row[bit / 8] >> (8 - bits - bit % 8)) & mask);
      }
    } else if (bits == 24) {
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t* p = row + 3 * size_t(x);
        image.texels[outRow + x] = PackArgb(255, p[2], p[1], p[0]);
      }
    } else {
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t pixel = bits == 16 ? U16(row + 2 * size_t(x)) : U32(row + 4 * size_t(x));
        image.texels[outRow + x] =
            PackArgb(a.Get(pixel, 255), r.Get(pixel, 0), g.Get(pixel, 0), b.Get(pixel, 0));
      }
    }
  }
  if (bits <= 8 && !ApplyPalette(indices, palette, &image.texels)) {
    return DecodeFailure("BMP pixel index lies past the palette");
  }
  result.ok = true;
  return result;
}
