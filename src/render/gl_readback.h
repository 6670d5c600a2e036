// Reading back what the OpenGL device rendered, for pixel tests and for tools
// that save frames. Both fail (false) for a device of another backend.
#pragma once

#include <QImage>

#include "render/d3d8.h"

// The back buffer exactly as rendered so far, top row first.
bool ReadBackBuffer(IDirect3DDevice8* device, QImage* out);

// The image of the device's last Present; false before the first Present.
bool ReadPresentedImage(IDirect3DDevice8* device, QImage* out);
