// Optimize(D3DXMESHOPT_ATTRSORT): face order, vertex order and splits.
#include <gtest/gtest.h>

#include <array>

#include "render/mesh_attribute_sort.h"
#include "render/mesh_test_support.h"

namespace {

using mesh_test::MakeMesh;
using mesh_test::Tagged;

// Attribute table rows as {id, face start, face count, vertex start, vertex count}.
using Row = std::array<DWORD, 5>;
std::vector<Row> Rows(const std::vector<D3DXATTRIBUTERANGE>& table) {
  std::vector<Row> rows;
  for (const D3DXATTRIBUTERANGE& r : table) {
    rows.push_back({r.AttribId, r.FaceStart, r.FaceCount, r.VertexStart, r.VertexCount});
  }
  return rows;
}

std::vector<D3DVECTOR> Grid(int n) {
  std::vector<D3DVECTOR> p;
  for (int i = 0; i < n; ++i) p.push_back({float(i), float(i * i), 0});
  return p;
}

class AttributeSortTest : public mesh_test::RecordingDeviceTest {
 protected:
  ID3DXMesh* Sort(ID3DXMesh* mesh, DWORD flags = D3DXMESHOPT_ATTRSORT | D3DXMESH_MANAGED) {
    ID3DXMesh* sorted = nullptr;
    EXPECT_EQ(D3D_OK, mesh->Optimize(flags, nullptr, nullptr, nullptr, nullptr, &sorted));
    return sorted;
  }
};

struct SortCase {
  const char* name;
  int vertexCount;
  std::vector<uint32_t> indices;
  std::vector<DWORD> attributes;
  std::vector<int> tags;  // old vertex of each new vertex
  std::vector<uint32_t> sortedIndices;
  std::vector<DWORD> sortedAttributes;
  std::vector<Row> table;
};

TEST_F(AttributeSortTest, FacesAndVerticesFollowTheModel) {
  const SortCase cases[] = {
      {"first use along the index buffer, unreferenced last",
       5,
       {2, 0, 1, 1, 0, 3},
       {0, 0},
       {2, 0, 1, 3, 4},
       {0, 1, 2, 2, 1, 3},
       {0, 0},
       {{0, 0, 2, 0, 4}}},
      {"stable faces, a later group gets copies of shared vertices",
       8,
       {0, 1, 2, 2, 3, 4, 4, 5, 0, 5, 2, 3},
       {1, 0, 1, 0},
       {2, 3, 4, 5, 0, 1, 2, 4, 5, 6, 7},
       {0, 1, 2, 3, 0, 1, 4, 5, 6, 7, 8, 4},
       {0, 0, 1, 1},
       {{0, 0, 2, 0, 4}, {1, 2, 2, 4, 5}}},
      {"ids that are absent get no entry; a vertex reused by three groups",
       4,
       {0, 1, 2, 0, 2, 3, 0, 3, 1},
       {9, 4, 6},
       {0, 2, 3, 0, 3, 1, 0, 1, 2},
       {0, 1, 2, 3, 4, 5, 6, 7, 8},
       {4, 6, 9},
       {{4, 0, 1, 0, 3}, {6, 1, 1, 3, 3}, {9, 2, 1, 6, 3}}},
  };
  for (const SortCase& c : cases) {
    SCOPED_TRACE(c.name);
    ID3DXMesh* mesh = MakeMesh(device(), Tagged(Grid(c.vertexCount)), c.indices, c.attributes);
    ID3DXMesh* sorted = Sort(mesh);
    ASSERT_NE(nullptr, sorted);
    EXPECT_EQ(c.tags, mesh_test::Tags(sorted));
    EXPECT_EQ(c.sortedIndices, mesh_test::Indices(sorted));
    EXPECT_EQ(c.sortedAttributes, mesh_test::Attributes(sorted));
    EXPECT_EQ(c.table, Rows(mesh_test::Table(sorted)));
    // Copies carry the whole vertex, position included.
    const std::vector<mesh_test::Vertex> vertices = mesh_test::Vertices(sorted);
    for (const mesh_test::Vertex& v : vertices) EXPECT_EQ(float(int(v.u)), v.x);
    EXPECT_EQ(DWORD(0x220), sorted->GetOptions());
    sorted->Release();
    mesh->Release();
  }
}

TEST_F(AttributeSortTest, RemapOutputsDescribeTheNewOrder) {
  ID3DXMesh* mesh = MakeMesh(device(), Tagged(Grid(6)), {0, 1, 2, 2, 1, 3, 3, 1, 4}, {2, 1, 2});
  DWORD faceRemap[3] = {};
  ID3DXBuffer* vertexRemap = nullptr;
  DWORD adjacencyIn[9];
  ASSERT_EQ(D3D_OK, mesh->GenerateAdjacency(0.0f, adjacencyIn));
  ASSERT_EQ(1u, adjacencyIn[1]);
  ASSERT_EQ(2u, adjacencyIn[4]);
  DWORD adjacencyOut[9];
  ID3DXMesh* sorted = nullptr;
  ASSERT_EQ(D3D_OK, mesh->Optimize(D3DXMESHOPT_ATTRSORT, adjacencyIn, adjacencyOut, faceRemap,
                                   &vertexRemap, &sorted));
  EXPECT_EQ(1u, faceRemap[0]);
  EXPECT_EQ(0u, faceRemap[1]);
  EXPECT_EQ(2u, faceRemap[2]);
  ASSERT_NE(nullptr, vertexRemap);
  const auto* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
  const std::vector<int> tags = mesh_test::Tags(sorted);
  ASSERT_EQ(tags.size() * sizeof(DWORD), vertexRemap->GetBufferSize());
  for (size_t v = 0; v < tags.size(); ++v) EXPECT_EQ(DWORD(tags[v]), remap[v]);
  // Old faces 0 and 1 swapped places; the neighbour numbers follow.
  for (int k = 0; k < 9; ++k) {
    const DWORD old = adjacencyIn[faceRemap[k / 3] * 3 + k % 3];
    const DWORD expected = old == 0xFFFFFFFFu ? old : (old == 0 ? 1u : old == 1 ? 0u : old);
    EXPECT_EQ(expected, adjacencyOut[k]);
  }
  vertexRemap->Release();
  sorted->Release();
  mesh->Release();
}

TEST_F(AttributeSortTest, IgnoreVertsSortsFacesOnly) {
  ID3DXMesh* mesh = MakeMesh(device(), Tagged(Grid(6)), {0, 1, 2, 2, 3, 4, 4, 5, 0}, {1, 0, 1});
  ID3DXMesh* sorted = Sort(mesh, D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), mesh_test::Tags(sorted));
  EXPECT_EQ((std::vector<uint32_t>{2, 3, 4, 0, 1, 2, 4, 5, 0}), mesh_test::Indices(sorted));
  EXPECT_EQ((std::vector<Row>{{0, 0, 1, 2, 3}, {1, 1, 2, 0, 6}}), Rows(mesh_test::Table(sorted)));
  sorted->Release();
  mesh->Release();
}

