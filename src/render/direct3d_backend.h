// Chooses which backend Direct3DCreate8 builds: the OpenGL one by default,
// the recording one (or any other) when a test or tool installs it.
#pragma once

#include <functional>

#include "render/d3d8.h"

using Direct3DFactory = std::function<IDirect3D8*(UINT sdkVersion)>;

// Installs a factory; an empty one restores the OpenGL backend.
void SetDirect3DFactory(Direct3DFactory factory);
