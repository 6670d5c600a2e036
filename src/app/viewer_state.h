// The viewer's run-time settings and flags, and the screen-quad templates.
#pragma once

#include <cstdint>

struct ViewerState {
  bool running = false;
  bool drawBackground = true;
  bool computeNormals = true;
  bool animate = true;
  bool debugMode = false;
  bool rotating = false;
  bool holdingPoint = false;
  bool demoMode = false;
  float yaw = 0.0f;
  float pitch = 0.5f;
  float distance = 1.0f;
  int32_t heldPoint = 0;
  int32_t hoverPoint = 0;
  int32_t motionCount = 50;
  bool pointHovered = false;
  float speed = 1.0f;
  int32_t sceneGroup = 1;
  int32_t sceneVariant = 0;
  int32_t sceneNumber = 10;
  int32_t effectLevel = 0;
  uint32_t frameIntervalMs = 0;
};

extern ViewerState viewerState;

// A pre-transformed screen vertex: pixels, depth, reciprocal w, texture u v.
struct ScreenVertex {
  float x, y, z, rhw, u, v;
};

// [0]: the start of a sprite's vertex buffer; [1]: the start when it is moved.
extern ScreenVertex quadTemplate[2][4];
