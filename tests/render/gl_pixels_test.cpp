// What the OpenGL device puts on screen, compared with what Direct3D 8's
// fixed-function pipeline defines: lighting, texture stages, blending, depth,
// culling and the pixels that pre-transformed vertices cover.
#include <algorithm>
#include <cmath>

#include "gl_test_support.h"

namespace {

using gl_test::GlDeviceTest;
using gl_test::Identity;
using gl_test::Rgba;

constexpr DWORD kFvfMesh = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
constexpr DWORD kFvfScreen = D3DFVF_XYZRHW | D3DFVF_TEX1;             // 0x104

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Normalized(V3 a) {
  const double l = std::sqrt(Dot(a, a));
  return l > 0 ? a * (1.0 / l) : a;
}
// Row vector times the upper 3 x 3 of m (w = 0), or times all of m (w = 1).
V3 Times(V3 v, const D3DMATRIX& m, double w) {
  return {v.x * m._11 + v.y * m._21 + v.z * m._31 + w * m._41,
          v.x * m._12 + v.y * m._22 + v.z * m._32 + w * m._42,
          v.x * m._13 + v.y * m._23 + v.z * m._33 + w * m._43};
}
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}
D3DMATRIX RotationY(float a) {
  D3DMATRIX m = Identity();
  m._11 = std::cos(a);
  m._13 = -std::sin(a);
  m._31 = std::sin(a);
  m._33 = std::cos(a);
  return m;
}
// The left-handed perspective projection (fov 60 degrees, square, near 0.1, far 100).
D3DMATRIX Perspective() {
  D3DMATRIX m{};
  const float ys = 1.0f / std::tan(0.5f * 1.0471976f);
  const float zn = 0.1f, zf = 100.0f;
  m._11 = ys;
  m._22 = ys;
  m._33 = zf / (zf - zn);
  m._34 = 1.0f;
  m._43 = -zn * zf / (zf - zn);
  return m;
}

struct Colour {
  double r, g, b, a;
};
Colour Clamp(Colour c) {
  auto s = [](double v) { return std::clamp(v, 0.0, 1.0); };
  return {s(c.r), s(c.g), s(c.b), s(c.a)};
}

void ExpectNear(const Rgba& got, const Colour& want, int tolerance = 2) {
  EXPECT_NEAR(got.r, want.r * 255.0, tolerance + 0.5) << "red";
  EXPECT_NEAR(got.g, want.g * 255.0, tolerance + 0.5) << "green";
  EXPECT_NEAR(got.b, want.b * 255.0, tolerance + 0.5) << "blue";
}

std::vector<float> ScreenQuad(float x0, float y0, float x1, float y1, float z = 0.5f) {
  // Top-left, top-right, bottom-left, bottom-right as a strip: both triangles clockwise.
  return {x0, y0, z, 1, 0, 0, x1, y0, z, 1, 1, 0, x0, y1, z, 1, 0, 1, x1, y1, z, 1, 1, 1};
}

// ---- Lighting

struct LightCase {
  const char* name;
  D3DCOLORVALUE lightDiffuse, lightSpecular, lightAmbient;
  D3DVECTOR direction;
  D3DMATERIAL8 material;
  D3DCOLOR globalAmbient;
  bool specular;
  float viewAngle;  // view = RotationY(angle), world = RotationY(-angle)
};

