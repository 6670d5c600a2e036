// A scene's settings: camera start values, control points, motion sequence
// tables and motion array, read from env.ini, motion.txt and marray.txt.
#pragma once

#include <cstdint>
#include <string>

#include "render/d3d8.h"

constexpr int kSequenceCount = 20;
constexpr int kSequenceSteps = 20;
constexpr int kMotionArrayAlternatives = 6;
constexpr int kControlPointCount = 4;

struct SceneEnvironment {
  D3DVECTOR lookAt;
  float startPitch;
  float startYaw;
  float startDistance;
  D3DVECTOR controlPoints[kControlPointCount];
  int32_t sequences[kSequenceCount][kSequenceSteps];  // [sequence][step]
  int32_t sequenceLength[kSequenceCount];
  float sequenceSpeed[kSequenceCount];
  int32_t motionArray[kMotionArrayAlternatives][kControlPointCount];  // [alternative][point]
};

extern SceneEnvironment sceneEnvironment;

// "dir%d" with the current sceneNumber.
std::string SceneFolderName();

// Reads the current scene folder's three settings files into env, in the
// documented order; platform errors (PlatformError) leave it part-filled.
void ReadSceneEnvironment(SceneEnvironment& env);
