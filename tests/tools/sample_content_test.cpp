// The generated working folder as the viewer uses it: meshes load, the
// motions match the model vertex for vertex, the settings read, and the sys
// resources have the sizes and alpha the viewer's sprites expect.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "render/texture_file.h"
#include "scene/scene_settings_reader.h"
#include "support/test_paths.h"

namespace {

namespace fs = std::filesystem;

const char* const kScenes[] = {"dir10", "dir11", "dir20", "dir30"};

// The build's sample folder when it was generated, else one made for this run.
const std::string& SampleFolder() {
  static std::unique_ptr<TempDir> own;
  static const std::string folder = [] {
    if (fs::exists(test_paths::SampleDir() + "/dir10/model.x")) return test_paths::SampleDir();
    own = std::make_unique<TempDir>();
    const std::string command = "'" + test_paths::ToolPath() + "' make-sample '" + own->path() +
                                "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return own->path();
  }();
  return folder;
}

// Meshes load as the viewer loads them: on a device, from inside the
// working folder (texture names are relative to it).
class SampleScene : public ::testing::Test {
 protected:
  SampleScene() : cwd_(SampleFolder()), previous_(device) {
    recording_ = CreateRecordingDevice();
    device = recording_;
  }
  ~SampleScene() override {
    for (MyXOBJ* mesh : meshes_) mesh->Destroy();
    device = previous_;
    recording_->Release();
    viewer_ui::ClearMemo();
  }

  MyXOBJ* Load(const std::string& path) {
    MyXOBJ* mesh = new MyXOBJ;
    const bool ok = mesh->Load(path.c_str(), kMeshLoadFlags);
    meshes_.push_back(mesh);
    EXPECT_TRUE(ok) << path;
    return ok ? mesh : nullptr;
  }

