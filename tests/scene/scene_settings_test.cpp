// The viewer's reader of env.ini, motion.txt and marray.txt, on the fixture
// folders of tests/fixtures/settings (written by generate.py there).
#include <gtest/gtest.h>

#include <clocale>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/viewer_state.h"
#include "platform/number_conversion.h"
#include "platform/platform_error.h"
#include "scene/scene_environment.h"
#include "scene/scene_settings_reader.h"
#include "support/test_paths.h"

namespace {

std::string FixtureFolder(const std::string& name) {
  return test_paths::FixtureDir() + "/settings/" + name;
}

// The values behind the texts of the "complete" fixture.
constexpr double kEnvValues[kEnvKeyCount] = {-4.4, -3.65, -2.9, -2.15, -1.4, -0.65,
                                             0.1,  0.85,  1.6,  2.35,  3.1,  3.85,
                                             4.6,  5.35,  6.1,  6.85,  7.6,  8.35};

SceneEnvironment ExpectedComplete() {
  SceneEnvironment env{};
  for (int i = 0; i < kEnvKeyCount; ++i) EnvField(env, i) = static_cast<float>(kEnvValues[i]);
  for (int s = 0; s < 11; ++s) {
    env.sequenceLength[s] = s + 1;
    env.sequenceSpeed[s] = static_cast<float>(0.25 * (s + 1));
    for (int j = 0; j < 15; ++j) env.sequences[s][j] = (7 * s + j) % 50;
  }
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    for (int p = 0; p < kControlPointCount; ++p) env.motionArray[a][p] = (3 * a + p) % 11;
  }
  env.motionArray[3][2] = 12;
  return env;
}

// A record where every value differs from anything a fixture holds, to see
// which values a read wrote.
SceneEnvironment Sentinel() {
  SceneEnvironment env;
  float* floats = reinterpret_cast<float*>(&env);
  static_assert(sizeof(float) == sizeof(int32_t));
  for (size_t i = 0; i < sizeof env / sizeof(float); ++i) floats[i] = -7.5f;
  for (auto& row : env.sequences) {
    for (int32_t& value : row) value = -7;
  }
  for (int32_t& value : env.sequenceLength) value = -7;
  for (auto& row : env.motionArray) {
    for (int32_t& value : row) value = -7;
  }
  return env;
}

// The byte offsets of the record's values in the order the reader stores them.
std::vector<size_t> StoringOrder() {
  SceneEnvironment env{};
  const char* base = reinterpret_cast<const char*>(&env);
  auto offset = [&](const void* field) {
    return static_cast<size_t>(static_cast<const char*>(field) - base);
  };
  std::vector<size_t> order;
  for (int i = 0; i < kEnvKeyCount; ++i) order.push_back(offset(&EnvField(env, i)));
  for (int k = 1; k < kMotionGridColumns; ++k) {
    order.push_back(offset(&env.sequenceLength[k - 1]));
    order.push_back(offset(&env.sequenceSpeed[k - 1]));
    for (int r = 3; r < kMotionGridRows; ++r) order.push_back(offset(&env.sequences[k - 1][r - 3]));
  }
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    for (int p = 0; p < kControlPointCount; ++p) order.push_back(offset(&env.motionArray[a][p]));
  }
  return order;
}

constexpr int kEnvSlots = kEnvKeyCount;
constexpr int kMotionSlots = 11 * 17;
constexpr int kAllSlots = kEnvSlots + kMotionSlots + kMotionArrayLines;

// What a read leaves: the first `stored` values of `complete`, the rest of `before`.
SceneEnvironment Mixed(const SceneEnvironment& complete, const SceneEnvironment& before,
                       int stored) {
  SceneEnvironment out = before;
  const std::vector<size_t> order = StoringOrder();
  for (int i = 0; i < stored; ++i) {
    std::memcpy(reinterpret_cast<char*>(&out) + order[i],
                reinterpret_cast<const char*>(&complete) + order[i], 4);
  }
  return out;
}

