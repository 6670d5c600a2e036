// What lives as long as the device: marker meshes, screen sprites, the light,
// the projection, the first scene and the face overlay texture.
#pragma once

bool InitResources();
void FreeResources();
