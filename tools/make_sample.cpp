// orvalo-tool make-sample OUTDIR: writes a complete working folder (sys/
// resources, the sample scenes, help.html and a developer folder). The .vdt
// files come from the viewer's own export path: each pose mesh is loaded as
// a MyXOBJ on the recording device and written with WriteVertexData.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "tools/sample_output.h"
#include "tools/sample_resources.h"
#include "tools/sample_scenes.h"
#include "tools/subcommand.h"

namespace {

// Runs the export from inside the working folder with a recording device in
// `device`, as the viewer's WriteVertexInfo command runs with its own.
class ExportSession {
 public:
  explicit ExportSession(const std::string& workDir) : previousDevice_(device) {
    std::error_code error;
    previousDir_ = std::filesystem::current_path(error);
    std::filesystem::current_path(workDir, error);
    if (error) throw std::runtime_error("cannot enter " + workDir + ": " + error.message());
    recording_ = CreateRecordingDevice();
    device = recording_;
  }
  ~ExportSession() {
    device = previousDevice_;
    if (recording_ != nullptr) recording_->Release();
    std::error_code error;
    if (!previousDir_.empty()) std::filesystem::current_path(previousDir_, error);
    viewer_ui::ClearMemo();
  }
  ExportSession(const ExportSession&) = delete;
  ExportSession& operator=(const ExportSession&) = delete;

 private:
  IDirect3DDevice8* previousDevice_;
  RecordingDevice* recording_ = nullptr;
  std::filesystem::path previousDir_;
};

// Loads a mesh (path relative to the working folder); its vertex count, or
// an error. With `writeVertexData`, also writes the .vdt beside it.
DWORD LoadPose(const std::string& path, bool writeVertexData) {
  MyXOBJ* mesh = new MyXOBJ;
  if (!mesh->Load(path.c_str(), kMeshLoadFlags)) {
    mesh->Destroy();
    throw std::runtime_error("the generated mesh " + path + " does not load");
  }
  const DWORD vertices = mesh->vertexCount;
  const bool written = !writeVertexData || mesh->WriteVertexData();
  mesh->Destroy();
  if (!written) throw std::runtime_error("cannot write the vertex data of " + path);
  return vertices;
}

int RunMakeSample(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    std::fprintf(stderr, "usage: orvalo-tool make-sample OUTDIR\n");
    return 2;
  }
  const std::string outDir = args[0];
  try {
    sample::MakeDirectory(outDir);
    sample::WriteSysResources(outDir);
    std::vector<std::pair<std::string, std::vector<std::string>>> exports;
    for (const sample::SceneSpec& scene : sample::SampleScenes()) {
      exports.emplace_back(sample::SceneFolder(scene.number), sample::WriteScene(outDir, scene));
    }
    sample::WriteHelp(outDir);

    ExportSession session(outDir);
    for (const auto& [folder, poses] : exports) {
      // A pose with another vertex count than the model would make the
      // morph read past its motions; refuse to ship such a scene.
      const DWORD modelVertices = LoadPose(folder + "/model.x", false);
      for (const std::string& pose : poses) {
        const DWORD vertices = LoadPose(pose, true);
        if (vertices != modelVertices) {
          throw std::runtime_error(pose + " has " + std::to_string(vertices) +
                                   " vertices, model.x " + std::to_string(modelVertices));
        }
      }
      std::printf("%s: %u vertices, %zu motions\n", folder.c_str(), unsigned(modelVertices),
                  poses.size());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make-sample: %s\n", error.what());
    return 1;
  }
  return 0;
}

}  // namespace

ORVALO_TOOL_SUBCOMMAND(make_sample, "make-sample", "make-sample OUTDIR",
                       "write the sample working folder (sys/, scenes, help.html)",
                       RunMakeSample)
