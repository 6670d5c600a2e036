// Face adjacency and the vertex groups it joins, on plain arrays.
#pragma once

#include <cstdint>
#include <vector>

#include "render/d3d8.h"

constexpr uint32_t kNoNeighbour = 0xFFFFFFFFu;

// Three entries per face: entry k is the face across the edge from corner k
// to corner (k + 1) mod 3, or kNoNeighbour. Two faces are neighbours when
// they hold the edge in opposite directions and its end points match: the
// same index, or (epsilon >= 0) positions closer than epsilon, exactly equal
// for epsilon 0. Each edge gets at most one neighbour: faces are taken in
// order and each edge pairs with the lowest-numbered face whose matching
// edge is still free. Every index must be below positions.size().
std::vector<uint32_t> ComputeAdjacency(const std::vector<D3DVECTOR>& positions,
                                       const std::vector<uint32_t>& indices, float epsilon);
// The same for the faces taken in faceOrder (new face -> face of indices),
// without building the reordered index list.
std::vector<uint32_t> ComputeAdjacency(const std::vector<D3DVECTOR>& positions,
                                       const std::vector<uint32_t>& indices, float epsilon,
                                       const std::vector<uint32_t>* faceOrder);

// For each vertex the lowest-numbered vertex of its group: the corners that
// adjacency joins across each shared edge (union-find). Without adjacency
// every vertex is its own group.
std::vector<uint32_t> JoinAdjacentCorners(const std::vector<D3DVECTOR>& positions,
                                          const std::vector<uint32_t>& indices,
                                          const uint32_t* adjacency);
