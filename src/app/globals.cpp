#include "app/globals.h"

#include <algorithm>

#include "platform/runtime_random.h"
#include "scene/scene_environment.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;

IDirect3D8* direct3D = nullptr;
IDirect3DDevice8* device = nullptr;
D3DPRESENT_PARAMETERS presentParams = {};

IDirect3DDevice8* GetDevice() { return device; }
D3DPRESENT_PARAMETERS* GetPresentParams() { return &presentParams; }

D3DVECTOR cameraEye = {};
D3DVECTOR cameraAt = {};

MyXOBJ* backgroundMesh = nullptr;
MyXOBJ* modelMesh = nullptr;
MyXOBJ* pointMarkerMesh = nullptr;
MyXOBJ* centerMarkerMesh = nullptr;

My2DOBJ* mosaicSprite = nullptr;
My2DOBJ* cursorSprite = nullptr;
My2DOBJ* buttonSprites[10] = {};
My2DOBJ* logoSprite = nullptr;

MyMotionOBJ* motionTable[kMotionTableSize] = {};

IDirect3DTexture8* multiTexture = nullptr;
D3DLIGHT8 sceneLight = {};
D3DVECTOR lightVector = {};

float frameSeconds = 0.0f;
uint32_t frameCount = 0;
uint32_t fpsFrameMark = 0;
uint32_t fpsTimeMark = 0;
uint32_t lastFrameTime = 0;

int32_t mouseX = 0;
int32_t mouseY = 0;

void ResetGlobalsToProgramStart() {
  viewerState = ViewerState{};
  Form1 = nullptr;
  Form2 = nullptr;
  direct3D = nullptr;
  device = nullptr;
  presentParams = {};
  cameraEye = {};
  cameraAt = {};
  backgroundMesh = modelMesh = pointMarkerMesh = centerMarkerMesh = nullptr;
  mosaicSprite = cursorSprite = logoSprite = nullptr;
  std::fill(std::begin(buttonSprites), std::end(buttonSprites), nullptr);
  std::fill(std::begin(motionTable), std::end(motionTable), nullptr);
  multiTexture = nullptr;
  sceneLight = {};
  lightVector = {};
  frameSeconds = 0.0f;
  frameCount = fpsFrameMark = fpsTimeMark = lastFrameTime = 0;
  mouseX = mouseY = 0;
  sceneEnvironment = SceneEnvironment{};
  ResetRuntimeRandom();
}
