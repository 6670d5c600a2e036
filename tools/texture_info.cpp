// orvalo-tool texture-info FILE [--png OUT.png]: loads a texture file the way
// the viewer does (D3DXCreateTextureFromFileA on a device) and describes it.
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/recording_device.h"
#include "render/texture_file.h"
#include "tools/subcommand.h"

namespace {

constexpr const char* kUsage = "texture-info FILE [--png OUT.png]";

int Usage() {
  std::fprintf(stderr,
               "usage: orvalo-tool %s\n"
               "  prints: width W height H format F levels L\n"
               "  F is the file's pixel format: a DDS format (A8R8G8B8, X8R8G8B8, R8G8B8,\n"
               "  R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, L8, A8L8, A8, P8, ..., DXT1-DXT5),\n"
               "  BMP1/2/4/8/16/24/32 (BMP4RLE, BMP8RLE), PNG, JPEG or TGA.\n"
               "  L is the number of mip levels the file holds (only DDS has more than 1).\n"
               "  --png writes the decoded top level as an RGBA PNG.\n",
               kUsage);
  return 2;
}

// The texture's level 0 as read back through LockRect, into an ARGB image.
bool WritePng(IDirect3DTexture8* texture, const std::string& path, std::string* why) {
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->GetLevelDesc(0, &desc)) || FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
    *why = "the texture cannot be read back";
    return false;
  }
  QImage image(int(desc.Width), int(desc.Height), QImage::Format_ARGB32);
  for (UINT y = 0; y < desc.Height; ++y) {
    std::memcpy(image.scanLine(int(y)),
                static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                size_t(desc.Width) * 4);
  }
  texture->UnlockRect(0);
  if (!image.save(QString::fromStdString(path), "PNG")) {
    *why = "cannot write " + path;
    return false;
  }
  return true;
}

int RunTextureInfo(const std::vector<std::string>& args) {
  std::string file, png;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--png") {
      if (i + 1 >= args.size() || !png.empty()) return Usage();
      png = args[++i];
    } else if (file.empty() && !args[i].empty()) {
      file = args[i];
    } else {
      return Usage();
    }
  }
  if (file.empty()) return Usage();

  RecordingDevice* device = CreateRecordingDevice();
  IDirect3DTexture8* texture = nullptr;
  DecodeResult decoded;
  const HRESULT hr = CreateTextureFromFile(device, file.c_str(), &texture, &decoded);
  int status = 0;
  if (FAILED(hr) || texture == nullptr) {
    std::fprintf(stderr, "orvalo-tool texture-info: %s: %s\n", file.c_str(),
                 decoded.error.empty() ? "cannot be loaded" : decoded.error.c_str());
    status = 1;
  } else {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    std::printf("width %u height %u format %s levels %u\n", desc.Width, desc.Height,
                decoded.image.format.c_str(), decoded.image.levels);
    std::fflush(stdout);
    std::string why;
    if (!png.empty() && !WritePng(texture, png, &why)) {
      std::fprintf(stderr, "orvalo-tool texture-info: %s\n", why.c_str());
      status = 1;
    }
    texture->Release();
  }
  device->Release();
  return status;
}

}  // namespace

ORVALO_TOOL_SUBCOMMAND(texture_info, "texture-info", kUsage,
                       "size, pixel format and mip levels of a texture file (--png: decode it)",
                       RunTextureInfo)
