// orvalo-tool settings DIR, run as the content authors run it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/number_conversion.h"
#include "scene/scene_environment.h"
#include "scene/scene_settings_reader.h"
#include "support/test_paths.h"

namespace {

struct ToolRun {
  int status;
  std::vector<std::string> out;
  std::string err;
};

ToolRun RunSettings(const std::vector<std::string>& args) {
  TempDir dir;
  std::string command = "'" + test_paths::ToolPath() + "' settings";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
  const int raw = std::system(command.c_str());
  ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, ReadBytes(dir.File("err"))};
  std::istringstream lines(ReadBytes(dir.File("out")));
  for (std::string line; std::getline(lines, line);) run.out.push_back(line);
  return run;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The printed record, checked against what the reader stores, value by value.
void ExpectPrints(const std::vector<std::string>& out, const SceneEnvironment& env) {
  ASSERT_EQ(out.size(), 2u + kControlPointCount + kSequenceCount + kMotionArrayAlternatives);
  auto number = [](const std::string& text) {
    return static_cast<float>(TryStrToFloat(text).value_or(-12345.0));
  };
  std::vector<std::string> w = Words(out[0]);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], "lookAt");
  EXPECT_EQ(number(w[1]), env.lookAt.x);
  EXPECT_EQ(number(w[2]), env.lookAt.y);
  EXPECT_EQ(number(w[3]), env.lookAt.z);
  w = Words(out[1]);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], "start");
  EXPECT_EQ(number(w[1]), env.startPitch);
  EXPECT_EQ(number(w[2]), env.startYaw);
  EXPECT_EQ(number(w[3]), env.startDistance);
  for (int i = 0; i < kControlPointCount; ++i) {
    w = Words(out[2 + i]);
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(w[0] + " " + w[1], "point " + std::to_string(i));
    EXPECT_EQ(number(w[2]), env.controlPoints[i].x);
    EXPECT_EQ(number(w[3]), env.controlPoints[i].y);
    EXPECT_EQ(number(w[4]), env.controlPoints[i].z);
  }
  for (int s = 0; s < kSequenceCount; ++s) {
    w = Words(out[6 + s]);
    ASSERT_EQ(w.size(), 7u + kSequenceSteps) << out[6 + s];
    EXPECT_EQ(w[0] + " " + w[1] + " " + w[2] + " " + w[4] + " " + w[6],
              "sequence " + std::to_string(s) + " length speed motions");
    EXPECT_EQ(w[3], std::to_string(env.sequenceLength[s]));
    EXPECT_EQ(number(w[5]), env.sequenceSpeed[s]);
    for (int j = 0; j < kSequenceSteps; ++j) {
      EXPECT_EQ(w[7 + j], std::to_string(env.sequences[s][j]));
    }
  }
  for (int a = 0; a < kMotionArrayAlternatives; ++a) {
    std::string expected = "array " + std::to_string(a);
    for (int p = 0; p < kControlPointCount; ++p) expected += " " + std::to_string(env.motionArray[a][p]);
    EXPECT_EQ(out[26 + a], expected);
  }
}

std::string Fixture(const std::string& name) {
  return test_paths::FixtureDir() + "/settings/" + name;
}

TEST(SettingsTool, PrintsTheRecordTheReaderStores) {
  SceneEnvironment env{};
  ReadSceneEnvironmentFrom(Fixture("complete"), env);
  const ToolRun run = RunSettings({Fixture("complete") + "/"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  ExpectPrints(run.out, env);
  ASSERT_FALSE(run.out.empty());
  // 9 significant digits with a point: CP2X=0.1 is the float nearest 0.1.
  EXPECT_EQ(run.out[4], "point 2 0.100000001 0.850000024 1.60000002");
  EXPECT_EQ(run.out[6],
            "sequence 0 length 1 speed 0.25 motions 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 0 0 0 0 0");
}

TEST(SettingsTool, FailedReadPrintsTheMessageAndThePartRecordAndExits1) {
  for (const char* folder : {"short_motion", "missing_marray", "bad_speed", "does_not_exist"}) {
    SceneEnvironment env{};
    std::string message;
    try {
      ReadSceneEnvironmentFrom(Fixture(folder), env);
    } catch (const std::exception& error) {
      message = error.what();
    }
    const ToolRun run = RunSettings({Fixture(folder)});
    EXPECT_EQ(run.status, 1) << folder;
    EXPECT_EQ(run.err, message + "\n") << folder;
    ExpectPrints(run.out, env);
  }
}

TEST(SettingsTool, WithoutAFolderPrintsUsage) {
  const ToolRun run = RunSettings({});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("usage: orvalo-tool settings DIR"), std::string::npos);
  EXPECT_TRUE(run.out.empty());
}

}  // namespace