// Direct3D's per-vertex colour from an object-space vertex: diffuse (with
// alpha) and specular, each clamped.
void VertexColour(const LightCase& c, V3 position, V3 normal, const D3DMATRIX& world,
                  const D3DMATRIX& view, Colour* diffuse, Colour* specular) {
  const D3DMATRIX worldView = Multiply(world, view);
  const V3 p = Times(position, worldView, 1);
  const V3 n = Times(normal, worldView, 0);  // the matrices here are rotations
  const V3 l = Normalized(Times({c.direction.x, c.direction.y, c.direction.z}, view, 0)) * -1.0;
  const D3DMATERIAL8& m = c.material;
  const double ga[3] = {((c.globalAmbient >> 16) & 0xFF) / 255.0,
                        ((c.globalAmbient >> 8) & 0xFF) / 255.0, (c.globalAmbient & 0xFF) / 255.0};
  const double nl = Dot(n, l);
  const double diffuseTerm = std::max(nl, 0.0);
  double s = 0;
  if (c.specular && nl > 0) {
    const V3 h = Normalized(l + Normalized(p * -1.0));
    const double nh = Dot(n, h);
    if (nh > 0) s = m.Power > 0 ? std::pow(nh, m.Power) : 1.0;
  }
  *diffuse = Clamp({m.Emissive.r + m.Ambient.r * (ga[0] + c.lightAmbient.r) +
                        m.Diffuse.r * c.lightDiffuse.r * diffuseTerm,
                    m.Emissive.g + m.Ambient.g * (ga[1] + c.lightAmbient.g) +
                        m.Diffuse.g * c.lightDiffuse.g * diffuseTerm,
                    m.Emissive.b + m.Ambient.b * (ga[2] + c.lightAmbient.b) +
                        m.Diffuse.b * c.lightDiffuse.b * diffuseTerm,
                    m.Diffuse.a});
  *specular = Clamp({m.Specular.r * c.lightSpecular.r * s, m.Specular.g * c.lightSpecular.g * s,
                     m.Specular.b * c.lightSpecular.b * s, 0});
}

