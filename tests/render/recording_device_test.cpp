#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "render/d3d8.h"
#include "render/recording_device.h"

namespace {

using Lines = std::vector<std::string>;

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override { baseline_ = LiveRecordingObjects(); }
  void TearDown() override { EXPECT_EQ(LiveRecordingObjects(), baseline_) << "objects leaked"; }

  RecordingBackend backend_;
  RecordingLiveCounts baseline_;
};

// Device whose lifetime ends with the test.
struct DeviceHolder {
  RecordingDevice* device = CreateRecordingDevice();
  ~DeviceHolder() { device->Release(); }
  RecordingDevice* operator->() const { return device; }
};

IDirect3DVertexBuffer8* MakeVertexBuffer(IDirect3DDevice8* device, UINT length) {
  IDirect3DVertexBuffer8* buffer = nullptr;
  EXPECT_EQ(device->CreateVertexBuffer(length, 0, 0x112, D3DPOOL_MANAGED, &buffer), D3D_OK);
  return buffer;
}

TEST_F(RecordingTest, StartsWithDirect3D8Defaults) {
  DeviceHolder d;
  const RecordedState& s = d->State();
  struct RenderCase {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const RenderCase renderCases[] = {
      {D3DRS_ZENABLE, D3DZB_TRUE},        {D3DRS_FILLMODE, 3},
      {D3DRS_SHADEMODE, 2},               {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_ALPHATESTENABLE, FALSE},     {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},   {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},    {D3DRS_DITHERENABLE, FALSE},
      {D3DRS_ALPHABLENDENABLE, FALSE},    {D3DRS_FOGENABLE, FALSE},
      {D3DRS_SPECULARENABLE, FALSE},      {D3DRS_TEXTUREFACTOR, 0xffffffffu},
      {D3DRS_LIGHTING, TRUE},             {D3DRS_AMBIENT, 0},
      {D3DRS_COLORVERTEX, TRUE},          {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_NORMALIZENORMALS, FALSE},    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
      {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
      {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_BLENDOP, 1},
  };
  for (const RenderCase& c : renderCases) {
    DWORD value = 0xdeadbeef;
    EXPECT_EQ(d->GetRenderState(c.state, &value), D3D_OK);
    EXPECT_EQ(value, c.value) << "render state " << c.state;
    EXPECT_EQ(s.RenderState(c.state), c.value);
  }

  struct StageCase {
    D3DTEXTURESTAGESTATETYPE type;
    DWORD stage0, stage1;
  };
  const StageCase stageCases[] = {
      {D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_DISABLE},
      {D3DTSS_COLORARG1, D3DTA_TEXTURE, D3DTA_TEXTURE},
      {D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_CURRENT},
      {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_DISABLE},
      {D3DTSS_ALPHAARG1, D3DTA_TEXTURE, D3DTA_TEXTURE},
      {D3DTSS_ALPHAARG2, D3DTA_CURRENT, D3DTA_CURRENT},
      {D3DTSS_TEXCOORDINDEX, 0, 1},
      {D3DTSS_ADDRESSU, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP},
      {D3DTSS_ADDRESSV, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP},
      {D3DTSS_BORDERCOLOR, 0, 0},
      {D3DTSS_MAGFILTER, D3DTEXF_POINT, D3DTEXF_POINT},
      {D3DTSS_MINFILTER, D3DTEXF_POINT, D3DTEXF_POINT},
      {D3DTSS_MIPFILTER, D3DTEXF_NONE, D3DTEXF_NONE},
      {D3DTSS_MAXMIPLEVEL, 0, 0},
      {D3DTSS_MAXANISOTROPY, 1, 1},
  };
  for (const StageCase& c : stageCases) {
    DWORD value = 0xdeadbeef;
    EXPECT_EQ(d->GetTextureStageState(0, c.type, &value), D3D_OK);
    EXPECT_EQ(value, c.stage0) << "stage 0 state " << c.type;
    EXPECT_EQ(d->GetTextureStageState(1, c.type, &value), D3D_OK);
    EXPECT_EQ(value, c.stage1) << "stage 1 state " << c.type;
  }
  EXPECT_EQ(s.StageState(7, D3DTSS_TEXCOORDINDEX), 7u);

  for (D3DTRANSFORMSTATETYPE t : {D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_WORLD}) {
    D3DMATRIX m;
    ASSERT_EQ(d->GetTransform(t, &m), D3D_OK);
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
    }
  }
  for (IDirect3DTexture8* texture : s.textures) EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(s.streamSource, nullptr);
  EXPECT_EQ(s.indices, nullptr);
  EXPECT_FALSE(s.LightOn(0));
}

TEST_F(RecordingTest, LogsEachCallAsOneLine) {
  DeviceHolder d;
  ClearRecordedCalls();
  D3DMATRIX m = {};
  m._11 = 0.5f;
  m._22 = 1.0f;
  m._33 = -2.25f;
  m._44 = 1.0f;
  m._41 = 0.1f;
  D3DLIGHT8 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.8f, 0.8f, 0.0f};
  light.Direction = {-0.5f, 0.0f, 1.0f};
  D3DMATERIAL8 material = {};
  material.Diffuse = {1, 0.5f, 0.25f, 1};
  material.Power = 8;
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
  d->SetTransform(D3DTS_WORLD, &m);
  d->SetLight(0, &light);
  d->LightEnable(0, TRUE);
  d->SetMaterial(&material);
  d->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  d->SetTexture(1, nullptr);
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff505064, 1.0f, 0);
  d->BeginScene();
  d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12);
  d->EndScene();
  d->Present(nullptr, nullptr, nullptr, nullptr);
  const Lines expected = {
      "SetRenderState(137, 1)",
      "SetTextureStageState(1, 1, 7)",
      "SetTransform(256, [0.5, 0, 0, 0; 0, 1, 0, 0; 0, 0, -2.25, 0; 0.1, 0, 0, 1])",
      "SetLight(0, {type 3, diffuse (0.8, 0.8, 0.8, 0), specular (0, 0, 0, 0), ambient (0, 0, "
      "0, 0), position (0, 0, 0), direction (-0.5, 0, 1), range 0, falloff 0, attenuation (0, "
      "0, 0), theta 0, phi 0})",
      "LightEnable(0, 1)",
      "SetMaterial({diffuse (1, 0.5, 0.25, 1), ambient (0, 0, 0, 0), specular (0, 0, 0, 0), "
      "emissive (0, 0, 0, 0), power 8})",
      "SetVertexShader(0x112)",
      "SetTexture(1, null)",
      "Clear(0, null, 3, 0xff505064, 1, 0)",
      "BeginScene()",
      "DrawIndexedPrimitive(4, 0, 24, 0, 12)",
      "EndScene()",
      "Present(null, null, null, null)",
  };
  EXPECT_EQ(RecordedCalls(), expected);
  EXPECT_EQ(CountRecordedCalls("Set"), 7);
  EXPECT_EQ(FindRecordedCall("BeginScene()"), 9);
  EXPECT_EQ(FindRecordedCall("BeginScene()", 10), -1);
}

