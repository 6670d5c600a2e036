// The OpenGL device's set-up, clearing, presenting and state bookkeeping.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "render/render_panel.h"
#include "gl_test_support.h"

namespace {

using gl_test::GlDeviceTest;
using gl_test::Params;

TEST(GlDirect3DTest, DisplayModeReportsScreenSizeAndFormat) {
  if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
  IDirect3D8* d3d = CreateOpenGLDirect3D();
  ASSERT_NE(d3d, nullptr);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  QScreen* screen = QGuiApplication::primaryScreen();
  const QSize size = screen->size() * screen->devicePixelRatio();
  EXPECT_EQ(mode.Width, UINT(size.width()));
  EXPECT_EQ(mode.Height, UINT(size.height()));
  EXPECT_EQ(mode.Format, screen->depth() == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8);
  EXPECT_LT(d3d->GetAdapterDisplayMode(1, &mode), 0);
  EXPECT_LT(d3d->GetAdapterDisplayMode(0, nullptr), 0);
  d3d->Release();
}

// The three attempts of the viewer's device set-up each give a working device
// with at least the 16-bit depth buffer asked for; malformed requests fail.
TEST(GlDirect3DTest, CreationAttemptsAndInvalidRequests) {
  if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
  IDirect3D8* d3d = CreateOpenGLDirect3D();
  ASSERT_NE(d3d, nullptr);
  struct Case {
    UINT adapter;
    D3DDEVTYPE type;
    DWORD flags;
    bool ok;
  } cases[] = {
      {0, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, true},
      {0, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, true},
      {0, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, true},
      {1, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, false},
      {0, D3DDEVTYPE_SW, D3DCREATE_SOFTWARE_VERTEXPROCESSING, false},
      {0, D3DDEVTYPE_HAL, 0, false},
      {0, D3DDEVTYPE_HAL,
       D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " flags " << c.flags);
    D3DPRESENT_PARAMETERS params = Params(32, 16);
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(1);
    const HRESULT hr = d3d->CreateDevice(c.adapter, c.type, nullptr, c.flags, &params, &device);
    if (!c.ok) {
      EXPECT_LT(hr, 0);
      EXPECT_EQ(device, nullptr);
      continue;
    }
    ASSERT_EQ(hr, D3D_OK);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0),
              D3D_OK);
    QImage image;
    ASSERT_TRUE(ReadBackBuffer(device, &image));
    EXPECT_EQ(image.size(), QSize(32, 16));
    EXPECT_EQ(image.pixelColor(31, 15), QColor(0x10, 0x20, 0x30));
    device->Release();
  }
  D3DPRESENT_PARAMETERS params = Params(32, 16);
  EXPECT_LT(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              nullptr, nullptr),
            0);
  params.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;  // not a depth format
  IDirect3DDevice8* device = nullptr;
  EXPECT_LT(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &params, &device),
            0);
  params = Params(0, 0);  // no size and no window to take it from
  EXPECT_LT(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &params, &device),
            0);
  EXPECT_EQ(device, nullptr);
  d3d->Release();
}

TEST_F(GlDeviceTest, ClearColourReadsBack) {
  struct Case {
    D3DCOLOR colour;
    int r, g, b;
  } cases[] = {
      {0xFF505064, 80, 80, 100},
      {0x00FFFFFF, 255, 255, 255},  // alpha of a clear does not matter to an X8R8G8B8 target
      {0xFF000000, 0, 0, 0},
      {0x80FF0102, 255, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.colour);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c.colour, 1.0f, 0),
              D3D_OK);
    const QImage image = Frame();
    for (const QPoint p : {QPoint(0, 0), QPoint(63, 0), QPoint(0, 63), QPoint(31, 40)}) {
      const gl_test::Rgba px = GlDeviceTest::At(image, p.x(), p.y());
      EXPECT_EQ(px.r, c.r);
      EXPECT_EQ(px.g, c.g);
      EXPECT_EQ(px.b, c.b);
      EXPECT_EQ(px.a, 255);
    }
  }
}

TEST_F(GlDeviceTest, ClearRectanglesTouchOnlyTheirPixels) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  const D3DRECT rects[] = {{10, 20, 30, 25}, {-5, -5, 2, 2}, {60, 60, 200, 200}};
  ASSERT_EQ(device_->Clear(3, rects, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  const QImage image = Frame();
  EXPECT_EQ(At(image, 10, 20).r, 255);
  EXPECT_EQ(At(image, 29, 24).r, 255);
  EXPECT_EQ(At(image, 30, 24).r, 0);
  EXPECT_EQ(At(image, 29, 25).r, 0);
  EXPECT_EQ(At(image, 9, 20).r, 0);
  EXPECT_EQ(At(image, 1, 1).r, 255);
  EXPECT_EQ(At(image, 2, 2).r, 0);
  EXPECT_EQ(At(image, 63, 63).r, 255);
  EXPECT_LT(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), 0);
  EXPECT_LT(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), 0);  // D16 has no stencil
}

