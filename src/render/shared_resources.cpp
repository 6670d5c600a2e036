#include "render/shared_resources.h"

#include <algorithm>
#include <string>

#include "app/globals.h"
#include "render/d3dx8.h"
#include "render/device_setup.h"
#include "render/my_2dobj.h"
#include "render/my_xobj.h"
#include "scene/motion_object.h"
#include "scene/scene_loader.h"

namespace {

void LoadSprite(My2DOBJ* sprite, const char* path, float x, float y, float h, float w) {
  if (sprite) sprite->Load(path, x, y, h, w);
}

void LoadMesh(MyXOBJ* mesh, const char* path) {
  if (mesh) mesh->Load(path, kMeshLoadFlags);
}

template <class Object>
void DestroyObject(Object*& object) {
  if (object) object->Destroy();
  object = nullptr;
}

}  // namespace

bool InitResources() {
  LoadMesh(pointMarkerMesh, "sys/ctrl.x");
  LoadMesh(centerMarkerMesh, "sys/centerp.x");
  LoadSprite(mosaicSprite, "sys/mozaik.dds", 100, 100, 200, 200);
  LoadSprite(cursorSprite, "sys/cursor2.dds", 100, 100, 50, 50);
  LoadSprite(logoSprite, "sys/logo.dds", 100, 100, 256, 256);
  for (int i = 0; i < 5; ++i) {
    const std::string normal = "sys/" + std::to_string(i + 1) + ".dds";
    LoadSprite(buttonSprites[i], normal.c_str(), 32, 32, 32, 32);
  }
  for (int i = 0; i < 5; ++i) {
    const std::string highlighted = "sys/" + std::to_string(i + 1) + "h.dds";
    LoadSprite(buttonSprites[5 + i], highlighted.c_str(), 32, 32, 32, 32);
  }

  sceneLight = {};
  sceneLight.Type = D3DLIGHT_DIRECTIONAL;
  sceneLight.Diffuse = {0.8f, 0.8f, 0.8f, 0.0f};
  sceneLight.Specular = {1.0f, 1.0f, 1.0f, 0.0f};
  sceneLight.Ambient = {0.8f, 0.6f, 0.6f, 0.0f};
  lightVector = {-1.0f, -1.0f, 1.0f};
  D3DXVec3Normalize(&sceneLight.Direction, &lightVector);
  IDirect3DDevice8* dev = GetDevice();
  dev->SetLight(0, &sceneLight);
  dev->LightEnable(0, TRUE);

  if (!SetProjection()) return false;
  cameraEye = {0.0f, 0.0f, 0.1f};
  cameraAt = {0.0f, 0.0f, 0.0f};
  LoadScene(viewerState.sceneNumber);
  D3DXCreateTextureFromFileA(dev, "sys/multi1.dds", &multiTexture);
  return true;
}

void FreeResources() {
  DestroyObject(backgroundMesh);
  DestroyObject(modelMesh);
  DestroyObject(logoSprite);
  for (My2DOBJ*& button : buttonSprites) DestroyObject(button);
  DestroyObject(pointMarkerMesh);
  DestroyObject(centerMarkerMesh);
  DestroyObject(mosaicSprite);
  DestroyObject(cursorSprite);
  const int motions = std::clamp(viewerState.motionCount, 0, kMotionTableSize);
  for (int i = 0; i < motions; ++i) DestroyObject(motionTable[i]);
  if (multiTexture) multiTexture->Release();
  multiTexture = nullptr;
}
