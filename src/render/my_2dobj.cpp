#include "render/my_2dobj.h"

#include <cstring>

#include "app/globals.h"
#include "render/d3dx8.h"

namespace {

// Corners top-left, top-right, bottom-left, bottom-right of a template copy.
void SetCorners(ScreenVertex (&quad)[4], float x, float y, float height, float width) {
  quad[0].x = x;
  quad[0].y = y;
  quad[1].x = x + width;
  quad[1].y = y;
  quad[2].x = x;
  quad[2].y = y + height;
  quad[3].x = x + width;
  quad[3].y = y + height;
}

}  // namespace

bool My2DOBJ::Load(const char* path, float x, float y, float h, float w) {
  ScreenVertex quad[4];
  std::memcpy(quad, quadTemplate[0], sizeof quad);
  left = static_cast<int32_t>(x);
  top = static_cast<int32_t>(y);
  height = static_cast<int32_t>(h);
  width = static_cast<int32_t>(w);
  IDirect3DDevice8* dev = GetDevice();
  if (!dev) return false;
  D3DXCreateTextureFromFileA(dev, path, &texture);
  SetCorners(quad, float(left), float(top), float(height), float(width));
  if (FAILED(dev->CreateVertexBuffer(kScreenQuadBytes, 0, kScreenVertexFVF, D3DPOOL_DEFAULT,
                                     &vertexBuffer))) {
    // Not loaded: Destroy would release nothing, so the texture goes now.
    if (texture) texture->Release();
    texture = nullptr;
    vertexBuffer = nullptr;
    return false;
  }
  BYTE* data = nullptr;
  if (SUCCEEDED(vertexBuffer->Lock(0, kScreenQuadBytes, &data, 0))) {
    std::memcpy(data, quad, sizeof quad);
    vertexBuffer->Unlock();
  }
  loaded = true;
  return true;
}

bool My2DOBJ::Draw() {
  IDirect3DDevice8* dev = GetDevice();
  if (!dev || !loaded) return true;
  dev->SetTexture(0, texture);
  dev->SetStreamSource(0, vertexBuffer, sizeof(ScreenVertex));
  dev->SetVertexShader(kScreenVertexFVF);
  dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  return true;
}

HRESULT My2DOBJ::Place(float x, float y, float h, float w) {
  if (!vertexBuffer) return D3DERR_INVALIDCALL;
  ScreenVertex quad[4];
  std::memcpy(quad, quadTemplate[1], sizeof quad);
  SetCorners(quad, x, y, h, w);
  BYTE* data = nullptr;
  const HRESULT locked = vertexBuffer->Lock(0, kScreenQuadBytes, &data, 0);
  if (FAILED(locked)) return locked;
  std::memcpy(data, quad, sizeof quad);
  return vertexBuffer->Unlock();
}

HRESULT My2DOBJ::PlaceCentered(float cx, float cy) {
  return Place(cx - float(width / 2), cy - float(height / 2), float(height), float(width));
}

bool My2DOBJ::Destroy() {
  if (loaded) {
    if (texture) texture->Release();
    if (vertexBuffer) vertexBuffer->Release();
  }
  delete this;
  return true;
}
