// The viewer's fixed resources in sys/: marker meshes, sprites, scene
// buttons and the face overlay texture.
#pragma once

#include <string>

#include "render/xfile_mesh_data.h"
#include "tools/sample_image.h"

namespace sample {

XMeshData BuildControlMarker();  // a small yellow ball
XMeshData BuildCenterMarker();   // three coloured axis bars

Image DrawMosaic();                        // 200 x 200, blocky, alpha falls off to the edge
Image DrawCursorRing();                    // 50 x 50
Image DrawLogo();                          // 256 x 256, "Orvalo View"
Image DrawSceneButton(int digit, bool highlighted);  // 32 x 32

// Writes every sys/ file under outDir/sys.
void WriteSysResources(const std::string& outDir);

}  // namespace sample
