// The shared global objects every subsystem reaches directly (GUI thread only).
#pragma once

#include <cstdint>

#include "app/viewer_state.h"
#include "render/d3d8.h"

class MyXOBJ;
class My2DOBJ;
class MyMotionOBJ;
class TForm1;
class TForm2;

extern TForm1* Form1;
extern TForm2* Form2;

extern IDirect3D8* direct3D;
extern IDirect3DDevice8* device;
extern D3DPRESENT_PARAMETERS presentParams;

// The one way to reach the device and the present parameters.
IDirect3DDevice8* GetDevice();
D3DPRESENT_PARAMETERS* GetPresentParams();

extern D3DVECTOR cameraEye;
extern D3DVECTOR cameraAt;

extern MyXOBJ* backgroundMesh;
extern MyXOBJ* modelMesh;
extern MyXOBJ* pointMarkerMesh;
extern MyXOBJ* centerMarkerMesh;

extern My2DOBJ* mosaicSprite;
extern My2DOBJ* cursorSprite;
// 0..4: buttons 1..5 normal; 5..9: the same buttons highlighted.
extern My2DOBJ* buttonSprites[10];
extern My2DOBJ* logoSprite;

constexpr int kMotionTableSize = 99;
// Entries 0 .. motionCount - 1 always hold an object; the rest stay null.
extern MyMotionOBJ* motionTable[kMotionTableSize];

extern IDirect3DTexture8* multiTexture;
extern D3DLIGHT8 sceneLight;
extern D3DVECTOR lightVector;

extern float frameSeconds;
extern uint32_t frameCount;
extern uint32_t fpsFrameMark;
extern uint32_t fpsTimeMark;
extern uint32_t lastFrameTime;

extern int32_t mouseX;
extern int32_t mouseY;

// Puts every global of this file, the viewer state, the scene environment and
// the random generator back to their program-start values. Objects are not
// released: the caller owns what the pointers named.
void ResetGlobalsToProgramStart();
