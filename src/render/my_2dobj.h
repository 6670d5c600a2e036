// The viewer's screen sprite: one texture on a screen-aligned rectangle drawn
// as two pre-transformed triangles.
#pragma once

#include "render/d3d8.h"

constexpr DWORD kScreenVertexFVF = D3DFVF_XYZRHW | D3DFVF_TEX1;  // 0x104
constexpr UINT kScreenQuadBytes = 96;

class My2DOBJ {
 public:
  My2DOBJ() = default;
  My2DOBJ(const My2DOBJ&) = delete;
  My2DOBJ& operator=(const My2DOBJ&) = delete;

  // Size arguments: height before width.
  bool Load(const char* path, float x, float y, float height, float width);
  bool Draw();
  HRESULT Place(float x, float y, float height, float width);
  HRESULT PlaceCentered(float cx, float cy);
  // Releases what a loaded sprite holds, then frees the object itself.
  bool Destroy();

  IDirect3DVertexBuffer8* vertexBuffer = nullptr;
  IDirect3DTexture8* texture = nullptr;
  int32_t left = 0;
  int32_t top = 0;
  int32_t height = 0;
  int32_t width = 0;
  bool loaded = false;

 private:
  ~My2DOBJ() = default;
};