  static std::vector<float> VertexPositions(MyXOBJ* mesh) {
    BYTE* data = nullptr;
    EXPECT_EQ(mesh->vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
    std::vector<float> out(size_t{mesh->vertexCount} * 3);
    for (size_t v = 0; v < mesh->vertexCount; ++v) {
      std::memcpy(&out[v * 3], data + v * kMeshVertexStride, 12);
    }
    mesh->vertexBuffer->Unlock();
    return out;
  }

 private:
  ScopedCurrentDir cwd_;
  IDirect3DDevice8* previous_;
  RecordingDevice* recording_ = nullptr;
  std::vector<MyXOBJ*> meshes_;
};

TEST_F(SampleScene, ModelHasATexturedFaceMaterial) {
  for (const char* scene : kScenes) {
    SCOPED_TRACE(scene);
    MyXOBJ* model = Load(std::string(scene) + "/model.x");
    ASSERT_NE(model, nullptr);
    EXPECT_GT(model->vertexCount, 2000u);
    int faces = 0;
    for (DWORD i = 0; i < model->materialCount; ++i) {
      if (model->materialKind[i] == kFaceMaterialKind) {
        ++faces;
        EXPECT_NE(model->textures[i], nullptr);
      }
      // Drawn in the first pass, and opaque under the model's alpha blending.
      EXPECT_NE(model->materials[i].Diffuse.r, 0.0f);
      EXPECT_EQ(model->materials[i].Diffuse.a, 1.0f);
    }
    EXPECT_EQ(faces, 1);

    MyXOBJ* background = Load(std::string(scene) + "/bg.x");
    ASSERT_NE(background, nullptr);
    for (DWORD i = 0; i < background->materialCount; ++i) {
      EXPECT_NE(background->textures[i], nullptr) << "background material " << i;
    }
  }
}

// Each .vdt is the loaded pose's positions in the model's vertex order:
// motion 0 is the model's own pose, the others move some vertices and keep
// the rest (feet stay on the floor while waving, for example).
TEST_F(SampleScene, MotionsMatchTheModelVertexForVertex) {
  for (const char* scene : kScenes) {
    SCOPED_TRACE(scene);
    MyXOBJ* model = Load(std::string(scene) + "/model.x");
    ASSERT_NE(model, nullptr);
    const std::vector<float> rest = VertexPositions(model);
    int motions = 0;
    for (int k = 0;; ++k) {
      const std::string pose = std::string(scene) + "/" + std::to_string(k) + ".x";
      if (!fs::exists(pose)) break;
      ++motions;
      MyXOBJ* posed = Load(pose);
      ASSERT_NE(posed, nullptr);
      EXPECT_EQ(posed->vertexCount, model->vertexCount) << pose;
      const std::string vdt = ReadBytes(std::string(scene) + "/" + std::to_string(k) + ".vdt");
      ASSERT_EQ(vdt.size(), size_t{model->vertexCount} * 12) << pose;
      std::vector<float> motion(vdt.size() / 4);
      std::memcpy(motion.data(), vdt.data(), vdt.size());
      EXPECT_EQ(motion, VertexPositions(posed)) << pose;

      float largest = 0.0f;
      size_t still = 0;
      for (size_t v = 0; v < model->vertexCount; ++v) {
        float d = 0.0f;
        for (size_t c = 0; c < 3; ++c) d = std::max(d, std::fabs(motion[v * 3 + c] - rest[v * 3 + c]));
        largest = std::max(largest, d);
        if (d < 1e-4f) ++still;
      }
      EXPECT_LT(largest, 2.0f) << pose << " moves a vertex further than the body is tall";
      if (k == 0) {
        EXPECT_EQ(still, size_t{model->vertexCount}) << pose;
      } else {
        EXPECT_GT(largest, 0.02f) << pose << " does not move";
      }
    }
    EXPECT_GE(motions, 8);
  }
}

TEST_F(SampleScene, SettingsReadAndReferToExistingMotions) {
  std::set<std::vector<float>> cameras;
  for (const char* scene : kScenes) {
    SCOPED_TRACE(scene);
    const std::string folder = SampleFolder() + "/" + scene;
    SceneEnvironment env{};
    ASSERT_NO_THROW(ReadSceneEnvironmentFrom(folder, env));
    cameras.insert({env.lookAt.y, env.startPitch, env.startYaw, env.startDistance});
    EXPECT_GT(env.startDistance, 1.0f);

    for (int s = 0; s <= 10; ++s) {
      const int length = env.sequenceLength[s];
      EXPECT_GE(length, 1) << "sequence " << s;
      EXPECT_LE(length, 14) << "sequence " << s;
      EXPECT_GT(env.sequenceSpeed[s], 0.0f) << "sequence " << s;
      for (int k = 0; k <= std::clamp(length, 0, 14); ++k) {
        const int motion = env.sequences[s][k];
        EXPECT_TRUE(fs::exists(folder + "/" + std::to_string(motion) + ".vdt"))
            << "sequence " << s << " step " << k << " motion " << motion;
      }
    }
    for (int a = 0; a < kMotionArrayAlternatives; ++a) {
      for (int p = 0; p < kControlPointCount; ++p) {
        EXPECT_GE(env.motionArray[a][p], 0);
        EXPECT_LE(env.motionArray[a][p], 10);
      }
    }

    // The control points sit on the body: each lies near a model vertex.
    MyXOBJ* model = Load(std::string(scene) + "/model.x");
    ASSERT_NE(model, nullptr);
    const std::vector<float> positions = VertexPositions(model);
    for (int p = 0; p < kControlPointCount; ++p) {
      const D3DVECTOR cp = env.controlPoints[p];
      float nearest = 1e9f;
      for (size_t v = 0; v < positions.size() / 3; ++v) {
        const float dx = positions[v * 3] - cp.x, dy = positions[v * 3 + 1] - cp.y,
                    dz = positions[v * 3 + 2] - cp.z;
        nearest = std::min(nearest, std::sqrt(dx * dx + dy * dy + dz * dz));
      }
      EXPECT_LT(nearest, 0.1f) << "control point " << p;
    }
    EXPECT_GT(env.controlPoints[0].y, 1.4f) << "point 0 belongs on the face";
    EXPECT_LT(env.controlPoints[0].z, 0.0f) << "point 0 belongs on the face";
  }
  EXPECT_EQ(cameras.size(), std::size(kScenes)) << "every scene starts its own view";
}

TEST(SampleSettingsFiles, LineCountsAndLineEnds) {
  for (const char* scene : kScenes) {
    SCOPED_TRACE(scene);
    const std::string folder = SampleFolder() + "/" + scene;
    struct File {
      const char* name;
      size_t lines;
    } files[] = {{"motion.txt", 216}, {"marray.txt", 24}};
    for (const File& file : files) {
      const std::string text = ReadBytes(folder + "/" + file.name);
      size_t lines = 0;
      for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
          ASSERT_LT(i + 1, text.size());
          EXPECT_EQ(text[i + 1], '\n');
          ++lines;
          ++i;
        } else {
          EXPECT_TRUE(c >= 0x20 && c < 0x7F) << file.name << " byte " << i;
        }
      }
      EXPECT_EQ(lines, file.lines) << file.name;
      EXPECT_TRUE(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") << file.name;
    }
    const std::string env = ReadBytes(folder + "/env.ini");
    EXPECT_EQ(env.rfind("[ENV]\r\n", 0), 0u);
    EXPECT_EQ(env.find(','), std::string::npos) << "decimal commas";
  }
}

TEST(SampleResources, SizesFormatsAndAlpha) {
  struct Resource {
    std::string name;
    uint32_t side;
    bool alpha;  // must have both see-through and opaque texels
  };
  std::vector<Resource> resources = {
      {"mozaik.dds", 200, true}, {"cursor2.dds", 50, true}, {"logo.dds", 256, true},
      {"multi1.dds", 256, true}};
  for (int digit = 1; digit <= 5; ++digit) {
    resources.push_back({std::to_string(digit) + ".dds", 32, false});
    resources.push_back({std::to_string(digit) + "h.dds", 32, false});
  }
  std::set<std::string> formats;
  std::set<std::vector<uint32_t>> buttons;
  for (const Resource& r : resources) {
    SCOPED_TRACE(r.name);
    const DecodeResult decoded = DecodeImageFile(SampleFolder() + "/sys/" + r.name);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.image.width, r.side);
    EXPECT_EQ(decoded.image.height, r.side);
    formats.insert(decoded.image.format);
    if (r.side == 32) buttons.insert(decoded.image.texels);
    if (r.alpha) {
      const auto& t = decoded.image.texels;
      EXPECT_TRUE(std::any_of(t.begin(), t.end(), [](uint32_t c) { return (c >> 24) == 0; }));
      EXPECT_TRUE(std::any_of(t.begin(), t.end(), [](uint32_t c) { return (c >> 24) >= 200; }));
    }
  }
  EXPECT_TRUE(formats.count("A8R8G8B8"));
  EXPECT_GE(formats.size(), 2u) << "a second DDS format is exercised";
  EXPECT_EQ(buttons.size(), 10u) << "ten distinct button images";
}

