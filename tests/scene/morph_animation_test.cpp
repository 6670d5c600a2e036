// The morph and its sequencing on a model mesh of the recording device, with
// motions and tables set directly.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "motion_test_support.h"

namespace {

using motion_test::MotionTest;

constexpr int kCols = 5;
constexpr int kRows = 3;
constexpr size_t kVertices = kCols * kRows;

std::vector<D3DVECTOR> RandomTriples(size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-100.0f, 100.0f);
  std::vector<D3DVECTOR> triples(count);
  for (D3DVECTOR& t : triples) t = {value(generator), value(generator), value(generator)};
  return triples;
}

float Blend(float a, float b, float t) {
  return static_cast<float>(a * (1.0 - double(t)) + b * double(t));
}

// The k-th value of the runtime generator from program start (k from 0).
int Draw(int k) {
  ResetRuntimeRandom();
  int r = 0;
  for (int i = 0; i <= k; ++i) r = RuntimeRandom();
  return r;
}

class MorphTest : public MotionTest {
 public:
  void SetUp() override {
    MotionTest::SetUp();
    modelMesh = motion_test::MakeGridModel(device, kCols, kRows);
    modelMesh->blendNormals = true;
    for (int k = 0; k < 4; ++k) {
      motion_test::PutMotion(k, RandomTriples(kVertices, 10 + k), RandomTriples(kVertices, 20 + k));
    }
    for (int s = 0; s < kSequenceCount; ++s) {
      for (int i = 0; i < kSequenceSteps; ++i) sceneEnvironment.sequences[s][i] = i % 4;
    }
  }

  // Every alternative of every column names sequence s, of length L and speed sp.
  void UseOnly(int s, int length, float sequenceSpeed) {
    for (auto& row : sceneEnvironment.motionArray) {
      for (int& cell : row) cell = s;
    }
    if (s >= 0 && s < kSequenceCount) {
      sceneEnvironment.sequenceLength[s] = length;
      sceneEnvironment.sequenceSpeed[s] = sequenceSpeed;
    }
  }

  // How many values the generator has given since program start (the first
  // 200 values are all different), leaving its state as it was.
  static int DrawsSoFar() {
    const int next = RuntimeRandom();
    for (int k = 0; k < 200; ++k) {
      if (Draw(k) == next) {
        ResetRuntimeRandom();
        for (int i = 0; i < k; ++i) RuntimeRandom();
        return k;
      }
    }
    return -1;
  }
};

struct MorphCase {
  const char* name;
  int sequence;
  int length;
  float sequenceSpeed;
  float speed;
  float frameSeconds;
  int startEffect;
  int steps;
  // Expected afterwards.
  int keyFrame;
  float blend;
  int effect;
  int draws;
};

class MorphCaseTest : public MorphTest, public ::testing::WithParamInterface<MorphCase> {};