TEST_F(RecordingTest, KeepsWhatWasSet) {
  DeviceHolder d;
  D3DMATRIX view = {};
  view._11 = 2.0f;
  view._43 = 5.0f;
  ASSERT_EQ(d->SetTransform(D3DTS_VIEW, &view), D3D_OK);
  D3DMATRIX back = {};
  ASSERT_EQ(d->GetTransform(D3DTS_VIEW, &back), D3D_OK);
  EXPECT_EQ(std::memcmp(&back, &view, sizeof view), 0);
  EXPECT_EQ(d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &view), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);

  D3DLIGHT8 light = {};
  EXPECT_EQ(d->GetLight(3, &light), D3DERR_INVALIDCALL);
  // Enabling a light that was never set gives it Direct3D's default light.
  ASSERT_EQ(d->LightEnable(3, TRUE), D3D_OK);
  ASSERT_EQ(d->GetLight(3, &light), D3D_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Diffuse.r, 1.0f);
  EXPECT_EQ(light.Direction.z, 1.0f);
  EXPECT_TRUE(d->State().LightOn(3));
  d->LightEnable(3, FALSE);
  EXPECT_FALSE(d->State().LightOn(3));

  D3DMATERIAL8 material = {};
  material.Emissive = {0.1f, 0.2f, 0.3f, 0.4f};
  material.Power = 12.0f;
  d->SetMaterial(&material);
  D3DMATERIAL8 got = {};
  ASSERT_EQ(d->GetMaterial(&got), D3D_OK);
  EXPECT_EQ(std::memcmp(&got, &material, sizeof got), 0);

  EXPECT_EQ(d->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(256), 1), D3DERR_INVALIDCALL);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x4d4d4d4d);
  EXPECT_EQ(d->State().RenderState(D3DRS_TEXTUREFACTOR), 0x4d4d4d4du);
}

