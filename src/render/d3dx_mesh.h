// The mesh behind ID3DXMesh: vertices in a device vertex buffer laid out by
// an FVF code, indices in a device index buffer (16-bit unless
// D3DXMESH_32BIT), one attribute id per face and an attribute table.
//
// Failures: a bad argument or a mesh whose data does not fit (an index past
// the vertex count, more vertices than 16-bit indices address) is an HRESULT
// of D3DERR_INVALIDCALL, never undefined behaviour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/d3dx8.h"
#include "render/mesh_adjacency_ahead.h"

// Where each component of an FVF vertex lies; offsets are -1 when absent.
struct FvfLayout {
  bool valid = false;
  UINT stride = 0;
  int position = -1;  // 3 floats (D3DFVF_XYZ only)
  int normal = -1;    // 3 floats
  int pointSize = -1;
  int diffuse = -1;   // D3DCOLOR
  int specular = -1;  // D3DCOLOR
  UINT texCount = 0;
  int texOffset[8] = {};
  UINT texFloats[8] = {};  // 1 to 4 floats per set
};

// Layout of fvf; valid is false for codes a mesh cannot hold (pre-transformed
// or blended positions, no position, unknown bits).
FvfLayout DescribeFVF(DWORD fvf);

// The mesh's indices widened to 32 bits, three per face.
HRESULT ReadMeshIndices(ID3DXMesh* mesh, std::vector<uint32_t>* indices);
// The mesh's vertex positions; D3DERR_INVALIDCALL when the format has none.
HRESULT ReadMeshPositions(ID3DXMesh* mesh, std::vector<D3DVECTOR>* positions);

// The loader's hand-off: the adjacency the attribute-sorted copy of mesh
// will have. Clones carry it and Optimize's result uses it, until their data
// may change (a lock for writing, or a buffer handed out).
void SetSortedAdjacency(ID3DXMesh* mesh, PendingAdjacency adjacency);

// D3DXLoadMeshFromX that also tells why it failed (*reason, when given).
HRESULT D3DXLoadMeshFromXWithReason(const char* pFilename, DWORD Options,
                                    IDirect3DDevice8* pDevice, ID3DXBuffer** ppAdjacency,
                                    ID3DXBuffer** ppMaterials, DWORD* pNumMaterials,
                                    ID3DXMesh** ppMesh, std::string* reason);
