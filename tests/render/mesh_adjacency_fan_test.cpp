// Adjacency around a vertex shared by many faces, with every face repeated
// on vertices of their own at the same positions.
#include <gtest/gtest.h>

#include <cmath>

#include "render/mesh_adjacency.h"

namespace {

TEST(MeshAdjacencyFan, RepeatedFanPairsWithinEachCopy) {
  constexpr uint32_t N = 24;  // more edges leave the hub than a short group holds
  std::vector<D3DVECTOR> positions;
  for (int copy = 0; copy < 2; ++copy) {
    positions.push_back({0, 0, copy ? -0.0f : 0.0f});
    for (uint32_t i = 0; i < N; ++i) {
      const float angle = 6.2831853f * float(i) / N;
      positions.push_back({std::cos(angle), std::sin(angle), 0});
    }
  }
  std::vector<uint32_t> indices;
  std::vector<uint32_t> expected;
  for (uint32_t copy = 0; copy < 2; ++copy) {
    const uint32_t hub = copy * (N + 1), faceBase = copy * N;
    for (uint32_t i = 0; i < N; ++i) {
      indices.insert(indices.end(), {hub, hub + 1 + i, hub + 1 + (i + 1) % N});
      // Each spoke pairs with the face before or after in its own copy: that
      // copy's face is the lowest-numbered one still free.
      expected.insert(expected.end(), {faceBase + (i + N - 1) % N, kNoNeighbour, faceBase + (i + 1) % N});
    }
  }
  EXPECT_EQ(expected, ComputeAdjacency(positions, indices, 0.0f));

  // With the copies' hubs apart, only shared indices and equal ring positions join.
  positions[N + 1] = {0, 0, 5};
  std::vector<uint32_t> apart(indices.size(), kNoNeighbour);
  for (uint32_t i = 0; i < N; ++i) {
    apart[i * 3] = (i + N - 1) % N;
    apart[i * 3 + 2] = (i + 1) % N;
    apart[(N + i) * 3] = N + (i + N - 1) % N;
    apart[(N + i) * 3 + 2] = N + (i + 1) % N;
  }
  EXPECT_EQ(apart, ComputeAdjacency(positions, indices, 0.0f));
}

}  // namespace