// One line per value, so a mismatch names the field.
std::vector<std::string> Describe(const SceneEnvironment& env) {
  std::vector<std::string> lines;
  auto f = [](float v) { return FloatToStrDigits(v, 9); };
  for (int i = 0; i < kEnvKeyCount; ++i) {
    lines.push_back(std::string(kEnvKeys[i]) + " " + f(EnvField(const_cast<SceneEnvironment&>(env), i)));
  }
  for (int s = 0; s < kSequenceCount; ++s) {
    const std::string name = "sequence " + std::to_string(s);
    lines.push_back(name + " length " + std::to_string(env.sequenceLength[s]));
    lines.push_back(name + " speed " + f(env.sequenceSpeed[s]));
    for (int j = 0; j < kSequenceSteps; ++j) {
      lines.push_back(name + " step " + std::to_string(j) + " " + std::to_string(env.sequences[s][j]));
    }
  }
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    for (int p = 0; p < kControlPointCount; ++p) {
      lines.push_back("array " + std::to_string(a) + " " + std::to_string(p) + " " +
                      std::to_string(env.motionArray[a][p]));
    }
  }
  return lines;
}

// Compares line by line, reporting only the lines that differ.
void ExpectSameRecord(const SceneEnvironment& expected, const SceneEnvironment& actual) {
  const std::vector<std::string> want = Describe(expected);
  const std::vector<std::string> got = Describe(actual);
  ASSERT_EQ(want.size(), got.size());
  int mismatches = 0;
  for (size_t i = 0; i < want.size() && mismatches < 12; ++i) {
    if (want[i] != got[i]) {
      ADD_FAILURE() << "expected " << want[i] << ", got " << got[i];
      ++mismatches;
    }
  }
}

struct FolderCase {
  const char* folder;
  const char* message;  // nullptr: the read succeeds; "@" stands for the folder path
  int stored;           // values stored before the failure (kAllSlots on success)
  void (*adjust)(SceneEnvironment& expected);  // differences from the complete record
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.folder; }

void NoEnv(SceneEnvironment& env) {
  for (int i = 0; i < kEnvKeyCount; ++i) EnvField(env, i) = 0.0f;
}
void PitchAbc(SceneEnvironment& env) {
  env.startPitch = 0.0f;     // "abc"
  env.startYaw = 0.0f;       // empty value
  env.startDistance = 0.0f;  // "8.35x"
}
void EmptyCells(SceneEnvironment& env) {
  for (int s = 0; s < 11; ++s) {
    env.sequenceLength[s] = 0;
    env.sequenceSpeed[s] = 0.0f;
    for (int j = 0; j < 15; ++j) env.sequences[s][j] = 0;
  }
}

const FolderCase kFolderCases[] = {
    {"complete", nullptr, kAllSlots, nullptr},
    {"lf_only", nullptr, kAllSlots, nullptr},
    {"cr_only", nullptr, kAllSlots, nullptr},
    {"no_env", nullptr, kAllSlots, NoEnv},
    {"pitch_abc", nullptr, kAllSlots, PitchAbc},
    {"empty_cells", nullptr, kAllSlots, EmptyCells},
    {"header_bytes", nullptr, kAllSlots, nullptr},
    {"long_files", nullptr, kAllSlots, nullptr},
    // Line 215 is the last motion number of sequence 10.
    {"short_motion", "リストのインデックスが範囲を超えています (215)", kEnvSlots + kMotionSlots - 1,
     nullptr},
    {"short_marray", "リストのインデックスが範囲を超えています (23)", kAllSlots - 1, nullptr},
    {"marray_empty_line", "'' は整数ではありません", kEnvSlots + kMotionSlots + 9, nullptr},
    {"missing_motion", "ファイル @/motion.txt は開けません", kEnvSlots, nullptr},
    {"missing_marray", "ファイル @/marray.txt は開けません", kEnvSlots + kMotionSlots, nullptr},
    // Sequence 4's speed (its length is stored first).
    {"bad_speed", "'fast' は浮動小数点数ではありません", kEnvSlots + 4 * 17 + 1, nullptr},
    // Sequence 2, step 4: trailing blanks are not part of a whole number.
    {"bad_motion_number", "'7 ' は整数ではありません", kEnvSlots + 2 * 17 + 2 + 4, nullptr},
    // Sequence 7's length: a line of blanks is not an empty line.
    {"blank_cell", "'   ' は整数ではありません", kEnvSlots + 7 * 17, nullptr},
};

class SceneSettingsFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SceneSettingsFolder, StoresValuesInOrderAndStopsAtTheFailingCell) {
  const FolderCase& c = GetParam();
  const std::string folder = FixtureFolder(c.folder);
  SceneEnvironment complete = ExpectedComplete();
  if (c.adjust) c.adjust(complete);

