// Switching scenes: the one operation that puts scene folder dir<N> on screen.
#pragma once

#include <cstdint>
#include <string>

// Loads scene N, or shows "Scene:NULL" and changes nothing else when its
// folder has no model.x. Settings-file errors (PlatformError) propagate.
void LoadScene(int32_t sceneNumber);

// "<working dir>/dir<N>/<file>".
std::string ScenePath(int32_t sceneNumber, const std::string& file);
