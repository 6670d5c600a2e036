// D3DXLoadMeshFromX: the reader's merged triangle list as one mesh, in the
// reader's vertex and face order (no sort at load), with its materials.
#include <cstring>
#include <string>

#include "render/d3dx_mesh.h"
#include "render/mesh_adjacency_ahead.h"
#include "render/xfile_mesh_data.h"

namespace {

// The one material the platform gives a file that defines none.
XMaterial DefaultMaterial() {
  XMaterial m;
  m.material.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
  m.material.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
  return m;
}

HRESULT BuildMaterialBuffer(const std::vector<XMaterial>& materials, ID3DXBuffer** out) {
  size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
  for (const XMaterial& m : materials) {
    if (m.hasTexture) bytes += m.textureFilename.size() + 1;
  }
  if (bytes > 0xFFFFFFFFu) return E_OUTOFMEMORY;
  ID3DXBuffer* buffer = nullptr;
  const HRESULT hr = D3DXCreateBuffer(DWORD(bytes), &buffer);
  if (FAILED(hr)) return hr;
  auto* base = static_cast<char*>(buffer->GetBufferPointer());
  auto* table = reinterpret_cast<D3DXMATERIAL*>(base);
  char* names = base + materials.size() * sizeof(D3DXMATERIAL);
  for (size_t i = 0; i < materials.size(); ++i) {
    table[i].MatD3D = materials[i].material;
    table[i].pTextureFilename = nullptr;
    if (materials[i].hasTexture) {
      const std::string& name = materials[i].textureFilename;
      std::memcpy(names, name.data(), name.size());
      names[name.size()] = '\0';
      table[i].pTextureFilename = names;
      names += name.size() + 1;
    }
  }
  *out = buffer;
  return D3D_OK;
}

HRESULT FillMesh(const XMeshData& data, ID3DXMesh* mesh) {
  const size_t vertexCount = data.positions.size();
  const UINT stride = 12 + (data.hasNormals ? 12 : 0) + (data.hasTexCoords ? 8 : 0);
  BYTE* vertices = nullptr;
  HRESULT hr = mesh->LockVertexBuffer(0, &vertices);
  if (FAILED(hr)) return hr;
  // Locals throughout: a byte store may alias the vectors' own pointers.
  const D3DVECTOR* positions = data.positions.data();
  const D3DVECTOR* normals = data.hasNormals ? data.normals.data() : nullptr;
  const float* texCoords = data.hasTexCoords ? data.texCoords.data() : nullptr;
  for (size_t v = 0; v < vertexCount; ++v) {
    BYTE* out = vertices + v * stride;
    std::memcpy(out, &positions[v], 12);
    out += 12;
    if (normals != nullptr) {
      std::memcpy(out, &normals[v], 12);
      out += 12;
    }
    if (texCoords != nullptr) std::memcpy(out, &texCoords[v * 2], 8);
  }
  mesh->UnlockVertexBuffer();

  BYTE* indices = nullptr;
  hr = mesh->LockIndexBuffer(0, &indices);
  if (FAILED(hr)) return hr;
  const uint32_t* from = data.indices.data();
  const size_t indexCount = data.indices.size();
  if (mesh->GetOptions() & D3DXMESH_32BIT) {
    std::memcpy(indices, from, indexCount * 4);
  } else {
    for (size_t i = 0; i < indexCount; ++i) {
      const uint16_t index = uint16_t(from[i]);
      std::memcpy(indices + i * 2, &index, 2);
    }
  }
  mesh->UnlockIndexBuffer();

  DWORD* attributes = nullptr;
  hr = mesh->LockAttributeBuffer(0, &attributes);
  if (FAILED(hr)) return hr;
  std::memcpy(attributes, data.attributes.data(), data.attributes.size() * sizeof(DWORD));
  mesh->UnlockAttributeBuffer();
  return D3D_OK;
}

// The reader promises these; a mesh is only built from data that keeps them.
bool Consistent(const XMeshData& data) {
  const size_t n = data.positions.size();
  if (data.indices.size() % 3 != 0 || data.attributes.size() != data.indices.size() / 3) return false;
  if (data.hasNormals && data.normals.size() != n) return false;
  if (data.hasTexCoords && data.texCoords.size() != n * 2) return false;
  for (uint32_t index : data.indices) {
    if (index >= n) return false;
  }
  return true;
}

}  // namespace

