// D3DXLoadMeshFromX: the mesh in the reader's order, and its materials buffer.
#include <gtest/gtest.h>

#include "render/mesh_test_support.h"
#include "support/test_paths.h"

namespace {

using mesh_test::XMat;
using mesh_test::XText;

class D3DXLoadMeshTest : public mesh_test::RecordingDeviceTest {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_.File(name);
    mesh_test::WriteFile(path, text);
    return path;
  }
  TempDir dir_;
};

const std::vector<D3DVECTOR> kQuad = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {5, 5, 5}};

TEST_F(D3DXLoadMeshTest, KeepsFileOrderAndBuildsTheMaterialsBuffer) {
  const std::string path = Write(
      "m.x", XText(kQuad, {0, 1, 2, 0, 2, 3, 3, 2, 4},
                   {{0.25f, 0.5f, 0.75f, 1, "tex\\a.bmp", 8}, {1, 0, 0, 0.5f}, {0, 0, 1, 1, "b.png"}},
                   {1, 0, 1}, true, true));
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  DWORD count = 0;
  ASSERT_EQ(D3D_OK, D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device(), &adjacency,
                                      &materials, &count, &mesh));
  EXPECT_EQ(DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), mesh->GetFVF());
  EXPECT_EQ(5u, mesh->GetNumVertices());
  EXPECT_EQ(3u, mesh->GetNumFaces());
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 3, 2, 4}), mesh_test::Indices(mesh));
  EXPECT_EQ((std::vector<DWORD>{1, 0, 1}), mesh_test::Attributes(mesh));
  const std::vector<mesh_test::Vertex> vertices = mesh_test::Vertices(mesh);
  for (size_t v = 0; v < kQuad.size(); ++v) {
    EXPECT_EQ(kQuad[v].x, vertices[v].x);
    EXPECT_EQ(kQuad[v].z, vertices[v].z);
    EXPECT_EQ(1.0f, vertices[v].nz);
    EXPECT_EQ(float(v) / 8, vertices[v].u);
  }

  ASSERT_EQ(3u, count);
  ASSERT_NE(nullptr, materials);
  const auto* base = static_cast<const char*>(materials->GetBufferPointer());
  const auto* table = reinterpret_cast<const D3DXMATERIAL*>(base);
  EXPECT_EQ(0.25f, table[0].MatD3D.Diffuse.r);
  EXPECT_EQ(0.75f, table[0].MatD3D.Diffuse.b);
  EXPECT_EQ(8.0f, table[0].MatD3D.Power);
  EXPECT_EQ(0.5f, table[1].MatD3D.Diffuse.a);
  ASSERT_NE(nullptr, table[0].pTextureFilename);
  EXPECT_STREQ("tex\\a.bmp", table[0].pTextureFilename);
  EXPECT_EQ(nullptr, table[1].pTextureFilename);
  EXPECT_STREQ("b.png", table[2].pTextureFilename);
  // The names live in the same buffer, after the table.
  for (int i : {0, 2}) {
    EXPECT_GE(table[i].pTextureFilename, base + 3 * sizeof(D3DXMATERIAL));
    EXPECT_LT(table[i].pTextureFilename, base + materials->GetBufferSize());
  }

  ASSERT_NE(nullptr, adjacency);
  ASSERT_EQ(9 * sizeof(DWORD), adjacency->GetBufferSize());
  const auto* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
  EXPECT_EQ(1u, adj[2]);  // edge 2 -> 0 of face 0 is edge 0 -> 2 of face 1
  adjacency->Release();
  materials->Release();
  mesh->Release();
}

TEST_F(D3DXLoadMeshTest, AFileWithoutMaterialsGetsTheDefaultMaterial) {
  const std::string path = Write("plain.x", XText(kQuad, {0, 1, 2}));
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  ASSERT_EQ(D3D_OK, D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device(), nullptr,
                                      &materials, &count, &mesh));
  EXPECT_EQ(DWORD(D3DFVF_XYZ), mesh->GetFVF());
  ASSERT_EQ(1u, count);
  const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
  const D3DMATERIAL8& d = m->MatD3D;
  EXPECT_EQ(nullptr, m->pTextureFilename);
  for (const D3DCOLORVALUE& c : {d.Diffuse, d.Specular}) {
    EXPECT_EQ(0.5f, c.r);
    EXPECT_EQ(0.5f, c.g);
    EXPECT_EQ(0.5f, c.b);
    EXPECT_EQ(0.0f, c.a);
  }
  for (const D3DCOLORVALUE& c : {d.Ambient, d.Emissive}) {
    EXPECT_EQ(0.0f, c.r + c.g + c.b + c.a);
  }
  EXPECT_EQ(0.0f, d.Power);
  materials->Release();
  mesh->Release();
}

TEST_F(D3DXLoadMeshTest, FailuresReturnNegativeAndLeaveNothingBehind) {
  std::vector<D3DVECTOR> many(kMaxVertices16 + 1, D3DVECTOR{0, 0, 0});
  for (size_t i = 0; i < many.size(); ++i) many[i].x = float(i);
  const std::string tooMany = Write("many.x", XText(many, {0, 1, 2}));
  const std::string broken = Write("broken.x", "xof 0303txt 0032\nMesh {\n3;\n0;0;0;,");
  const std::string missing = dir_.File("missing.x");
  for (const std::string& path : {tooMany, broken, missing}) {
    SCOPED_TRACE(path);
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(1);
    DWORD count = 77;
    EXPECT_LT(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device(), nullptr, &materials,
                                &count, &mesh),
              0);
    EXPECT_EQ(nullptr, mesh);
    EXPECT_EQ(nullptr, materials);
    EXPECT_EQ(77u, count);
  }
  // With 32-bit indices the large mesh loads.
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3D_OK, D3DXLoadMeshFromX(tooMany.c_str(), D3DXMESH_32BIT, device(), nullptr, nullptr,
                                      nullptr, &mesh));
  EXPECT_EQ(kMaxVertices16 + 1, mesh->GetNumVertices());
  mesh->Release();
}

TEST_F(D3DXLoadMeshTest, CorpusCubeCopiesBuildTheSameMesh) {
  const std::string dir = test_paths::CorpusDir() + "/xfile/";
  std::vector<std::vector<mesh_test::Vertex>> vertices;
  std::vector<std::vector<uint32_t>> indices;
  for (const char* name : {"assimp_test_cube_text.x", "assimp_test_cube_binary.x",
                           "assimp_test_cube_compressed.x"}) {
    SCOPED_TRACE(name);
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3D_OK, D3DXLoadMeshFromX((dir + name).c_str(), D3DXMESH_SYSTEMMEM, device(),
                                        nullptr, nullptr, nullptr, &mesh));
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(D3D_OK, mesh->CloneMeshFVF(0, 0x112, device(), &clone));
    vertices.push_back(mesh_test::Vertices(clone));
    indices.push_back(mesh_test::Indices(clone));
    clone->Release();
    mesh->Release();
  }
  for (size_t i = 1; i < vertices.size(); ++i) {
    ASSERT_EQ(vertices[0].size(), vertices[i].size());
    EXPECT_EQ(0, std::memcmp(vertices[0].data(), vertices[i].data(),
                             vertices[0].size() * sizeof(mesh_test::Vertex)));
    EXPECT_EQ(indices[0], indices[i]);
  }
}

}  // namespace