TEST_F(GlDeviceTest, LitTriangleFollowsTheLightingEquation) {
  const double r3 = 1.0 / std::sqrt(3.0);
  const LightCase cases[] = {
      {"diffuse only", {1, 1, 1, 0}, {}, {}, {0, 0, 1}, {{0.5f, 0.25f, 0.75f, 1}}, 0, false, 0},
      {"oblique diffuse",
       {0.8f, 0.8f, 0.8f, 0},
       {},
       {},
       {float(r3), float(-r3), float(r3)},
       {{1.0f, 0.5f, 0.2f, 1}},
       0,
       false,
       0},
      {"light ambient",
       {0.8f, 0.8f, 0.8f, 0},
       {1, 1, 1, 0},
       {0.8f, 0.6f, 0.6f, 0},
       {-0.57735f, -0.57735f, 0.57735f},
       {{0.5f, 0.5f, 0.5f, 1}, {0.3f, 0.3f, 0.3f, 1}},
       0,
       false,
       0},
      {"emissive and global ambient",
       {0.5f, 0.5f, 0.5f, 0},
       {},
       {},
       {0, 0, 1},
       {{0.2f, 0.4f, 0.2f, 1}, {0.5f, 0.5f, 0.5f, 1}, {}, {0.2f, 0.1f, 0.0f, 0}},
       0x00404040,
       false,
       0},
      {"light from behind",
       {1, 1, 1, 0},
       {1, 1, 1, 0},
       {0.2f, 0.2f, 0.2f, 0},
       {0, 0, -1},
       {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {}, 4},
       0,
       true,
       0},
      {"specular on",
       {0.6f, 0.6f, 0.6f, 0},
       {1, 1, 1, 0},
       {},
       {0.3f, -0.2f, 1.0f},
       {{0.3f, 0.2f, 0.1f, 1}, {}, {0.6f, 0.5f, 0.4f, 1}, {}, 4},
       0,
       true,
       0},
      {"specular off",
       {0.6f, 0.6f, 0.6f, 0},
       {1, 1, 1, 0},
       {},
       {0.3f, -0.2f, 1.0f},
       {{0.3f, 0.2f, 0.1f, 1}, {}, {0.6f, 0.5f, 0.4f, 1}, {}, 4},
       0,
       false,
       0},
      {"specular power 0",
       {0.2f, 0.2f, 0.2f, 0},
       {0.5f, 0.5f, 0.5f, 0},
       {},
       {0, 0, 1},
       {{0.3f, 0.3f, 0.3f, 1}, {}, {1, 1, 1, 1}, {}, 0},
       0,
       true,
       0},
      {"light turned into view space",
       {1, 1, 1, 0},
       {1, 1, 1, 0},
       {},
       {0, 0, 1},
       {{0.9f, 0.9f, 0.9f, 1}, {}, {0.5f, 0.5f, 0.5f, 1}, {}, 8},
       0,
       true,
       1.0471976f},
  };
  // A clockwise triangle facing the viewer, in view space at z 0.5.
  const V3 corners[3] = {{-0.8, -0.8, 0.5}, {0.0, 0.8, 0.5}, {0.8, -0.8, 0.5}};
  const V3 normal = {0, 0, -1};
  for (const LightCase& c : cases) {
    SCOPED_TRACE(c.name);
    const D3DMATRIX view = RotationY(c.viewAngle);
    const D3DMATRIX world = RotationY(-c.viewAngle);
    const D3DMATRIX projection = Identity();
    device_->SetTransform(D3DTS_WORLD, &world);
    device_->SetTransform(D3DTS_VIEW, &view);
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = c.lightDiffuse;
    light.Specular = c.lightSpecular;
    light.Ambient = c.lightAmbient;
    light.Direction = c.direction;
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    device_->SetMaterial(&c.material);
    device_->SetRenderState(D3DRS_AMBIENT, c.globalAmbient);
    device_->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // The world rotation undoes the view's, so object space is view space;
    // only the light direction goes through the view.
    std::vector<float> floats;
    for (const V3& p : corners)
      floats.insert(floats.end(), {float(p.x), float(p.y), float(p.z), float(normal.x),
                                   float(normal.y), float(normal.z), 0, 0});
    ASSERT_EQ(Draw(floats, kFvfMesh, 32), D3D_OK);
    const QImage image = Frame();

    Colour diffuse[3], specular[3];
    for (int i = 0; i < 3; ++i)
      VertexColour(c, corners[i], normal, world, view, &diffuse[i], &specular[i]);
    // Gouraud shading: the vertex colours interpolated at each pixel's centre,
    // which Direct3D puts at whole pixel coordinates.
    for (const auto& [pixelX, pixelY] : {std::pair{32, 40}, {20, 50}, {44, 50}, {32, 20}}) {
      SCOPED_TRACE(testing::Message() << "pixel " << pixelX << "," << pixelY);
      const double px = 2.0 * pixelX / 64.0 - 1.0, py = 1.0 - 2.0 * pixelY / 64.0;
      const double x0 = corners[0].x, y0 = corners[0].y, x1 = corners[1].x, y1 = corners[1].y,
                   x2 = corners[2].x, y2 = corners[2].y;
      const double area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
      const double w0 = ((x1 - px) * (y2 - py) - (x2 - px) * (y1 - py)) / area;
      const double w1 = ((x2 - px) * (y0 - py) - (x0 - px) * (y2 - py)) / area;
      const double w2 = 1.0 - w0 - w1;
      auto mix = [&](double Colour::*channel) {
        const double d = w0 * diffuse[0].*channel + w1 * diffuse[1].*channel +
                         w2 * diffuse[2].*channel;
        const double s = w0 * specular[0].*channel + w1 * specular[1].*channel +
                         w2 * specular[2].*channel;
        return std::min(1.0, d + (c.specular ? s : 0.0));
      };
      ExpectNear(GlDeviceTest::At(image, pixelX, pixelY),
                 {mix(&Colour::r), mix(&Colour::g), mix(&Colour::b), 1});
    }
  }
}

