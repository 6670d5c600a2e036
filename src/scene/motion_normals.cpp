// Derives a motion's vertex normals from the model mesh: the motion's
// positions go into the model's vertex buffer, the platform recomputes the
// normals there, and they are copied back into the motion.
#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "app/viewer_state.h"
#include "render/my_xobj.h"
#include "scene/motion_object.h"

namespace {

constexpr size_t kNormalOffset = 12;

MyMotionOBJ* LoadedMotion(int motion) {
  if (motion < 0 || motion >= kMotionTableSize) return nullptr;
  MyMotionOBJ* entry = motionTable[motion];
  return entry != nullptr && entry->loaded ? entry : nullptr;
}

}  // namespace

// Returns false, touching nothing, when the model never loaded or motion k is
// not a loaded entry of motionTable. A motion shorter than the model covers
// only its own vertices: the others keep the position already in the buffer
// and their normals are not copied out (the motion has no room for them).
bool MyXOBJ::ComputeMotionNormals(int motion) {
  MyMotionOBJ* target = LoadedMotion(motion);
  if (!loaded || mesh == nullptr || vertexBuffer == nullptr || target == nullptr) return false;

  const size_t count = std::min<size_t>(vertexCount, target->positions.size());
  BYTE* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || data == nullptr) return false;
  for (size_t v = 0; v < count; ++v) {
    std::memcpy(data + v * kMeshVertexStride, &target->positions[v], sizeof(D3DVECTOR));
  }
  vertexBuffer->Unlock();

  // The adjacency is only handed on when it covers every face.
  const bool adjacencyFits = adjacency.size() >= size_t{mesh->GetNumFaces()} * 3;
  D3DXComputeNormals(mesh, adjacencyFits ? adjacency.data() : nullptr);

  data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || data == nullptr) return false;
  const size_t normalCount = std::min(count, target->normals.size());
  for (size_t v = 0; v < normalCount; ++v) {
    std::memcpy(&target->normals[v], data + v * kMeshVertexStride + kNormalOffset,
                sizeof(D3DVECTOR));
  }
  vertexBuffer->Unlock();
  return true;
}
