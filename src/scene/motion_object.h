// One motion (key pose): vertex positions read from "%d.vdt" in a scene
// folder, and the normals derived from the model mesh.
#pragma once

#include <cstdint>
#include <vector>

#include "render/d3d8.h"

class MyMotionOBJ {
 public:
  MyMotionOBJ() = default;
  MyMotionOBJ(const MyMotionOBJ&) = delete;
  MyMotionOBJ& operator=(const MyMotionOBJ&) = delete;

  // Reads motion k of the given scene; true when its .vdt file was read.
  bool Load(int scene, int motion);
  // Frees the arrays of a loaded motion, then the object itself.
  void Destroy();

  bool loaded = false;
  std::vector<uint16_t> indices;  // reserved for index data; never filled
  std::vector<D3DVECTOR> positions;
  std::vector<D3DVECTOR> normals;

 private:
  ~MyMotionOBJ() = default;
};
