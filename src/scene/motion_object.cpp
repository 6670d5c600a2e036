#include "scene/motion_object.h"

#include <sys/stat.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/viewer_ui.h"
#include "platform/files.h"

namespace {

std::string MotionFolder(int scene) {
  return GetCurrentDir() + "/dir" + std::to_string(scene) + "/";
}

void SwapFloatBytes(float& value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = __builtin_bswap32(bits);
  std::memcpy(&value, &bits, sizeof bits);
}

}  // namespace

bool MyMotionOBJ::Load(int scene, int motion) {
  const std::string path = MotionFolder(scene) + std::to_string(motion) + ".vdt";
  if (!FileExists(path)) return false;

  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  struct stat info {};
  if (::fstat(::fileno(file.get()), &info) != 0 || info.st_size < 0) return false;

  size_t count = static_cast<size_t>(info.st_size) / kVertexRecordSize;
  if (count > kMaxMotionVertices) count = kMaxMotionVertices;
  std::vector<D3DVECTOR> read(count);
  if (count > 0 && std::fread(read.data(), kVertexRecordSize, count, file.get()) != count) {
    return false;
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (D3DVECTOR& p : read) {
      SwapFloatBytes(p.x);
      SwapFloatBytes(p.y);
      SwapFloatBytes(p.z);
    }
  }

  positions = std::move(read);
  viewer_ui::AppendMemoLine(path);
  normals.assign(positions.size(), D3DVECTOR{0.0f, 0.0f, 0.0f});
  loaded = true;
  return true;
}

void MyMotionOBJ::Destroy() { delete this; }
