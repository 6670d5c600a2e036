// orvalo-tool render-scene DIR OUT.png [--mesh FILE.x] [--yaw A] [--pitch A]
// [--dist D] [--effect N]: draws a scene folder's bg.x and model.x (or
// another mesh, e.g. a pose file) offscreen through the OpenGL backend with
// the viewer's light, projection, camera start values and render states,
// and writes the 640 x 480 picture as a PNG.
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/globals.h"
#include "app/viewer_state.h"
#include "app/viewer_ui.h"
#include "platform/platform_error.h"
#include "render/d3dx8.h"
#include "render/gl_device.h"
#include "render/my_xobj.h"
#include "scene/scene_settings_reader.h"
#include "tools/subcommand.h"

namespace {

constexpr UINT kWidth = 640;
constexpr UINT kHeight = 480;
constexpr D3DCOLOR kClearColor = 0xFF505064;

struct Options {
  std::string folder;
  std::string output;
  std::string mesh;  // empty: the folder's model.x
  std::optional<float> yaw, pitch, distance;
  int effect = 0;
};

bool ParseFloat(const std::string& text, float& out) {
  try {
    size_t used = 0;
    out = std::stof(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    float f = 0;
    if (a == "--mesh") {
      if (!value(options.mesh)) return false;
    } else if (a == "--yaw" || a == "--pitch" || a == "--dist") {
      if (!value(v) || !ParseFloat(v, f)) return false;
      (a == "--yaw" ? options.yaw : a == "--pitch" ? options.pitch : options.distance) = f;
    } else if (a == "--effect") {
      if (!value(v) || !ParseFloat(v, f) || f < 0 || f > 10) return false;
      options.effect = int(f);
    } else if (!a.empty() && a[0] == '-') {
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return false;
  options.folder = positional[0];
  options.output = positional[1];
  while (options.folder.size() > 1 && options.folder.back() == '/') options.folder.pop_back();
  return true;
}

// The viewer's camera and light from yaw, pitch and distance.
void SetCamera(IDirect3DDevice8* dev, const D3DVECTOR& at, float yaw, float pitch, float distance) {
  D3DVECTOR eye;
  eye.y = float(double(at.y) + double(distance) * std::sin(double(pitch)));
  eye.x = float(double(at.x) - double(distance) * std::sin(double(yaw)) * std::cos(double(pitch)));
  eye.z = float(double(at.z) - double(distance) * std::cos(double(yaw)) * std::cos(double(pitch)));
  D3DXMATRIX view;
  const D3DXVECTOR3 up = {0.0f, 1.0f, 0.0f};
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  dev->SetTransform(D3DTS_VIEW, &view);

  D3DLIGHT8 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.8f, 0.8f, 0.0f};
  light.Specular = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Ambient = {0.8f, 0.6f, 0.6f, 0.0f};
  const D3DVECTOR direction = {float(-std::cos(double(yaw) + 1.2)),
                               float(-0.4 - 1.5 * double(pitch)),
                               float(std::sin(double(yaw) + 1.2))};
  D3DXVec3Normalize(&light.Direction, &direction);
  dev->SetLight(0, &light);
  dev->LightEnable(0, TRUE);
}

void SetProjection(IDirect3DDevice8* dev) {
  const uint32_t fovBits = 0x3F060A90;
  float fov;
  std::memcpy(&fov, &fovBits, 4);
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, fov, float(kWidth) / float(kHeight), 0.1f, 100.0f);
  dev->SetTransform(D3DTS_PROJECTION, &projection);
}

MyXOBJ* LoadMesh(const std::string& path) {
  MyXOBJ* mesh = new MyXOBJ;
  if (!mesh->Load(path.c_str(), kMeshLoadFlags)) {
    mesh->Destroy();
    return nullptr;
  }
  return mesh;
}

int Render(const Options& options) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::absolute(options.folder, error);
  const fs::path output = fs::absolute(options.output, error);
  const fs::path meshPath =
      options.mesh.empty() ? folder / "model.x" : fs::absolute(options.mesh, error);

  SceneEnvironment env{};
  try {
    ReadSceneEnvironmentFrom(folder.string(), env);
  } catch (const PlatformError& e) {
    std::fprintf(stderr, "render-scene: %s\n", e.what());
    return 1;
  }

  D3DPRESENT_PARAMETERS params = {};
  params.BackBufferWidth = kWidth;
  params.BackBufferHeight = kHeight;
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.Windowed = TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  IDirect3DDevice8* dev = nullptr;
  for (GlConfig config : {GlConfig::kCore33, GlConfig::kCompatibility33, GlConfig::kAnyContext}) {
    if (SUCCEEDED(GlDevice::Create(config, nullptr, &params, &dev))) break;
  }
  if (dev == nullptr) {
    std::fprintf(stderr, "render-scene: no OpenGL device (is there a display?)\n");
    return 1;
  }
  IDirect3DDevice8* previousDevice = device;
  device = dev;
  // Texture names in the files are relative to the working folder, which
  // holds the scene folders.
  const fs::path previousDir = fs::current_path(error);
  fs::current_path(folder.parent_path(), error);

  MyXOBJ* background = LoadMesh((folder / "bg.x").string());
  MyXOBJ* model = LoadMesh(meshPath.string());
  IDirect3DTexture8* overlay = nullptr;
  D3DXCreateTextureFromFileA(dev, "sys/multi1.dds", &overlay);
  IDirect3DTexture8* previousOverlay = multiTexture;
  multiTexture = overlay;
  const int previousEffect = viewerState.effectLevel;
  viewerState.effectLevel = options.effect;

  SetProjection(dev);
  SetCamera(dev, env.lookAt, options.yaw.value_or(env.startYaw),
            options.pitch.value_or(env.startPitch), options.distance.value_or(env.startDistance));
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor, 1.0f, 0);
  dev->BeginScene();
  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  dev->SetTransform(D3DTS_WORLD, &world);
  dev->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  dev->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  if (background) background->Draw();
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  if (model) {
    model->SetWorld(world);
    model->Draw();
  }
  dev->EndScene();

