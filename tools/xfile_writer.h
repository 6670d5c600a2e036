// Writers of DirectX .x files for one triangle mesh: positions, per-vertex
// normals (MeshNormals with the mesh's own face list, so a reader splits
// nothing), texture coordinates and a material list with textures. Text
// files ("xof 0303txt 0032") print floats with six decimals; binary files
// ("xof 0303bin 0032") store them exactly. Output depends on the input only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/xfile_mesh_data.h"

namespace sample {

// The parts of `mesh` a .x file can hold: positions, indices (three per
// triangle), normals and texture coordinates when their flags are set, and
// the materials with one attribute per triangle when there are materials.
// Texture names are written byte for byte (no escaping: the format has none).
std::string WriteXText(const XMeshData& mesh, const std::string& meshName = "mesh");
std::vector<uint8_t> WriteXBinary(const XMeshData& mesh, const std::string& meshName = "mesh");

// Six decimals, a point whatever the locale, "-0.000000" folded to "0.000000".
std::string FormatXFloat(float value);

}  // namespace sample
