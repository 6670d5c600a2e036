// The adjacency worked out ahead while a large mesh is cloned and sorted
// must be what the sorted mesh gives when computed directly, and must not
// outlive a change to the mesh's data.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>

#include "render/d3dx_mesh.h"
#include "render/mesh_adjacency.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "support/test_paths.h"

namespace {

// How the big test mesh is written.
struct BigMesh {
  const char* name;
  bool splitNormals = false;  // normals per corner: the reader copies vertices
  bool flattened = false;     // a frame matrix puts every row on one position
  bool twoMeshes = false;     // a second, small mesh: the mesh builder starts the work
};

// A grid mesh large enough for the adjacency ahead: vertices on few
// distinct positions (so corners also match by position), faces in random
// material bands (so the sort reorders them), some cells as quads, some
// faces repeated or reversed (edges shared by more than two faces).
std::string BigMeshText(uint32_t seed, const BigMesh& shape = {"plain"}) {
  std::mt19937 rng(seed);
  const int columns = 100, rows = 100;
  const int vertices = (columns + 1) * (rows + 1);
  std::string s = "Mesh {\n" + std::to_string(vertices) + ";\n";
  for (int v = 0; v < vertices; ++v) {
    // Every fifth vertex sits on its neighbour's position.
    const int at = v % 5 == 4 ? v - 1 : v;
    s += std::to_string(at % (columns + 1)) + ";" + std::to_string(at / (columns + 1)) + ";0;" +
         (v + 1 < vertices ? "," : ";") + "\n";
  }
  std::vector<std::vector<int>> faces;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const int a = r * (columns + 1) + c, b = a + columns + 1;
      if (rng() % 4 == 0) {
        faces.push_back({a, b, b + 1, a + 1});  // fans into the two triangles below
      } else {
        faces.push_back({a, b, b + 1});
        faces.push_back({a, b + 1, a + 1});
      }
      if (rng() % 50 == 0) faces.push_back({a, b + 1, b});   // the same edges reversed
      if (rng() % 50 == 0) faces.push_back({a, b, b + 1});   // a repeat
    }
  }
  auto faceList = [&](bool normalIndices) {
    std::string list = std::to_string(faces.size()) + ";\n";
    for (size_t f = 0; f < faces.size(); ++f) {
      list += std::to_string(faces[f].size()) + ";";
      for (size_t k = 0; k < faces[f].size(); ++k) {
        list += std::to_string(normalIndices ? int(rng() % 4) : faces[f][k]) + (k + 1 < faces[f].size() ? "," : "");
      }
      list += f + 1 < faces.size() ? ";,\n" : ";;\n";
    }
    return list;
  };
  s += faceList(false);
  if (shape.splitNormals) s += "MeshNormals { 4; 1;0;0;, 0;1;0;, 0;0;1;, 0;0;-1;;\n" + faceList(true) + "}\n";
  s += "MeshMaterialList { 3; " + std::to_string(faces.size()) + ";\n";
  for (size_t f = 0; f < faces.size(); ++f) {
    s += std::to_string(rng() % 3) + (f + 1 < faces.size() ? "," : ";;") + "\n";
  }
  for (int m = 0; m < 3; ++m) s += "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n";
  s += "}\n}\n";
  if (shape.twoMeshes) s += "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
  if (shape.flattened) s = "FrameTransformMatrix { 0,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n" + s;
  return "xof 0303txt 0032\nFrame {\n" + s + "}\n";
}

class AdjacencyAheadTest : public ::testing::Test {
 protected:
  // The viewer's load steps: load, clone to the viewer's layout, sort.
  ID3DXMesh* LoadSorted(const std::string& text) {
    const std::string path = dir_.File("big.x");
    WriteBytes(path, text);
    ID3DXMesh* loaded = nullptr;
    EXPECT_EQ(D3D_OK, D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device_, nullptr, nullptr, nullptr,
                                        &loaded));
    if (loaded == nullptr) return nullptr;
    EXPECT_GE(loaded->GetNumFaces(), kAdjacencyAheadMinFaces);
    ID3DXMesh* clone = nullptr;
    EXPECT_EQ(D3D_OK, loaded->CloneMeshFVF(0, kMeshFVF, device_, &clone));
    loaded->Release();
    ID3DXMesh* sorted = nullptr;
    EXPECT_EQ(D3D_OK, clone->Optimize(kMeshLoadFlags, nullptr, nullptr, nullptr, nullptr, &sorted));
    clone->Release();
    return sorted;
  }

  static std::vector<uint32_t> Direct(ID3DXMesh* mesh) {
    std::vector<D3DVECTOR> positions;
    std::vector<uint32_t> indices;
    EXPECT_EQ(D3D_OK, ReadMeshPositions(mesh, &positions));
    EXPECT_EQ(D3D_OK, ReadMeshIndices(mesh, &indices));
    return ComputeAdjacency(positions, indices, 0.0f);
  }

  static std::vector<uint32_t> Generated(ID3DXMesh* mesh) {
    std::vector<uint32_t> adjacency(size_t(mesh->GetNumFaces()) * 3);
    EXPECT_EQ(D3D_OK, mesh->GenerateAdjacency(0.0f, reinterpret_cast<DWORD*>(adjacency.data())));
    return adjacency;
  }

  void TearDown() override { device_->Release(); }

  RecordingBackend backend_;
  RecordingDevice* device_ = CreateRecordingDevice();
  TempDir dir_;
};

TEST_F(AdjacencyAheadTest, MatchesTheSortedMeshComputedDirectly) {
  const BigMesh shapes[] = {
      {"plain"},
      {"split normals", true},
      {"flattened by its frame", true, true},
      {"beside another mesh", true, false, true},
  };
  for (const BigMesh& shape : shapes) {
    for (uint32_t seed : {1u, 2u}) {
      ID3DXMesh* sorted = LoadSorted(BigMeshText(seed, shape));
      ASSERT_NE(nullptr, sorted);
      EXPECT_EQ(Direct(sorted), Generated(sorted)) << shape.name << ", seed " << seed;
      sorted->Release();
    }
  }
}

TEST_F(AdjacencyAheadTest, IsDroppedOnceTheDataMayChange) {
  ID3DXMesh* sorted = LoadSorted(BigMeshText(3));
  ASSERT_NE(nullptr, sorted);
  const std::vector<uint32_t> before = Direct(sorted);
  // Move the first face's first vertex away: its edges lose their partners.
  BYTE* vertices = nullptr;
  ASSERT_EQ(D3D_OK, sorted->LockVertexBuffer(0, &vertices));
  const float far[3] = {1e6f, 1e6f, 1e6f};
  std::memcpy(vertices, far, sizeof far);
  sorted->UnlockVertexBuffer();
  const std::vector<uint32_t> after = Generated(sorted);
  EXPECT_NE(before, after);
  EXPECT_EQ(Direct(sorted), after);
  sorted->Release();
}

}  // namespace
