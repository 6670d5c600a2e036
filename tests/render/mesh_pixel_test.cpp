// A textured .x cube loaded by MyXOBJ and drawn through the OpenGL backend.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/globals.h"
#include "gl_test_support.h"
#include "render/mesh_test_support.h"
#include "render/my_xobj.h"

namespace {

// A 2 x 2 24-bit BMP, texels given top row first as 0xRRGGBB.
std::string Bmp2x2(const uint32_t (&texels)[4]) {
  std::string b = mesh_test::BmpBytes(0);
  for (int fileRow = 0; fileRow < 2; ++fileRow) {
    for (int col = 0; col < 2; ++col) {
      const uint32_t rgb = texels[(1 - fileRow) * 2 + col];  // bottom row first in the file
      const size_t at = 54 + fileRow * 8 + col * 3;
      b[at] = char(rgb & 0xFF);
      b[at + 1] = char((rgb >> 8) & 0xFF);
      b[at + 2] = char((rgb >> 16) & 0xFF);
    }
  }
  return b;
}

// A cube of side 2 around the origin, four vertices per side with u v over
// the whole side, upright as seen from outside; all sides use material 0.
std::string CubeX(const char* texture) {
  std::string x = "xof 0303txt 0032\nMesh {\n24;\n";
  std::string uvs = "MeshTextureCoords {\n24;\n";
  std::string faces = "12;\n";
  // Per side: the outward axis and the directions of u and of v (down).
  struct Side {
    float n[3], right[3], down[3];
  };
  const Side sides[6] = {{{0, 0, -1}, {1, 0, 0}, {0, -1, 0}}, {{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}},
                         {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
                         {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
  const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};  // u, v
  char line[128];
  for (int s = 0; s < 6; ++s) {
    const Side& side = sides[s];
    for (int k = 0; k < 4; ++k) {
      const float u = corners[k][0] * 2 - 1, v = corners[k][1] * 2 - 1;
      float p[3];
      for (int a = 0; a < 3; ++a) p[a] = side.n[a] + side.right[a] * u + side.down[a] * v;
      const bool last = s == 5 && k == 3;
      std::snprintf(line, sizeof line, "%g;%g;%g;%s\n", p[0], p[1], p[2], last ? ";" : ",");
      x += line;
      std::snprintf(line, sizeof line, "%g;%g;%s\n", corners[k][0], corners[k][1],
                    last ? ";" : ",");
      uvs += line;
    }
    // Top-left, top-right, bottom-right: clockwise seen from outside.
    const int b = s * 4;
    std::snprintf(line, sizeof line, "3;%d,%d,%d;,\n3;%d,%d,%d;%s\n", b, b + 1, b + 2, b, b + 2,
                  b + 3, s == 5 ? ";" : ",");
    faces += line;
  }
  x += faces;
  x += "MeshMaterialList {\n1;\n1;\n0;\nMaterial {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\n";
  x += std::string("TextureFilename { \"") + texture + "\"; }\n}\n}\n";
  return x + uvs + "}\n}\n";
}

class MeshPixelTest : public gl_test::GlDeviceTest {
 protected:
  void SetUp() override {
    GlDeviceTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ResetGlobalsToProgramStart();
    device = device_;
    cwd_.emplace(dir_.path());
    mesh_test::WriteFile(dir_.File("face.bmp"),
                         Bmp2x2({0xFF0000, 0x00FF00, 0x0000FF, 0x646464}));
    mesh_test::WriteFile(dir_.File("cube.x"), CubeX("maps\\face.bmp"));
  }
  void TearDown() override {
    if (cube_ != nullptr) cube_->Destroy();
    if (multiTexture != nullptr) multiTexture->Release();
    cwd_.reset();
    ResetGlobalsToProgramStart();
    GlDeviceTest::TearDown();
  }

  // The cube 3 units in front of the eye, 90 degrees field of view: its
  // front side covers the middle half of the 64 x 64 frame.
  QImage DrawCube() {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
    device_->BeginScene();
    D3DMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, float(M_PI / 2), 1.0f, 0.1f, 100.0f);
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    D3DMATRIX view = gl_test::Identity();
    device_->SetTransform(D3DTS_VIEW, &view);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    D3DMATRIX world;
    D3DXMatrixTranslation(&world, 0, 0, 3);
    cube_->SetWorld(world);
    cube_->Draw();
    device_->EndScene();
    return Frame();
  }

  TempDir dir_;
  std::optional<ScopedCurrentDir> cwd_;
  MyXOBJ* cube_ = nullptr;
};

TEST_F(MeshPixelTest, TexturedCubeShowsItsTexelsAndTheFaceOverlay) {
  multiTexture = Texture(1, 1, {0xFF285078});  // (40, 80, 120), opaque
  cube_ = new MyXOBJ;
  ASSERT_TRUE(cube_->Load("cube.x", kMeshLoadFlags));
  ASSERT_EQ(kFaceMaterialKind, cube_->materialKind[0]);

  struct Probe {
    int x, y;
    gl_test::Rgba base;
  };
  const Probe probes[] = {{24, 24, {255, 0, 0, 255}},
                          {40, 24, {0, 255, 0, 255}},
                          {24, 40, {0, 0, 255, 255}},
                          {40, 40, {100, 100, 100, 255}},
                          {4, 4, {32, 32, 32, 255}},
                          {60, 32, {32, 32, 32, 255}}};
  // The overlay colour: multiTexture plus the grey 77 of the texture factor.
  const gl_test::Rgba overlay = {117, 157, 197, 255};
  for (int level : {0, 5, 10}) {
    SCOPED_TRACE(level);
    viewerState.effectLevel = level;
    const QImage frame = DrawCube();
    const double alpha = level == 0 ? 0.0 : level == 5 ? 128 / 255.0 : 1.0;
    for (const Probe& p : probes) {
      SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
      const gl_test::Rgba got = At(frame, p.x, p.y);
      const bool onCube = p.base.r != 32;
      auto expect = [&](int base, int over) {
        return onCube ? int(std::lround(over * alpha + base * (1 - alpha))) : base;
      };
      EXPECT_NEAR(expect(p.base.r, overlay.r), got.r, 2);
      EXPECT_NEAR(expect(p.base.g, overlay.g), got.g, 2);
      EXPECT_NEAR(expect(p.base.b, overlay.b), got.b, 2);
    }
  }
}

}  // namespace