TEST_F(SampleScene, MarkersLoadAndDiffer) {
  MyXOBJ* ctrl = Load("sys/ctrl.x");
  MyXOBJ* center = Load("sys/centerp.x");
  ASSERT_NE(ctrl, nullptr);
  ASSERT_NE(center, nullptr);
  EXPECT_NE(ctrl->materialCount, center->materialCount);
}

TEST(SampleFolderContents, BothEncodingsAndTheDeveloperFolder) {
  int binary = 0, text = 0;
  for (const char* scene : kScenes) {
    for (const auto& entry : fs::directory_iterator(SampleFolder() + "/" + scene)) {
      if (entry.path().extension() != ".x") continue;
      const std::string head = ReadBytes(entry.path().string()).substr(0, 16);
      if (head == "xof 0303bin 0032") ++binary;
      if (head == "xof 0303txt 0032") ++text;
    }
  }
  EXPECT_GT(binary, 0);
  EXPECT_GT(text, 0);
  EXPECT_FALSE(fs::exists(SampleFolder() + "/develop.txt"));
  EXPECT_TRUE(fs::exists(SampleFolder() + "/developer/develop.txt"));
  const std::string help = ReadBytes(SampleFolder() + "/help.html");
  for (const char* topic : {"F1", "F5", "Keypad", "develop.txt", "motion.txt", "WriteVertexInfo"}) {
    EXPECT_NE(help.find(topic), std::string::npos) << topic;
  }
}

// orvalo-tool mesh-info, as a content author checks a model.
TEST(SampleMeshInfo, ModelListsTheFaceMaterial) {
  for (const char* scene : kScenes) {
    SCOPED_TRACE(scene);
    TempDir out;
    const std::string command = "cd '" + SampleFolder() + "' && '" + test_paths::ToolPath() +
                                "' mesh-info " + scene + "/model.x >'" + out.File("out") +
                                "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string printed = ReadBytes(out.File("out"));
    if (printed.find("unknown subcommand") != std::string::npos) {
      GTEST_SKIP() << "orvalo-tool has no mesh-info yet";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << printed;
    bool found = false;
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("material ", 0) == 0 && line.find("face.bmp kind 99") != std::string::npos) {
        found = true;
      }
    }
    EXPECT_TRUE(found) << printed;
  }
}

}  // namespace