  // Once over a record holding other values, once over a zero one.
  for (const SceneEnvironment& before : {Sentinel(), SceneEnvironment{}}) {
    SceneEnvironment env = before;
    std::string message;
    try {
      ReadSceneEnvironmentFrom(folder, env);
    } catch (const PlatformError& error) {
      message = error.what();
    }
    if (c.message) {
      std::string expected = c.message;
      if (const size_t at = expected.find('@'); at != std::string::npos) {
        expected.replace(at, 1, folder);
      }
      EXPECT_EQ(message, expected);
    } else {
      EXPECT_EQ(message, "");
    }
    ExpectSameRecord(Mixed(complete, before, c.stored), env);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SceneSettingsFolder, ::testing::ValuesIn(kFolderCases),
                         [](const auto& info) { return std::string(info.param.folder); });

TEST(SceneSettings, ErrorsAreTheirPlatformKinds) {
  SceneEnvironment env{};
  EXPECT_THROW(ReadSceneEnvironmentFrom(FixtureFolder("short_motion"), env), ListIndexError);
  EXPECT_THROW(ReadSceneEnvironmentFrom(FixtureFolder("missing_marray"), env), FileOpenError);
  EXPECT_THROW(ReadSceneEnvironmentFrom(FixtureFolder("bad_speed"), env), ConversionError);
}

TEST(SceneSettings, UnfilledSequencesStayAsTheyWere) {
  // marray names sequence 12, which no file fills: from a fresh record it is
  // all zero, and steps 15 to 19 of the filled sequences are never written.
  SceneEnvironment env{};
  ReadSceneEnvironmentFrom(FixtureFolder("complete"), env);
  EXPECT_EQ(env.motionArray[3][2], 12);
  EXPECT_EQ(env.sequenceLength[12], 0);
  EXPECT_EQ(env.sequenceSpeed[12], 0.0f);
  for (int j = 0; j < kSequenceSteps; ++j) EXPECT_EQ(env.sequences[12][j], 0);
  for (int s = 0; s < 11; ++s) {
    for (int j = 15; j < kSequenceSteps; ++j) EXPECT_EQ(env.sequences[s][j], 0);
  }
}

TEST(SceneSettings, ValuesAreRoundedTo32BitFloats) {
  SceneEnvironment env{};
  ReadSceneEnvironmentFrom(FixtureFolder("complete"), env);
  EXPECT_EQ(env.controlPoints[2].x, 0.1f);  // CP2X=0.1
  EXPECT_NE(static_cast<double>(env.controlPoints[2].x), 0.1);
}

TEST(SceneSettings, ReadsTheCurrentSceneFolderUnderTheWorkingDirectory) {
  TempDir work;
  std::filesystem::copy(FixtureFolder("complete"), work.File("dir10"));
  const int32_t previous = viewerState.sceneNumber;
  {
    ScopedCurrentDir inside(work.path());
    viewerState.sceneNumber = 10;
    SceneEnvironment env{};
    ReadSceneEnvironment(env);
    ExpectSameRecord(ExpectedComplete(), env);

    // A scene without a folder: env.ini reads as empty, motion.txt fails.
    viewerState.sceneNumber = 11;
    SceneEnvironment missing = Sentinel();
    try {
      ReadSceneEnvironment(missing);
      ADD_FAILURE() << "no error for a missing folder";
    } catch (const FileOpenError& error) {
      const std::string cwd = std::filesystem::current_path().string();
      EXPECT_EQ(std::string(error.what()), "ファイル " + cwd + "/dir11/motion.txt は開けません");
    }
    ExpectSameRecord(Mixed(SceneEnvironment{}, Sentinel(), kEnvSlots), missing);
  }
  viewerState.sceneNumber = previous;
}

// Files written under a decimal-comma locale, or read in a process running
// under one, give the same numbers.
TEST(SceneSettings, ReadsTheSameUnderADecimalCommaLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  SceneEnvironment env{};
  ReadSceneEnvironmentFrom(FixtureFolder("complete"), env);
  std::setlocale(LC_ALL, previous.c_str());
  ExpectSameRecord(ExpectedComplete(), env);
}

}  // namespace
