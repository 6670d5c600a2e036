#include "tools/sample_scenes.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "tools/bmp_writer.h"
#include "tools/sample_output.h"
#include "tools/xfile_writer.h"

namespace sample {

namespace {

constexpr int kMotionColumns = 12;
constexpr int kMotionRows = 18;
constexpr int kKeysPerSequence = 15;

void WriteMesh(const std::string& path, const XMeshData& mesh, bool binary,
               const std::string& name) {
  if (binary) {
    WriteFile(path, WriteXBinary(mesh, name));
  } else {
    WriteFile(path, WriteXText(mesh, name));
  }
}

}  // namespace

std::string SceneFolder(int number) { return "dir" + std::to_string(number); }

std::vector<SceneSpec> SampleScenes() {
  std::vector<SceneSpec> scenes(4);

  SceneSpec& studio = scenes[0];
  studio.number = 10;
  studio.poses = PoseStyle::kLively;
  studio.theme = BackgroundTheme::kStudio;
  studio.lookAt = {0.0f, 0.95f, 0.0f};
  studio.pitch = 0.12f;
  studio.yaw = 0.0f;
  studio.distance = 4.4f;

  SceneSpec& garden = scenes[1];
  garden.number = 11;
  garden.character.hair = {0.90f, 0.74f, 0.36f};
  garden.character.shirt = {0.35f, 0.70f, 0.35f};
  garden.character.pants = {0.55f, 0.45f, 0.30f};
  garden.character.shoes = {0.30f, 0.20f, 0.12f};
  garden.poses = PoseStyle::kCalm;
  garden.theme = BackgroundTheme::kGarden;
  garden.lookAt = {0.0f, 1.0f, 0.0f};
  garden.pitch = 0.22f;
  garden.yaw = 0.5f;
  garden.distance = 4.2f;
  garden.speedScale = 0.8f;

  SceneSpec& stage = scenes[2];
  stage.number = 20;
  stage.character.skin = {1.0f, 0.86f, 0.76f};
  stage.character.hair = {0.12f, 0.10f, 0.14f};
  stage.character.shirt = {0.88f, 0.22f, 0.32f};
  stage.character.pants = {0.22f, 0.22f, 0.38f};
  stage.character.shoes = {0.15f, 0.15f, 0.18f};
  stage.character.headScale = 1.55f;
  stage.character.bodyWidth = 0.92f;
  stage.poses = PoseStyle::kLively;
  stage.theme = BackgroundTheme::kStage;
  stage.lookAt = {0.0f, 1.05f, 0.0f};
  stage.pitch = 0.05f;
  stage.yaw = -0.45f;
  stage.distance = 4.3f;
  stage.speedScale = 1.1f;
  stage.binaryModel = true;

  SceneSpec& night = scenes[3];
  night.number = 30;
  night.character.skin = {0.80f, 0.60f, 0.45f};
  night.character.hair = {0.82f, 0.84f, 0.92f};
  night.character.shirt = {0.50f, 0.30f, 0.75f};
  night.character.pants = {0.12f, 0.12f, 0.18f};
  night.character.shoes = {0.90f, 0.75f, 0.20f};
  night.character.bodyWidth = 1.08f;
  night.poses = PoseStyle::kDancer;
  night.theme = BackgroundTheme::kNight;
  night.lookAt = {0.0f, 0.9f, 0.0f};
  night.pitch = 0.3f;
  night.yaw = 0.9f;
  night.distance = 4.8f;
  night.speedScale = 1.3f;
  night.binaryPoses = true;

  for (SceneSpec& scene : scenes) {
    scene.character.faceTexture = SceneFolder(scene.number) + "\\face.bmp";
  }
  return scenes;
}

std::vector<MotionSequence> SampleSequences() {
  return {
      {"idle", {0, 1, 0, 1, 0}, 0.35f},
      {"breathe", {0, 1, 0}, 0.3f},
      {"nod", {0, 2, 0, 2, 0}, 0.8f},
      {"wave", {0, 3, 4, 3, 4, 3, 0}, 1.0f},
      {"lean", {0, 5, 0, 6, 0}, 0.5f},
      {"jump", {0, 7, 8, 7, 0}, 1.0f},
      {"look around", {0, 9, 0, 10, 0}, 0.5f},
      {"cheer", {0, 11, 0, 11, 0}, 0.8f},
      {"bow", {0, 12, 12, 0}, 0.5f},
      {"dance", {0, 5, 13, 6, 13, 11, 7, 8, 7, 14, 0, 14, 3, 4, 0}, 1.5f},
      {"clap", {0, 14, 13, 14, 13, 14, 0}, 1.1f},
  };
}

std::string FormatNumber(float value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::fixed, 4);
  std::string text(buffer, result.ptr);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::string MotionTableText(const std::vector<MotionSequence>& sequences, float speedScale) {
  if (sequences.size() != kMotionColumns - 1) throw std::logic_error("motion.txt needs 11 sequences");
  std::vector<std::vector<std::string>> grid(kMotionColumns, std::vector<std::string>(kMotionRows));
  grid[0][0] = "motion";
  grid[0][1] = "length";
  grid[0][2] = "speed";
  for (int r = 3; r < kMotionRows; ++r) grid[0][size_t(r)] = "key " + std::to_string(r - 3);
  for (size_t k = 1; k < kMotionColumns; ++k) {
    const MotionSequence& s = sequences[k - 1];
    if (s.keys.size() < 2 || s.keys.size() > kKeysPerSequence) {
      throw std::logic_error("sequence " + s.name + " has a bad length");
    }
    grid[k][0] = s.name;
    grid[k][1] = std::to_string(s.keys.size() - 1);
    grid[k][2] = FormatNumber(s.speed * speedScale);
    for (int r = 3; r < kMotionRows; ++r) {
      const size_t key = size_t(r - 3);
      grid[k][size_t(r)] = std::to_string(key < s.keys.size() ? s.keys[key] : 0);
    }
  }
  std::string out;
  for (const auto& column : grid) {
    for (const std::string& cell : column) out += cell + "\r\n";
  }
  return out;
}

std::string MotionArrayText() {
  // [alternative][control point]: point 0 is "nothing held" (calm motions),
  // 1 the head, 2 and 3 the hands.
  static constexpr int kArray[6][4] = {
      {0, 2, 3, 5}, {1, 6, 7, 9}, {4, 8, 3, 10}, {6, 2, 10, 5}, {0, 6, 7, 9}, {1, 8, 3, 7},
  };
  std::string out;
  for (const auto& row : kArray) {
    for (int value : row) out += std::to_string(value) + "\r\n";
  }
  return out;
}

std::string EnvironmentText(const SceneSpec& scene, const Character& character, const Pose& rest) {
  const Vec3 points[4] = {
      PosedPoint(character, rest, kHead, character.faceFront),
      PosedPoint(character, rest, kHead, character.headTop),
      PosedPoint(character, rest, kForearmR, character.handR),
      PosedPoint(character, rest, kForearmL, character.handL),
  };
  std::string out = "[ENV]\r\n";
  for (int i = 0; i < 4; ++i) {
    const std::string cp = "CP" + std::to_string(i);
    out += cp + "X=" + FormatNumber(points[i].x) + "\r\n";
    out += cp + "Y=" + FormatNumber(points[i].y) + "\r\n";
    out += cp + "Z=" + FormatNumber(points[i].z) + "\r\n";
  }
  out += "LX=" + FormatNumber(scene.lookAt.x) + "\r\n";
  out += "LY=" + FormatNumber(scene.lookAt.y) + "\r\n";
  out += "LZ=" + FormatNumber(scene.lookAt.z) + "\r\n";
  out += "Pitch=" + FormatNumber(scene.pitch) + "\r\n";
  out += "Yaw=" + FormatNumber(scene.yaw) + "\r\n";
  out += "Dist=" + FormatNumber(scene.distance) + "\r\n";
  return out;
}

std::vector<std::string> WriteScene(const std::string& outDir, const SceneSpec& scene) {
  const std::string folderName = SceneFolder(scene.number);
  const std::string folder = outDir + "/" + folderName;
  MakeDirectory(folder);

  WriteFile(folder + "/face.bmp", EncodeBmp24(DrawFaceTexture(scene.character)));
  WriteFile(folder + "/floor.bmp", EncodeBmp24(DrawFloorTexture(scene.theme)));
  WriteFile(folder + "/wall.bmp", EncodeBmp24(DrawWallTexture(scene.theme)));
  WriteFile(folder + "/bg.x", WriteXText(BuildBackground(folderName + "\\floor.bmp",
                                                         folderName + "\\wall.bmp"),
                                         "background"));

  const Character character = BuildCharacter(scene.character);
  const std::vector<Pose> poses = MakePoses(scene.poses);
  WriteMesh(folder + "/model.x", PosedMesh(character, poses[0]), scene.binaryModel, "model");
  std::vector<std::string> posePaths;
  for (size_t k = 0; k < poses.size(); ++k) {
    const std::string name = folderName + "/" + std::to_string(k) + ".x";
    WriteMesh(outDir + "/" + name, PosedMesh(character, poses[k]), scene.binaryPoses,
              poses[k].name);
    posePaths.push_back(name);
  }

  WriteFile(folder + "/env.ini", EnvironmentText(scene, character, poses[0]));
  WriteFile(folder + "/motion.txt", MotionTableText(SampleSequences(), scene.speedScale));
  WriteFile(folder + "/marray.txt", MotionArrayText());
  return posePaths;
}

}  // namespace sample
