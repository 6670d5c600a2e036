// GenerateAdjacency: which faces count as neighbours, and which one wins.
#include <gtest/gtest.h>

#include "render/mesh_adjacency.h"
#include "render/mesh_test_support.h"

namespace {

constexpr DWORD F = 0xFFFFFFFFu;

struct AdjacencyCase {
  const char* name;
  std::vector<D3DVECTOR> positions;
  std::vector<uint32_t> indices;
  float epsilon;
  std::vector<DWORD> expected;
};

class MeshAdjacencyTest : public mesh_test::RecordingDeviceTest {};

TEST_F(MeshAdjacencyTest, NeighboursAcrossEdgesOfOppositeDirection) {
  const D3DVECTOR a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0}, d{1, 1, 0}, e{2, 0, 0}, f{2, 1, 0};
  const AdjacencyCase cases[] = {
      {"shared indices", {a, b, c, d}, {0, 1, 2, 2, 1, 3}, 0.0f, {F, 1, F, 0, F, F}},
      {"equal positions, own indices", {a, b, c, c, b, d}, {0, 1, 2, 3, 4, 5}, 0.0f,
       {F, 1, F, 0, F, F}},
      {"negative zero equals zero", {a, b, c, {-0.0f, 1, 0}, b, d}, {0, 1, 2, 3, 4, 5}, 0.0f,
       {F, 1, F, 0, F, F}},
      {"flipped winding is no neighbour", {a, b, c, d}, {0, 1, 2, 1, 2, 3}, 0.0f,
       {F, F, F, F, F, F}},
      {"nothing shared", {a, b, c, d, e, f}, {0, 1, 2, 3, 4, 5}, 0.0f, {F, F, F, F, F, F}},
      {"nearly equal positions with epsilon 0", {a, b, c, {0, 1.0000001f, 0}, b, d},
       {0, 1, 2, 3, 4, 5}, 0.0f, {F, F, F, F, F, F}},
      {"nearly equal positions within epsilon", {a, b, c, {0, 1.0000001f, 0}, b, d},
       {0, 1, 2, 3, 4, 5}, 0.01f, {F, 1, F, 0, F, F}},
      {"negative epsilon: indices only", {a, b, c, c, b, d}, {0, 1, 2, 3, 4, 5}, -1.0f,
       {F, F, F, F, F, F}},
      // Three faces on one edge: the first pairs with the lowest free one.
      {"non-manifold edge", {a, b, c, d, f}, {0, 1, 2, 1, 0, 3, 1, 0, 4}, 0.0f,
       {1, F, F, 0, F, F, F, F, F}},
      {"two pairs on one edge", {a, b, c, d, e, f}, {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 0, 5}, 0.0f,
       {1, F, F, 0, F, F, 3, F, F, 2, F, F}},
      // A strip of four: every inner edge joins its two faces.
      {"strip", {a, b, c, d, e, f}, {0, 2, 1, 1, 2, 3, 1, 3, 4, 4, 3, 5}, 0.0f,
       {F, 1, F, 0, F, 2, 1, 3, F, 2, F, F}},
  };
  for (const AdjacencyCase& c : cases) {
    SCOPED_TRACE(c.name);
    ID3DXMesh* mesh = mesh_test::MakeMesh(device(), mesh_test::Tagged(c.positions), c.indices);
    std::vector<DWORD> adjacency(c.indices.size(), 12345);
    ASSERT_EQ(D3D_OK, mesh->GenerateAdjacency(c.epsilon, adjacency.data()));
    EXPECT_EQ(c.expected, adjacency);
    mesh->Release();
  }
}

TEST(MeshCornerGroups, JoinsTheMatchingCornersOfNeighbours) {
  // Two faces meeting along an edge with their own copies of its vertices,
  // and a third touching only at a point.
  const std::vector<D3DVECTOR> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0},
                                    {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 0}};
  const std::vector<uint32_t> indices = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<uint32_t> adjacency = ComputeAdjacency(p, indices, 0.0f);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 2, 1, 5, 6, 7, 8}),
            JoinAdjacentCorners(p, indices, adjacency.data()));
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}),
            JoinAdjacentCorners(p, indices, nullptr));
}

TEST(MeshCornerGroups, IgnoresNeighbourNumbersPastTheFaceCount) {
  const std::vector<D3DVECTOR> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const uint32_t hostile[3] = {7, 0xFFFFFFF0u, 0};
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2}), JoinAdjacentCorners(p, {0, 1, 2}, hostile));
}

}  // namespace
