// Shared set-up for the OpenGL backend's tests: an offscreen device of a given
// size, vertex-buffer helpers and pixel access.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <vector>

#include "render/d3d8.h"
#include "render/gl_direct3d.h"
#include "render/gl_readback.h"
#include "support/test_paths.h"

namespace gl_test {

struct Rgba {
  int r, g, b, a;
};

inline D3DPRESENT_PARAMETERS Params(UINT width, UINT height, HWND window = nullptr) {
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = width;
  p.BackBufferHeight = height;
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = window;
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D16;
  return p;
}

inline D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

class GlDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
    d3d_ = CreateOpenGLDirect3D();
    ASSERT_NE(d3d_, nullptr);
    D3DPRESENT_PARAMETERS params = Params(width_, height_);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &params, &device_),
              D3D_OK);
  }
  void TearDown() override {
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
  }

  QImage Frame() {
    QImage image;
    EXPECT_TRUE(ReadBackBuffer(device_, &image));
    return image.convertToFormat(QImage::Format_RGBA8888);
  }
  static Rgba At(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return {c.red(), c.green(), c.blue(), c.alpha()};
  }

  // A vertex buffer holding `floats`, with the given vertex format.
  IDirect3DVertexBuffer8* Buffer(const std::vector<float>& floats, DWORD fvf) {
    IDirect3DVertexBuffer8* vb = nullptr;
    const UINT bytes = UINT(floats.size() * sizeof(float));
    EXPECT_EQ(device_->CreateVertexBuffer(bytes, 0, fvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, floats.data(), bytes);
    vb->Unlock();
    return vb;
  }

  // Draws `floats` as one primitive list of the given format.
  HRESULT Draw(const std::vector<float>& floats, DWORD fvf, UINT stride,
               D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST) {
    IDirect3DVertexBuffer8* vb = Buffer(floats, fvf);
    const UINT vertices = UINT(floats.size() * sizeof(float) / stride);
    UINT primitives = 0;
    switch (type) {
      case D3DPT_TRIANGLELIST: primitives = vertices / 3; break;
      case D3DPT_TRIANGLESTRIP:
      case D3DPT_TRIANGLEFAN: primitives = vertices - 2; break;
      default: primitives = vertices; break;
    }
    device_->SetStreamSource(0, vb, stride);
    device_->SetVertexShader(fvf);
    const HRESULT hr = device_->DrawPrimitive(type, 0, primitives);
    device_->SetStreamSource(0, nullptr, 0);
    vb->Release();
    return hr;
  }

  // A w x h A8R8G8B8 texture filled from `texels` (0xAARRGGBB, rows top first).
  IDirect3DTexture8* Texture(UINT w, UINT h, const std::vector<uint32_t>& texels) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device_->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < h; ++y)
      std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &texels[y * w], w * 4);
    texture->UnlockRect(0);
    return texture;
  }

  UINT width_ = 64, height_ = 64;
  IDirect3D8* d3d_ = nullptr;
  IDirect3DDevice8* device_ = nullptr;
};

}  // namespace gl_test
