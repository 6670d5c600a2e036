// Motions as scene loading builds them: the per-motion loop (Destroy, new,
// Load, ComputeMotionNormals) over .vdt files, and the normals derived from
// the model mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "motion_test_support.h"
#include "platform/files.h"
#include "support/test_paths.h"

namespace {

using motion_test::MotionTest;

constexpr int kCols = 4;
constexpr int kRows = 3;

// Motion k: the model's grid tilted into the plane z = k * x / 8, so every
// motion has its own positions and normals.
std::vector<float> TiltedGrid(int k, int vertices = kCols * kRows) {
  std::vector<float> values;
  for (int v = 0; v < vertices; ++v) {
    const float x = float(v % kCols), y = float(v / kCols);
    values.insert(values.end(), {x, y, float(k) * x / 8.0f});
  }
  return values;
}

class MotionLoadingTest : public MotionTest {
 protected:
  void SetUp() override {
    MotionTest::SetUp();
    std::filesystem::create_directories(temp_.File("dir10"));
    modelMesh = motion_test::MakeGridModel(device, kCols, kRows);
  }

  void WriteMotion(int k, const std::vector<float>& values) {
    motion_test::WriteBytes(temp_.File("dir10/" + std::to_string(k) + ".vdt"),
                            motion_test::FloatBytes(values));
  }

  // The motion loop of scene loading.
  void LoadMotions(int scene) {
    ScopedCurrentDir cwd(temp_.path());
    for (int k = 0; k < viewerState.motionCount; ++k) {
      motionTable[k]->Destroy();
      motionTable[k] = new MyMotionOBJ;
      if (motionTable[k]->Load(scene, k)) modelMesh->ComputeMotionNormals(k);
    }
  }

  TempDir temp_;
};

// The unit normal of the plane z = s * x, up to sign: (-s, 0, 1) / |.|.
void ExpectPlaneNormal(const D3DVECTOR& n, float s) {
  const float length = std::sqrt(s * s + 1.0f);
  const float sign = n.z < 0 ? -1.0f : 1.0f;
  EXPECT_NEAR(n.x, sign * -s / length, 1e-5f);
  EXPECT_NEAR(n.y, 0.0f, 1e-5f);
  EXPECT_NEAR(n.z, sign * 1.0f / length, 1e-5f);
}

TEST_F(MotionLoadingTest, AMissingMotionLeavesOnlyItsEntryNotLoaded) {
  for (int k : {2, 4}) WriteMotion(k, TiltedGrid(k));
  LoadMotions(10);

  for (int k = 0; k < viewerState.motionCount; ++k) {
    ASSERT_NE(motionTable[k], nullptr) << k;
    EXPECT_EQ(motionTable[k]->loaded, k == 2 || k == 4) << k;
  }
  EXPECT_TRUE(motionTable[3]->positions.empty());
  for (int k : {2, 4}) {
    ASSERT_EQ(motionTable[k]->normals.size(), size_t(kCols * kRows));
    for (const D3DVECTOR& n : motionTable[k]->normals) ExpectPlaneNormal(n, float(k) / 8.0f);
  }
  ASSERT_EQ(viewer_ui::MemoLines().size(), 2u);
  EXPECT_NE(viewer_ui::MemoLines()[0].find("/dir10/2.vdt"), std::string::npos);
  EXPECT_NE(viewer_ui::MemoLines()[1].find("/dir10/4.vdt"), std::string::npos);
}

TEST_F(MotionLoadingTest, AfterMotionsZeroToTwentyTheBufferHoldsMotionTwenty) {
  for (int k = 0; k <= 20; ++k) WriteMotion(k, TiltedGrid(k));
  LoadMotions(10);

  const std::vector<float> buffer = motion_test::BufferFloats(modelMesh);
  const MyMotionOBJ& last = *motionTable[20];
  const MyMotionOBJ& previous = *motionTable[19];
  for (size_t v = 0; v < size_t(kCols * kRows); ++v) {
    EXPECT_EQ(std::memcmp(&buffer[8 * v], &last.positions[v], 12), 0) << v;
    EXPECT_EQ(std::memcmp(&buffer[8 * v + 3], &last.normals[v], 12), 0) << v;
    EXPECT_NE(last.normals[v].x, previous.normals[v].x) << v;
    EXPECT_EQ(buffer[8 * v + 6], float(v % kCols)) << "texture coordinates stay";
  }
  ExpectPlaneNormal(last.normals[0], 20.0f / 8.0f);
}

TEST_F(MotionLoadingTest, AShortMotionCoversOnlyItsOwnVertices) {
  WriteMotion(0, TiltedGrid(8));
  // Five whole records and seven stray bytes for a twelve-vertex model.
  std::vector<uint8_t> shortFile = motion_test::FloatBytes(TiltedGrid(16, 5));
  shortFile.insert(shortFile.end(), 7, 0x55);
  motion_test::WriteBytes(temp_.File("dir10/1.vdt"), shortFile);
  LoadMotions(10);

  ASSERT_TRUE(motionTable[1]->loaded);
  ASSERT_EQ(motionTable[1]->positions.size(), 5u);
  ASSERT_EQ(motionTable[1]->normals.size(), 5u);
  const std::vector<float> buffer = motion_test::BufferFloats(modelMesh);
  const std::vector<float> motion0 = TiltedGrid(8);
  const std::vector<float> motion1 = TiltedGrid(16, 5);
  for (size_t v = 0; v < size_t(kCols * kRows); ++v) {
    const std::vector<float>& expected = v < 5 ? motion1 : motion0;
    EXPECT_EQ(buffer[8 * v + 2], expected[3 * v + 2]) << v;
  }
}

TEST_F(MotionLoadingTest, NormalsAreNotDerivedForMissingEntriesOrAModelThatNeverLoaded) {
  WriteMotion(0, TiltedGrid(3));
  LoadMotions(10);
  const std::vector<float> before = motion_test::BufferFloats(modelMesh);
  ClearRecordedCalls();

  // 1 and 49: not loaded; 50 and 98: null entries; the rest outside the table.
  for (int k : {-1, 1, 49, 50, 98, 99, 1000}) {
    EXPECT_FALSE(modelMesh->ComputeMotionNormals(k)) << k;
  }
  EXPECT_EQ(motion_test::CountLocks(), 0);
  EXPECT_EQ(motion_test::BufferFloats(modelMesh), before);

  MyXOBJ* broken = new MyXOBJ;  // as a model.x that failed to load leaves it
  EXPECT_FALSE(broken->ComputeMotionNormals(0));
  broken->Destroy();
  EXPECT_EQ(motionTable[0]->normals.size(), size_t(kCols * kRows));
}

}  // namespace
