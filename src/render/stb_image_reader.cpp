#include "render/stb_image_reader.h"

#include "render/little_endian.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#pragma GCC diagnostic pop

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide);

namespace {

using little_endian::U16;

// Deflate and JPEG entropy coding cannot honestly pack more texels than this
// into one byte of file; larger claims are refused before stb allocates.
constexpr uint64_t kMaxTexelsPerByte = 8192;
constexpr uint64_t kAlwaysAllowedTexels = 1u << 20;


struct TgaHeader {
  uint32_t idLength, colorMapType, imageType, mapFirst, mapLength, mapEntryBits;
  uint32_t width, height, pixelBits, descriptor;
};

TgaHeader ReadTgaHeader(const uint8_t* p) {
  return {p[0], p[1], p[2], U16(p + 3), U16(p + 5), p[7], U16(p + 12), U16(p + 14), p[16], p[17]};
}

bool TgaHeaderIsSane(const TgaHeader& h) {
  const uint32_t base = h.imageType & ~8u;
  if (h.imageType > 11 || base < 1 || base > 3) return false;
  if (h.colorMapType > 1 || (base == 1 && h.colorMapType != 1)) return false;
  if (h.width == 0 || h.height == 0) return false;
  if (base == 1) {
    if (h.pixelBits != 8 && h.pixelBits != 16) return false;
    if (h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 &&
        h.mapEntryBits != 32) {
      return false;
    }
  } else if (base == 2) {
    if (h.pixelBits != 15 && h.pixelBits != 16 && h.pixelBits != 24 && h.pixelBits != 32) {
      return false;
    }
  } else if (h.pixelBits != 8 && h.pixelBits != 16) {
    return false;
  }
  return true;
}

// Converts stb's RGBA bytes to 0xAARRGGBB texels.
DecodeResult FromStb(stbi_uc* rgba, int w, int h, const char* format) {
  DecodeResult result;
  result.image.width = uint32_t(w);
  result.image.height = uint32_t(h);
  result.image.format = format;
  result.image.texels.resize(size_t(w) * size_t(h));
  for (size_t i = 0; i < result.image.texels.size(); ++i) {
    const stbi_uc* p = rgba + 4 * i;
    result.image.texels[i] = PackArgb(p[3], p[0], p[1], p[2]);
  }
  stbi_image_free(rgba);
  result.ok = true;
  return result;
}

DecodeResult StbDecode(const uint8_t* data, size_t size, const char* format, bool boundBySize) {
  if (size > size_t(INT_MAX)) return DecodeFailure(std::string(format) + " file is too large");
  const int length = static_cast<int>(size);
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(data, length, &w, &h, &comp)) {
    return DecodeFailure(std::string(format) + " header is not readable: " + stbi_failure_reason());
  }
  if (w <= 0 || h <= 0 || uint32_t(w) > kMaxImageSide || uint32_t(h) > kMaxImageSide) {
    return DecodeFailure(std::string(format) + " image of " + std::to_string(w) + "x" +
                         std::to_string(h) + " is too large");
  }
  const uint64_t texels = uint64_t(w) * uint64_t(h);
  if (boundBySize && texels > std::max(kAlwaysAllowedTexels, kMaxTexelsPerByte * size)) {
    return DecodeFailure(std::string(format) + " image is larger than its file can hold");
  }
  stbi_uc* rgba = stbi_load_from_memory(data, length, &w, &h, &comp, 4);
  if (rgba == nullptr) {
    return DecodeFailure(std::string(format) + " data is not readable: " + stbi_failure_reason());
  }
  return FromStb(rgba, w, h, format);
}

// stb reads past the end of a JPEG as zeros; a complete stream ends with EOI
// after its first scan.
bool JpegHasEndAfterScan(const uint8_t* data, size_t size) {
  size_t i = 2;
  bool inScan = false;
  while (i + 1 < size) {
    if (data[i] != 0xff) {  // entropy-coded data, or junk between segments
      ++i;
      continue;
    }
    const uint8_t marker = data[i + 1];
    if (marker == 0xff) {  // fill byte
      ++i;
      continue;
    }
    if (inScan) {
      if (marker == 0xd9) return true;
      if (marker == 0x00 || (marker >= 0xd0 && marker <= 0xd7)) {
        i += 2;
        continue;
      }
    }
    if (marker == 0xd9) return false;  // end before any scan
    if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) {
      i += 2;
      continue;
    }
    if (i + 3 >= size) return false;
    const size_t length = (size_t(data[i + 2]) << 8) | data[i + 3];
    if (length < 2) return false;
    i += 2 + length;
    inScan = marker == 0xda;
  }
  return false;
}

// Walks the TGA layout: header, id, colour map and every pixel packet must be in the file.
bool TgaDataComplete(const uint8_t* data, size_t size, const TgaHeader& h, std::string* why) {
  uint64_t offset = 18 + uint64_t(h.idLength);
  if (h.colorMapType == 1) offset += uint64_t(h.mapLength) * ((h.mapEntryBits + 7) / 8);
  if (offset > size) {
    *why = "TGA colour map is truncated";
    return false;
  }
  const uint64_t bytesPerPixel = (h.pixelBits + 7) / 8;
  const uint64_t pixels = uint64_t(h.width) * h.height;
  if ((h.imageType & 8) == 0) {
    if (offset + pixels * bytesPerPixel > size) {
      *why = "TGA pixel data is truncated";
      return false;
    }
    return true;
  }
  uint64_t done = 0;
  while (done < pixels) {
    if (offset >= size) {
      *why = "TGA RLE data is truncated";
      return false;
    }
    const uint8_t packet = data[offset++];
    const uint64_t count = (packet & 0x7f) + 1u;
    offset += (packet & 0x80) ? bytesPerPixel : count * bytesPerPixel;
    if (offset > size) {
      *why = "TGA RLE data is truncated";
      return false;
    }
    done += count;
  }
  return true;
}

}  // namespace

bool LooksLikePng(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

bool LooksLikeJpeg(const uint8_t* data, size_t size) {
  return size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff;
}

bool LooksLikeTga(const uint8_t* data, size_t size) {
  return size >= 18 && TgaHeaderIsSane(ReadTgaHeader(data));
}

DecodeResult DecodePng(const uint8_t* data, size_t size) {
  if (!LooksLikePng(data, size)) return DecodeFailure("not a PNG file");
  return StbDecode(data, size, "PNG", true);
}

DecodeResult DecodeJpeg(const uint8_t* data, size_t size) {
  if (!LooksLikeJpeg(data, size)) return DecodeFailure("not a JPEG file");
  if (!JpegHasEndAfterScan(data, size)) return DecodeFailure("JPEG data is truncated");
  return StbDecode(data, size, "JPEG", true);
}

DecodeResult DecodeTga(const uint8_t* data, size_t size) {
  if (size < 18) return DecodeFailure("TGA header is truncated");
  const TgaHeader header = ReadTgaHeader(data);
  if (!TgaHeaderIsSane(header)) return DecodeFailure("not a TGA file");
  std::string why;
  if (!TgaDataComplete(data, size, header, &why)) return DecodeFailure(why);
  DecodeResult result = StbDecode(data, size, "TGA", false);
  if (!result.ok) return result;
  // stb honours the vertical origin bit only; right-to-left rows are mirrored here.
  if (header.descriptor & 0x10) {
    DecodedImage& image = result.image;
    for (uint32_t y = 0; y < image.height; ++y) {
      auto row = image.texels.begin() + ptrdiff_t(size_t(y) * image.width);
      std::reverse(row, row + image.width);
    }
  }
  return result;
}
