#include "render/mesh_normals.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/d3dx_mesh.h"
#include "render/mesh_adjacency.h"

namespace {

D3DVECTOR Sub(const D3DVECTOR& a, const D3DVECTOR& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Unit vector, or zero for a zero (or non-finite length) vector.
D3DVECTOR Normalized(const D3DVECTOR& v) {
  const float length = std::sqrt(Dot(v, v));
  if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
  return {v.x / length, v.y / length, v.z / length};
}

float CornerAngle(const D3DVECTOR& corner, const D3DVECTOR& next, const D3DVECTOR& previous) {
  const D3DVECTOR a = Normalized(Sub(next, corner));
  const D3DVECTOR b = Normalized(Sub(previous, corner));
  if (Dot(a, a) == 0.0f || Dot(b, b) == 0.0f) return 0.0f;
  return std::acos(std::clamp(Dot(a, b), -1.0f, 1.0f));
}

}  // namespace

std::vector<D3DVECTOR> ComputeVertexNormals(const std::vector<D3DVECTOR>& positions,
                                            const std::vector<uint32_t>& indices,
                                            const uint32_t* adjacency,
                                            NormalWeighting weighting) {
  const std::vector<uint32_t> group = JoinAdjacentCorners(positions, indices, adjacency);
  std::vector<D3DVECTOR> sums(positions.size(), D3DVECTOR{0.0f, 0.0f, 0.0f});
  const size_t faceCount = indices.size() / 3;
  for (size_t f = 0; f < faceCount; ++f) {
    const uint32_t* v = &indices[f * 3];
    const D3DVECTOR& p0 = positions[v[0]];
    const D3DVECTOR& p1 = positions[v[1]];
    const D3DVECTOR& p2 = positions[v[2]];
    const D3DVECTOR normal = Normalized(Cross(Sub(p0, p1), Sub(p0, p2)));
    for (int k = 0; k < 3; ++k) {
      const float weight =
          weighting == NormalWeighting::kEqual
              ? 1.0f
              : CornerAngle(positions[v[k]], positions[v[(k + 1) % 3]], positions[v[(k + 2) % 3]]);
      D3DVECTOR& sum = sums[group[v[k]]];
      sum.x += normal.x * weight;
      sum.y += normal.y * weight;
      sum.z += normal.z * weight;
    }
  }
  std::vector<D3DVECTOR> normals(positions.size());
  for (size_t v = 0; v < positions.size(); ++v) {
    if (group[v] == v) sums[v] = Normalized(sums[v]);
  }
  for (size_t v = 0; v < positions.size(); ++v) normals[v] = sums[group[v]];
  return normals;
}

HRESULT D3DXComputeNormals(ID3DXMesh* pMesh, const DWORD* pAdjacency) {
  if (pMesh == nullptr) return D3DERR_INVALIDCALL;
  const FvfLayout layout = DescribeFVF(pMesh->GetFVF());
  if (!layout.valid || layout.normal < 0) return D3DERR_INVALIDCALL;
  std::vector<D3DVECTOR> positions;
  std::vector<uint32_t> indices;
  HRESULT hr = ReadMeshPositions(pMesh, &positions);
  if (FAILED(hr)) return hr;
  hr = ReadMeshIndices(pMesh, &indices);
  if (FAILED(hr)) return hr;
  for (uint32_t index : indices) {
    if (index >= positions.size()) return D3DERR_INVALIDCALL;
  }
  const std::vector<D3DVECTOR> normals =
      ComputeVertexNormals(positions, indices, pAdjacency, NormalWeighting::kCornerAngle);
  BYTE* data = nullptr;
  hr = pMesh->LockVertexBuffer(0, &data);
  if (FAILED(hr)) return hr;
  for (size_t v = 0; v < normals.size(); ++v) {
    std::memcpy(data + v * layout.stride + layout.normal, &normals[v], sizeof(D3DVECTOR));
  }
  pMesh->UnlockVertexBuffer();
  return D3D_OK;
}
