// What the .x reader builds from meshes: fans, normal splits, frames,
// materials, merging and the alternative vertex data objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/xfile_mesh_data.h"
#include "support/test_paths.h"

namespace {

XMeshData LoadFixture(const char* name) {
  XMeshData mesh;
  std::string error;
  EXPECT_TRUE(ReadXFile(test_paths::FixtureDir() + "/xfile/" + name, mesh, &error)) << name << ": " << error;
  return mesh;
}

void ExpectVector(const D3DVECTOR& v, float x, float y, float z, const std::string& what) {
  EXPECT_FLOAT_EQ(v.x, x) << what;
  EXPECT_FLOAT_EQ(v.y, y) << what;
  EXPECT_FLOAT_EQ(v.z, z) << what;
}

TEST(XFileMesh, PolygonsBecomeFansFromTheirFirstCorner) {
  XMeshData mesh = LoadFixture("ngon_fan.x");
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 1, 5, 6, 0, 1, 3, 0, 3, 2}));
  EXPECT_EQ(mesh.positions.size(), 7u);
  EXPECT_FALSE(mesh.hasNormals);
  EXPECT_FALSE(mesh.hasTexCoords);
  EXPECT_TRUE(mesh.materials.empty());
  EXPECT_EQ(mesh.attributes, std::vector<uint32_t>(6, 0));
}

TEST(XFileMesh, CubeWithFaceNormalsSplitsInto24VerticesInCreationOrder) {
  XMeshData mesh = LoadFixture("cube_face_normals.x");
  ASSERT_EQ(mesh.positions.size(), 24u);
  ASSERT_TRUE(mesh.hasNormals);
  ASSERT_TRUE(mesh.hasTexCoords);
  // The file's 8 vertices first, keeping the normal of their first use.
  ExpectVector(mesh.normals[0], 0, 0, -1, "v0 (normalised from length 2)");
  ExpectVector(mesh.normals[3], 0, 0, -1, "v3");
  ExpectVector(mesh.normals[4], 0, 0, 1, "v4");
  // Then one copy per further normal, in the order the corners need them.
  const uint32_t copiedFrom[16] = {0, 4, 7, 3, 1, 2, 6, 5, 0, 1, 5, 4, 3, 7, 6, 2};
  const float faceNormal[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
  for (uint32_t i = 0; i < 16; ++i) {
    const D3DVECTOR& p = mesh.positions[8 + i];
    const D3DVECTOR& q = mesh.positions[copiedFrom[i]];
    EXPECT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z) << "copy " << 8 + i;
    EXPECT_EQ(mesh.texCoords[2 * (8 + i)], mesh.texCoords[2 * copiedFrom[i]]) << "copy " << 8 + i;
    EXPECT_EQ(mesh.texCoords[2 * (8 + i) + 1], mesh.texCoords[2 * copiedFrom[i] + 1]) << "copy " << 8 + i;
    const float* n = faceNormal[2 + i / 4];
    ExpectVector(mesh.normals[8 + i], n[0], n[1], n[2], "copy " + std::to_string(8 + i));
  }
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0,  3,  2,  0,  2,  1,  4,  5,  6,  4,  6,  7,
                                                 8,  9,  10, 8,  10, 11, 12, 13, 14, 12, 14, 15,
                                                 16, 17, 18, 16, 18, 19, 20, 21, 22, 20, 22, 23}));
}

TEST(XFileMesh, LaterUseReusesTheCopyWithTheSameNormal) {
  XMeshData mesh = LoadFixture("normal_reuse.x");
  ASSERT_EQ(mesh.positions.size(), 9u);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 5, 6, 3, 5, 3, 4, 0, 7, 1, 8, 1, 3}));
  ExpectVector(mesh.positions[5], 0, 0, 0, "copy of v0");
  ExpectVector(mesh.positions[6], 0, 1, 0, "copy of v2");
  ExpectVector(mesh.positions[7], 0, -1, 0, "copy of v4");
  ExpectVector(mesh.positions[8], 0, 0, 0, "second copy of v0");
  ExpectVector(mesh.normals[0], 0, 0, 1, "v0");
  ExpectVector(mesh.normals[5], 0, 1, 0, "v0 with B");
  ExpectVector(mesh.normals[8], 1, 0, 0, "v0 with C");
}

TEST(XFileMesh, NotANumberNormalsSplitLikeAnyOtherNormal) {
  // A NaN normal never compares equal to itself: it must still count as the
  // same normal when a later corner has it, or copies would never end.
  XMeshData mesh = LoadFixture("normal_nan.x");
  ASSERT_EQ(mesh.positions.size(), 4u);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 1, 3, 2}));
  EXPECT_TRUE(std::isnan(mesh.normals[1].x));
  ExpectVector(mesh.normals[2], 0, 0, 1, "v2");
}

