// Matrix, vector and colour helpers with the results D3DX documents. Every
// function computes into a local first, so the output may alias an operand.
#include <cmath>

#include "render/d3dx8.h"

namespace {

D3DXVECTOR3 Subtract(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  const float length = std::sqrt(Dot(v, v));
  if (length == 0.0f) return {0.0f, 0.0f, 0.0f};
  return {v.x / length, v.y / length, v.z / length};
}

D3DXMATRIX IdentityMatrix() {
  D3DXMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// One channel: clamped, then rounded half up. The product is taken in double:
// in float, 0.7f * 255 rounds up to 178.5 and would give 179.
DWORD Channel(float c) {
  if (c >= 1.0f) return 255;
  if (!(c > 0.0f)) return 0;  // also NaN
  return static_cast<DWORD>(static_cast<double>(c) * 255.0 + 0.5);
}

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = IdentityMatrix();
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf) {
  const float yScale = 1.0f / std::tan(fovy / 2.0f);
  const float xScale = yScale / Aspect;
  D3DXMATRIX m = {};
  m._11 = xScale;
  m._22 = yScale;
  m._33 = zf / (zf - zn);
  m._34 = 1.0f;
  m._43 = -zn * zf / (zf - zn);
  *pOut = m;
  return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  const D3DXVECTOR3 eye = *pEye;
  const D3DXVECTOR3 z = Normalized(Subtract(*pAt, eye));
  const D3DXVECTOR3 x = Normalized(Cross(*pUp, z));
  const D3DXVECTOR3 y = Cross(z, x);
  D3DXMATRIX m = {};
  m._11 = x.x; m._12 = y.x; m._13 = z.x;
  m._21 = x.y; m._22 = y.y; m._23 = z.y;
  m._31 = x.z; m._32 = y.z; m._33 = z.z;
  m._41 = -Dot(x, eye);
  m._42 = -Dot(y, eye);
  m._43 = -Dot(z, eye);
  m._44 = 1.0f;
  *pOut = m;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float Angle) {
  D3DXMATRIX m = IdentityMatrix();
  const float c = std::cos(Angle);
  const float s = std::sin(Angle);
  m._11 = c;
  m._13 = -s;
  m._31 = s;
  m._33 = c;
  *pOut = m;
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  D3DXMATRIX m = IdentityMatrix();
  m._41 = x;
  m._42 = y;
  m._43 = z;
  *pOut = m;
  return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  D3DXMATRIX m;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      m.m[row][column] = pM1->m[row][0] * pM2->m[0][column] + pM1->m[row][1] * pM2->m[1][column] +
                         pM1->m[row][2] * pM2->m[2][column] + pM1->m[row][3] * pM2->m[3][column];
    }
  }
  *pOut = m;
  return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
  *pOut = Normalized(*pV);
  return pOut;
}

D3DCOLOR D3DXColorToD3DCOLOR(const D3DXCOLOR& color) {
  return (Channel(color.a) << 24) | (Channel(color.r) << 16) | (Channel(color.g) << 8) |
         Channel(color.b);
}
