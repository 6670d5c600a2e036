// Buffers and textures of the OpenGL device: locking, descriptions, the
// references the device holds, and lifetime across the device's release.
#include "gl_test_support.h"

namespace {

using gl_test::GlDeviceTest;

TEST_F(GlDeviceTest, BufferLockBounds) {
  IDirect3DVertexBuffer8* vb = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(96, 0, 0x104, D3DPOOL_DEFAULT, &vb), D3D_OK);
  struct Case {
    UINT offset, size;
    bool ok;
    UINT expectedOffset;
  } cases[] = {
      {0, 0, true, 0},      // 0 locks the whole buffer
      {0, 96, true, 0},     {24, 0, true, 24},  // to the end
      {95, 1, true, 95},    {90, 6, true, 90},  {90, 7, false, 0},
      {96, 0, false, 0},    {97, 0, false, 0},  {0, 97, false, 0},
      {1, 0xFFFFFFFF, false, 0},                // would wrap in 32 bits
  };
  BYTE* base = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &base, 0), D3D_OK);
  vb->Unlock();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << "+" << c.size);
    BYTE* data = reinterpret_cast<BYTE*>(1);
    const HRESULT hr = vb->Lock(c.offset, c.size, &data, 0);
    if (c.ok) {
      ASSERT_EQ(hr, D3D_OK);
      EXPECT_EQ(data, base + c.expectedOffset);
      vb->Unlock();
    } else {
      EXPECT_EQ(hr, D3DERR_INVALIDCALL);
      EXPECT_EQ(data, nullptr);
    }
  }
  EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 96u);
  EXPECT_EQ(desc.FVF, 0x104u);
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(desc.Type, D3DRTYPE_VERTEXBUFFER);
  EXPECT_EQ(desc.Format, D3DFMT_VERTEXDATA);
  vb->Release();

  IDirect3DIndexBuffer8* ib = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
  BYTE* data = nullptr;
  EXPECT_EQ(ib->Lock(10, 0, &data, 0), D3D_OK);
  ib->Unlock();
  EXPECT_EQ(ib->Lock(10, 4, &data, 0), D3DERR_INVALIDCALL);
  D3DINDEXBUFFER_DESC idesc{};
  ASSERT_EQ(ib->GetDesc(&idesc), D3D_OK);
  EXPECT_EQ(idesc.Size, 12u);
  EXPECT_EQ(idesc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(idesc.Pool, D3DPOOL_MANAGED);
  ib->Release();
}

TEST_F(GlDeviceTest, CreationRefusesBadArguments) {
  IDirect3DVertexBuffer8* vb = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
  EXPECT_LT(device_->CreateVertexBuffer(0, 0, 0x112, D3DPOOL_MANAGED, &vb), 0);
  EXPECT_EQ(vb, nullptr);
  EXPECT_LT(device_->CreateVertexBuffer(0xFFFFFFFF, 0, 0x112, D3DPOOL_MANAGED, &vb), 0);
  EXPECT_LT(device_->CreateVertexBuffer(32, 0, 0x112, D3DPOOL_MANAGED, nullptr), 0);
  IDirect3DIndexBuffer8* ib = nullptr;
  EXPECT_LT(device_->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib), 0);
  EXPECT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib), D3D_OK);
  ib->Release();
  IDirect3DTexture8* texture = nullptr;
  EXPECT_LT(device_->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), 0);
  EXPECT_LT(device_->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture), 0);
  EXPECT_LT(device_->CreateTexture(100000, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            0);
  EXPECT_EQ(texture, nullptr);
}

TEST_F(GlDeviceTest, TextureLevelsAndLockRect) {
  struct Case {
    UINT width, height, levels, expectedLevels;
  } cases[] = {{256, 64, 0, 9}, {256, 64, 1, 1}, {5, 3, 0, 3}, {4, 4, 20, 3}, {1, 1, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " levels " << c.levels);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device_->CreateTexture(c.width, c.height, c.levels, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &texture),
              D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), c.expectedLevels);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, c.width);
    EXPECT_EQ(desc.Height, c.height);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(texture->GetLevelDesc(c.expectedLevels - 1, &desc), D3D_OK);
    if (c.levels != 1) EXPECT_EQ(std::max(desc.Width, desc.Height), 1u);  // a full chain
    EXPECT_LT(texture->GetLevelDesc(c.expectedLevels, &desc), 0);
    texture->Release();
  }

  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3D_OK);
  D3DLOCKED_RECT whole{};
  ASSERT_EQ(texture->LockRect(0, &whole, nullptr, 0), D3D_OK);
  EXPECT_EQ(whole.Pitch, 32);
  D3DLOCKED_RECT again{};
  EXPECT_LT(texture->LockRect(0, &again, nullptr, 0), 0);  // already locked
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_LT(texture->UnlockRect(0), 0);
  const RECT inside{2, 1, 8, 4};
  D3DLOCKED_RECT part{};
  ASSERT_EQ(texture->LockRect(0, &part, &inside, 0), D3D_OK);
  EXPECT_EQ(static_cast<BYTE*>(part.pBits), static_cast<BYTE*>(whole.pBits) + 32 + 8);
  texture->UnlockRect(0);
  for (const RECT bad : {RECT{0, 0, 9, 4}, RECT{0, 0, 8, 5}, RECT{-1, 0, 2, 2}, RECT{3, 0, 3, 2}}) {
    EXPECT_LT(texture->LockRect(0, &part, &bad, 0), 0);
    EXPECT_EQ(part.pBits, nullptr);
  }
  EXPECT_LT(texture->LockRect(1, &part, nullptr, 0), 0);
  texture->Release();
}

