#include "scene/scene_loader.h"

#include <algorithm>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "interaction/camera.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/my_xobj.h"
#include "scene/motion_object.h"
#include "scene/scene_environment.h"

namespace {

MyXOBJ* ReplaceMesh(MyXOBJ* old, const std::string& path) {
  if (old) old->Destroy();
  auto* fresh = new MyXOBJ;
  fresh->Load(path.c_str(), kMeshLoadFlags);
  return fresh;
}

}  // namespace

std::string ScenePath(int32_t sceneNumber, const std::string& file) {
  return GetCurrentDir() + "/dir" + std::to_string(sceneNumber) + "/" + file;
}

void LoadScene(int32_t sceneNumber) {
  if (!FileExists(ScenePath(sceneNumber, "model.x"))) {
    viewer_ui::SetStatusText(3, "Scene:NULL");
    return;
  }
  ReadSceneEnvironment(sceneEnvironment);

  viewerState.pitch = sceneEnvironment.startPitch;
  viewerState.yaw = sceneEnvironment.startYaw;
  viewerState.distance = sceneEnvironment.startDistance;
  cameraAt = sceneEnvironment.lookAt;

  viewerState.running = false;
  backgroundMesh = ReplaceMesh(backgroundMesh, ScenePath(sceneNumber, "bg.x"));
  modelMesh = ReplaceMesh(modelMesh, ScenePath(sceneNumber, "model.x"));
  modelMesh->blendNormals = true;
  modelMesh->StartSequence();

  viewer_ui::ClearMemo();
  const int motions = std::clamp(viewerState.motionCount, 0, kMotionTableSize);
  for (int i = 0; i < motions; ++i) {
    if (motionTable[i]) motionTable[i]->Destroy();
    motionTable[i] = new MyMotionOBJ;
    if (motionTable[i]->Load(sceneNumber, i)) modelMesh->ComputeMotionNormals(i);
  }

  fpsTimeMark = timeGetTime();
  viewerState.running = true;
  UpdateCamera();
  viewer_ui::SetStatusText(3, "Scene:" + std::to_string(sceneNumber));
  if (!viewerState.computeNormals) modelMesh->blendNormals = false;
}