TEST_F(RecordingTest, ZEnableDefaultFollowsTheDepthBuffer) {
  IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  for (BOOL depth : {TRUE, FALSE}) {
    D3DPRESENT_PARAMETERS params = {};
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = depth;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                &params, &device),
              D3D_OK);
    EXPECT_EQ(AsRecordingDevice(device)->State().RenderState(D3DRS_ZENABLE),
              depth ? D3DZB_TRUE : D3DZB_FALSE);
    device->Release();
  }
  d3d->Release();
}

TEST_F(RecordingTest, BoundObjectsAreHeldUntilReplacedOrTheDeviceGoes) {
  RecordingDevice* device = CreateRecordingDevice();
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3D_OK);
  IDirect3DVertexBuffer8* vertices = MakeVertexBuffer(device, 96);
  IDirect3DIndexBuffer8* indices = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);

  device->SetTexture(0, texture);
  device->SetTexture(1, texture);
  device->SetStreamSource(0, vertices, 32);
  device->SetIndices(indices, 0);
  EXPECT_EQ(device->State().textures[1], texture);
  EXPECT_EQ(device->State().streamSource, vertices);
  EXPECT_EQ(device->State().streamStride, 32u);
  texture->Release();
  vertices->Release();
  indices->Release();
  EXPECT_EQ(LiveRecordingObjects().textures, baseline_.textures + 1);
  EXPECT_EQ(LiveRecordingObjects().vertexBuffers, baseline_.vertexBuffers + 1);
  EXPECT_EQ(LiveRecordingObjects().indexBuffers, baseline_.indexBuffers + 1);

  device->SetTexture(0, nullptr);
  EXPECT_EQ(LiveRecordingObjects().textures, baseline_.textures + 1);
  device->SetTexture(1, nullptr);
  EXPECT_EQ(LiveRecordingObjects().textures, baseline_.textures);

  // Rebinding the same object keeps it alive.
  IDirect3DTexture8* again = nullptr;
  device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &again);
  device->SetTexture(0, again);
  again->Release();
  device->SetTexture(0, again);
  EXPECT_EQ(LiveRecordingObjects().textures, baseline_.textures + 1);

  EXPECT_EQ(device->Release(), 0u);
  EXPECT_EQ(LiveRecordingObjects(), baseline_);
}

TEST_F(RecordingTest, NamesObjectsPerKindAndLogsReleases) {
  DeviceHolder d;
  IDirect3DVertexBuffer8* first = MakeVertexBuffer(d.device, 32);
  IDirect3DVertexBuffer8* second = MakeVertexBuffer(d.device, 32);
  IDirect3DTexture8* texture = nullptr;
  d->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
  EXPECT_EQ(RecordedName(d.device), "device#1");
  EXPECT_EQ(RecordedName(first), "vertexbuffer#1");
  EXPECT_EQ(RecordedName(second), "vertexbuffer#2");
  EXPECT_EQ(RecordedName(texture), "texture#1");
  EXPECT_EQ(RecordedName(nullptr), "null");
  ClearRecordedCalls();
  d->SetStreamSource(0, second, 32);
  d->SetTexture(0, texture);
  second->Release();
  first->Release();
  texture->Release();
  d->SetTexture(0, nullptr);
  const Lines expected = {
      "SetStreamSource(0, vertexbuffer#2, 32)",
      "SetTexture(0, texture#1)",
      "vertexbuffer#2.Release() = 1",
      "vertexbuffer#1.Release() = 0",
      "texture#1.Release() = 1",
      "SetTexture(0, null)",
      "texture#1.Release() = 0",
  };
  EXPECT_EQ(RecordedCalls(), expected);
}

