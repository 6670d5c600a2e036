#include "platform/path_resolution.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// The entry of dir whose name equals part without regard to case.
std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, const std::string& part) {
  std::error_code error;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), error);
  if (error) return std::nullopt;
  std::optional<std::string> best;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    const std::string entry = it->path().filename().string();
    if (!EqualIgnoringCase(entry, part)) continue;
    if (entry == part) return entry;
    if (!best || entry < *best) best = entry;
  }
  return best;
}

std::optional<std::string> ResolveExactly(const std::string& path) {
  if (FileExists(path)) return path;
  return std::nullopt;
}

// Walks path component by component from base ("" = current directory).
std::optional<std::string> ResolveIgnoringCase(const std::string& base, const std::string& path) {
  std::string current(!path.empty() && path.front() == '/' ? std::string(1, '/') : base);
  for (const std::string& part : Components(path)) {
    if (part == "." || part == "..") {
      current = Join(current, part);
      continue;
    }
    if (const auto entry = FindEntryIgnoringCase(current, part)) {
      current = Join(current, *entry);
    } else {
      return std::nullopt;
    }
  }
  return ResolveExactly(current);
}

std::optional<std::string> Resolve(const std::string& base, const std::string& path) {
  const bool absolute = !path.empty() && path.front() == '/';
  if (auto found = ResolveExactly(absolute ? path : Join(base, path))) return found;
  return ResolveIgnoringCase(absolute ? "" : base, path);
}

}  // namespace

std::optional<std::string> ResolveStoredPath(const std::string& name,
                                             const std::string& referencingFile) {
  if (name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (auto found = Resolve("", path)) return found;
  if (referencingFile.empty()) return std::nullopt;

  const size_t slash = referencingFile.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : referencingFile.substr(0, slash + 1);
  const bool absolute = path.front() == '/';
  if (!absolute) {
    if (auto found = Resolve(folder, path)) return found;
  }
  const size_t cut = name.find_last_of("\\/:");
  const std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
  if (base.empty() || base == "." || base == "..") return std::nullopt;
  return Resolve(folder, base);
}