TEST_F(AttributeSortTest, CompactDropsUnreferencedVertices) {
  const AttributeSortResult r = SortByAttribute({3, 1, 0}, {0}, 5, {true, true});
  EXPECT_EQ((std::vector<uint32_t>{3, 1, 0}), r.vertexRemap);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2}), r.indices);
}

TEST_F(AttributeSortTest, SplitsPastSixteenBitIndicesAreRefused) {
  // 65,536 vertices fit 16-bit indices; one copy for a second group does not.
  std::vector<mesh_test::Vertex> vertices(kMaxVertices16);
  ID3DXMesh* mesh = MakeMesh(device(), vertices, {0, 1, 2, 0, 3, 4}, {0, 1});
  ID3DXMesh* sorted = nullptr;
  EXPECT_LT(mesh->Optimize(D3DXMESHOPT_ATTRSORT | D3DXMESH_MANAGED, nullptr, nullptr, nullptr,
                           nullptr, &sorted),
            0);
  EXPECT_EQ(nullptr, sorted);
  // With 32-bit indices the same sort succeeds.
  ASSERT_EQ(D3D_OK, mesh->Optimize(D3DXMESHOPT_ATTRSORT | D3DXMESH_32BIT, nullptr, nullptr,
                                   nullptr, nullptr, &sorted));
  EXPECT_EQ(kMaxVertices16 + 1, sorted->GetNumVertices());
  sorted->Release();
  mesh->Release();
}

}  // namespace