TEST_F(GlDeviceTest, LightingOffOrNoLightEnabled) {
  const D3DMATERIAL8 material{{0.5f, 0.5f, 0.5f, 1}, {1, 1, 1, 1}, {}, {0.25f, 0, 0, 0}, 0};
  device_->SetMaterial(&material);
  const std::vector<float> triangle = {-0.8f, -0.8f, 0.5f, 0, 0, -1, 0, 0,
                                       0.0f,  0.8f,  0.5f, 0, 0, -1, 0, 0,
                                       0.8f,  -0.8f, 0.5f, 0, 0, -1, 0, 0};
  // No light: emissive only (the global ambient is black).
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
  ASSERT_EQ(Draw(triangle, kFvfMesh, 32), D3D_OK);
  ExpectNear(GlDeviceTest::At(Frame(), 32, 40), {0.25, 0, 0, 1});
  // Lighting off and no vertex colour: opaque white.
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  ASSERT_EQ(Draw(triangle, kFvfMesh, 32), D3D_OK);
  ExpectNear(GlDeviceTest::At(Frame(), 32, 40), {1, 1, 1, 1}, 0);
}

// ---- Texture stages and blending

class GlStagesTest : public GlDeviceTest {
 protected:
  void SetUp() override {
    GlDeviceTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};  // straight onto the triangle: N.L = 1
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
  }
  // A lit quad over the whole target, uv (0,0) top left to (1,1) bottom right.
  HRESULT DrawLitQuad() {
    const std::vector<float> quad = {-1, 1,  0.5f, 0, 0, -1, 0, 0, 1, 1,  0.5f, 0, 0, -1, 1, 0,
                                     -1, -1, 0.5f, 0, 0, -1, 0, 1, 1, -1, 0.5f, 0, 0, -1, 1, 1};
    return Draw(quad, kFvfMesh, 32, D3DPT_TRIANGLESTRIP);
  }
  // As the mesh draw sets stage 0.
  void MeshStage0() {
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  }
};

// 2 x 2 texture, one colour per quadrant, alpha 0x80 in the bottom right.
const std::vector<uint32_t> kQuadrants = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF};

TEST_F(GlStagesTest, DefaultStagesShowTheTextureOnScreenQuads) {
  IDirect3DTexture8* texture = Texture(2, 2, kQuadrants);
  device_->SetTexture(0, texture);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  ASSERT_EQ(Draw(ScreenQuad(0, 0, 64, 64), kFvfScreen, 24, D3DPT_TRIANGLESTRIP), D3D_OK);
  const QImage image = Frame();
  ExpectNear(At(image, 5, 5), {1, 0, 0, 1}, 0);
  ExpectNear(At(image, 58, 5), {0, 1, 0, 1}, 0);
  ExpectNear(At(image, 5, 58), {0, 0, 1, 1}, 0);
  // The texture's alpha (stage 0 alpha = TEXTURE) blends the white over black.
  ExpectNear(At(image, 58, 58), {128 / 255.0, 128 / 255.0, 128 / 255.0, 1}, 1);
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(GlStagesTest, Stage0ModulateWithAndWithoutTexture) {
  const double kHalf = 128 / 255.0;
  struct Case {
    const char* name;
    bool textured;
    float diffuseAlpha;
    Colour topLeft, bottomRight;  // over a background of (0, 0, 1)
  } cases[] = {
      // texture x lit colour; alpha = texture alpha whatever the material's
      {"textured", true, 0.25f, {0.5, 0, 0, 1}, {0.5 * kHalf, 0.25 * kHalf,
                                                 0.75 * kHalf + (1 - kHalf), 1}},
      // untextured: the lit colour, alpha = the material's diffuse alpha
      {"untextured", false, 0.25f, {0.5 * 0.25, 0.25 * 0.25, 0.75 * 0.25 + 0.75, 1},
       {0.5 * 0.25, 0.25 * 0.25, 0.75 * 0.25 + 0.75, 1}},
      {"untextured opaque", false, 1.0f, {0.5, 0.25, 0.75, 1}, {0.5, 0.25, 0.75, 1}},
  };
  IDirect3DTexture8* texture = Texture(2, 2, kQuadrants);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const D3DMATERIAL8 material{{0.5f, 0.25f, 0.75f, c.diffuseAlpha}};
    device_->SetMaterial(&material);
    device_->SetTexture(0, c.textured ? texture : nullptr);
    MeshStage0();
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    ASSERT_EQ(DrawLitQuad(), D3D_OK);
    const QImage image = Frame();
    ExpectNear(At(image, 5, 5), c.topLeft);
    ExpectNear(At(image, 58, 58), c.bottomRight);
  }
  device_->SetTexture(0, nullptr);
  texture->Release();
}

