// Vertex normals from positions, as D3DXComputeNormals computes them.
#pragma once

#include <cstdint>
#include <vector>

#include "render/d3d8.h"

enum class NormalWeighting {
  kCornerAngle,  // each face counts with its interior angle at the corner
  kEqual,        // each face counts once
};

// One normal per vertex. Face normal: normalize(cross(p0 - p1, p0 - p2)), zero
// for a degenerate face. Each corner adds its face normal, weighted, to its
// group (JoinAdjacentCorners; adjacency may be null); the normalised sum (zero
// stays zero) goes to every vertex of the group. Unused vertices get zero.
// Every index must be below positions.size().
std::vector<D3DVECTOR> ComputeVertexNormals(const std::vector<D3DVECTOR>& positions,
                                            const std::vector<uint32_t>& indices,
                                            const uint32_t* adjacency,
                                            NormalWeighting weighting);
