// The .vdt format end to end: WriteVertexData on a mesh, MyMotionOBJ::Load of
// the file, and the reader's handling of lengths and names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "motion_test_support.h"
#include "platform/files.h"
#include "support/test_paths.h"

namespace {

using motion_test::MotionTest;

class VertexDataFileTest : public MotionTest {
 protected:
  void SetUp() override {
    MotionTest::SetUp();
    std::filesystem::create_directories(temp_.File("dir10"));
  }
  TempDir temp_;
};

// Positions whose bits a conversion anywhere on the way would change.
std::vector<float> AwkwardFloats(size_t count) {
  uint32_t nanWithPayload = 0x7fa12345u;
  float nan;
  std::memcpy(&nan, &nanWithPayload, 4);
  const float special[] = {-0.0f, 1e-40f, nan, std::numeric_limits<float>::infinity(),
                           3.4e38f, -1.17549435e-38f};
  std::vector<float> values(count);
  for (size_t i = 0; i < count; ++i) {
    values[i] = i < std::size(special) ? special[i] : float(i) * 0.1f - 37.25f;
  }
  return values;
}

TEST_F(VertexDataFileTest, ThousandVerticesWriteTwelveThousandBytesAndReadBackBitForBit) {
  MyXOBJ* mesh = motion_test::MakeGridModel(device, 40, 25);
  ASSERT_EQ(mesh->vertexCount, 1000u);
  const std::vector<float> values = AwkwardFloats(3000);
  std::vector<BYTE>& bytes = *RecordedBufferBytes(mesh->vertexBuffer);
  for (size_t v = 0; v < 1000; ++v) std::memcpy(&bytes[v * 32], &values[3 * v], 12);
  const std::string meshPath = temp_.File("dir10/7.x");
  std::strcpy(mesh->fileName, meshPath.c_str());

  EXPECT_TRUE(mesh->WriteVertexData());
  mesh->Destroy();

  const std::string vdt = temp_.File("dir10/7.vdt");
  const auto written = ReadFileBytes(vdt);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->size(), 12000u);
  EXPECT_EQ(*written, motion_test::FloatBytes(values));

  ScopedCurrentDir cwd(temp_.path());
  MyMotionOBJ* motion = new MyMotionOBJ;
  ASSERT_TRUE(motion->Load(10, 7));
  ASSERT_EQ(motion->positions.size(), 1000u);
  EXPECT_EQ(std::memcmp(motion->positions.data(), values.data(), 12000), 0);
  EXPECT_EQ(motion->normals.size(), 1000u);
  EXPECT_EQ(viewer_ui::MemoLines(), std::vector<std::string>{GetCurrentDir() + "/dir10/7.vdt"});
  motion->Destroy();
}

TEST_F(VertexDataFileTest, WritingReplacesALongerFileAndLeavesNormalsOut) {
  MyXOBJ* mesh = motion_test::MakeGridModel(device, 2, 2);
  const std::string meshPath = temp_.File("dir10/pose.v1.x");
  std::strcpy(mesh->fileName, meshPath.c_str());
  motion_test::WriteBytes(temp_.File("dir10/pose.v1.vdt"), std::vector<uint8_t>(500, 0xAB));

  EXPECT_TRUE(mesh->WriteVertexData());
  mesh->Destroy();

  const auto written = ReadFileBytes(temp_.File("dir10/pose.v1.vdt"));
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(*written, motion_test::FloatBytes({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}));
}

TEST_F(VertexDataFileTest, FailedWritesReportFalseAndCreateNothingWrong) {
  MyXOBJ* unloaded = new MyXOBJ;
  std::strcpy(unloaded->fileName, temp_.File("dir10/1.x").c_str());
  EXPECT_FALSE(unloaded->WriteVertexData());
  EXPECT_FALSE(FileExists(temp_.File("dir10/1.vdt")));
  unloaded->Destroy();

  MyXOBJ* mesh = motion_test::MakeGridModel(device, 2, 2);
  std::strcpy(mesh->fileName, temp_.File("no-such-folder/2.x").c_str());
  EXPECT_FALSE(mesh->WriteVertexData());

  std::strcpy(mesh->fileName, temp_.File("dir10/3.x").c_str());
  GetRecordingControl().failVertexBufferLock = true;
  EXPECT_FALSE(mesh->WriteVertexData());
  EXPECT_FALSE(FileExists(temp_.File("dir10/3.vdt")));
  GetRecordingControl().failVertexBufferLock = false;

  // The buffer is unlocked again after a failed create: a later lock works.
  std::strcpy(mesh->fileName, temp_.File("dir10/4.x").c_str());
  EXPECT_TRUE(mesh->WriteVertexData());
  EXPECT_TRUE(FileExists(temp_.File("dir10/4.vdt")));
  mesh->Destroy();
}

