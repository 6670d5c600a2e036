// Helpers for motion and morph tests: a model mesh built on the recording
// device as the viewer's mesh object holds it, the shared globals the morph
// reads, and motions put straight into motionTable.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/viewer_state.h"
#include "app/viewer_ui.h"
#include "platform/runtime_random.h"
#include "render/d3dx8.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "scene/motion_object.h"
#include "scene/scene_environment.h"

namespace motion_test {

// A cols x rows grid in the z = 0 plane, two triangles per cell, normals
// (9, 9, 9) and u v tagging each vertex; loaded the way MyXOBJ::Load leaves
// an object (mesh, buffers, descriptions, counts, adjacency).
inline MyXOBJ* MakeGridModel(IDirect3DDevice8* device, int cols, int rows) {
  const DWORD vertices = DWORD(cols * rows);
  const DWORD faces = DWORD((cols - 1) * (rows - 1) * 2);
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3D_OK, D3DXCreateMeshFVF(faces, vertices, D3DXMESH_MANAGED, kMeshFVF, device, &mesh));
  if (mesh == nullptr) return nullptr;
  BYTE* data = nullptr;
  EXPECT_EQ(D3D_OK, mesh->LockVertexBuffer(0, &data));
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < cols; ++i) {
      const float v[8] = {float(i), float(j), 0.0f, 9.0f, 9.0f, 9.0f, float(i), float(j)};
      std::memcpy(data + size_t(j * cols + i) * kMeshVertexStride, v, sizeof v);
    }
  }
  mesh->UnlockVertexBuffer();
  EXPECT_EQ(D3D_OK, mesh->LockIndexBuffer(0, &data));
  size_t n = 0;
  auto put = [&](int index) {
    const uint16_t value = uint16_t(index);
    std::memcpy(data + 2 * n++, &value, 2);
  };
  for (int j = 0; j + 1 < rows; ++j) {
    for (int i = 0; i + 1 < cols; ++i) {
      const int a = j * cols + i, b = a + 1, c = a + cols, d = c + 1;
      put(a), put(c), put(b);
      put(b), put(c), put(d);
    }
  }
  mesh->UnlockIndexBuffer();

  MyXOBJ* model = new MyXOBJ;
  model->mesh = mesh;
  model->adjacency.assign(size_t(faces) * 3, 0);
  EXPECT_EQ(D3D_OK, mesh->GenerateAdjacency(0.0f, model->adjacency.data()));
  EXPECT_EQ(D3D_OK, mesh->GetVertexBuffer(&model->vertexBuffer));
  EXPECT_EQ(D3D_OK, mesh->GetIndexBuffer(&model->indexBuffer));
  model->vertexBuffer->GetDesc(&model->vertexBufferDesc);
  model->indexBuffer->GetDesc(&model->indexBufferDesc);
  model->vertexCount = (model->vertexBufferDesc.Size / kMeshVertexStride) & 0xFFFFu;
  model->indexCount = (model->indexBufferDesc.Size / 2) & 0xFFFFu;
  model->materialCount = 0;
  model->loaded = true;
  return model;
}

// The 32-byte vertices of a model's buffer, as floats.
inline std::vector<float> BufferFloats(MyXOBJ* model) {
  std::vector<float> out(size_t(model->vertexCount) * 8);
  std::vector<BYTE>* bytes = RecordedBufferBytes(model->vertexBuffer);
  EXPECT_NE(bytes, nullptr);
  if (bytes != nullptr) std::memcpy(out.data(), bytes->data(), out.size() * sizeof(float));
  return out;
}

inline D3DVECTOR BufferPosition(MyXOBJ* model, size_t v) {
  const std::vector<float> f = BufferFloats(model);
  return {f[8 * v], f[8 * v + 1], f[8 * v + 2]};
}

inline int CountLocks() {
  int locks = 0;
  for (const std::string& line : RecordedCalls()) {
    if (line.find(".Lock(") != std::string::npos) ++locks;
  }
  return locks;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> FloatBytes(const std::vector<float>& values) {
  std::vector<uint8_t> bytes(values.size() * 4);
  for (size_t i = 0; i < values.size(); ++i) {
    uint32_t bits;
    std::memcpy(&bits, &values[i], 4);
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = uint8_t(bits >> (8 * b));
  }
  return bytes;
}

// A loaded motion with the given positions and normals, put into entry k.
inline MyMotionOBJ* PutMotion(int k, const std::vector<D3DVECTOR>& positions,
                              const std::vector<D3DVECTOR>& normals) {
  if (motionTable[k] != nullptr) motionTable[k]->Destroy();
  MyMotionOBJ* motion = new MyMotionOBJ;
  motion->positions = positions;
  motion->normals = normals;
  motion->loaded = true;
  motionTable[k] = motion;
  return motion;
}

// The recording device as the global device, fresh globals, the generator
// at program start and motionTable filled with not loaded objects; all of
// it undone afterwards, with every buffer released.
class MotionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobalsToProgramStart();
    ResetRecording();
    ResetRuntimeRandom();
    viewer_ui::Reset();
    before_ = LiveRecordingObjects();
    recorder_ = CreateRecordingDevice();
    device = recorder_;
    for (int k = 0; k < viewerState.motionCount; ++k) motionTable[k] = new MyMotionOBJ;
  }
  void TearDown() override {
    for (MyMotionOBJ*& motion : motionTable) {
      if (motion != nullptr) motion->Destroy();
      motion = nullptr;
    }
    if (modelMesh != nullptr) modelMesh->Destroy();
    modelMesh = nullptr;
    recorder_->Release();
    device = nullptr;
    EXPECT_EQ(before_, LiveRecordingObjects());
    ResetGlobalsToProgramStart();
    ResetRuntimeRandom();
    viewer_ui::Reset();
  }

  RecordingDevice* recorder_ = nullptr;
  RecordingLiveCounts before_;
};

}  // namespace motion_test
