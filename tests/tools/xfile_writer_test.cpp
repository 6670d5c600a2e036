// The .x writers against our own reader: what goes in comes back out, in
// both encodings, with texture names kept byte for byte.
#include "tools/xfile_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tools/sample_character.h"
#include "tools/sample_poses.h"

namespace {

XMeshData Quad() {
  XMeshData mesh;
  mesh.positions = {{-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {-1.0f, 2.0f, 0.25f}, {1.0f, 2.0f, -0.5f}};
  mesh.hasNormals = true;
  mesh.normals = {{0, 0, -1}, {0, 0, -1}, {0, 0.6f, -0.8f}, {0, -0.6f, -0.8f}};
  mesh.hasTexCoords = true;
  mesh.texCoords = {0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f};
  mesh.indices = {0, 2, 1, 1, 2, 3};
  mesh.attributes = {1, 0};
  XMaterial plain;
  plain.material.Diffuse = {0.25f, 0.5f, 0.75f, 1.0f};
  plain.material.Power = 12.5f;
  plain.material.Specular = {0.1f, 0.2f, 0.3f, 1.0f};
  plain.material.Emissive = {0.05f, 0.0f, 0.125f, 1.0f};
  XMaterial face = plain;
  face.material.Diffuse = {1.0f, 1.0f, 1.0f, 0.5f};
  face.hasTexture = true;
  face.textureFilename = "dir10\\face.bmp";
  mesh.materials = {plain, face};
  return mesh;
}

struct Encoding {
  const char* name;
  bool binary;
  float tolerance;  // text prints six decimals
};

class XFileWriterRoundTrip : public ::testing::TestWithParam<Encoding> {
 protected:
  static std::vector<uint8_t> Write(const XMeshData& mesh) {
    if (GetParam().binary) return sample::WriteXBinary(mesh);
    const std::string text = sample::WriteXText(mesh);
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  static XMeshData Read(const std::vector<uint8_t>& bytes) {
    XMeshData out;
    std::string error;
    EXPECT_TRUE(ParseXFile(bytes.data(), bytes.size(), out, &error)) << error;
    return out;
  }
};

void ExpectNear(const D3DVECTOR& a, const D3DVECTOR& b, float tolerance, size_t i) {
  EXPECT_NEAR(a.x, b.x, tolerance) << "vector " << i;
  EXPECT_NEAR(a.y, b.y, tolerance) << "vector " << i;
  EXPECT_NEAR(a.z, b.z, tolerance) << "vector " << i;
}

TEST_P(XFileWriterRoundTrip, MeshComesBackAsWritten) {
  const XMeshData in = Quad();
  const std::vector<uint8_t> bytes = Write(in);
  const std::string header(bytes.begin(), bytes.begin() + 16);
  EXPECT_EQ(header, GetParam().binary ? "xof 0303bin 0032" : "xof 0303txt 0032");
  const XMeshData out = Read(bytes);
  const float tol = GetParam().tolerance;

  ASSERT_EQ(out.positions.size(), in.positions.size());
  for (size_t i = 0; i < in.positions.size(); ++i) ExpectNear(out.positions[i], in.positions[i], tol, i);
  ASSERT_TRUE(out.hasNormals);
  ASSERT_EQ(out.normals.size(), in.normals.size());
  for (size_t i = 0; i < in.normals.size(); ++i) ExpectNear(out.normals[i], in.normals[i], 1e-5f, i);
  ASSERT_TRUE(out.hasTexCoords);
  ASSERT_EQ(out.texCoords.size(), in.texCoords.size());
  for (size_t i = 0; i < in.texCoords.size(); ++i) EXPECT_NEAR(out.texCoords[i], in.texCoords[i], tol);
  EXPECT_EQ(out.indices, in.indices);
  EXPECT_EQ(out.attributes, in.attributes);

  ASSERT_EQ(out.materials.size(), 2u);
  for (size_t m = 0; m < 2; ++m) {
    const D3DMATERIAL8& a = out.materials[m].material;
    const D3DMATERIAL8& b = in.materials[m].material;
    EXPECT_NEAR(a.Diffuse.r, b.Diffuse.r, tol);
    EXPECT_NEAR(a.Diffuse.g, b.Diffuse.g, tol);
    EXPECT_NEAR(a.Diffuse.b, b.Diffuse.b, tol);
    EXPECT_NEAR(a.Diffuse.a, b.Diffuse.a, tol);
    EXPECT_NEAR(a.Power, b.Power, tol);
    EXPECT_NEAR(a.Specular.g, b.Specular.g, tol);
    EXPECT_NEAR(a.Emissive.b, b.Emissive.b, tol);
    EXPECT_EQ(out.materials[m].hasTexture, in.materials[m].hasTexture);
  }
  EXPECT_EQ(out.materials[1].textureFilename, "dir10\\face.bmp");
}

TEST_P(XFileWriterRoundTrip, BareMeshHasNoOptionalParts) {
  XMeshData in = Quad();
  in.hasNormals = false;
  in.normals.clear();
  in.hasTexCoords = false;
  in.texCoords.clear();
  in.materials.clear();
  in.attributes.clear();
  const XMeshData out = Read(Write(in));
  EXPECT_EQ(out.positions.size(), 4u);
  EXPECT_EQ(out.indices, in.indices);
  EXPECT_FALSE(out.hasNormals);
  EXPECT_FALSE(out.hasTexCoords);
  EXPECT_TRUE(out.materials.empty());
}

// The whole sample character: thousands of vertices, six materials. Normals
// are per vertex, so the reader must not split a single vertex.
TEST_P(XFileWriterRoundTrip, SampleCharacterKeepsItsVertices) {
  const sample::Character character = sample::BuildCharacter({});
  const XMeshData in =
      sample::PosedMesh(character, sample::MakePoses(sample::PoseStyle::kLively)[3]);
  const XMeshData out = Read(Write(in));
  ASSERT_EQ(out.positions.size(), in.positions.size());
  EXPECT_EQ(out.indices, in.indices);
  EXPECT_EQ(out.attributes, in.attributes);
  EXPECT_EQ(out.materials.size(), in.materials.size());
  size_t worst = 0;
  float worstError = 0.0f;
  for (size_t i = 0; i < in.positions.size(); ++i) {
    const float e = std::fabs(out.positions[i].x - in.positions[i].x) +
                    std::fabs(out.positions[i].y - in.positions[i].y) +
                    std::fabs(out.positions[i].z - in.positions[i].z);
    if (e > worstError) worstError = e, worst = i;
  }
  EXPECT_LE(worstError, 3 * GetParam().tolerance) << "vertex " << worst;
}

INSTANTIATE_TEST_SUITE_P(Encodings, XFileWriterRoundTrip,
                         ::testing::Values(Encoding{"text", false, 6e-7f},
                                           Encoding{"binary", true, 0.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XFileWriterText, FloatsUseAPointAndSixDecimals) {
  struct Case {
    float value;
    const char* text;
  } cases[] = {
      {0.0f, "0.000000"},   {-0.0f, "0.000000"},   {1.5f, "1.500000"},
      {-2.25f, "-2.250000"}, {1e-7f, "0.000000"},  {-1e-7f, "0.000000"},
      {123456.5f, "123456.500000"},
  };
  for (const Case& c : cases) EXPECT_EQ(sample::FormatXFloat(c.value), c.text) << c.value;
}

TEST(XFileWriterText, TextureNameIsWrittenWithOneBackslash) {
  const std::string text = sample::WriteXText(Quad());
  EXPECT_NE(text.find("\"dir10\\face.bmp\";"), std::string::npos);
  EXPECT_EQ(text.find("\\\\"), std::string::npos);
}

}  // namespace
