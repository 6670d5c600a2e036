// The OpenGL backend's Direct3D object.
#pragma once

#include "render/d3d8.h"

// Null when no OpenGL context can be made at all.
IDirect3D8* CreateOpenGLDirect3D();
