// The per-frame morph of a 65,535-vertex model (positions and normals of two
// motions into the vertex buffer) next to a plain copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/globals.h"
#include "app/viewer_state.h"
#include "render/d3dx8.h"
#include "render/my_xobj.h"
#include "render/recording_device.h"
#include "scene/motion_object.h"
#include "scene/scene_environment.h"

namespace {

std::vector<D3DVECTOR> RandomTriples(size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<D3DVECTOR> triples(count);
  for (D3DVECTOR& t : triples) t = {value(generator), value(generator), value(generator)};
  return triples;
}

MyMotionOBJ* MakeMotion(size_t count, unsigned seed) {
  MyMotionOBJ* motion = new MyMotionOBJ;
  motion->positions = RandomTriples(count, seed);
  motion->normals = RandomTriples(count, seed + 100);
  motion->loaded = true;
  return motion;
}

// A model with `count` vertices (no faces are needed for the morph).
MyXOBJ* MakeModel(IDirect3DDevice8* device, DWORD count) {
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMeshFVF(1, count, D3DXMESH_MANAGED, kMeshFVF, device, &mesh))) return nullptr;
  MyXOBJ* model = new MyXOBJ;
  model->mesh = mesh;
  mesh->GetVertexBuffer(&model->vertexBuffer);
  mesh->GetIndexBuffer(&model->indexBuffer);
  model->vertexBuffer->GetDesc(&model->vertexBufferDesc);
  model->vertexCount = (model->vertexBufferDesc.Size / kMeshVertexStride) & 0xFFFFu;
  model->loaded = true;
  model->blendNormals = true;
  return model;
}

void MorphStep(benchmark::State& state) {
  const DWORD count = DWORD(state.range(0));
  RecordingDevice* recorder = CreateRecordingDevice();
  device = recorder;
  MyXOBJ* model = MakeModel(device, count);
  motionTable[0] = MakeMotion(count, 1);
  motionTable[1] = MakeMotion(count, 2);
  sceneEnvironment = SceneEnvironment{};
  sceneEnvironment.sequenceLength[2] = 1;
  sceneEnvironment.sequenceSpeed[2] = 0.0f;  // the blend stays where it is set
  sceneEnvironment.sequences[2][0] = 0;
  sceneEnvironment.sequences[2][1] = 1;
  for (auto& row : sceneEnvironment.motionArray) {
    for (int& cell : row) cell = 2;
  }
  frameSeconds = 0.02f;
  model->StartSequence();
  model->blend = 0.3f;

  int64_t steps = 0;
  for (auto _ : state) {
    model->MorphStep();
    benchmark::ClobberMemory();
    if (++steps % 1024 == 0) ClearRecordedCalls();  // the lock log would grow without end
  }
  state.SetBytesProcessed(state.iterations() * int64_t(count) * (4 * 12 + 2 * 12));

  motionTable[0]->Destroy();
  motionTable[1]->Destroy();
  motionTable[0] = motionTable[1] = nullptr;
  model->Destroy();
  recorder->Release();
  device = nullptr;
  ClearRecordedCalls();
}
BENCHMARK(MorphStep)->Arg(65535);

// The same bytes with memcpy: both motions' positions and normals read, the
// vertex buffer's position and normal bytes written.
void MorphBaseline(benchmark::State& state) {
  const size_t count = size_t(state.range(0));
  const std::vector<D3DVECTOR> sources[4] = {RandomTriples(count, 1), RandomTriples(count, 101),
                                             RandomTriples(count, 2), RandomTriples(count, 102)};
  std::vector<BYTE> buffer(count * kMeshVertexStride);
  const size_t half = count * 12;
  for (auto _ : state) {
    std::memcpy(buffer.data(), sources[0].data(), half);
    std::memcpy(buffer.data() + half, sources[1].data(), half);
    std::memcpy(buffer.data(), sources[2].data(), half);
    std::memcpy(buffer.data() + half, sources[3].data(), half);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(count) * (4 * 12 + 2 * 12));
}
BENCHMARK(MorphBaseline)->Arg(65535);

}  // namespace
