// libFuzzer entry: any byte string through the whole .x reader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/xfile_mesh_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XMeshData mesh;
  std::string error;
  if (ParseXFile(data, size, mesh, &error)) {
    // A successful parse must be internally consistent.
    for (uint32_t index : mesh.indices) {
      if (index >= mesh.positions.size()) __builtin_trap();
    }
    if (mesh.attributes.size() * 3 != mesh.indices.size()) __builtin_trap();
  }
  return 0;
}
