// The sample scene folders (dir10, dir11, dir20, dir30): model, background,
// pose meshes, textures and the three settings files. The .vdt files are
// made afterwards from the pose files by the viewer's own export path
// (make_sample.cpp).
#pragma once

#include <string>
#include <vector>

#include "tools/sample_background.h"
#include "tools/sample_character.h"
#include "tools/sample_poses.h"

namespace sample {

struct SceneSpec {
  int number = 10;
  CharacterStyle character;  // faceTexture is filled in from the folder name
  PoseStyle poses = PoseStyle::kLively;
  BackgroundTheme theme = BackgroundTheme::kStudio;
  Vec3 lookAt;
  float pitch = 0, yaw = 0, distance = 3.5f;
  float speedScale = 1.0f;  // multiplies every sequence's speed
  bool binaryModel = false;
  bool binaryPoses = false;
};

std::vector<SceneSpec> SampleScenes();
std::string SceneFolder(int number);  // "dir10"

struct MotionSequence {
  std::string name;       // header text, ASCII
  std::vector<int> keys;  // motion numbers; length = keys.size() - 1
  float speed;
};
// The eleven sequences every scene plays (motion numbers index MakePoses).
std::vector<MotionSequence> SampleSequences();

// File texts, CR LF line ends; numbers with a point.
std::string MotionTableText(const std::vector<MotionSequence>& sequences, float speedScale);
std::string MotionArrayText();
std::string EnvironmentText(const SceneSpec& scene, const Character& character, const Pose& rest);

// Compact decimal text of a value rounded to four decimals: "0.95", "-1.2", "3".
std::string FormatNumber(float value);

// Writes outDir/dirN with everything but the .vdt files; returns the pose
// files written, relative to outDir ("dir10/0.x", ...), in motion order.
std::vector<std::string> WriteScene(const std::string& outDir, const SceneSpec& scene);

// help.html and developer/develop.txt (sample_help.cpp).
void WriteHelp(const std::string& outDir);

}  // namespace sample