TEST_F(RecordingTest, BufferLockChecksTheRange) {
  DeviceHolder d;
  IDirect3DVertexBuffer8* buffer = MakeVertexBuffer(d.device, 100);
  BYTE* base = RecordedBufferBytes(buffer)->data();
  struct Case {
    UINT offset, size;
    HRESULT result;
    ptrdiff_t at;  // where the pointer lands
  };
  const Case cases[] = {
      {0, 0, D3D_OK, 0},          {10, 0, D3D_OK, 10},
      {0, 100, D3D_OK, 0},        {90, 10, D3D_OK, 90},
      {99, 0, D3D_OK, 99},        {90, 11, D3DERR_INVALIDCALL, 0},
      {100, 0, D3DERR_INVALIDCALL, 0}, {101, 1, D3DERR_INVALIDCALL, 0},
      {0, 101, D3DERR_INVALIDCALL, 0}, {0xfffffff0u, 0x20, D3DERR_INVALIDCALL, 0},
      {1, 0xffffffffu, D3DERR_INVALIDCALL, 0},
  };
  for (const Case& c : cases) {
    BYTE* data = reinterpret_cast<BYTE*>(1);
    EXPECT_EQ(buffer->Lock(c.offset, c.size, &data, 0), c.result) << c.offset << " " << c.size;
    if (c.result == D3D_OK) {
      EXPECT_EQ(data, base + c.at);
      EXPECT_EQ(buffer->Unlock(), D3D_OK);
    } else {
      EXPECT_EQ(data, nullptr);
    }
  }
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
  buffer->Release();
}

