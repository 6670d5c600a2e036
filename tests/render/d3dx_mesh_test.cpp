// ID3DXMesh basics on the recording device: buffers, clone, draw.
#include <gtest/gtest.h>

#include "render/d3dx_mesh.h"
#include "render/mesh_test_support.h"

namespace {

using mesh_test::MakeMesh;
using mesh_test::Tagged;

class D3DXMeshTest : public mesh_test::RecordingDeviceTest {};

TEST_F(D3DXMeshTest, BuffersFollowFvfAndIndexWidth) {
  struct Case {
    DWORD options;
    DWORD fvf;
    UINT vertexBytes;
    D3DFORMAT indexFormat;
    UINT indexBytes;
    D3DPOOL pool;
  };
  const Case cases[] = {
      {D3DXMESH_MANAGED, 0x112, 5 * 32, D3DFMT_INDEX16, 2 * 3 * 2, D3DPOOL_MANAGED},
      {D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, 5 * 12, D3DFMT_INDEX16, 2 * 3 * 2, D3DPOOL_SYSTEMMEM},
      {D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_TEX1, 5 * 20, D3DFMT_INDEX32, 2 * 3 * 4,
       D3DPOOL_DEFAULT},
      {0, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 5 * 28, D3DFMT_INDEX16, 12,
       D3DPOOL_DEFAULT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fvf);
    const RecordingLiveCounts base = LiveRecordingObjects();
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(2, 5, c.options, c.fvf, device(), &mesh));
    EXPECT_EQ(2u, mesh->GetNumFaces());
    EXPECT_EQ(5u, mesh->GetNumVertices());
    EXPECT_EQ(c.fvf, mesh->GetFVF());
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(D3D_OK, mesh->GetVertexBuffer(&vb));
    ASSERT_EQ(D3D_OK, mesh->GetIndexBuffer(&ib));
    D3DVERTEXBUFFER_DESC vd = {};
    D3DINDEXBUFFER_DESC id = {};
    vb->GetDesc(&vd);
    ib->GetDesc(&id);
    EXPECT_EQ(c.vertexBytes, vd.Size);
    EXPECT_EQ(c.pool, vd.Pool);
    EXPECT_EQ(c.indexFormat, id.Format);
    EXPECT_EQ(c.indexBytes, id.Size);
    mesh->Release();
    // The getters handed out references of their own.
    EXPECT_EQ(base.vertexBuffers + 1, LiveRecordingObjects().vertexBuffers);
    vb->Release();
    ib->Release();
    EXPECT_EQ(base, LiveRecordingObjects());
  }
}

TEST_F(D3DXMeshTest, CreationRefusesWhatItCannotHold) {
  struct Case {
    DWORD faces, vertices, options, fvf;
  };
  const Case cases[] = {
      {0, 3, 0, 0x112},
      {1, 0, 0, 0x112},
      {1, kMaxVertices16 + 1, D3DXMESH_MANAGED, 0x112},
      {1, 3, 0, D3DFVF_XYZRHW},
      {1, 3, 0, D3DFVF_NORMAL},
      {0x80000000u, 3, D3DXMESH_32BIT, 0x112},
  };
  for (const Case& c : cases) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_LT(D3DXCreateMeshFVF(c.faces, c.vertices, c.options, c.fvf, device(), &mesh), 0)
        << c.faces << " " << c.vertices << " " << c.fvf;
    EXPECT_EQ(nullptr, mesh);
  }
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3D_OK, D3DXCreateMeshFVF(1, kMaxVertices16, 0, 0x112, device(), &mesh));
  mesh->Release();
  EXPECT_EQ(D3D_OK,
            D3DXCreateMeshFVF(1, kMaxVertices16 + 1, D3DXMESH_32BIT, 0x112, device(), &mesh));
  mesh->Release();
}

TEST_F(D3DXMeshTest, CreationFailsCleanlyWhenTheDeviceRefusesABuffer) {
  GetRecordingControl().failCreateIndexBuffer = true;
  ID3DXMesh* mesh = nullptr;
  EXPECT_LT(D3DXCreateMeshFVF(1, 3, 0, 0x112, device(), &mesh), 0);
  EXPECT_EQ(nullptr, mesh);
  GetRecordingControl().failCreateIndexBuffer = false;
}

