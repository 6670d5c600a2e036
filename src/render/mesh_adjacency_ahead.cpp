#include "render/mesh_adjacency_ahead.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "render/mesh_adjacency.h"
#include "render/mesh_attribute_sort.h"

bool StartSortedAdjacency(std::shared_ptr<const XMeshData> mesh, PendingAdjacency* out) {
  const size_t faces = mesh->attributes.size();
  if (faces < kAdjacencyAheadMinFaces || mesh->indices.size() != faces * 3) return false;
  try {
    *out = std::async(std::launch::async, [mesh = std::move(mesh)] {
             return SortedAdjacency(mesh->positions, mesh->indices, mesh->attributes);
           }).share();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

std::vector<uint32_t> SortedAdjacency(const std::vector<D3DVECTOR>& positions, const std::vector<uint32_t>& indices,
                                      const std::vector<uint32_t>& attributes) {
  // Nothing to hand over: the sorted mesh computes its own.
  const bool anyNaN = std::any_of(positions.begin(), positions.end(), [](const D3DVECTOR& p) {
    return std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z);
  });
  if (anyNaN) return {};
  const std::vector<uint32_t> order = StableAttributeOrder(attributes);
  return ComputeAdjacency(positions, indices, 0.0f, &order);
}
