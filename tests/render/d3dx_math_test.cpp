#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "render/d3dx8.h"
#include "render/recording_device.h"

namespace {

D3DXMATRIX FromRows(const float (&rows)[4][4]) {
  D3DXMATRIX m;
  std::memcpy(m.m, rows, sizeof m.m);
  return m;
}

// Row vector (x, y, z, 1) times m.
void Transform(const D3DXMATRIX& m, float x, float y, float z, float out[4]) {
  for (int c = 0; c < 4; ++c) out[c] = x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c];
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const float (&expected)[4][4],
                      float tolerance = 1e-6f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "element _" << r + 1 << c + 1;
    }
  }
}

constexpr float kIdentity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

TEST(D3dxMatrix, IdentityOverwritesEveryElement) {
  D3DXMATRIX m;
  std::memset(&m, 0x7f, sizeof m);
  EXPECT_EQ(D3DXMatrixIdentity(&m), &m);
  ExpectMatrixNear(m, kIdentity, 0.0f);
}

TEST(D3dxMatrix, PerspectiveFovLhMatchesDocumentedFormula) {
  struct Case {
    float fovy, aspect, zn, zf;
    float xs, ys, z33, z43;
  };
  // ys = cot(fovy / 2), xs = ys / aspect, _33 = zf / (zf - zn), _43 = -zn zf / (zf - zn).
  const Case cases[] = {
      {std::numbers::pi_v<float> / 2, 2.0f, 1.0f, 3.0f, 0.5f, 1.0f, 1.5f, -1.5f},
      {std::numbers::pi_v<float> / 3, 1.0f, 0.5f, 10.5f, 1.7320508f, 1.7320508f, 1.05f, -0.525f},
      {std::numbers::pi_v<float> / 6, 4.0f / 3.0f, 0.1f, 100.0f, 2.7990381f, 3.7320508f,
       1.001001f, -0.1001001f},
  };
  for (const Case& c : cases) {
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, c.fovy, c.aspect, c.zn, c.zf);
    const float expected[4][4] = {
        {c.xs, 0, 0, 0}, {0, c.ys, 0, 0}, {0, 0, c.z33, 1}, {0, 0, c.z43, 0}};
    ExpectMatrixNear(m, expected, 2e-6f);

    // Depth runs 0 at the near plane to 1 at the far plane, w = view z.
    float nearPoint[4], farPoint[4];
    Transform(m, 0, 0, c.zn, nearPoint);
    Transform(m, 0, 0, c.zf, farPoint);
    EXPECT_NEAR(nearPoint[2] / nearPoint[3], 0.0f, 1e-6f);
    EXPECT_NEAR(farPoint[2] / farPoint[3], 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(farPoint[3], c.zf);
  }
}

TEST(D3dxMatrix, LookAtLhBuildsTheDocumentedBasis) {
  struct Case {
    D3DXVECTOR3 eye, at, up;
    float expected[4][4];
  };
  const Case cases[] = {
      // Looking down +z from z = -5: a pure translation.
      {{0, 0, -5}, {0, 0, 0}, {0, 1, 0}, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 5, 1}}},
      // From +x towards the origin: z = (-1, 0, 0), x = up x z = (0, 0, 1), y = z x x.
      {{5, 0, 0}, {0, 0, 0}, {0, 1, 0}, {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 5, 1}}},
      // Up need not be perpendicular, nor the distance 1.
      {{1, 2, 3}, {1, 2, 7}, {0, 3, 1}, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-1, -2, -3, 1}}},
  };
  for (const Case& c : cases) {
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &c.eye, &c.at, &c.up), &m);
    ExpectMatrixNear(m, c.expected);
  }

  // A general case: the eye goes to the origin, the target onto +z at its distance.
  const D3DXVECTOR3 eye = {0.3f, 1.2f, -2.5f}, at = {-0.4f, 0.1f, 0.7f}, up = {0, 1, 0};
  D3DXMATRIX m;
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  float p[4];
  Transform(m, eye.x, eye.y, eye.z, p);
  EXPECT_NEAR(p[0], 0, 1e-6f);
  EXPECT_NEAR(p[1], 0, 1e-6f);
  EXPECT_NEAR(p[2], 0, 1e-6f);
  Transform(m, at.x, at.y, at.z, p);
  const float distance = std::sqrt(0.49f + 1.21f + 10.24f);
  EXPECT_NEAR(p[0], 0, 1e-5f);
  EXPECT_NEAR(p[1], 0, 1e-5f);
  EXPECT_NEAR(p[2], distance, 1e-5f);
}