struct LengthCase {
  const char* name;
  size_t bytes;
  size_t vertices;
};

class VdtLengthTest : public VertexDataFileTest,
                      public ::testing::WithParamInterface<LengthCase> {};

TEST_P(VdtLengthTest, WholeRecordsBecomeVerticesAndTrailingBytesAreIgnored) {
  const LengthCase& c = GetParam();
  std::vector<uint8_t> bytes(c.bytes);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 1);
  motion_test::WriteBytes(temp_.File("dir10/12.vdt"), bytes);
  ScopedCurrentDir cwd(temp_.path());

  MyMotionOBJ* motion = new MyMotionOBJ;
  ASSERT_TRUE(motion->Load(10, 12));
  EXPECT_TRUE(motion->loaded);
  ASSERT_EQ(motion->positions.size(), c.vertices);
  EXPECT_EQ(motion->normals.size(), c.vertices);
  if (c.vertices > 0) {
    EXPECT_EQ(std::memcmp(motion->positions.data(), bytes.data(), c.vertices * 12), 0);
  }
  for (const D3DVECTOR& n : motion->normals) {
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
  }
  motion->Destroy();
}

INSTANTIATE_TEST_SUITE_P(Lengths, VdtLengthTest,
                         ::testing::Values(LengthCase{"ThreeRecords", 36, 3},
                                           LengthCase{"Empty", 0, 0},
                                           LengthCase{"LessThanOneRecord", 11, 0},
                                           LengthCase{"OneByteOver", 37, 3},
                                           LengthCase{"ElevenBytesOver", 47, 3},
                                           LengthCase{"MoreThanAModelCanUse",
                                                      12 * kMaxMotionVertices + 24,
                                                      kMaxMotionVertices}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VertexDataFileTest, NamesAreTheMotionNumberInTheSceneFolder) {
  motion_test::WriteBytes(temp_.File("dir10/12.vdt"), std::vector<uint8_t>(24, 0));
  motion_test::WriteBytes(temp_.File("dir10/012.vdt"), std::vector<uint8_t>(36, 0));
  std::filesystem::create_directories(temp_.File("dir10/5.vdt"));  // a folder, not a file
  std::filesystem::create_directories(temp_.File("dir21"));
  motion_test::WriteBytes(temp_.File("dir21/12.vdt"), std::vector<uint8_t>(48, 0));
  ScopedCurrentDir cwd(temp_.path());
  const std::string root = GetCurrentDir();

  MyMotionOBJ* twelve = new MyMotionOBJ;
  EXPECT_TRUE(twelve->Load(10, 12));
  EXPECT_EQ(twelve->positions.size(), 2u);
  MyMotionOBJ* other = new MyMotionOBJ;
  EXPECT_TRUE(other->Load(21, 12));
  EXPECT_EQ(other->positions.size(), 4u);
  MyMotionOBJ* missing = new MyMotionOBJ;
  EXPECT_FALSE(missing->Load(10, 7));
  EXPECT_FALSE(missing->loaded);
  MyMotionOBJ* folder = new MyMotionOBJ;
  EXPECT_FALSE(folder->Load(10, 5));
  EXPECT_TRUE(folder->positions.empty());

  EXPECT_EQ(viewer_ui::MemoLines(),
            (std::vector<std::string>{root + "/dir10/12.vdt", root + "/dir21/12.vdt"}));
  for (MyMotionOBJ* m : {twelve, other, missing, folder}) m->Destroy();
}

}  // namespace
