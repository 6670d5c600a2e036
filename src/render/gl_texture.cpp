#include "render/gl_texture.h"

#include <algorithm>

GlTexture::GlTexture(GlDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
                     D3DFORMAT format, D3DPOOL pool)
    : device_(device), usage_(usage), format_(format), pool_(pool) {
  UINT chain = 1;
  for (UINT side = std::max(width, height); side > 1; side /= 2) ++chain;
  const UINT count = levels == 0 ? chain : std::min(levels, chain);
  levels_.resize(count);
  UINT w = width, h = height;
  for (LevelData& level : levels_) {
    level.width = w;
    level.height = h;
    level.texels.assign(size_t(w) * h, 0u);
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  device_->Register(this);
}

GlTexture::~GlTexture() {
  if (device_) {
    ReleaseGl();
    device_->Forget(this);
  }
}

void GlTexture::DeviceLost() {
  ReleaseGl();
  device_ = nullptr;
}

void GlTexture::ReleaseGl() {
  if (texture_ != 0 && device_ && device_->MakeCurrent()) device_->gl()->glDeleteTextures(1, &texture_);
  texture_ = 0;
  dirty_ = true;
}

HRESULT GlTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  if (pDesc == nullptr || Level >= levels_.size()) return D3DERR_INVALIDCALL;
  const auto& level = levels_[Level];
  pDesc->Format = format_;
  pDesc->Type = D3DRTYPE_SURFACE;
  pDesc->Usage = usage_;
  pDesc->Pool = pool_;
  pDesc->Size = level.width * level.height * 4;
  pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
  pDesc->Width = level.width;
  pDesc->Height = level.height;
  return D3D_OK;
}

HRESULT GlTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                            DWORD Flags) {
  if (pLockedRect == nullptr || Level >= levels_.size()) return D3DERR_INVALIDCALL;
  pLockedRect->pBits = nullptr;
  pLockedRect->Pitch = 0;
  LevelData& level = levels_[Level];
  if (level.locked) return D3DERR_INVALIDCALL;
  LONG left = 0, top = 0;
  if (pRect) {
    if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right ||
        pRect->top >= pRect->bottom || UINT(pRect->right) > level.width ||
        UINT(pRect->bottom) > level.height)
      return D3DERR_INVALIDCALL;
    left = pRect->left;
    top = pRect->top;
  }
  level.locked = true;
  if (Level == 0 && !(Flags & D3DLOCK_READONLY)) dirty_ = true;
  pLockedRect->Pitch = INT(level.width * 4);
  pLockedRect->pBits = level.texels.data() + size_t(top) * level.width + size_t(left);
  return D3D_OK;
}

HRESULT GlTexture::UnlockRect(UINT Level) {
  if (Level >= levels_.size() || !levels_[Level].locked) return D3DERR_INVALIDCALL;
  levels_[Level].locked = false;
  if (Level == 0) dirty_ = true;
  return D3D_OK;
}

void GlTexture::Bind(GLenum unit) {
  QOpenGLFunctions_3_3_Core* gl = device_->gl();
  gl->glActiveTexture(GL_TEXTURE0 + unit);
  if (texture_ == 0) {
    gl->glGenTextures(1, &texture_);
    gl->glBindTexture(GL_TEXTURE_2D, texture_);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (format_ == D3DFMT_X8R8G8B8) gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    dirty_ = true;
  } else {
    gl->glBindTexture(GL_TEXTURE_2D, texture_);
  }
  if (dirty_) {
    const LevelData& top = levels_[0];
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // 0xAARRGGBB little-endian is the byte order B, G, R, A.
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(top.width), GLsizei(top.height), 0,
                     GL_BGRA, GL_UNSIGNED_BYTE, top.texels.data());
    dirty_ = false;
  }
}