TEST_F(GlDeviceTest, ScenesDoNotNestAndPresentWaitsForTheirEnd) {
  EXPECT_LT(device_->EndScene(), 0);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  EXPECT_LT(device_->BeginScene(), 0);
  EXPECT_LT(device_->Present(nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(device_->EndScene(), D3D_OK);
  QImage presented;
  EXPECT_FALSE(ReadPresentedImage(device_, &presented));
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF505064, 1.0f, 0);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(ReadPresentedImage(device_, &presented));
  EXPECT_EQ(presented.pixelColor(5, 5), QColor(80, 80, 100));
  // Rendering after Present changes the back buffer, not the presented image.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_TRUE(ReadPresentedImage(device_, &presented));
  EXPECT_EQ(presented.pixelColor(5, 5), QColor(80, 80, 100));
}

TEST_F(GlDeviceTest, ResetRecreatesTheBackBufferAtTheNewSize) {
  D3DPRESENT_PARAMETERS params = Params(100, 40);
  ASSERT_EQ(device_->Reset(&params), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF505064, 1.0f, 0);
  const QImage image = Frame();
  EXPECT_EQ(image.size(), QSize(100, 40));
  EXPECT_EQ(image.pixelColor(99, 39), QColor(80, 80, 100));
  EXPECT_LT(device_->Reset(nullptr), 0);
}

// Present hands the frame to the panel it renders into; the panel shows it.
TEST(GlRenderPanelTest, PresentShowsTheFrameInThePanel) {
  if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs an X server";
  RenderPanel panel;
  panel.resize(64, 48);
  panel.show();
  IDirect3D8* d3d = CreateOpenGLDirect3D();
  ASSERT_NE(d3d, nullptr);
  D3DPRESENT_PARAMETERS params = Params(0, 0, &panel);  // size taken from the panel
  IDirect3DDevice8* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, &panel, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &params, &device),
            D3D_OK);
  EXPECT_EQ(params.BackBufferWidth, 64u);
  EXPECT_EQ(params.BackBufferHeight, 48u);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF505064, 1.0f, 0);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(panel.frame().size(), QSize(64, 48));
  QApplication::processEvents();
  const QImage shown = panel.grabFramebuffer();
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(shown.pixelColor(10, 10), QColor(80, 80, 100));
  EXPECT_EQ(shown.pixelColor(63, 47), QColor(80, 80, 100));
  device->Release();
  d3d->Release();
}

TEST_F(GlDeviceTest, StatesStartAtDirect3DDefaultsAndReturnWhatWasSet) {
  struct RenderCase {
    D3DRENDERSTATETYPE state;
    DWORD initial;
  } renderCases[] = {
      {D3DRS_ZENABLE, D3DZB_TRUE},  // the device has an automatic depth buffer
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_AMBIENT, 0},
      {D3DRS_SPECULARENABLE, FALSE},
      {D3DRS_DITHERENABLE, FALSE},
      {D3DRS_ALPHABLENDENABLE, FALSE},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
      {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_COLORVERTEX, TRUE},
  };
  for (const RenderCase& c : renderCases) {
    SCOPED_TRACE(c.state);
    DWORD value = 12345;
    ASSERT_EQ(device_->GetRenderState(c.state, &value), D3D_OK);
    EXPECT_EQ(value, c.initial);
    ASSERT_EQ(device_->SetRenderState(c.state, 0x4D4D4D80), D3D_OK);
    device_->GetRenderState(c.state, &value);
    EXPECT_EQ(value, 0x4D4D4D80u);
  }
  struct StageCase {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD initial;
  } stageCases[] = {
      {0, D3DTSS_COLOROP, D3DTOP_MODULATE},    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {0, D3DTSS_COLORARG2, D3DTA_CURRENT},    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
      {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
      {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},     {1, D3DTSS_TEXCOORDINDEX, 1},
      {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
      {1, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP},
  };
  for (const StageCase& c : stageCases) {
    SCOPED_TRACE(testing::Message() << c.stage << "/" << c.type);
    DWORD value = 12345;
    ASSERT_EQ(device_->GetTextureStageState(c.stage, c.type, &value), D3D_OK);
    EXPECT_EQ(value, c.initial);
    device_->SetTextureStageState(c.stage, c.type, D3DTOP_ADD);
    device_->GetTextureStageState(c.stage, c.type, &value);
    EXPECT_EQ(value, DWORD(D3DTOP_ADD));
  }
  DWORD value = 0;
  EXPECT_LT(device_->GetRenderState(D3DRENDERSTATETYPE(1000), &value), 0);
  EXPECT_LT(device_->SetTextureStageState(8, D3DTSS_COLOROP, 1), 0);

  D3DMATRIX m{};
  ASSERT_EQ(device_->GetTransform(D3DTS_WORLD, &m), D3D_OK);
  const D3DMATRIX identity = gl_test::Identity();
  EXPECT_EQ(std::memcmp(&m, &identity, sizeof m), 0);
  for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) {
    D3DMATRIX set{};
    for (int i = 0; i < 16; ++i) set.m[i / 4][i % 4] = float(i) * 0.5f + float(t);
    ASSERT_EQ(device_->SetTransform(t, &set), D3D_OK);
    D3DMATRIX got{};
    device_->GetTransform(t, &got);
    EXPECT_EQ(std::memcmp(&set, &got, sizeof set), 0);
  }

  D3DLIGHT8 light{};
  EXPECT_LT(device_->GetLight(0, &light), 0);
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.8f, 0.8f, 0.0f};
  light.Direction = {-0.57735f, -0.57735f, 0.57735f};
  ASSERT_EQ(device_->SetLight(0, &light), D3D_OK);
  D3DLIGHT8 back{};
  ASSERT_EQ(device_->GetLight(0, &back), D3D_OK);
  EXPECT_EQ(std::memcmp(&light, &back, sizeof light), 0);
  D3DMATERIAL8 material{{0.1f, 0.2f, 0.3f, 0.4f}, {0.3f, 0.3f, 0.3f, 1}, {}, {}, 5.0f};
  device_->SetMaterial(&material);
  D3DMATERIAL8 gotMaterial{};
  device_->GetMaterial(&gotMaterial);
  EXPECT_EQ(std::memcmp(&material, &gotMaterial, sizeof material), 0);
}

}  // namespace