TEST(D3dxMatrix, LookAtLhWithEyeOnTargetHasNoNaN) {
  const D3DXVECTOR3 eye = {1, 1, 1}, up = {0, 1, 0};
  D3DXMATRIX m;
  D3DXMatrixLookAtLH(&m, &eye, &eye, &up);
  for (const auto& row : m.m) {
    for (float value : row) EXPECT_FALSE(std::isnan(value));
  }
}

TEST(D3dxMatrix, RotationYTurnsXTowardsMinusZ) {
  struct Case {
    float angle;
    float x[3];  // where (1, 0, 0) goes
    float z[3];  // where (0, 0, 1) goes
  };
  const float pi = std::numbers::pi_v<float>;
  const Case cases[] = {
      {0.0f, {1, 0, 0}, {0, 0, 1}},
      {pi / 2, {0, 0, -1}, {1, 0, 0}},
      {pi, {-1, 0, 0}, {0, 0, -1}},
      {-pi / 2, {0, 0, 1}, {-1, 0, 0}},
      {0.3f, {std::cos(0.3f), 0, -std::sin(0.3f)}, {std::sin(0.3f), 0, std::cos(0.3f)}},
  };
  for (const Case& c : cases) {
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, c.angle);
    float p[4];
    Transform(m, 1, 0, 0, p);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], c.x[i], 1e-6f) << c.angle;
    Transform(m, 0, 0, 1, p);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], c.z[i], 1e-6f) << c.angle;
    Transform(m, 0, 1, 0, p);
    EXPECT_FLOAT_EQ(p[1], 1.0f);
    EXPECT_FLOAT_EQ(p[3], 1.0f);
  }
}

TEST(D3dxMatrix, TranslationGoesInTheFourthRow) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 1.5f, -2.0f, 3.25f);
  const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1.5f, -2.0f, 3.25f, 1}};
  ExpectMatrixNear(m, expected, 0.0f);
}

