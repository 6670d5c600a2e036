// The viewer's mesh object: one attribute-sorted triangle mesh from a .x file
// with its materials and textures; the model instance also carries the morph
// state. Vertex layout: position, normal, u v (32 bytes); 16-bit indices.
#pragma once

#include <cstdint>
#include <vector>

#include "render/d3dx8.h"

constexpr DWORD kMeshFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
constexpr UINT kMeshVertexStride = 32;
constexpr DWORD kMeshLoadFlags = D3DXMESHOPT_ATTRSORT | D3DXMESH_MANAGED;  // 0x2000220
constexpr int kMaterialKindSlots = 100;
constexpr char kFaceMaterialKind = 99;
constexpr size_t kMeshFileNameSize = 306;

class MyXOBJ {
 public:
  MyXOBJ() = default;
  MyXOBJ(const MyXOBJ&) = delete;
  MyXOBJ& operator=(const MyXOBJ&) = delete;

  // Loads the mesh, its materials and textures; true when ready to draw.
  bool Load(const char* path, DWORD optimizeFlags);
  // Draws every subset with its material; face materials get the overlay pass.
  bool Draw();
  bool SetWorld(const D3DMATRIX& matrix);
  // Releases what a loaded object holds, then frees the object itself.
  void Destroy();

  // Morph animation (scene/morph_animation.cpp).
  void StartSequence();
  bool MorphStep();

  // Motion data (scene/motion_object.cpp).
  bool ComputeMotionNormals(int motion);
  bool WriteVertexData();

  IDirect3DVertexBuffer8* vertexBuffer = nullptr;
  IDirect3DIndexBuffer8* indexBuffer = nullptr;
  D3DVERTEXBUFFER_DESC vertexBufferDesc = {};
  D3DINDEXBUFFER_DESC indexBufferDesc = {};
  std::vector<D3DMATERIAL8> materials;
  std::vector<IDirect3DTexture8*> textures;
  DWORD materialCount = 0;
  std::vector<DWORD> adjacency;
  bool blendNormals = false;
  bool loaded = false;
  char materialKind[kMaterialKindSlots] = {};
  ID3DXMesh* mesh = nullptr;
  DWORD vertexCount = 0;
  DWORD indexCount = 0;
  float speedFactor = 1.0f;
  int32_t keyFrame = 0;
  float blend = 0.0f;
  int32_t sequence = 0;
  int32_t keyCount = 0;
  char fileName[kMeshFileNameSize] = {};

 private:
  ~MyXOBJ() = default;
};
