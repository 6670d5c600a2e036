// The render and texture-stage states Direct3D 8 gives a new device; every
// backend starts from these.
#pragma once

#include <span>

#include "render/d3d8.h"

constexpr DWORD kRenderStateSlots = 256;
constexpr DWORD kStageStateSlots = 32;

// autoDepth: the device was created with an automatic depth buffer, which
// turns ZENABLE on.
void FillDefaultRenderStates(std::span<DWORD, kRenderStateSlots> states, bool autoDepth);
void FillDefaultStageStates(DWORD stage, std::span<DWORD, kStageStateSlots> states);
