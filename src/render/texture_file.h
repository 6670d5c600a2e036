// Texture files as D3DXCreateTextureFromFileA reads them, for callers that
// want more than the texture: the decoded picture, its format and the reason
// of a refusal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/d3d8.h"
#include "render/decoded_image.h"

// Picks the reader by content: "DDS ", "BM"/"BA", the PNG and JPEG
// signatures; TGA (no signature) when its header makes sense.
DecodeResult DecodeImageBytes(const uint8_t* data, size_t size);
// The whole file; a missing or unreadable file fails with a reason.
DecodeResult DecodeImageFile(const std::string& path);

// D3DXCreateTextureFromFileA with the decode result kept: on success
// `decoded` (if given) holds the format and level count, on failure the reason.
HRESULT CreateTextureFromFile(IDirect3DDevice8* device, const char* path,
                              IDirect3DTexture8** texture, DecodeResult* decoded);
