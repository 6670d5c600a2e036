// Reading a whole file into one buffer of its size, as the mesh loader does
// for every model. Large files are read as two halves at once: copying from
// the page cache is a good part of a load, and a second core halves it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct FileBytes {
  std::unique_ptr<uint8_t[]> data;  // not zero-filled; every byte is read
  size_t size = 0;
};

// Files from this size on are read by two threads.
constexpr size_t kParallelReadSize = size_t(1) << 20;

// False when path is not a readable regular file or a read falls short
// (the file shrank meanwhile); out is then empty.
bool ReadWholeFile(const std::string& path, FileBytes& out);
