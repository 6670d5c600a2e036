// Textures of the OpenGL device: A8R8G8B8 (or X8R8G8B8) levels kept in memory
// for LockRect; level 0 goes to a GL texture before the next draw after it
// changed. Sampling reads level 0 only, as the viewer never sets a mip filter.
#pragma once

#include <vector>

#include "render/d3d8.h"
#include "render/gl_device.h"

// Largest side the device accepts for a texture.
constexpr UINT kGlMaxTextureSide = 8192;

class GlTexture final : public RefCounted<IDirect3DTexture8>, public GlResource {
 public:
  // Levels 0 means the whole chain down to 1 x 1; more than that is clamped.
  GlTexture(GlDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool);

  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                   DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;
  void DeviceLost() override;

  // With the device's context current: binds level 0 to texture unit `unit`.
  void Bind(GLenum unit);
  GlDevice* device() const { return device_; }

 private:
  ~GlTexture() override;
  void ReleaseGl();

  struct LevelData {
    UINT width, height;
    std::vector<uint32_t> texels;
    bool locked = false;
  };
  GlDevice* device_;
  std::vector<LevelData> levels_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  GLuint texture_ = 0;
  bool dirty_ = true;
};
