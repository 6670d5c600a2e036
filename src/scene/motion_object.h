// One motion (key pose): vertex positions read from "%d.vdt" in a scene
// folder, and the normals derived from the model mesh.
//
// A .vdt file is headerless: one record per vertex, x y z as little-endian
// IEEE single floats (12 bytes). positions.size() is the motion's vertex
// count; consumers must not index past it (a file may be shorter than the
// model it is used with).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/d3d8.h"

constexpr size_t kVertexRecordSize = 12;
static_assert(sizeof(D3DVECTOR) == kVertexRecordSize, "records are read straight into positions");
// A model addresses at most 65,535 vertices (its vertex count is kept to 16
// bits), so records beyond the first 65,536 are never used and not read.
constexpr size_t kMaxMotionVertices = 65536;

class MyMotionOBJ {
 public:
  MyMotionOBJ() = default;
  MyMotionOBJ(const MyMotionOBJ&) = delete;
  MyMotionOBJ& operator=(const MyMotionOBJ&) = delete;

  // Reads motion k of the given scene from <cwd>/dir<scene>/<k>.vdt; true
  // when the file was read. Bytes after the last whole record are ignored.
  bool Load(int scene, int motion);
  // Frees the arrays of a loaded motion, then the object itself.
  void Destroy();

  bool loaded = false;
  std::vector<uint16_t> indices;  // reserved for index data; never filled
  std::vector<D3DVECTOR> positions;
  std::vector<D3DVECTOR> normals;  // same count as positions, zero until derived

 private:
  ~MyMotionOBJ() = default;
};
