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
    *out = std::async(std::launch::async, [mesh = std::move(mesh)]() -> std::vector<uint32_t> {
             // Nothing to hand over: the sorted mesh computes its own.
             const bool anyNaN = std::any_of(mesh->positions.begin(), mesh->positions.end(), [](const D3DVECTOR& p) {
               return std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z);
             });
             if (anyNaN) return {};
             const std::vector<uint32_t> order = StableAttributeOrder(mesh->attributes);
             std::vector<uint32_t> sorted(mesh->indices.size());
             for (size_t f = 0; f < order.size(); ++f) {
               for (int k = 0; k < 3; ++k) sorted[f * 3 + k] = mesh->indices[size_t(order[f]) * 3 + k];
             }
             return ComputeAdjacency(mesh->positions, sorted, 0.0f);
           }).share();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}
