// Windows and OS/2 bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/decoded_image.h"

// True when the bytes start like a bitmap ("BM", or an OS/2 "BA" array).
bool LooksLikeBmp(const uint8_t* data, size_t size);

// 1, 2, 4, 8, 16, 24 and 32 bits per pixel, RLE4, RLE8, bit fields (with or
// without alpha), OS/2 v1/v2 and Windows v3/v4/v5 headers, bottom-up and
// top-down rows. A 32- or 16-bit pixel carries alpha only when the header
// declares an alpha mask. Pixels an RLE stream leaves unset take palette entry 0.
// Refused: embedded JPEG/PNG, OS/2 Huffman and RLE24, 64-bit pixels, palette
// indices past the palette, runs past a row, header fields beyond sense
// (planes, densities, sizes larger than the file).
DecodeResult DecodeBmp(const uint8_t* data, size_t size);
