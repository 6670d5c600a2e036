#include "render/device_setup.h"

#include <bit>
#include <cstdint>

#include "app/globals.h"
#include "app/panel_access.h"
#include "platform/message_box.h"
#include "render/d3dx8.h"

namespace {

void ShowError(const char* text) { MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR); }

struct CreationAttempt {
  D3DDEVTYPE type;
  DWORD behaviorFlags;
};

// Most demanding first. On the OpenGL backend these are, in turn: a hardware
// context doing the vertex work in shaders, the same context with the vertex
// work on the CPU, and the software rasteriser.
constexpr CreationAttempt kAttempts[] = {
    {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
    {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
    {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
};

// Two units in the last place below pi/6 (about 30 degrees).
const float kFieldOfView = std::bit_cast<float>(uint32_t{0x3F060A90});

}  // namespace

bool CreateD3DDevice() {
  direct3D = Direct3DCreate8(D3D_SDK_VERSION);
  if (!direct3D) {
    ShowError("Direct3Dの作成に失敗しました");
    return false;
  }

  D3DDISPLAYMODE mode = {};
  if (FAILED(direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
    ShowError("画面モードの取得に失敗しました");
    return false;
  }

  presentParams = {};
  presentParams.BackBufferWidth = static_cast<UINT>(Panel1Width());
  presentParams.BackBufferHeight = static_cast<UINT>(Panel1Height());
  presentParams.BackBufferFormat = mode.Format;
  presentParams.BackBufferCount = 1;
  presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
  presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
  presentParams.hDeviceWindow = Panel1Handle();
  presentParams.Windowed = TRUE;
  presentParams.EnableAutoDepthStencil = TRUE;
  presentParams.AutoDepthStencilFormat = D3DFMT_D16;

  for (const CreationAttempt& attempt : kAttempts) {
    if (SUCCEEDED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, attempt.type, Panel1Handle(),
                                         attempt.behaviorFlags, &presentParams, &device))) {
      return true;
    }
    device = nullptr;
  }
  ShowError("Direct3Dデバイスの生成に失敗しました");
  return false;
}

bool SetProjection() {
  const float aspect =
      static_cast<float>(static_cast<double>(Panel1Width()) / Panel1Height());
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect, 0.1f, 100.0f);
  if (IDirect3DDevice8* target = GetDevice()) target->SetTransform(D3DTS_PROJECTION, &projection);
  return true;
}

void ReleaseD3DDevice() {
  if (device) {
    device->Release();
    device = nullptr;
  }
  if (direct3D) {
    direct3D->Release();
    direct3D = nullptr;
  }
}