// The face-material overlay: stage 1 adds the factor's grey and multiplies
// alpha by the factor's alpha, which then drives the blending.
TEST_F(GlStagesTest, Stage1AddsFactorAndFactorAlphaDrivesBlending) {
  const std::vector<uint32_t> texels = {0xFF808080, 0xFF808080, 0xFF808080, 0x80808080};
  IDirect3DTexture8* texture = Texture(2, 2, texels);
  const D3DMATERIAL8 material{{0.5f, 1.0f, 0.25f, 1.0f}};
  device_->SetMaterial(&material);
  device_->SetTexture(0, texture);
  MeshStage0();
  device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
  device_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
  device_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  device_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device_->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
  device_->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  const Colour background = {0.0, 0.0, 200 / 255.0, 1};
  for (DWORD factorAlpha : {0u, 77u, 128u, 255u}) {
    SCOPED_TRACE(factorAlpha);
    device_->SetRenderState(D3DRS_TEXTUREFACTOR, (factorAlpha << 24) | 0x4D4D4D);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000C8, 1.0f, 0);
    ASSERT_EQ(DrawLitQuad(), D3D_OK);
    const QImage image = Frame();
    const double grey = 77 / 255.0, tex = 128 / 255.0;
    const Colour source = Clamp({tex * 0.5 + grey, tex * 1.0 + grey, tex * 0.25 + grey, 1});
    for (const auto& [x, y, textureAlpha] :
         {std::tuple{5, 5, 1.0}, std::tuple{58, 58, 128 / 255.0}}) {
      const double a = textureAlpha * factorAlpha / 255.0;
      ExpectNear(At(image, x, y), {source.r * a + background.r * (1 - a),
                                   source.g * a + background.g * (1 - a),
                                   source.b * a + background.b * (1 - a), 1});
    }
  }
  // Stage 1 disabled again: stage 0's result alone, opaque.
  device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  ASSERT_EQ(DrawLitQuad(), D3D_OK);
  ExpectNear(At(Frame(), 5, 5), {0.5 * 128 / 255.0, 128 / 255.0, 0.25 * 128 / 255.0, 1});
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(GlStagesTest, SelectArgumentsAndTextureFactor) {
  struct Case {
    const char* name;
    DWORD op, arg1, arg2;
    Colour want;
  } cases[] = {
      {"select factor", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, {0.2, 0.4, 0.6, 1}},
      {"select diffuse", D3DTOP_SELECTARG2, D3DTA_TFACTOR, D3DTA_DIFFUSE, {0.5, 0.25, 0.75, 1}},
      {"add", D3DTOP_ADD, D3DTA_TFACTOR, D3DTA_DIFFUSE, {0.7, 0.65, 1.0, 1}},
      {"modulate", D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_DIFFUSE, {0.1, 0.1, 0.45, 1}},
      // no texture bound: the stage is skipped and the lit colour shows
      {"texture unbound", D3DTOP_ADD, D3DTA_TFACTOR, D3DTA_TEXTURE, {0.5, 0.25, 0.75, 1}},
      {"disabled", D3DTOP_DISABLE, D3DTA_TFACTOR, D3DTA_DIFFUSE, {0.5, 0.25, 0.75, 1}},
  };
  const D3DMATERIAL8 material{{0.5f, 0.25f, 0.75f, 1.0f}};
  device_->SetMaterial(&material);
  device_->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF336699);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(DrawLitQuad(), D3D_OK);
    ExpectNear(At(Frame(), 30, 30), c.want);
  }
}

// ---- Geometry: pixel coverage, culling, depth

