// D3DXComputeNormals: angle-weighted normals over the groups adjacency joins.
#include <gtest/gtest.h>

#include <cmath>

#include "render/mesh_normals.h"
#include "render/mesh_test_support.h"

namespace {

using mesh_test::Vertex;

// A cube of corners (+-1, +-1, +-1), each side with four vertices of its own
// and two clockwise triangles seen from outside.
void Cube(std::vector<Vertex>* vertices, std::vector<uint32_t>* indices,
          std::vector<D3DVECTOR>* sideNormals) {
  for (int axis = 0; axis < 3; ++axis) {
    for (int sign = -1; sign <= 1; sign += 2) {
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      float corners[4][3];
      const int uv[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
      for (int k = 0; k < 4; ++k) {
        corners[k][axis] = float(sign);
        corners[k][u] = float(uv[k][0]);
        corners[k][v] = float(uv[k][1]);
      }
      const D3DVECTOR n{axis == 0 ? float(sign) : 0.0f, axis == 1 ? float(sign) : 0.0f,
                        axis == 2 ? float(sign) : 0.0f};
      // Order the quad so that cross(p0 - p1, p0 - p2) points outward.
      const float* p0 = corners[0];
      const float* p1 = corners[1];
      const float* p2 = corners[2];
      const float e1[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
      const float e2[3] = {p0[0] - p2[0], p0[1] - p2[1], p0[2] - p2[2]};
      const float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                              e1[0] * e2[1] - e1[1] * e2[0]};
      const bool outward = cross[0] * n.x + cross[1] * n.y + cross[2] * n.z > 0;
      const uint32_t base = uint32_t(vertices->size());
      for (int k = 0; k < 4; ++k) {
        const float* c = corners[outward ? k : 3 - k];
        vertices->push_back({c[0], c[1], c[2], 9, 9, 9, 0, 0});
        sideNormals->push_back(n);
      }
      for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) indices->push_back(base + i);
    }
  }
}

std::vector<D3DVECTOR> Normals(ID3DXMesh* mesh) {
  std::vector<D3DVECTOR> normals;
  for (const Vertex& v : mesh_test::Vertices(mesh)) normals.push_back({v.nx, v.ny, v.nz});
  return normals;
}

void ExpectNear(const D3DVECTOR& expected, const D3DVECTOR& actual) {
  EXPECT_NEAR(expected.x, actual.x, 1e-6f);
  EXPECT_NEAR(expected.y, actual.y, 1e-6f);
  EXPECT_NEAR(expected.z, actual.z, 1e-6f);
}

class MeshNormalsTest : public mesh_test::RecordingDeviceTest {};

TEST_F(MeshNormalsTest, CubeCornersAreSmoothWithAdjacencyAndFacetedWithout) {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
  std::vector<D3DVECTOR> sideNormals;
  Cube(&vertices, &indices, &sideNormals);
  ID3DXMesh* mesh = mesh_test::MakeMesh(device(), vertices, indices);
  std::vector<DWORD> adjacency(indices.size());
  ASSERT_EQ(D3D_OK, mesh->GenerateAdjacency(0.0f, adjacency.data()));

  ASSERT_EQ(D3D_OK, D3DXComputeNormals(mesh, adjacency.data()));
  const float k = 1.0f / std::sqrt(3.0f);
  std::vector<D3DVECTOR> normals = Normals(mesh);
  ASSERT_EQ(24u, normals.size());
  for (size_t i = 0; i < normals.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectNear({vertices[i].x * k, vertices[i].y * k, vertices[i].z * k}, normals[i]);
  }

  ASSERT_EQ(D3D_OK, D3DXComputeNormals(mesh, nullptr));
  normals = Normals(mesh);
  for (size_t i = 0; i < normals.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectNear(sideNormals[i], normals[i]);
  }
  mesh->Release();
}

TEST_F(MeshNormalsTest, DegenerateFacesAndUnusedVerticesGetZero) {
  // Face 0 is a line; vertex 3 is used by no face and starts with a normal.
  std::vector<Vertex> vertices = {{0, 0, 0, 1, 1, 1, 0, 0},
                                  {1, 0, 0, 1, 1, 1, 0, 0},
                                  {2, 0, 0, 1, 1, 1, 0, 0},
                                  {5, 5, 5, 1, 1, 1, 0, 0}};
  ID3DXMesh* mesh = mesh_test::MakeMesh(device(), vertices, {0, 1, 2, 2, 1, 1});
  ASSERT_EQ(D3D_OK, D3DXComputeNormals(mesh, nullptr));
  for (const D3DVECTOR& n : Normals(mesh)) {
    EXPECT_EQ(0.0f, n.x);
    EXPECT_EQ(0.0f, n.y);
    EXPECT_EQ(0.0f, n.z);
  }
  mesh->Release();
}

TEST_F(MeshNormalsTest, EachFaceCountsWithItsCornerAngle) {
  // Vertex 0 is shared by a face in the plane z = 0 with a right angle there
  // and a face in the plane x = 0 with 45 degrees there.
  const std::vector<Vertex> vertices = {{0, 0, 0, 0, 0, 0, 0, 0},
                                        {0, 1, 0, 0, 0, 0, 0, 0},
                                        {1, 0, 0, 0, 0, 0, 0, 0},
                                        {0, 0, 1, 0, 0, 0, 0, 0},
                                        {0, 1, 1, 0, 0, 0, 0, 0}};
  ID3DXMesh* mesh = mesh_test::MakeMesh(device(), vertices, {0, 1, 2, 0, 4, 3});
  ASSERT_EQ(D3D_OK, D3DXComputeNormals(mesh, nullptr));
  const std::vector<D3DVECTOR> normals = Normals(mesh);
  // Face normals: (0, 0, -1) and (1, 0, 0) by cross(p0 - p1, p0 - p2).
  const float a = float(M_PI / 2), b = float(M_PI / 4);
  const float length = std::sqrt(a * a + b * b);
  ExpectNear({b / length, 0, -a / length}, normals[0]);
  ExpectNear({0, 0, -1}, normals[2]);
  ExpectNear({1, 0, 0}, normals[3]);

  // The same corner with equal weights would point halfway.
  const std::vector<D3DVECTOR> equal = ComputeVertexNormals(
      {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}}, {0, 1, 2, 0, 4, 3}, nullptr,
      NormalWeighting::kEqual);
  ExpectNear({1 / std::sqrt(2.0f), 0, -1 / std::sqrt(2.0f)}, equal[0]);
  mesh->Release();
}

TEST_F(MeshNormalsTest, RefusesMeshesWithoutNormals) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, device(), &mesh));
  EXPECT_LT(D3DXComputeNormals(mesh, nullptr), 0);
  EXPECT_LT(D3DXComputeNormals(nullptr, nullptr), 0);
  mesh->Release();
}

}  // namespace
