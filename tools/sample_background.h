// The sample scenes' background: a tiled floor and a curved backdrop around
// the character, each with a texture drawn by the generator.
#pragma once

#include <string>

#include "tools/sample_geometry.h"
#include "tools/sample_image.h"

namespace sample {

enum class BackgroundTheme {
  kStudio,  // wooden floor, striped wallpaper
  kGarden,  // grass, sky with hills
  kStage,   // checked floor, red curtain
  kNight,   // dark tiles, starry sky with a moon
};

// The mesh of bg.x; texture names are written as given (e.g. "dir10\\floor.bmp").
XMeshData BuildBackground(const std::string& floorTexture, const std::string& wallTexture);

Image DrawFloorTexture(BackgroundTheme theme);
Image DrawWallTexture(BackgroundTheme theme);

}  // namespace sample
