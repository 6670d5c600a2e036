// The utility operations the viewer uses beside the device: matrix and vector
// helpers, buffers, meshes, .x loading, normal computation and texture files.
#pragma once

#include "render/d3d8.h"

// ---- Matrices and vectors (row vectors, left-handed). Output may alias an input.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float Angle);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
// A colour as the device takes it: 0xAARRGGBB, each channel clamped and rounded.
D3DCOLOR D3DXColorToD3DCOLOR(const D3DXCOLOR& color);

// ---- Buffers
class ID3DXBuffer : public IUnknown8 {
 public:
  virtual void* GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer);

// ---- Meshes
constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;
constexpr DWORD D3DXMESHOPT_IGNOREVERTS = 0x10000000;

// Highest vertex count that 16-bit indices can address.
constexpr DWORD kMaxVertices16 = 65536;

struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};

// One material of a loaded .x file; pTextureFilename points into the same
// buffer (null when the material names no texture), bytes as stored in the file.
struct D3DXMATERIAL {
  D3DMATERIAL8 MatD3D;
  char* pTextureFilename;
};

class ID3DXMesh : public IUnknown8 {
 public:
  virtual HRESULT DrawSubset(DWORD AttribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) = 0;
  virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) = 0;
  virtual HRESULT LockVertexBuffer(DWORD Flags, BYTE** ppData) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD Flags, BYTE** ppData) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
  virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice8* pDevice,
                               ID3DXMesh** ppCloneMesh) = 0;
  virtual HRESULT GenerateAdjacency(float Epsilon, DWORD* pAdjacency) = 0;
  virtual HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                           DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap,
                           ID3DXMesh** ppOptMesh) = 0;
};

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          IDirect3DDevice8* pDevice, ID3DXMesh** ppMesh);

// Loads every mesh of a .x file merged into one. ppAdjacency may be null.
HRESULT D3DXLoadMeshFromX(const char* pFilename, DWORD Options, IDirect3DDevice8* pDevice,
                          ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                          DWORD* pNumMaterials, ID3DXMesh** ppMesh);

// Recomputes vertex normals from positions; pAdjacency (3 per face) may be null.
HRESULT D3DXComputeNormals(ID3DXMesh* pMesh, const DWORD* pAdjacency);

// ---- Textures: DDS, BMP, PNG, JPEG, TGA.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, const char* pSrcFile,
                                   IDirect3DTexture8** ppTexture);
