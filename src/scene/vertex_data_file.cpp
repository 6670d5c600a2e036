// Writes a mesh's vertex positions as a .vdt file beside the mesh file.
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "render/my_xobj.h"

// Positions only, x y z as little-endian floats, to fileName with the
// extension ".vdt". Reports nothing to the user; the result is false when the
// mesh never loaded, its buffer cannot be locked, or the file cannot be
// created or fully written (a partly written file is left as it is).
bool MyXOBJ::WriteVertexData() {
  if (!loaded || vertexBuffer == nullptr) return false;
  BYTE* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || data == nullptr) return false;

  const std::string path =
      ChangeFileExt(std::string(fileName, strnlen(fileName, sizeof fileName)), ".vdt");
  std::vector<uint8_t> bytes(size_t{vertexCount} * 12);
  for (size_t v = 0; v < vertexCount; ++v) {
    for (size_t c = 0; c < 3; ++c) {
      uint32_t bits;
      std::memcpy(&bits, data + v * kMeshVertexStride + c * 4, 4);
      if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap32(bits);
      std::memcpy(&bytes[v * 12 + c * 4], &bits, 4);
    }
  }

  bool written = false;
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
  }
  vertexBuffer->Unlock();
  return written;
}