TEST_P(MorphCaseTest, StepsBlendAndEffectLevel) {
  const MorphCase& c = GetParam();
  UseOnly(c.sequence, c.length, c.sequenceSpeed);
  viewerState.speed = c.speed;
  viewerState.effectLevel = c.startEffect;
  frameSeconds = c.frameSeconds;

  modelMesh->StartSequence();
  EXPECT_EQ(modelMesh->keyCount, c.length + 1);
  for (int i = 0; i < c.steps; ++i) ASSERT_TRUE(modelMesh->MorphStep());

  EXPECT_EQ(modelMesh->keyFrame, c.keyFrame);
  EXPECT_NEAR(modelMesh->blend, c.blend, 1e-5);
  EXPECT_EQ(viewerState.effectLevel, c.effect);
  EXPECT_EQ(modelMesh->sequence, c.sequence);
  EXPECT_FLOAT_EQ(modelMesh->speedFactor, c.sequenceSpeed * c.speed);
  EXPECT_EQ(DrawsSoFar(), c.draws);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MorphCaseTest,
    ::testing::Values(
        // 0.02 * 15 / 4 = 0.075 per frame: 13 advances reach 0.975, the 14th 1.05.
        MorphCase{"LengthThreeBeforeFourteenthAdvance", 2, 3, 1.0f, 1.0f, 0.02f, 0, 13, 0, 0.975f, 0, 1},
        MorphCase{"LengthThreeCompletesOnFourteenthAdvance", 2, 3, 1.0f, 1.0f, 0.02f, 0, 14, 1, 0.0f, 0, 1},
        MorphCase{"LengthThreeInItsThirdStep", 2, 3, 1.0f, 1.0f, 0.02f, 0, 41, 2, 0.975f, 0, 1},
        MorphCase{"LengthThreeEndsAfterThirdStep", 2, 3, 1.0f, 1.0f, 0.02f, 0, 42, 0, 0.0f, 0, 2},
        // 0.25 * 15 / 15 = 0.25 exactly: the 4th advance reaches 1.0 and does not complete.
        MorphCase{"BlendExactlyOneDoesNotComplete", 2, 14, 1.0f, 1.0f, 0.25f, 0, 4, 0, 1.0f, 0, 1},
        MorphCase{"BlendAboveOneCompletes", 2, 14, 1.0f, 1.0f, 0.25f, 0, 5, 1, 0.0f, 0, 1},
        MorphCase{"LengthZeroInItsOnlyStep", 2, 0, 1.0f, 1.0f, 0.02f, 0, 3, 0, 0.9f, 0, 1},
        MorphCase{"LengthZeroEndsAfterOneStep", 2, 0, 1.0f, 1.0f, 0.02f, 0, 4, 0, 0.0f, 0, 2},
        MorphCase{"SpeedZeroNeverAdvances", 12, 3, 0.0f, 4.5f, 0.02f, 3, 500, 0, 0.0f, 3, 1},
        MorphCase{"NoFrameTimeYetNeverAdvances", 2, 3, 1.0f, 1.0f, 0.0f, 3, 50, 0, 0.0f, 3, 1},
        // 0.02 * 15 / 4 * 4.5 = 0.3375: the 3rd advance completes, the 4th starts anew.
        MorphCase{"SequenceZeroLowersWhateverTheSpeed", 0, 3, 1.0f, 4.5f, 0.02f, 5, 4, 1, 0.3375f, 4, 1},
        MorphCase{"SequenceOneLowersWhateverTheSpeed", 1, 3, 1.0f, 4.5f, 0.02f, 5, 4, 1, 0.3375f, 4, 1},
        MorphCase{"SequenceTwoRaisesAboveTheSpeedLimit", 2, 3, 1.0f, 4.5f, 0.02f, 5, 4, 1, 0.3375f, 6, 1},
        // 0.1 * 15 / 4 * 1.05 = 0.39375: the 3rd advance completes.
        MorphCase{"SpeedOfOnePointZeroFiveLowers", 2, 3, 1.0f, 1.05f, 0.1f, 5, 3, 1, 0.0f, 4, 1},
        MorphCase{"SpeedJustAboveTheLimitRaises", 2, 3, 1.0f, 1.0501f, 0.1f, 5, 3, 1, 0.0f, 6, 1},
        // 0.1 * 15 / 1 * 1.1 = 1.65: every advance completes a step and ends the sequence.
        MorphCase{"TenRaisingStepsReachTen", 2, 0, 1.0f, 1.1f, 0.1f, 0, 10, 0, 0.0f, 10, 11},
        MorphCase{"MoreRaisingStepsStayAtTen", 2, 0, 1.0f, 1.1f, 0.1f, 0, 15, 0, 0.0f, 10, 16},
        MorphCase{"LoweringStopsAtZero", 0, 0, 1.0f, 1.0f, 0.1f, 2, 5, 0, 0.0f, 0, 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MorphTest, BlendsInDoublePrecisionWithTheBlendFromBeforeTheAdvance) {
  MyXOBJ* big = motion_test::MakeGridModel(device, 33, 31);  // 1,023: odd, for the tail
  big->blendNormals = true;
  const size_t n = big->vertexCount;
  const MyMotionOBJ* a = motion_test::PutMotion(5, RandomTriples(n, 1), RandomTriples(n, 2));
  const MyMotionOBJ* b = motion_test::PutMotion(6, RandomTriples(n, 3), RandomTriples(n, 4));
  UseOnly(2, 3, 1.0f);
  sceneEnvironment.sequences[2][1] = 5;
  sceneEnvironment.sequences[2][2] = 6;
  frameSeconds = 0.02f;
  big->StartSequence();
  big->keyFrame = 1;
  big->blend = 0.3f;
  ClearRecordedCalls();

  EXPECT_TRUE(big->MorphStep());

  EXPECT_EQ(motion_test::CountLocks(), 1);
  EXPECT_NEAR(big->blend, 0.375f, 1e-6);
  const std::vector<float> buffer = motion_test::BufferFloats(big);
  int mismatches = 0;
  for (size_t v = 0; v < n; ++v) {
    const float expected[6] = {Blend(a->positions[v].x, b->positions[v].x, 0.3f),
                               Blend(a->positions[v].y, b->positions[v].y, 0.3f),
                               Blend(a->positions[v].z, b->positions[v].z, 0.3f),
                               Blend(a->normals[v].x, b->normals[v].x, 0.3f),
                               Blend(a->normals[v].y, b->normals[v].y, 0.3f),
                               Blend(a->normals[v].z, b->normals[v].z, 0.3f)};
    if (std::memcmp(&buffer[8 * v], expected, sizeof expected) != 0) ++mismatches;
    if (buffer[8 * v + 6] != float(v % 33) || buffer[8 * v + 7] != float(v / 33)) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
  big->Destroy();
}

TEST_F(MorphTest, BlendNormalsOffLeavesTheNormalsInTheBuffer) {
  modelMesh->blendNormals = false;
  UseOnly(2, 3, 1.0f);
  frameSeconds = 0.02f;
  modelMesh->StartSequence();
  modelMesh->blend = 0.5f;
  modelMesh->MorphStep();

  const std::vector<float> buffer = motion_test::BufferFloats(modelMesh);
  const MyMotionOBJ& a = *motionTable[0];
  const MyMotionOBJ& b = *motionTable[1];
  for (size_t v = 0; v < kVertices; ++v) {
    EXPECT_EQ(buffer[8 * v], Blend(a.positions[v].x, b.positions[v].x, 0.5f)) << v;
    EXPECT_EQ(buffer[8 * v + 2], Blend(a.positions[v].z, b.positions[v].z, 0.5f)) << v;
    for (int c = 3; c < 6; ++c) EXPECT_EQ(buffer[8 * v + c], 9.0f) << v;
  }
}

TEST_F(MorphTest, SpeedZeroHoldsThePoseOfEntryZero) {
  UseOnly(15, 3, 0.0f);
  sceneEnvironment.sequences[15][0] = 3;
  frameSeconds = 0.02f;
  modelMesh->StartSequence();
  for (int i = 0; i < 100; ++i) modelMesh->MorphStep();

  const std::vector<float> buffer = motion_test::BufferFloats(modelMesh);
  for (size_t v = 0; v < kVertices; ++v) {
    EXPECT_EQ(std::memcmp(&buffer[8 * v], &motionTable[3]->positions[v], 12), 0) << v;
    EXPECT_EQ(std::memcmp(&buffer[8 * v + 3], &motionTable[3]->normals[v], 12), 0) << v;
  }
}

TEST_F(MorphTest, SequencesComeFromTheDrawnAlternativeInTheHeldColumn) {
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    for (int p = 0; p < kControlPointCount; ++p) {
      sceneEnvironment.motionArray[a][p] = 2 + a + 6 * (p % 3);
      sceneEnvironment.sequenceLength[2 + a + 6 * (p % 3)] = a % 3;
      sceneEnvironment.sequenceSpeed[2 + a + 6 * (p % 3)] = 1.0f;
    }
  }
  frameSeconds = 1.0f;  // every advance completes a step
  modelMesh->keyFrame = 0;
  modelMesh->speedFactor = 7.0f;
  modelMesh->blend = 0.5f;

  modelMesh->StartSequence();
  EXPECT_EQ(modelMesh->sequence, 3);  // first draw 346: alternative 1
  EXPECT_EQ(modelMesh->keyCount, 2);
  EXPECT_EQ(modelMesh->blend, 0.0f);
  EXPECT_EQ(modelMesh->speedFactor, 7.0f);

  viewerState.heldPoint = 1;  // takes effect with the next choice
  modelMesh->MorphStep();     // the only step of sequence 3 ends it
  EXPECT_EQ(modelMesh->sequence, 2 + 0 + 6);  // second draw 130: alternative 0, column 1
  EXPECT_EQ(modelMesh->keyCount, 1);
  viewerState.heldPoint = 2;
  modelMesh->MorphStep();
  EXPECT_EQ(modelMesh->sequence, 2 + 2 + 12);  // third draw 10982: alternative 2, column 2
  EXPECT_EQ(modelMesh->keyCount, 3);
  viewerState.heldPoint = 0;
  modelMesh->MorphStep();  // step 0 of 2: the sequence goes on
  EXPECT_EQ(modelMesh->sequence, 16);
  EXPECT_EQ(modelMesh->keyFrame, 1);
}

TEST_F(MorphTest, AModelThatNeverLoadedIsNotAnimated) {
  UseOnly(2, 3, 1.0f);
  frameSeconds = 0.5f;
  viewerState.effectLevel = 4;
  MyXOBJ* broken = new MyXOBJ;
  broken->StartSequence();
  EXPECT_FALSE(broken->MorphStep());
  EXPECT_EQ(broken->keyCount, 0);
  EXPECT_EQ(broken->blend, 0.0f);
  EXPECT_EQ(broken->keyFrame, 0);
  EXPECT_EQ(viewerState.effectLevel, 4);
  EXPECT_EQ(DrawsSoFar(), 0);
  broken->Destroy();
}

// Tables and motions no well-formed scene has. Each must leave the model in
// the documented pose, read nothing outside the tables or arrays (checked by
// AddressSanitizer) and keep the animation going.
enum class Pose { kUnchanged, kBlended, kShortTail };

struct HostileCase {
  const char* name;
  void (*arrange)(MorphTest&);
  Pose pose;
};

class HostileMorphTest : public MorphTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileMorphTest, StaysInsideItsArraysAndKeepsADefinedPose) {
  const HostileCase& c = GetParam();
  c.arrange(*this);
  frameSeconds = 0.05f;
  viewerState.speed = 2.0f;
  const std::vector<float> before = motion_test::BufferFloats(modelMesh);

  modelMesh->StartSequence();
  ASSERT_GE(modelMesh->keyCount, 1);
  ASSERT_LE(modelMesh->keyCount, kSequenceSteps);
  bool keyFrameMoved = false;
  for (int i = 0; i < 150; ++i) {
    modelMesh->MorphStep();
    keyFrameMoved = keyFrameMoved || modelMesh->keyFrame != 0;
    ASSERT_GE(viewerState.effectLevel, 0);
    ASSERT_LE(viewerState.effectLevel, 10);
  }
  EXPECT_TRUE(keyFrameMoved || DrawsSoFar() > 1) << "the animation must keep advancing";

  const std::vector<float> after = motion_test::BufferFloats(modelMesh);
  switch (c.pose) {
    case Pose::kUnchanged:
      EXPECT_EQ(after, before);
      break;
    case Pose::kBlended:
      EXPECT_NE(after, before);
      break;
    case Pose::kShortTail:
      for (size_t v = 0; v < kVertices; ++v) {
        const bool covered = v < 5;
        EXPECT_EQ(std::memcmp(&after[8 * v], &before[8 * v], 24) == 0, !covered) << v;
      }
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, HostileMorphTest,
    ::testing::Values(
        HostileCase{"SequenceTwentyFive", [](MorphTest& t) { t.UseOnly(25, 3, 1.0f); },
                    Pose::kUnchanged},
        HostileCase{"SequenceMinusFour", [](MorphTest& t) { t.UseOnly(-4, 3, 1.0f); },
                    Pose::kUnchanged},
        HostileCase{"MotionMinusOne",
                    [](MorphTest& t) {
                      t.UseOnly(2, 3, 1.0f);
                      for (int& m : sceneEnvironment.sequences[2]) m = -1;
                    },
                    Pose::kUnchanged},
        HostileCase{"MotionNinetyNine",
                    [](MorphTest& t) {
                      t.UseOnly(2, 3, 1.0f);
                      for (int& m : sceneEnvironment.sequences[2]) m = 99;
                    },
                    Pose::kUnchanged},
        HostileCase{"MotionFiftyBeyondMotionCount",
                    [](MorphTest& t) {
                      t.UseOnly(2, 3, 1.0f);
                      for (int& m : sceneEnvironment.sequences[2]) m = 50;
                    },
                    Pose::kUnchanged},
        HostileCase{"MotionNotLoaded",
                    [](MorphTest& t) {
                      t.UseOnly(2, 3, 1.0f);
                      for (int& m : sceneEnvironment.sequences[2]) m = 10;
                    },
                    Pose::kUnchanged},
        HostileCase{"LengthThirty", [](MorphTest& t) { t.UseOnly(2, 30, 1.0f); },
                    Pose::kBlended},
        HostileCase{"LengthMinusThree", [](MorphTest& t) { t.UseOnly(2, -3, 1.0f); },
                    Pose::kBlended},
        HostileCase{"HeldPointSeven",
                    [](MorphTest& t) {
                      t.UseOnly(2, 3, 1.0f);
                      viewerState.heldPoint = 7;
                    },
                    Pose::kBlended},
        HostileCase{"ShortMotion",
                    [](MorphTest&) {
                      // every entry of every sequence names motion 7, of 5 vertices
                      motion_test::PutMotion(7, RandomTriples(5, 7), RandomTriples(5, 8));
                      motion_test::PutMotion(8, RandomTriples(9, 9), RandomTriples(5, 10));
                      for (auto& row : sceneEnvironment.motionArray) {
                        for (int& cell : row) cell = 2;
                      }
                      sceneEnvironment.sequenceLength[2] = 3;
                      sceneEnvironment.sequenceSpeed[2] = 1.0f;
                      for (int i = 0; i < kSequenceSteps; ++i) {
                        sceneEnvironment.sequences[2][i] = i % 2 ? 7 : 8;
                      }
                    },
                    Pose::kShortTail}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