TEST_F(RecordingTest, BuffersKeepTheirBytesAndDescribeThemselves) {
  DeviceHolder d;
  IDirect3DVertexBuffer8* vertices = nullptr;
  ASSERT_EQ(d->CreateVertexBuffer(64, 0x8, 0x104, D3DPOOL_DEFAULT, &vertices), D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(data[i], 0);
  data[63] = 0x5a;
  vertices->Unlock();
  ASSERT_EQ(vertices->Lock(60, 4, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(data[3], 0x5a);
  vertices->Unlock();
  D3DVERTEXBUFFER_DESC vdesc = {};
  ASSERT_EQ(vertices->GetDesc(&vdesc), D3D_OK);
  EXPECT_EQ(vdesc.Format, D3DFMT_VERTEXDATA);
  EXPECT_EQ(vdesc.Type, D3DRTYPE_VERTEXBUFFER);
  EXPECT_EQ(vdesc.Usage, 0x8u);
  EXPECT_EQ(vdesc.Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(vdesc.Size, 64u);
  EXPECT_EQ(vdesc.FVF, 0x104u);
  vertices->Release();

  IDirect3DIndexBuffer8* indices = nullptr;
  ASSERT_EQ(d->CreateIndexBuffer(36, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
  D3DINDEXBUFFER_DESC idesc = {};
  ASSERT_EQ(indices->GetDesc(&idesc), D3D_OK);
  EXPECT_EQ(idesc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(idesc.Type, D3DRTYPE_INDEXBUFFER);
  EXPECT_EQ(idesc.Size, 36u);
  EXPECT_EQ(RecordedBufferBytes(indices)->size(), 36u);
  indices->Release();

  struct Refusal {
    UINT length;
    D3DFORMAT format;
    HRESULT result;
  };
  const Refusal refusals[] = {
      {0, D3DFMT_INDEX16, D3DERR_INVALIDCALL},
      {12, D3DFMT_A8R8G8B8, D3DERR_INVALIDCALL},
      {0xffffffffu, D3DFMT_INDEX32, D3DERR_OUTOFVIDEOMEMORY},
  };
  for (const Refusal& r : refusals) {
    IDirect3DIndexBuffer8* out = reinterpret_cast<IDirect3DIndexBuffer8*>(1);
    EXPECT_EQ(d->CreateIndexBuffer(r.length, 0, r.format, D3DPOOL_MANAGED, &out), r.result);
    EXPECT_EQ(out, nullptr);
  }
  IDirect3DVertexBuffer8* none = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
  EXPECT_EQ(d->CreateVertexBuffer(0, 0, 0x112, D3DPOOL_MANAGED, &none), D3DERR_INVALIDCALL);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(d->CreateVertexBuffer(0xffffffffu, 0, 0x112, D3DPOOL_MANAGED, &none),
            D3DERR_OUTOFVIDEOMEMORY);
}

TEST_F(RecordingTest, TexturesKeepTexelsPerLevel) {
  DeviceHolder d;
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(d->CreateTexture(256, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  ASSERT_EQ(texture->GetLevelCount(), 9u);
  struct LevelSize {
    UINT level, width, height;
  };
  for (LevelSize l : {LevelSize{0, 256, 64}, LevelSize{2, 64, 16}, LevelSize{6, 4, 1},
                      LevelSize{8, 1, 1}}) {
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(texture->GetLevelDesc(l.level, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, l.width) << l.level;
    EXPECT_EQ(desc.Height, l.height) << l.level;
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
  }
  D3DSURFACE_DESC desc;
  EXPECT_EQ(texture->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);

  D3DLOCKED_RECT locked = {};
  ASSERT_EQ(texture->LockRect(2, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 64 * 4);
  auto* row = static_cast<uint32_t*>(locked.pBits);
  row[0] = 0xff102030;
  row[64 * 15 + 63] = 0x80ffffff;  // last texel of the level
  D3DLOCKED_RECT twice = {};
  EXPECT_EQ(texture->LockRect(2, &twice, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(texture->UnlockRect(2), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(2), D3DERR_INVALIDCALL);
  const std::vector<uint32_t>* texels = RecordedTexels(texture, 2);
  ASSERT_NE(texels, nullptr);
  ASSERT_EQ(texels->size(), 64u * 16u);
  EXPECT_EQ((*texels)[0], 0xff102030u);
  EXPECT_EQ(texels->back(), 0x80ffffffu);

  const RECT inside = {3, 2, 10, 16};
  ASSERT_EQ(texture->LockRect(2, &locked, &inside, 0), D3D_OK);
  EXPECT_EQ(static_cast<uint32_t*>(locked.pBits), texels->data() + 2 * 64 + 3);
  texture->UnlockRect(2);
  for (RECT bad : {RECT{0, 0, 65, 16}, RECT{0, 0, 64, 17}, RECT{-1, 0, 4, 4}, RECT{4, 4, 4, 8},
                   RECT{5, 0, 4, 4}}) {
    EXPECT_EQ(texture->LockRect(2, &locked, &bad, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(locked.pBits, nullptr);
  }
  EXPECT_EQ(texture->LockRect(9, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  texture->Release();

  struct Refusal {
    UINT width, height, levels;
  };
  for (Refusal r : {Refusal{0, 4, 1}, Refusal{4, 0, 1}, Refusal{4, 4, 4}, Refusal{100000, 1, 1}}) {
    IDirect3DTexture8* out = reinterpret_cast<IDirect3DTexture8*>(1);
    EXPECT_EQ(d->CreateTexture(r.width, r.height, r.levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                               &out),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(out, nullptr);
  }
}

TEST_F(RecordingTest, DrawsRecordTheirStateAndRefuseOverreads) {
  DeviceHolder d;
  // 4 vertices of 32 bytes; 6 indices, one of them naming vertex 4.
  IDirect3DVertexBuffer8* vertices = MakeVertexBuffer(d.device, 128);
  IDirect3DIndexBuffer8* indices = nullptr;
  d->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices);
  const uint16_t values[6] = {0, 1, 2, 2, 1, 4};
  std::memcpy(RecordedBufferBytes(indices)->data(), values, sizeof values);
  d->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  d->SetStreamSource(0, vertices, 32);
  d->SetIndices(indices, 0);
  D3DMATRIX world = {};
  world._41 = 7.0f;
  d->SetTransform(D3DTS_WORLD, &world);
  d->BeginScene();

  struct Case {
    const char* name;
    std::function<HRESULT()> draw;
    bool ok;
  };
  const Case cases[] = {
      {"first triangle", [&] { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1); },
       true},
      {"index 4 of 4 vertices",
       [&] { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 5, 0, 2); }, false},
      {"index outside the declared range",
       [&] { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2, 0, 1); }, false},
      {"past the index buffer",
       [&] { return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 4, 1); }, false},
      {"strip of 4 vertices", [&] { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); }, true},
      {"strip of 5 vertices", [&] { return d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3); }, false},
      {"list starting at 2", [&] { return d->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1); }, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.draw() == D3D_OK, c.ok) << c.name;
  ASSERT_EQ(d->Draws().size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(d->Draws()[i].problem.empty(), cases[i].ok) << cases[i].name;
  }
  const RecordedDraw& first = d->Draws()[0];
  EXPECT_TRUE(first.indexed);
  EXPECT_TRUE(first.inScene);
  EXPECT_EQ(first.numVertices, 3u);
  EXPECT_EQ(first.state.world._41, 7.0f);
  EXPECT_EQ(first.state.streamSource, vertices);
  EXPECT_EQ(first.state.vertexShader, 0x112u);

  // A stride shorter than the vertex format reads the wrong bytes.
  d->SetStreamSource(0, vertices, 16);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  d->EndScene();
  d->ClearDraws();
  EXPECT_TRUE(d->Draws().empty());
  vertices->Release();
  indices->Release();
}

TEST_F(RecordingTest, ChosenCallsFail) {
  struct Case {
    const char* name;
    bool RecordingControl::*flag;
    std::function<HRESULT(RecordingDevice*)> call;
  };
  const Case cases[] = {
      {"BeginScene", &RecordingControl::failBeginScene,
       [](RecordingDevice* d) {
         const HRESULT hr = d->BeginScene();
         if (SUCCEEDED(hr)) d->EndScene();
         return hr;
       }},
      {"Present", &RecordingControl::failPresent,
       [](RecordingDevice* d) { return d->Present(nullptr, nullptr, nullptr, nullptr); }},
      {"Reset", &RecordingControl::failReset,
       [](RecordingDevice* d) {
         D3DPRESENT_PARAMETERS params = d->PresentParameters();
         return d->Reset(&params);
       }},
      {"CreateVertexBuffer", &RecordingControl::failCreateVertexBuffer,
       [](RecordingDevice* d) {
         IDirect3DVertexBuffer8* b = nullptr;
         const HRESULT hr = d->CreateVertexBuffer(32, 0, 0x112, D3DPOOL_MANAGED, &b);
         if (b) b->Release();
         return hr;
       }},
      {"CreateIndexBuffer", &RecordingControl::failCreateIndexBuffer,
       [](RecordingDevice* d) {
         IDirect3DIndexBuffer8* b = nullptr;
         const HRESULT hr = d->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &b);
         if (b) b->Release();
         return hr;
       }},
      {"CreateTexture", &RecordingControl::failCreateTexture,
       [](RecordingDevice* d) {
         IDirect3DTexture8* t = nullptr;
         const HRESULT hr = d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t);
         if (t) t->Release();
         return hr;
       }},
      {"vertex buffer Lock", &RecordingControl::failVertexBufferLock,
       [](RecordingDevice* d) {
         IDirect3DVertexBuffer8* b = nullptr;
         d->CreateVertexBuffer(32, 0, 0x112, D3DPOOL_MANAGED, &b);
         BYTE* data = nullptr;
         const HRESULT hr = b->Lock(0, 0, &data, 0);
         if (SUCCEEDED(hr)) b->Unlock();
         b->Release();
         return hr;
       }},
      {"index buffer Lock", &RecordingControl::failIndexBufferLock,
       [](RecordingDevice* d) {
         IDirect3DIndexBuffer8* b = nullptr;
         d->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &b);
         BYTE* data = nullptr;
         const HRESULT hr = b->Lock(0, 0, &data, 0);
         if (SUCCEEDED(hr)) b->Unlock();
         b->Release();
         return hr;
       }},
      {"LockRect", &RecordingControl::failTextureLock,
       [](RecordingDevice* d) {
         IDirect3DTexture8* t = nullptr;
         d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t);
         D3DLOCKED_RECT locked;
         const HRESULT hr = t->LockRect(0, &locked, nullptr, 0);
         if (SUCCEEDED(hr)) t->UnlockRect(0);
         t->Release();
         return hr;
       }},
  };
  DeviceHolder d;
  for (const Case& c : cases) {
    EXPECT_EQ(c.call(d.device), D3D_OK) << c.name;
    GetRecordingControl().*c.flag = true;
    EXPECT_TRUE(FAILED(c.call(d.device))) << c.name;
    EXPECT_TRUE(FAILED(c.call(d.device))) << c.name << " (the flag holds)";
    GetRecordingControl().*c.flag = false;
    EXPECT_EQ(c.call(d.device), D3D_OK) << c.name;
  }
  EXPECT_FALSE(d->InScene());
  EXPECT_EQ(d->PresentCount(), 2);
  EXPECT_EQ(d->ResetCount(), 2);
}

TEST_F(RecordingTest, SceneAndPresentBookkeeping) {
  DeviceHolder d;
  EXPECT_EQ(d->EndScene(), D3DERR_INVALIDCALL);
  ASSERT_EQ(d->BeginScene(), D3D_OK);
  EXPECT_TRUE(d->InScene());
  EXPECT_EQ(d->BeginScene(), D3DERR_INVALIDCALL);
  ASSERT_EQ(d->EndScene(), D3D_OK);
  GetRecordingControl().failPresent = true;
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(d->PresentCount(), 0);
  D3DPRESENT_PARAMETERS params = d->PresentParameters();
  params.BackBufferWidth = 320;
  ASSERT_EQ(d->Reset(&params), D3D_OK);
  EXPECT_EQ(d->PresentParameters().BackBufferWidth, 320u);
  EXPECT_EQ(RecordedCallsStartingWith("Reset("), Lines{"Reset(320x480, 22)"});
}

TEST_F(RecordingTest, Direct3DObjectCreatesDevicesAndCanFail) {
  GetRecordingControl().failDirect3DCreate = true;
  EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION), nullptr);
  GetRecordingControl().failDirect3DCreate = false;
  EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION + 1), nullptr);
  IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  EXPECT_EQ(RecordedCallsStartingWith("Direct3DCreate8"),
            (Lines{"Direct3DCreate8(220)", "Direct3DCreate8(221)", "Direct3DCreate8(220)"}));

  D3DDISPLAYMODE mode = {};
  GetRecordingControl().displayMode.Format = D3DFMT_R5G6B5;
  ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
  GetRecordingControl().failGetAdapterDisplayMode = true;
  EXPECT_TRUE(FAILED(d3d->GetAdapterDisplayMode(0, &mode)));

  D3DPRESENT_PARAMETERS params = {};
  params.Windowed = TRUE;
  auto create = [&](D3DDEVTYPE type, DWORD flags) {
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(1);
    const HRESULT hr = d3d->CreateDevice(0, type, nullptr, flags, &params, &device);
    EXPECT_EQ(SUCCEEDED(hr), device != nullptr);
    if (device) device->Release();
    return SUCCEEDED(hr);
  };
  GetRecordingControl().failDeviceAttempts = {2, 4};
  GetRecordingControl().failDeviceConfigs = {{D3DDEVTYPE_REF, 0x20}};
  EXPECT_TRUE(create(D3DDEVTYPE_HAL, 0x40));   // attempt 1
  EXPECT_FALSE(create(D3DDEVTYPE_HAL, 0x40));  // attempt 2
  EXPECT_FALSE(create(D3DDEVTYPE_REF, 0x20));  // by configuration
  EXPECT_FALSE(create(D3DDEVTYPE_HAL, 0x20));  // attempt 4
  EXPECT_TRUE(create(D3DDEVTYPE_REF, 0x40));
  EXPECT_EQ(RecordedDeviceAttempts(), 5);
  // Exactly one kind of vertex processing must be asked for.
  EXPECT_FALSE(create(D3DDEVTYPE_HAL, 0));
  EXPECT_FALSE(create(D3DDEVTYPE_HAL, 0x60));
  GetRecordingControl().failDeviceAttempts.clear();
  GetRecordingControl().failAllDevices = true;
  EXPECT_FALSE(create(D3DDEVTYPE_HAL, 0x40));
  EXPECT_EQ(RecordedCallsStartingWith("CreateDevice").front(), "CreateDevice(0, 1, 0x40)");

  // The device keeps its Direct3D object alive.
  GetRecordingControl().failAllDevices = false;
  IDirect3DDevice8* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x40, &params, &device), D3D_OK);
  EXPECT_EQ(d3d->Release(), 1u);
  EXPECT_EQ(LiveRecordingObjects().direct3Ds, baseline_.direct3Ds + 1);
  device->Release();
  EXPECT_EQ(LiveRecordingObjects().direct3Ds, baseline_.direct3Ds);
}

TEST_F(RecordingTest, ResetRecordingClearsFlagsLogAndNames) {
  GetRecordingControl().failPresent = true;
  DeviceHolder d;
  d->BeginScene();
  d->EndScene();
  ResetRecording();
  EXPECT_TRUE(RecordedCalls().empty());
  EXPECT_FALSE(GetRecordingControl().failPresent);
  EXPECT_EQ(RecordedDeviceAttempts(), 0);
  RecordingDevice* second = CreateRecordingDevice();
  EXPECT_EQ(RecordedName(second), "device#1");
  second->Release();
}

}  // namespace
