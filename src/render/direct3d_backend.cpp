#include "render/direct3d_backend.h"

#include "render/gl_direct3d.h"

namespace {
Direct3DFactory& InstalledFactory() {
  static Direct3DFactory factory;
  return factory;
}
}  // namespace

void SetDirect3DFactory(Direct3DFactory factory) { InstalledFactory() = std::move(factory); }

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
  if (InstalledFactory()) return InstalledFactory()(sdkVersion);
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return CreateOpenGLDirect3D();
}