TEST_F(D3DXMeshTest, CloneKeepsOrderAndZeroFillsMissingComponents) {
  // Source: position and a texture coordinate, no normal (FVF 0x102).
  ID3DXMesh* source = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(2, 4, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_TEX1,
                                      device(), &source));
  BYTE* data = nullptr;
  source->LockVertexBuffer(0, &data);
  const float sourceVertices[4][5] = {
      {1, 2, 3, 0.25f, 0.5f}, {4, 5, 6, 0.75f, 1}, {7, 8, 9, 0, 0}, {-1, -2, -3, 2, 3}};
  std::memcpy(data, sourceVertices, sizeof sourceVertices);
  source->UnlockVertexBuffer();
  source->LockIndexBuffer(0, &data);
  const uint16_t sourceIndices[6] = {3, 1, 0, 0, 2, 3};
  std::memcpy(data, sourceIndices, sizeof sourceIndices);
  source->UnlockIndexBuffer();
  DWORD* attributes = nullptr;
  source->LockAttributeBuffer(0, &attributes);
  attributes[0] = 7;
  attributes[1] = 2;
  source->UnlockAttributeBuffer();

  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(D3D_OK, source->CloneMeshFVF(0, 0x112, device(), &clone));
  const std::vector<mesh_test::Vertex> vertices = mesh_test::Vertices(clone);
  ASSERT_EQ(4u, vertices.size());
  for (int v = 0; v < 4; ++v) {
    EXPECT_EQ(sourceVertices[v][0], vertices[v].x);
    EXPECT_EQ(sourceVertices[v][1], vertices[v].y);
    EXPECT_EQ(sourceVertices[v][2], vertices[v].z);
    EXPECT_EQ(0.0f, vertices[v].nx);
    EXPECT_EQ(0.0f, vertices[v].ny);
    EXPECT_EQ(0.0f, vertices[v].nz);
    EXPECT_EQ(sourceVertices[v][3], vertices[v].u);
    EXPECT_EQ(sourceVertices[v][4], vertices[v].v);
  }
  EXPECT_EQ((std::vector<uint32_t>{3, 1, 0, 0, 2, 3}), mesh_test::Indices(clone));
  EXPECT_EQ((std::vector<DWORD>{7, 2}), mesh_test::Attributes(clone));

  // Back to positions only: the other components are dropped.
  ID3DXMesh* positionsOnly = nullptr;
  ASSERT_EQ(D3D_OK, clone->CloneMeshFVF(D3DXMESH_32BIT, D3DFVF_XYZ, device(), &positionsOnly));
  EXPECT_EQ((std::vector<uint32_t>{3, 1, 0, 0, 2, 3}), mesh_test::Indices(positionsOnly));
  std::vector<D3DVECTOR> positions;
  ASSERT_EQ(D3D_OK, ReadMeshPositions(positionsOnly, &positions));
  EXPECT_EQ(-3.0f, positions[3].z);
  positionsOnly->Release();
  clone->Release();
  source->Release();
}

TEST_F(D3DXMeshTest, DrawSubsetDrawsTheAttributeRangeOfASortedMesh) {
  // Faces 0 and 2 use material 1, face 1 uses material 0.
  ID3DXMesh* mesh = MakeMesh(device(),
                             Tagged({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}}),
                             {0, 1, 2, 2, 1, 3, 3, 1, 4}, {1, 0, 1});
  ID3DXMesh* sorted = nullptr;
  ASSERT_EQ(D3D_OK, mesh->Optimize(D3DXMESHOPT_ATTRSORT | D3DXMESH_MANAGED, nullptr, nullptr,
                                   nullptr, nullptr, &sorted));
  ClearRecordedCalls();
  recorder()->ClearDraws();
  sorted->DrawSubset(1);
  sorted->DrawSubset(5);  // no faces: states only, nothing drawn
  const std::vector<std::string> expected = {
      "SetStreamSource(0, vertexbuffer#2, 32)", "SetIndices(indexbuffer#2, 0)",
      "SetVertexShader(0x112)",
      // Material 0 took vertices 0..2; material 1 its own copies 3..7.
      "DrawIndexedPrimitive(4, 3, 5, 3, 2)", "SetStreamSource(0, vertexbuffer#2, 32)",
      "SetIndices(indexbuffer#2, 0)", "SetVertexShader(0x112)"};
  std::vector<std::string> calls;
  for (const std::string& call : RecordedCalls()) {
    if (call.find(".Release()") == std::string::npos) calls.push_back(call);
  }
  EXPECT_EQ(expected, calls);
  ASSERT_EQ(1u, recorder()->Draws().size());
  EXPECT_EQ("", recorder()->Draws()[0].problem);
  sorted->Release();
  mesh->Release();
}

TEST_F(D3DXMeshTest, DrawSubsetOfAnUnsortedMeshDrawsEachRunOfTheId) {
  ID3DXMesh* mesh = MakeMesh(device(),
                             Tagged({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}}),
                             {0, 1, 2, 2, 1, 3, 3, 1, 4}, {1, 0, 1});
  recorder()->ClearDraws();
  mesh->DrawSubset(1);
  ASSERT_EQ(2u, recorder()->Draws().size());
  EXPECT_EQ(0u, recorder()->Draws()[0].startIndex);
  EXPECT_EQ(1u, recorder()->Draws()[0].primitiveCount);
  EXPECT_EQ(0u, recorder()->Draws()[0].minIndex);
  EXPECT_EQ(3u, recorder()->Draws()[0].numVertices);
  EXPECT_EQ(6u, recorder()->Draws()[1].startIndex);
  EXPECT_EQ(1u, recorder()->Draws()[1].minIndex);
  EXPECT_EQ(4u, recorder()->Draws()[1].numVertices);
  mesh->Release();
}

TEST_F(D3DXMeshTest, OperationsRefuseIndicesPastTheVertexCount) {
  ID3DXMesh* mesh = MakeMesh(device(), Tagged({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), {0, 1, 7});
  DWORD adjacency[3];
  EXPECT_LT(mesh->GenerateAdjacency(0.0f, adjacency), 0);
  ID3DXMesh* sorted = nullptr;
  EXPECT_LT(mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &sorted), 0);
  EXPECT_EQ(nullptr, sorted);
  EXPECT_LT(D3DXComputeNormals(mesh, nullptr), 0);
  mesh->Release();
}

}  // namespace