HRESULT D3DXLoadMeshFromXWithReason(const char* pFilename, DWORD Options,
                                    IDirect3DDevice8* pDevice, ID3DXBuffer** ppAdjacency,
                                    ID3DXBuffer** ppMaterials, DWORD* pNumMaterials,
                                    ID3DXMesh** ppMesh, std::string* reason) {
  auto fail = [&](HRESULT hr, const std::string& why) {
    if (reason != nullptr) *reason = why;
    return hr;
  };
  if (ppMesh == nullptr || pFilename == nullptr || pDevice == nullptr) {
    return fail(D3DERR_INVALIDCALL, "invalid call");
  }
  *ppMesh = nullptr;
  if (ppAdjacency != nullptr) *ppAdjacency = nullptr;
  if (ppMaterials != nullptr) *ppMaterials = nullptr;

  // Shared: the adjacency worked out ahead reads it while the mesh is filled.
  const auto parsed = std::make_shared<XMeshData>();
  XMeshData& data = *parsed;
  std::string error;
  if (!ReadXFile(pFilename, data, &error, true)) return fail(D3DXERR_INVALIDDATA, error);
  if (data.positions.empty() || data.indices.empty()) {
    return fail(D3DXERR_INVALIDDATA, "the file holds no mesh with faces");
  }
  if (!Consistent(data)) return fail(D3DXERR_INVALIDDATA, "inconsistent mesh data");
  if (!(Options & D3DXMESH_32BIT) && data.positions.size() > kMaxVertices16) {
    return fail(D3DERR_INVALIDCALL, std::to_string(data.positions.size()) +
                                        " vertices exceed what 16-bit indices address");
  }
  if (data.positions.size() > 0xFFFFFFFFu || data.attributes.size() > 0xFFFFFFFFu) {
    return fail(E_OUTOFMEMORY, "mesh too large");
  }

  // What the copies the caller is about to make will need (the adjacency of
  // the attribute-sorted mesh) is worked out meanwhile, if the reader has
  // not started it already.
  PendingAdjacency ahead = data.sortedAdjacency;
  const bool aheadStarted = ahead.valid() || StartSortedAdjacency(parsed, &ahead);

  const DWORD fvf = D3DFVF_XYZ | (data.hasNormals ? D3DFVF_NORMAL : 0) |
                    (data.hasTexCoords ? D3DFVF_TEX1 : 0);
  ID3DXMesh* mesh = nullptr;
  HRESULT hr = D3DXCreateMeshFVF(DWORD(data.attributes.size()), DWORD(data.positions.size()),
                                 Options, fvf, pDevice, &mesh);
  if (FAILED(hr)) return fail(hr, "the device could not create the mesh buffers");
  hr = FillMesh(data, mesh);
  if (FAILED(hr)) {
    mesh->Release();
    return fail(hr, "the mesh buffers could not be locked");
  }

  if (aheadStarted) SetSortedAdjacency(mesh, std::move(ahead));

  std::vector<XMaterial> materialList = data.materials;
  if (materialList.empty()) materialList.push_back(DefaultMaterial());
  ID3DXBuffer* materials = nullptr;
  if (ppMaterials != nullptr) {
    hr = BuildMaterialBuffer(materialList, &materials);
    if (FAILED(hr)) {
      mesh->Release();
      return fail(hr, "out of memory for the materials");
    }
  }
  ID3DXBuffer* adjacency = nullptr;
  if (ppAdjacency != nullptr) {
    hr = D3DXCreateBuffer(DWORD(data.indices.size() * sizeof(DWORD)), &adjacency);
    if (SUCCEEDED(hr)) {
      hr = mesh->GenerateAdjacency(0.0f, static_cast<DWORD*>(adjacency->GetBufferPointer()));
    }
    if (FAILED(hr)) {
      if (adjacency != nullptr) adjacency->Release();
      if (materials != nullptr) materials->Release();
      mesh->Release();
      return fail(hr, "adjacency could not be computed");
    }
  }
  if (ppAdjacency != nullptr) *ppAdjacency = adjacency;
  if (ppMaterials != nullptr) *ppMaterials = materials;
  if (pNumMaterials != nullptr) *pNumMaterials = DWORD(materialList.size());
  *ppMesh = mesh;
  return D3D_OK;
}

HRESULT D3DXLoadMeshFromX(const char* pFilename, DWORD Options, IDirect3DDevice8* pDevice,
                          ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                          DWORD* pNumMaterials, ID3DXMesh** ppMesh) {
  return D3DXLoadMeshFromXWithReason(pFilename, Options, pDevice, ppAdjacency, ppMaterials,
                                     pNumMaterials, ppMesh, nullptr);
}
