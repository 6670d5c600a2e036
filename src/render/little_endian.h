// Little-endian integers read byte by byte, whatever the host's order (file
// headers of .x, DDS, BMP and TGA files).
#pragma once

#include <cstdint>

namespace little_endian {

inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

}  // namespace little_endian
