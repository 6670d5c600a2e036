// The OpenGL device's frame at the viewer's 640 x 480: clear and Present (the
// copy of the back buffer into the panel's image) alone, and with a lit
// 20,000-triangle mesh. Needs an X server (run under xvfb-run).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "render/d3d8.h"
#include "render/gl_direct3d.h"

namespace {

struct Scene {
  std::unique_ptr<QGuiApplication> app;
  IDirect3D8* d3d = nullptr;
  IDirect3DDevice8* device = nullptr;
  IDirect3DVertexBuffer8* vb = nullptr;
  IDirect3DIndexBuffer8* ib = nullptr;
  UINT triangles = 0;
};

Scene* MakeScene() {
  // Kept to the end of the process: tearing GL down during exit races the
  // display connection's own shutdown.
  static Scene& scene = *new Scene;
  std::unique_ptr<QGuiApplication>& app = scene.app;
  if (scene.device) return &scene;
  if (!std::getenv("DISPLAY")) return nullptr;
  static int argc = 1;
  static char name[] = "orvalo-bench";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
  scene.d3d = CreateOpenGLDirect3D();
  if (!scene.d3d) return nullptr;
  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = 640;
  params.BackBufferHeight = 480;
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.Windowed = TRUE;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  if (FAILED(scene.d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                                     &scene.device)))
    return nullptr;
  // A 101 x 101 grid of vertices facing the viewer: 20,000 triangles.
  constexpr int kSide = 101;
  std::vector<float> vertices;
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      vertices.insert(vertices.end(), {x / 50.0f - 1.0f, 1.0f - y / 50.0f, 0.5f, 0, 0, -1,
                                       x / 100.0f, y / 100.0f});
  std::vector<uint16_t> indices;
  for (int y = 0; y + 1 < kSide; ++y)
    for (int x = 0; x + 1 < kSide; ++x) {
      const uint16_t a = uint16_t(y * kSide + x), b = uint16_t(a + 1), c = uint16_t(a + kSide),
                     d = uint16_t(c + 1);
      indices.insert(indices.end(), {a, b, c, c, b, d});
    }
  scene.triangles = UINT(indices.size() / 3);
  IDirect3DDevice8* dev = scene.device;
  dev->CreateVertexBuffer(UINT(vertices.size() * 4), 0, 0x112, D3DPOOL_MANAGED, &scene.vb);
  dev->CreateIndexBuffer(UINT(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &scene.ib);
  BYTE* data = nullptr;
  scene.vb->Lock(0, 0, &data, 0);
  std::memcpy(data, vertices.data(), vertices.size() * 4);
  scene.vb->Unlock();
  scene.ib->Lock(0, 0, &data, 0);
  std::memcpy(data, indices.data(), indices.size() * 2);
  scene.ib->Unlock();
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.8f, 0.8f, 0};
  light.Direction = {-0.57735f, -0.57735f, 0.57735f};
  dev->SetLight(0, &light);
  dev->LightEnable(0, TRUE);
  const D3DMATERIAL8 material{{0.7f, 0.6f, 0.5f, 1}, {0.3f, 0.3f, 0.3f, 1}};
  dev->SetMaterial(&material);
  return &scene;
}

void BM_GlFrame(benchmark::State& state) {
  Scene* s = MakeScene();
  if (!s) {
    state.SkipWithError("needs an X server with OpenGL 3.3");
    return;
  }
  const bool draw = state.range(0) != 0;
  IDirect3DDevice8* dev = s->device;
  for (auto _ : state) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF505064, 1.0f, 0);
    dev->BeginScene();
    if (draw) {
      dev->SetStreamSource(0, s->vb, 32);
      dev->SetIndices(s->ib, 0);
      dev->SetVertexShader(0x112);
      dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 101 * 101, 0, s->triangles);
    }
    dev->EndScene();
    // Present reads the back buffer back, so every iteration waits for the GPU.
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
}
// draw 0: clear and present only, the baseline; draw 1: with the mesh.
BENCHMARK(BM_GlFrame)->Arg(0)->Arg(1)->ArgName("draw")->Unit(benchmark::kMillisecond);

}  // namespace
