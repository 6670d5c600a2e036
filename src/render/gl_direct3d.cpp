#include "render/gl_direct3d.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "render/gl_device.h"

namespace {

class GlDirect3D final : public RefCounted<IDirect3D8> {
 public:
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override {
    if (pMode == nullptr || Adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return D3DERR_NOTAVAILABLE;
    const QSize size = screen->size() * screen->devicePixelRatio();
    pMode->Width = UINT(size.width());
    pMode->Height = UINT(size.height());
    pMode->RefreshRate = UINT(std::lround(screen->refreshRate()));
    switch (screen->depth()) {
      case 16: pMode->Format = D3DFMT_R5G6B5; break;
      case 15: pMode->Format = D3DFMT_X1R5G5B5; break;
      default: pMode->Format = D3DFMT_X8R8G8B8; break;
    }
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                       DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice8** ppReturnedDeviceInterface) override {
    if (ppReturnedDeviceInterface == nullptr) return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    if (pPresentationParameters == nullptr || Adapter != D3DADAPTER_DEFAULT)
      return D3DERR_INVALIDCALL;
    const DWORD processing = BehaviorFlags & (D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                              D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                              D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
      return D3DERR_INVALIDCALL;
    GlConfig config;
    if (DeviceType == D3DDEVTYPE_HAL) {
      config = processing == D3DCREATE_SOFTWARE_VERTEXPROCESSING ? GlConfig::kCompatibility33
                                                                 : GlConfig::kCore33;
    } else if (DeviceType == D3DDEVTYPE_REF) {
      config = GlConfig::kAnyContext;
    } else {
      return D3DERR_NOTAVAILABLE;  // no pluggable software device
    }
    HWND window = pPresentationParameters->hDeviceWindow ? pPresentationParameters->hDeviceWindow
                                                         : hFocusWindow;
    return GlDevice::Create(config, static_cast<QWidget*>(window), pPresentationParameters,
                            ppReturnedDeviceInterface);
  }
};

}  // namespace

IDirect3D8* CreateOpenGLDirect3D() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  static const bool canMakeContext = [] {
    QOpenGLContext probe;
    return probe.create();
  }();
  if (!canMakeContext) return nullptr;
  return new GlDirect3D;
}
