// MSZIP bodies of "tzip"/"bzip" files: a u32 size (16-byte header included),

#include "render/little_endian.h"
// then blocks of u16 uncompressed size, u16 compressed size, "CK" and raw
// deflate. Later blocks refer back into earlier ones, so each block starts
// with the last 32 KiB of output as its dictionary.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "render/xfile_objects.h"

namespace xfile {

namespace {

using little_endian::U16;

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}


struct Inflater {
  z_stream z{};
  bool open = false;
  ~Inflater() {
    if (open) inflateEnd(&z);
  }
};

constexpr size_t kWindow = 32768;

}  // namespace

bool InflateMszip(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string* error) {
  out.clear();
  if (size < 4) return Fail(error, "compressed .x file too small");
  uint32_t announced = uint32_t(data[0]) | (uint32_t(data[1]) << 8) | (uint32_t(data[2]) << 16) |
                       (uint32_t(data[3]) << 24);
  if (announced < 16) return Fail(error, "bad decompressed size in compressed .x file");
  const size_t expected = announced - 16;
  const uint8_t* p = data + 4;
  const uint8_t* end = data + size;

  Inflater inf;
  if (inflateInit2(&inf.z, -15) != Z_OK) return Fail(error, "zlib initialisation failed");
  inf.open = true;
  bool first = true;
  while (p < end) {
    if (end - p < 6) return Fail(error, "truncated block header in compressed .x file");
    size_t rawSize = U16(p);
    size_t packedSize = U16(p + 2);
    p += 4;
    if (packedSize < 2 || size_t(end - p) < packedSize) return Fail(error, "truncated block in compressed .x file");
    if (p[0] != 'C' || p[1] != 'K') return Fail(error, "bad block signature in compressed .x file");
    // Output is bounded by what the blocks announce, never by the header alone.
    if (out.size() + rawSize > expected) return Fail(error, "compressed .x file inflates past its announced size");
    if (!first) {
      if (inflateReset(&inf.z) != Z_OK) return Fail(error, "zlib reset failed");
      size_t dict = std::min(out.size(), kWindow);
      if (dict > 0 &&
          inflateSetDictionary(&inf.z, out.data() + out.size() - dict, uInt(dict)) != Z_OK)
        return Fail(error, "zlib dictionary failed");
    }
    first = false;
    size_t start = out.size();
    out.resize(start + rawSize);
    inf.z.next_in = const_cast<Bytef*>(p + 2);
    inf.z.avail_in = uInt(packedSize - 2);
    inf.z.next_out = out.data() + start;
    inf.z.avail_out = uInt(rawSize);
    int rc = inflate(&inf.z, Z_FINISH);
    if (rc != Z_STREAM_END || inf.z.avail_out != 0)
      return Fail(error, "corrupt deflate data in compressed .x file");
    p += packedSize;
  }
  if (out.size() != expected) return Fail(error, "compressed .x file is shorter than announced");
  return true;
}

}  // namespace xfile