  QImage image;
  const bool read = static_cast<GlDevice*>(dev)->ReadBackBuffer(&image);
  int status = 0;
  if (!read || !image.save(QString::fromStdString(output.string()), "PNG")) {
    std::fprintf(stderr, "render-scene: cannot write %s\n", output.string().c_str());
    status = 1;
  } else {
    std::printf("%s: background %s, model %s\n", output.string().c_str(),
                background ? "drawn" : "missing", model ? "drawn" : "missing");
  }
  if (!model) status = 1;

  if (background) background->Destroy();
  if (model) model->Destroy();
  multiTexture = previousOverlay;
  viewerState.effectLevel = previousEffect;
  if (overlay) overlay->Release();
  device = previousDevice;
  dev->Release();
  viewer_ui::ClearMemo();
  fs::current_path(previousDir, error);
  return status;
}

int RunRenderScene(const std::vector<std::string>& args) {
  Options options;
  if (!ParseOptions(args, options)) {
    std::fprintf(stderr,
                 "usage: orvalo-tool render-scene DIR OUT.png [--mesh FILE.x] [--yaw A] "
                 "[--pitch A] [--dist D] [--effect N]\n");
    return 2;
  }
  if (QGuiApplication::instance() != nullptr) return Render(options);
  static int argc = 1;
  static char name[] = "orvalo-tool";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  return Render(options);
}

}  // namespace

ORVALO_TOOL_SUBCOMMAND(render_scene, "render-scene",
                       "render-scene DIR OUT.png [--mesh FILE.x] [--yaw A] [--pitch A] [--dist D] "
                       "[--effect N]",
                       "draw a scene folder's background and model offscreen to a PNG",
                       RunRenderScene)
