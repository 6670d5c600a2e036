#include "render/my_xobj.h"

#include <cstring>
#include <string>

#include "app/globals.h"
#include "app/viewer_state.h"
#include "app/viewer_ui.h"
#include "platform/path_resolution.h"

namespace {

template <class T>
void ReleaseAndClear(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

// The file-name part of a name stored in a .x file: the text after the last
// backslash or colon (a forward slash does not count, as on the platform).
const char* StoredFileNamePart(const char* name) {
  const char* part = name;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '\\' || *p == ':') part = p + 1;
  }
  return part;
}

IDirect3DTexture8* LoadMaterialTexture(IDirect3DDevice8* device, const char* storedName,
                                       const char* meshPath) {
  const std::optional<std::string> path = ResolveStoredPath(storedName, meshPath);
  if (!path) return nullptr;
  IDirect3DTexture8* texture = nullptr;
  if (FAILED(D3DXCreateTextureFromFileA(device, path->c_str(), &texture))) return nullptr;
  return texture;
}

}  // namespace

bool MyXOBJ::Load(const char* path, DWORD optimizeFlags) {
  // An object is loaded once; a second load would leak the first.
  if (loaded) return false;
  materialCount = 0;
  if (path == nullptr || std::strlen(path) >= kMeshFileNameSize) return false;
  std::memcpy(fileName, path, std::strlen(path) + 1);

  IDirect3DDevice8* device = GetDevice();
  ID3DXBuffer* materialBuffer = nullptr;
  ID3DXMesh* loadedMesh = nullptr;
  DWORD count = 0;
  if (FAILED(D3DXLoadMeshFromX(fileName, D3DXMESH_SYSTEMMEM, device, nullptr, &materialBuffer,
                               &count, &loadedMesh))) {
    return false;
  }
  materialCount = count;

  // Every later failure undoes what this load acquired: no half-usable mesh.
  ID3DXMesh* clone = nullptr;
  auto fail = [&]() {
    ReleaseAndClear(materialBuffer);
    ReleaseAndClear(loadedMesh);
    ReleaseAndClear(clone);
    for (IDirect3DTexture8*& texture : textures) ReleaseAndClear(texture);
    textures.clear();
    materials.clear();
    adjacency.clear();
    std::memset(materialKind, 0, sizeof materialKind);
    ReleaseAndClear(vertexBuffer);
    ReleaseAndClear(indexBuffer);
    ReleaseAndClear(mesh);
    vertexCount = indexCount = 0;
    materialCount = 0;
    return false;
  };

  materials.assign(materialCount, D3DMATERIAL8{});
  textures.assign(materialCount, nullptr);
  const auto* table = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
  for (DWORD i = 0; i < materialCount; ++i) {
    materials[i] = table[i].MatD3D;
    materials[i].Ambient.r = 0.3f;
    materials[i].Ambient.g = 0.3f;
    materials[i].Ambient.b = 0.3f;
    const char* name = table[i].pTextureFilename != nullptr ? table[i].pTextureFilename : "";
    textures[i] = LoadMaterialTexture(device, name, fileName);
    // materialKind has room for kMaterialKindSlots materials; later ones are
    // ordinary materials.
    if (i < DWORD(kMaterialKindSlots)) {
      materialKind[i] = (textures[i] != nullptr && std::strcmp(StoredFileNamePart(name), "face.bmp") == 0)
                            ? kFaceMaterialKind
                            : 0;
    }
  }
  ReleaseAndClear(materialBuffer);

  if (FAILED(loadedMesh->CloneMeshFVF(0, kMeshFVF, device, &clone))) return fail();
  // The object's layout has 16-bit indices, so a sort that splits the
  // vertices past what they address fails here.
  if (FAILED(clone->Optimize(optimizeFlags & ~D3DXMESH_32BIT, nullptr, nullptr, nullptr, nullptr, &mesh))) {
    mesh = nullptr;
    return fail();
  }
  ReleaseAndClear(loadedMesh);
  ReleaseAndClear(clone);

  adjacency.assign(size_t(mesh->GetNumFaces()) * 3, 0);
  if (FAILED(mesh->GenerateAdjacency(0.0f, adjacency.data()))) return fail();

  if (FAILED(mesh->GetVertexBuffer(&vertexBuffer))) {
    vertexBuffer = nullptr;
    return fail();
  }
  if (FAILED(mesh->GetIndexBuffer(&indexBuffer))) {
    indexBuffer = nullptr;
    return fail();
  }
  if (FAILED(vertexBuffer->GetDesc(&vertexBufferDesc)) ||
      FAILED(indexBuffer->GetDesc(&indexBufferDesc))) {
    return fail();
  }
  vertexCount = (vertexBufferDesc.Size / kMeshVertexStride) & 0xFFFFu;
  indexCount = (indexBufferDesc.Size / 2) & 0xFFFFu;

  viewer_ui::AppendMemoLine("load:vc[" + std::to_string(vertexCount) + "]");
  loaded = true;
  return true;
}

bool MyXOBJ::Draw() {
  if (!loaded || mesh == nullptr) return true;
  IDirect3DDevice8* device = GetDevice();
  for (DWORD i = 0; i < materialCount; ++i) {
    device->SetMaterial(&materials[i]);
    device->SetTexture(0, textures[i]);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    if (materials[i].Diffuse.r != 0.0f) mesh->DrawSubset(i);
    if (i < DWORD(kMaterialKindSlots) && materialKind[i] == kFaceMaterialKind) {
      device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
      device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
      device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
      device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
      device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
      const float alpha = float(viewerState.effectLevel * 0.1);
      device->SetRenderState(D3DRS_TEXTUREFACTOR,
                             D3DXColorToD3DCOLOR(D3DXCOLOR{0.3f, 0.3f, 0.3f, alpha}));
      device->SetTexture(0, multiTexture);
      mesh->DrawSubset(i);
      device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
      device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
  }
  return true;
}

bool MyXOBJ::SetWorld(const D3DMATRIX& matrix) {
  GetDevice()->SetTransform(D3DTS_WORLD, &matrix);
  return true;
}

void MyXOBJ::Destroy() {
  if (loaded) {
    materials.clear();
    for (IDirect3DTexture8*& texture : textures) ReleaseAndClear(texture);
    textures.clear();
    ReleaseAndClear(vertexBuffer);
    ReleaseAndClear(indexBuffer);
    ReleaseAndClear(mesh);
    adjacency.clear();
  }
  delete this;
}
