#include "render/gl_readback.h"

#include "render/gl_device.h"

bool ReadBackBuffer(IDirect3DDevice8* device, QImage* out) {
  auto* gl = dynamic_cast<GlDevice*>(device);
  return gl && out && gl->ReadBackBuffer(out);
}

bool ReadPresentedImage(IDirect3DDevice8* device, QImage* out) {
  auto* gl = dynamic_cast<GlDevice*>(device);
  if (!gl || !out || gl->PresentedImage().isNull()) return false;
  *out = gl->PresentedImage();
  return true;
}