TEST_F(GlDeviceTest, ScreenQuadCoversExactlyDirect3DsPixels) {
  D3DPRESENT_PARAMETERS params = gl_test::Params(400, 400);
  ASSERT_EQ(device_->Reset(&params), D3D_OK);
  struct Case {
    float x0, y0, x1, y1;
    int left, top, right, bottom;  // inclusive pixel bounds
  } cases[] = {
      {100, 100, 300, 300, 100, 100, 299, 299},
      {10.9f, 20.5f, 60.5f, 30.1f, 11, 21, 60, 30},
      {-8, 262, 248, 518, 0, 262, 247, 399},  // the demo logo's place, clipped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(ScreenQuad(c.x0, c.y0, c.x1, c.y1), kFvfScreen, 24, D3DPT_TRIANGLESTRIP),
              D3D_OK);
    const QImage image = Frame();
    int left = 400, top = 400, right = -1, bottom = -1, covered = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x) {
        if (At(image, x, y).r == 0) continue;
        ++covered;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(top, c.top);
    EXPECT_EQ(right, c.right);
    EXPECT_EQ(bottom, c.bottom);
    EXPECT_EQ(covered, (c.right - c.left + 1) * (c.bottom - c.top + 1));
  }
}

// A 200 x 200 texture on the 200 x 200 quad maps texel (i, j) to pixel
// (100 + i, 100 + j) under point sampling.
TEST_F(GlDeviceTest, ScreenQuadMapsTexelsOneToOne) {
  D3DPRESENT_PARAMETERS params = gl_test::Params(400, 400);
  ASSERT_EQ(device_->Reset(&params), D3D_OK);
  std::vector<uint32_t> texels(200 * 200);
  for (uint32_t y = 0; y < 200; ++y)
    for (uint32_t x = 0; x < 200; ++x) texels[y * 200 + x] = 0xFF000000u | (x << 16) | (y << 8);
  IDirect3DTexture8* texture = Texture(200, 200, texels);
  device_->SetTexture(0, texture);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(Draw(ScreenQuad(100, 100, 300, 300), kFvfScreen, 24, D3DPT_TRIANGLESTRIP), D3D_OK);
  const QImage image = Frame();
  int mismatches = 0;
  for (int y = 100; y < 300; ++y)
    for (int x = 100; x < 300; ++x) {
      const Rgba p = At(image, x, y);
      if (p.r != x - 100 || p.g != y - 100) ++mismatches;
    }
  EXPECT_EQ(mismatches, 0);
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(GlDeviceTest, CullModesDropTheRightWinding) {
  // Left: clockwise on screen; right: counter-clockwise.
  const std::vector<float> screen = {4,  4, 0.5f, 1, 0, 0, 28, 4, 0.5f, 1, 0, 0,
                                     4, 28, 0.5f, 1, 0, 0, 36, 4, 0.5f, 1, 0, 0,
                                     36, 28, 0.5f, 1, 0, 0, 60, 4, 0.5f, 1, 0, 0};
  // The same two shapes as transformed vertices seen through a perspective
  // projection (y up in view space), in the lower half of the target.
  const D3DMATRIX projection = Perspective();
  const float z = 2.0f, s = 2.0f * 0.57735f;  // half the visible height at z 2
  auto at = [&](float px, float py) {
    return std::pair{(px / 32.0f - 1.0f) * s, (1.0f - py / 32.0f) * s};
  };
  std::vector<float> world;
  for (const auto& [px, py] : std::vector<std::pair<float, float>>{
           {4, 36}, {28, 36}, {4, 60}, {36, 36}, {36, 60}, {60, 36}}) {
    const auto [x, y] = at(px, py);
    world.insert(world.end(), {x, y, z, 0, 0, -1, 0, 0});
  }
  struct Case {
    D3DCULL mode;
    bool clockwiseShown, counterShown;
  } cases[] = {
      {D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    device_->SetRenderState(D3DRS_CULLMODE, c.mode);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(screen, kFvfScreen, 24), D3D_OK);
    const D3DMATRIX identity = Identity();
    device_->SetTransform(D3DTS_VIEW, &identity);
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    ASSERT_EQ(Draw(world, kFvfMesh, 32), D3D_OK);
    const QImage image = Frame();
    EXPECT_EQ(At(image, 10, 10).r == 255, c.clockwiseShown);
    EXPECT_EQ(At(image, 42, 10).r == 255, c.counterShown);
    EXPECT_EQ(At(image, 10, 42).r == 255, c.clockwiseShown);
    EXPECT_EQ(At(image, 42, 42).r == 255, c.counterShown);
  }
}

TEST_F(GlDeviceTest, DepthTestKeepsTheNearerSurface) {
  const D3DMATRIX projection = Perspective();
  device_->SetTransform(D3DTS_PROJECTION, &projection);
  device_->SetRenderState(D3DRS_LIGHTING, TRUE);
  device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  // A large clockwise triangle at view depth z, coloured by its emissive material.
  auto triangle = [&](float z) {
    return std::vector<float>{-z, -z, z, 0, 0, -1, 0, 0, 0,  z, z, 0, 0, -1, 0, 0,
                              z,  -z, z, 0, 0, -1, 0, 0};
  };
  auto draw = [&](float z, float red) {
    const D3DMATERIAL8 material{{}, {}, {}, {red, 0, 1.0f - red, 0}};
    device_->SetMaterial(&material);
    return Draw(triangle(z), kFvfMesh, 32);
  };
  struct Case {
    const char* name;
    DWORD zenable, zwrite;
    float firstZ, secondZ;
    int wantRed;  // 255: the first draw (red) shows, 0: the second (blue)
  } cases[] = {
      {"near first, depth on", D3DZB_TRUE, TRUE, 1.0f, 5.0f, 255},
      {"far first, depth on", D3DZB_TRUE, TRUE, 5.0f, 1.0f, 0},
      {"equal depth passes (less or equal)", D3DZB_TRUE, TRUE, 2.0f, 2.0f, 0},
      {"near first, depth off", D3DZB_FALSE, TRUE, 1.0f, 5.0f, 0},
      {"near first, no depth writes", D3DZB_TRUE, FALSE, 1.0f, 5.0f, 0},
      // In front of the near plane (0.1) Direct3D clips; behind the far plane too.
      {"before the near plane", D3DZB_TRUE, TRUE, 0.07f, 0.07f, -1},
      {"beyond the far plane", D3DZB_TRUE, TRUE, 150.0f, 150.0f, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_->SetRenderState(D3DRS_ZENABLE, c.zenable);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, c.zwrite);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(draw(c.firstZ, 1.0f), D3D_OK);
    ASSERT_EQ(draw(c.secondZ, 0.0f), D3D_OK);
    const Rgba p = At(Frame(), 32, 36);
    if (c.wantRed < 0) {
      EXPECT_EQ(p.g, 255);  // nothing drawn over the green background
    } else {
      EXPECT_EQ(p.r, c.wantRed);
      EXPECT_EQ(p.b, 255 - c.wantRed);
    }
  }
}

TEST_F(GlDeviceTest, IndexedStripsFansAndThirtyTwoBitIndices) {
  // Four screen corners of a square from (16,16) to (48,48), drawn by index.
  const std::vector<float> vertices = {0,  0,  0.5f, 1, 0, 0, 16, 16, 0.5f, 1, 0, 0,
                                       48, 16, 0.5f, 1, 0, 0, 16, 48, 0.5f, 1, 0, 0,
                                       48, 48, 0.5f, 1, 0, 0};
  IDirect3DVertexBuffer8* vb = Buffer(vertices, kFvfScreen);
  struct Case {
    const char* name;
    D3DFORMAT format;
    D3DPRIMITIVETYPE type;
    std::vector<uint32_t> indices;
    UINT base, primitives;
  } cases[] = {
      {"list16", D3DFMT_INDEX16, D3DPT_TRIANGLELIST, {1, 2, 3, 3, 2, 4}, 0, 2},
      {"strip16", D3DFMT_INDEX16, D3DPT_TRIANGLESTRIP, {1, 2, 3, 4}, 0, 2},
      {"fan16 with base vertex", D3DFMT_INDEX16, D3DPT_TRIANGLEFAN, {0, 1, 3, 2}, 1, 2},
      {"list32", D3DFMT_INDEX32, D3DPT_TRIANGLELIST, {1, 2, 3, 3, 2, 4}, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const UINT size = c.format == D3DFMT_INDEX32 ? 4 : 2;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(UINT(c.indices.size()) * size, 0, c.format,
                                         D3DPOOL_MANAGED, &ib),
              D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    for (size_t i = 0; i < c.indices.size(); ++i) {
      if (size == 4) {
        std::memcpy(data + i * 4, &c.indices[i], 4);
      } else {
        const uint16_t v = uint16_t(c.indices[i]);
        std::memcpy(data + i * 2, &v, 2);
      }
    }
    ib->Unlock();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->SetStreamSource(0, vb, 24);
    device_->SetIndices(ib, c.base);
    device_->SetVertexShader(kFvfScreen);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_EQ(device_->DrawIndexedPrimitive(c.type, 0, 5, 0, c.primitives), D3D_OK);
    const QImage image = Frame();
    EXPECT_EQ(At(image, 16, 16).r, 255);
    EXPECT_EQ(At(image, 47, 47).r, 255);
    EXPECT_EQ(At(image, 47, 16).r, 255);
    EXPECT_EQ(At(image, 15, 16).r, 0);
    EXPECT_EQ(At(image, 48, 47).r, 0);
    device_->SetIndices(nullptr, 0);
    ib->Release();
  }
  device_->SetStreamSource(0, nullptr, 0);
  vb->Release();
}

// Draws that would read past a buffer are refused and draw nothing.
TEST_F(GlDeviceTest, DrawsBeyondTheBuffersAreRefused) {
  const std::vector<float> vertices = {0, 0, 0.5f, 1, 0, 0, 64, 0, 0.5f, 1, 0, 0,
                                       0, 64, 0.5f, 1, 0, 0};
  IDirect3DVertexBuffer8* vb = Buffer(vertices, kFvfScreen);
  device_->SetStreamSource(0, vb, 24);
  device_->SetVertexShader(kFvfScreen);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  EXPECT_LT(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), 0);
  EXPECT_LT(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), 0);
  EXPECT_LT(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFFu, 0x7FFFFFFF), 0);
  EXPECT_LT(device_->DrawPrimitive(D3DPRIMITIVETYPE(99), 0, 1), 0);
  device_->SetVertexShader(kFvfMesh);  // 32-byte vertices do not fit a 24-byte stride
  EXPECT_LT(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), 0);
  device_->SetVertexShader(kFvfScreen);

  IDirect3DIndexBuffer8* ib = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
  BYTE* data = nullptr;
  ib->Lock(0, 0, &data, 0);
  const uint16_t indices[3] = {0, 1, 3};  // vertex 3 does not exist
  std::memcpy(data, indices, 6);
  ib->Unlock();
  EXPECT_LT(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), 0);  // no indices set
  device_->SetIndices(ib, 0);
  EXPECT_LT(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), 0);
  EXPECT_LT(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 1, 1), 0);  // past the end
  device_->SetIndices(ib, 1);  // base vertex 1 pushes index 1 to vertex 2 and 0 to 1
  const uint16_t fixed[3] = {0, 1, 1};
  ib->Lock(0, 0, &data, 0);
  std::memcpy(data, fixed, 6);
  ib->Unlock();
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3D_OK);
  device_->SetIndices(ib, 2);
  EXPECT_LT(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), 0);
  EXPECT_EQ(At(Frame(), 10, 10).r, 0);  // nothing was drawn (the accepted draw was degenerate)
  device_->SetIndices(nullptr, 0);
  device_->SetStreamSource(0, nullptr, 0);
  ib->Release();
  vb->Release();
}

}  // namespace