TEST(XFileMesh, FrameMatricesApplyToLaterMeshesAsLocalTimesParent) {
  XMeshData mesh = LoadFixture("nested_frames.x");
  ASSERT_EQ(mesh.positions.size(), 6u);
  ExpectVector(mesh.positions[0], 1, 0, 0, "before the matrix");
  ExpectVector(mesh.positions[2], 0, 0, 1, "before the matrix");
  // Translated by the inner frame first, then rotated by the outer one.
  ExpectVector(mesh.positions[3], -2, 2, 3, "inner 0");
  ExpectVector(mesh.positions[4], -3, 1, 3, "inner 1");
  ExpectVector(mesh.positions[5], -2, 1, 4, "inner 2");
  ASSERT_TRUE(mesh.hasNormals);
  ExpectVector(mesh.normals[3], 0, 1, 0, "normal rotated, not translated");
  ExpectVector(mesh.normals[0], 0, 0, 0, "mesh without normals");
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(XFileMesh, MeshReferencedFromAFrameIsLoadedAgainThere) {
  XMeshData mesh = LoadFixture("frame_references_mesh.x");
  ASSERT_EQ(mesh.positions.size(), 6u);
  ExpectVector(mesh.positions[1], 1, 0, 0, "top-level copy");
  ExpectVector(mesh.positions[4], 11, 0, 0, "copy inside the frame");
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(XFileMesh, MaterialListTakesInlineAndReferencedMaterialsInOrder) {
  XMeshData mesh = LoadFixture("referenced_materials.x");
  ASSERT_EQ(mesh.materials.size(), 3u);
  const D3DMATERIAL8& red = mesh.materials[0].material;
  EXPECT_EQ(red.Diffuse.r, 1.0f);
  EXPECT_EQ(red.Diffuse.g, 0.0f);
  EXPECT_EQ(red.Power, 8.0f);
  EXPECT_EQ(red.Specular.r, 0.5f);
  EXPECT_EQ(red.Specular.a, 1.0f);
  EXPECT_FLOAT_EQ(red.Emissive.b, 0.3f);
  EXPECT_EQ(red.Emissive.a, 1.0f);
  EXPECT_TRUE(red.Ambient.r == 0 && red.Ambient.g == 0 && red.Ambient.b == 0 && red.Ambient.a == 1);
  EXPECT_TRUE(mesh.materials[0].hasTexture);
  EXPECT_EQ(mesh.materials[0].textureFilename, "textures\\\\face.bmp");
  const D3DMATERIAL8& green = mesh.materials[1].material;
  EXPECT_EQ(green.Diffuse.g, 1.0f);
  EXPECT_EQ(green.Diffuse.a, 0.5f);
  EXPECT_FALSE(mesh.materials[1].hasTexture);
  // Referenced before its definition; its last TextureFilename wins.
  EXPECT_EQ(mesh.materials[2].material.Diffuse.r, 0.25f);
  EXPECT_EQ(mesh.materials[2].textureFilename, "second.bmp");
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{2, 0, 1}));
}

TEST(XFileMesh, FewerFaceIndexesThanPolygonsRepeatTheLast) {
  XMeshData mesh = LoadFixture("fewer_face_indexes.x");
  ASSERT_EQ(mesh.materials.size(), 2u);
  // One index per polygon, applied to all of its triangles.
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{1, 1, 0, 0, 0, 0}));
}

TEST(XFileMesh, SeveralMeshesAreMergedWithOffsets) {
  XMeshData mesh = LoadFixture("merged_meshes.x");
  ASSERT_EQ(mesh.positions.size(), 10u);  // 3 + 4 + 3; the empty mesh adds nothing
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 0, 3, 4, 5, 3, 5, 6, 7, 8, 9}));
  // The mesh without a material list gets the running material count.
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{1, 0, 2, 2, 3}));
  ASSERT_EQ(mesh.materials.size(), 3u);
  EXPECT_EQ(mesh.materials[0].material.Diffuse.r, 1.0f);
  EXPECT_EQ(mesh.materials[2].material.Diffuse.b, 1.0f);
  // Components missing in one mesh are zero there.
  ASSERT_TRUE(mesh.hasNormals && mesh.hasTexCoords);
  ExpectVector(mesh.normals[0], 0, 0, 0, "first mesh has no normals");
  ExpectVector(mesh.normals[4], 0, 0, 1, "second mesh");
  EXPECT_EQ(mesh.texCoords[2], 1.0f);
  EXPECT_EQ(mesh.texCoords[2 * 5], 0.0f);
  ExpectVector(mesh.positions[3], 5, 0, 0, "second mesh");
}

TEST(XFileMesh, NormalsAndTexCoordsFromFvfDataAndDeclData) {
  XMeshData mesh = LoadFixture("vertex_data.x");
  ASSERT_EQ(mesh.positions.size(), 5u);
  ASSERT_TRUE(mesh.hasNormals && mesh.hasTexCoords);
  ExpectVector(mesh.normals[0], 0, 0, 1, "fvf 0");
  ExpectVector(mesh.normals[1], 0, 1, 0, "fvf 1");
  ExpectVector(mesh.normals[2], 1, 0, 0, "fvf 2");
  EXPECT_EQ(std::vector<float>(mesh.texCoords.begin(), mesh.texCoords.begin() + 6),
            (std::vector<float>{0, 0, 1, 0, 0, 1}));
  ExpectVector(mesh.normals[3], 0, 0, -1, "decl 0");
  ExpectVector(mesh.normals[4], -1, 0, 0, "decl 1");
  EXPECT_EQ(std::vector<float>(mesh.texCoords.begin() + 6, mesh.texCoords.end()),
            (std::vector<float>{0.5f, 0.25f, 0.75f, 1.0f}));
}

}  // namespace
