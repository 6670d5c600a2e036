#include "render/texture_file.h"

#include <cstring>

#include "platform/files.h"
#include "render/bmp_reader.h"
#include "render/d3dx8.h"
#include "render/dds_reader.h"
#include "render/stb_image_reader.h"

DecodeResult DecodeImageBytes(const uint8_t* data, size_t size) {
  if (size == 0) return DecodeFailure("file is empty");
  if (LooksLikeDds(data, size)) return DecodeDds(data, size);
  if (LooksLikeBmp(data, size)) return DecodeBmp(data, size);
  if (LooksLikePng(data, size)) return DecodePng(data, size);
  if (LooksLikeJpeg(data, size)) return DecodeJpeg(data, size);
  if (LooksLikeTga(data, size)) return DecodeTga(data, size);
  return DecodeFailure("not a known image format");
}

DecodeResult DecodeImageFile(const std::string& path) {
  if (!FileExists(path)) return DecodeFailure("file not found: " + path);
  const auto bytes = ReadFileBytes(path);
  if (!bytes) return DecodeFailure("file cannot be read: " + path);
  return DecodeImageBytes(bytes->data(), bytes->size());
}

HRESULT CreateTextureFromFile(IDirect3DDevice8* device, const char* path,
                              IDirect3DTexture8** texture, DecodeResult* decoded) {
  DecodeResult local;
  DecodeResult& result = decoded ? *decoded : local;
  if (texture == nullptr) {
    result = DecodeFailure("no texture output given");
    return D3DERR_INVALIDCALL;
  }
  *texture = nullptr;
  if (device == nullptr || path == nullptr) {
    result = DecodeFailure("no device or path given");
    return D3DERR_INVALIDCALL;
  }
  result = DecodeImageFile(path);
  if (!result.ok) return FileExists(path) ? D3DXERR_INVALIDDATA : D3DERR_NOTAVAILABLE;

  const DecodedImage& image = result.image;
  IDirect3DTexture8* created = nullptr;
  HRESULT hr = device->CreateTexture(image.width, image.height, 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &created);
  if (FAILED(hr) || created == nullptr) {
    result.ok = false;
    result.error = "the device cannot create a " + std::to_string(image.width) + "x" +
                   std::to_string(image.height) + " texture";
    return FAILED(hr) ? hr : E_FAIL;
  }
  D3DLOCKED_RECT locked{};
  hr = created->LockRect(0, &locked, nullptr, 0);
  if (FAILED(hr) || locked.pBits == nullptr) {
    created->Release();
    result.ok = false;
    result.error = "the texture cannot be locked";
    return FAILED(hr) ? hr : E_FAIL;
  }
  const size_t rowBytes = size_t(image.width) * 4;
  for (uint32_t y = 0; y < image.height; ++y) {
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                image.texels.data() + size_t(y) * image.width, rowBytes);
  }
  created->UnlockRect(0);
  *texture = created;
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, const char* pSrcFile,
                                   IDirect3DTexture8** ppTexture) {
  return CreateTextureFromFile(pDevice, pSrcFile, ppTexture, nullptr);
}
