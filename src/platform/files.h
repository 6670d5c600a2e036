// File-system helpers with the behaviour the viewer relies on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// True when path names an existing regular file (not a folder).
bool FileExists(const std::string& path);
// The process's working directory, without a trailing separator.
std::string GetCurrentDir();
// Replaces the extension of the last path component (or appends one);
// extension includes its dot: ChangeFileExt("dir10/7.x", ".vdt") == "dir10/7.vdt".
std::string ChangeFileExt(const std::string& path, const std::string& extension);
// Whole file contents; nullopt when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);
