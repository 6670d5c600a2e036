// orvalo-tool mesh-info FILE.x: loads FILE through MyXOBJ as the viewer does
// (on the recording device) and prints what the viewer keeps of it.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "render/d3dx_mesh.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "tools/subcommand.h"

namespace {

// Shortest text that reads back as the same float, always with a point.
std::string Number(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// Why MyXOBJ::Load refused path: the same steps again, with their reasons.
std::string FailureReason(const char* path) {
  if (std::strlen(path) >= kMeshFileNameSize) {
    return "the path is longer than " + std::to_string(kMeshFileNameSize - 1) + " characters";
  }
  std::string reason;
  ID3DXMesh* loadedMesh = nullptr;
  if (FAILED(D3DXLoadMeshFromXWithReason(path, D3DXMESH_SYSTEMMEM, GetDevice(), nullptr, nullptr,
                                         nullptr, &loadedMesh, &reason))) {
    return reason;
  }
  ID3DXMesh* clone = nullptr;
  ID3DXMesh* sorted = nullptr;
  reason = "the mesh buffers are not available";
  if (FAILED(loadedMesh->CloneMeshFVF(0, kMeshFVF, GetDevice(), &clone))) {
    reason = "the mesh could not be converted to position, normal, u v";
  } else if (FAILED(clone->Optimize(kMeshLoadFlags, nullptr, nullptr, nullptr, nullptr, &sorted))) {
    reason = "after the attribute sort the mesh has more vertices than 16-bit indices address (" +
             std::to_string(kMaxVertices16) + ")";
  }
  if (sorted != nullptr) sorted->Release();
  if (clone != nullptr) clone->Release();
  loadedMesh->Release();
  return reason;
}

void PrintMesh(MyXOBJ& object) {
  std::printf("vertices %u\n", unsigned(object.vertexCount));
  std::printf("faces %u\n", unsigned(object.mesh->GetNumFaces()));
  std::printf("indices %u\n", unsigned(object.indexCount));
  std::printf("materials %u\n", unsigned(object.materialCount));

  // The names as the file stores them: MyXOBJ keeps only the textures.
  ID3DXBuffer* buffer = nullptr;
  ID3DXMesh* loadedMesh = nullptr;
  DWORD count = 0;
  const D3DXMATERIAL* stored = nullptr;
  if (SUCCEEDED(D3DXLoadMeshFromX(object.fileName, D3DXMESH_SYSTEMMEM, GetDevice(), nullptr,
                                  &buffer, &count, &loadedMesh))) {
    loadedMesh->Release();
    if (count == object.materialCount) {
      stored = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
    }
  }
  for (DWORD i = 0; i < object.materialCount; ++i) {
    const D3DCOLORVALUE& d = object.materials[i].Diffuse;
    const char* name = stored != nullptr ? stored[i].pTextureFilename : nullptr;
    const int kind = i < DWORD(kMaterialKindSlots) ? object.materialKind[i] : 0;
    std::printf("material %u diffuse %s %s %s %s texture %s kind %d\n", unsigned(i),
                Number(d.r).c_str(), Number(d.g).c_str(), Number(d.b).c_str(),
                Number(d.a).c_str(), name != nullptr && name[0] != '\0' ? name : "-", kind);
  }
  if (buffer != nullptr) buffer->Release();

  std::vector<D3DVECTOR> positions;
  if (SUCCEEDED(ReadMeshPositions(object.mesh, &positions)) && !positions.empty()) {
    D3DVECTOR low = positions[0], high = positions[0];
    for (const D3DVECTOR& p : positions) {
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    std::printf("bounds %s %s %s %s %s %s\n", Number(low.x).c_str(), Number(low.y).c_str(),
                Number(low.z).c_str(), Number(high.x).c_str(), Number(high.y).c_str(),
                Number(high.z).c_str());
  }
}

int RunMeshInfo(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    std::fprintf(stderr, "usage: orvalo-tool mesh-info FILE.x\n");
    return 2;
  }
  const char* path = args[0].c_str();
  IDirect3DDevice8* previousDevice = device;
  RecordingDevice* recorder = CreateRecordingDevice();
  device = recorder;

  auto* object = new MyXOBJ;
  int status = 0;
  if (object->Load(path, kMeshLoadFlags)) {
    PrintMesh(*object);
  } else {
    std::fprintf(stderr, "%s: %s\n", path, FailureReason(path).c_str());
    status = 1;
  }
  object->Destroy();
  std::fflush(stdout);
  device = previousDevice;
  recorder->Release();
  return status;
}

}  // namespace

ORVALO_TOOL_SUBCOMMAND(mesh_info, "mesh-info", "mesh-info FILE.x",
                       "load a .x mesh as the viewer does and print its counts (low 16 bits, "
                       "as the viewer keeps them), materials and bounds",
                       RunMeshInfo)