TEST(D3dxMatrix, MultiplyIsRowTimesColumnWithAnyAliasing) {
  const float a[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
  const float b[4][4] = {{2, -1, 0, 1}, {0, 2, 1, 0}, {0, 1, 2, 0}, {1, 0, 0, 2}};
  const float ab[4][4] = {{6, 6, 8, 9}, {18, 14, 20, 21}, {30, 22, 32, 33}, {42, 30, 44, 45}};
  const float ba[4][4] = {{10, 12, 14, 16}, {19, 22, 25, 28}, {23, 26, 29, 32}, {27, 30, 33, 36}};
  const float aa[4][4] = {{90, 100, 110, 120},
                          {202, 228, 254, 280},
                          {314, 356, 398, 440},
                          {426, 484, 542, 600}};
  const D3DXMATRIX A = FromRows(a), B = FromRows(b);

  D3DXMATRIX out;
  EXPECT_EQ(D3DXMatrixMultiply(&out, &A, &B), &out);
  ExpectMatrixNear(out, ab, 0.0f);
  D3DXMatrixMultiply(&out, &B, &A);
  ExpectMatrixNear(out, ba, 0.0f);

  D3DXMATRIX first = A;
  D3DXMatrixMultiply(&first, &first, &B);
  ExpectMatrixNear(first, ab, 0.0f);
  D3DXMATRIX second = B;
  D3DXMatrixMultiply(&second, &A, &second);
  ExpectMatrixNear(second, ab, 0.0f);
  D3DXMATRIX both = A;
  D3DXMatrixMultiply(&both, &both, &both);
  ExpectMatrixNear(both, aa, 0.0f);
}

TEST(D3dxMatrix, TranslationThenRotationAppliesTheTranslationFirst) {
  D3DXMATRIX t, r, m;
  D3DXMatrixTranslation(&t, 1, 0, 0);
  D3DXMatrixRotationY(&r, std::numbers::pi_v<float> / 2);
  D3DXMatrixMultiply(&m, &t, &r);
  float p[4];
  Transform(m, 0, 0, 0, p);
  EXPECT_NEAR(p[0], 0, 1e-6f);
  EXPECT_NEAR(p[2], -1, 1e-6f);
}

TEST(D3dxVector, NormalizeGivesUnitLengthAndZeroForZero) {
  struct Case {
    D3DXVECTOR3 in, out;
  };
  const Case cases[] = {
      {{3, 4, 0}, {0.6f, 0.8f, 0}},
      {{-1, -1, 1}, {-0.57735026f, -0.57735026f, 0.57735026f}},
      {{0, 0, -7}, {0, 0, -1}},
      {{0, 0, 0}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    D3DXVECTOR3 v;
    EXPECT_EQ(D3DXVec3Normalize(&v, &c.in), &v);
    EXPECT_FLOAT_EQ(v.x, c.out.x);
    EXPECT_FLOAT_EQ(v.y, c.out.y);
    EXPECT_FLOAT_EQ(v.z, c.out.z);
    D3DXVECTOR3 same = c.in;
    D3DXVec3Normalize(&same, &same);
    EXPECT_FLOAT_EQ(same.x, c.out.x);
    EXPECT_FLOAT_EQ(same.y, c.out.y);
    EXPECT_FLOAT_EQ(same.z, c.out.z);
  }
}

TEST(D3dxColor, EffectLevelAlphaBytes) {
  const DWORD expected[11] = {0, 26, 51, 77, 102, 128, 153, 178, 204, 229, 255};
  for (int level = 0; level <= 10; ++level) {
    const float alpha = static_cast<float>(level * 0.1);
    const D3DCOLOR color = D3DXColorToD3DCOLOR({0.3f, 0.3f, 0.3f, alpha});
    EXPECT_EQ(color >> 24, expected[level]) << "level " << level;
    EXPECT_EQ(color & 0xffffffu, 0x4d4d4du) << "level " << level;
  }
}

TEST(D3dxColor, ClampsRoundsAndPacksArgb) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    D3DXCOLOR in;
    D3DCOLOR out;
  };
  const Case cases[] = {
      {{1.0f, 0.5f, 0.0f, 0.25f}, 0x40ff8000u},
      {{2.0f, -1.0f, 1.0f, 1.5f}, 0xffff00ffu},
      {{0.001f, 0.002f, 0.998f, 0.999f}, 0xff0001feu},
      {{nan, 0.0f, 0.0f, nan}, 0x00000000u},
      {{-0.0f, 0.0f, 0.0f, 1.0f}, 0xff000000u},
  };
  for (const Case& c : cases) EXPECT_EQ(D3DXColorToD3DCOLOR(c.in), c.out) << std::hex << c.out;
}

TEST(D3dxBuffer, HoldsZeroedBytesOfTheAskedSize) {
  const int before = LiveRecordingObjects().d3dxBuffers;
  for (DWORD size : {0u, 1u, 24u, 4096u}) {
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(size, &buffer), D3D_OK);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetBufferSize(), size);
    ASSERT_NE(buffer->GetBufferPointer(), nullptr);
    const auto* bytes = static_cast<const BYTE*>(buffer->GetBufferPointer());
    for (DWORD i = 0; i < size; ++i) ASSERT_EQ(bytes[i], 0) << i;
    std::memset(buffer->GetBufferPointer(), 0xab, size);
    EXPECT_EQ(LiveRecordingObjects().d3dxBuffers, before + 1);
    buffer->AddRef();
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(LiveRecordingObjects().d3dxBuffers, before);
  }
  EXPECT_EQ(D3DXCreateBuffer(8, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