// The device keeps what it is given until it is replaced: a texture, vertex
// buffer or index buffer released by its creator still draws while bound.
TEST_F(GlDeviceTest, BoundObjectsStayAliveUntilReplaced) {
  IDirect3DTexture8* texture = Texture(1, 1, {0xFF00FF00});
  ASSERT_EQ(device_->SetTexture(0, texture), D3D_OK);
  EXPECT_EQ(texture->Release(), 1u);  // the device's reference remains
  const std::vector<float> quad = {0, 0, 0.5f, 1, 0, 0, 64, 0, 0.5f, 1, 0, 0,
                                   0, 64, 0.5f, 1, 0, 0, 64, 64, 0.5f, 1, 0, 0};
  IDirect3DVertexBuffer8* vb = Buffer(quad, D3DFVF_XYZRHW | D3DFVF_TEX1);
  device_->SetStreamSource(0, vb, 24);
  EXPECT_EQ(vb->Release(), 1u);
  device_->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_EQ(At(Frame(), 30, 30).g, 255);
  // Rewriting the buffer shows in the next draw.
  BYTE* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  const float shifted[4] = {32, 0, 0.5f, 1};
  std::memcpy(data, shifted, sizeof shifted);            // first corner moves right
  std::memcpy(data + 48, shifted, sizeof shifted);       // third corner onto it
  vb->Unlock();
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  const QImage image = Frame();
  EXPECT_EQ(At(image, 10, 30).g, 0);
  EXPECT_EQ(At(image, 60, 5).g, 255);
  ASSERT_EQ(device_->SetTexture(0, nullptr), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, nullptr, 0), D3D_OK);

  // Objects of another device are refused.
  IDirect3DDevice8* other = nullptr;
  D3DPRESENT_PARAMETERS params = gl_test::Params(8, 8);
  ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                               &params, &other),
            D3D_OK);
  IDirect3DTexture8* foreign = nullptr;
  ASSERT_EQ(other->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign), D3D_OK);
  EXPECT_LT(device_->SetTexture(0, foreign), 0);
  EXPECT_LT(device_->SetTexture(8, nullptr), 0);
  foreign->Release();
  other->Release();
}

// Resources released after their device are inert but safe.
TEST_F(GlDeviceTest, ResourcesOutliveTheDevice) {
  IDirect3DTexture8* texture = Texture(2, 2, {1, 2, 3, 4});
  IDirect3DVertexBuffer8* vb = Buffer({0, 0, 0, 1, 0, 0}, D3DFVF_XYZRHW | D3DFVF_TEX1);
  IDirect3DIndexBuffer8* ib = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
  device_->SetTexture(0, texture);
  device_->SetStreamSource(0, vb, 24);
  device_->SetIndices(ib, 0);
  device_->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
  device_->DrawPrimitive(D3DPT_POINTLIST, 0, 1);  // gives them GL objects
  EXPECT_EQ(device_->Release(), 0u);
  device_ = nullptr;
  BYTE* data = nullptr;
  EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  vb->Unlock();
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[3], 4u);
  texture->UnlockRect(0);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(vb->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
}

// Thousands of objects made, drawn and released; devices made and released.
// Under the sanitizers' leak check this also shows that nothing stays behind.
TEST_F(GlDeviceTest, ManyCreateReleaseCycles) {
  device_->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1);
  for (int i = 0; i < 2000; ++i) {
    IDirect3DTexture8* texture = Texture(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu));
    IDirect3DVertexBuffer8* vb =
        Buffer({0, 0, 0.5f, 1, 0, 0, 8, 0, 0.5f, 1, 1, 0, 0, 8, 0.5f, 1, 0, 1},
               D3DFVF_XYZRHW | D3DFVF_TEX1);
    device_->SetTexture(0, texture);
    device_->SetStreamSource(0, vb, 24);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    device_->SetTexture(0, nullptr);
    device_->SetStreamSource(0, nullptr, 0);
    ASSERT_EQ(texture->Release(), 0u);
    ASSERT_EQ(vb->Release(), 0u);
  }
  EXPECT_EQ(At(Frame(), 2, 2).r, 255);
  for (int i = 0; i < 30; ++i) {
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS params = gl_test::Params(16, 16);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &params, &device),
              D3D_OK);
    IDirect3DTexture8* texture = nullptr;
    device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
    device->SetTexture(0, texture);
    texture->Release();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF505064, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(device->Release(), 0u);
  }
}

}  // namespace
