#include "platform/text_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/files.h"
#include "platform/platform_error.h"

std::vector<std::string> TextList::SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(bytes.substr(start, i - start));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

void TextList::LoadFromFile(const std::string& path) {
  const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) throw FileOpenError(path);
  lines_ = SplitLines(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

void TextList::SaveToFile(const std::string& path) const {
  std::string bytes;
  size_t total = 0;
  for (const std::string& line : lines_) total += line.size() + 2;
  bytes.reserve(total);
  for (const std::string& line : lines_) {
    bytes += line;
    bytes += "\r\n";
  }
  if (!WriteFileReplacing(path, bytes)) throw FileCreateError(path);
}

const std::string& TextList::Get(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return lines_[static_cast<size_t>(index)];
}

void TextList::Put(int index, std::string line) {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  lines_[static_cast<size_t>(index)] = std::move(line);
}

void TextList::Add(std::string line) { lines_.push_back(std::move(line)); }

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  std::string target = path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                          &std::free);
    if (!resolved) return false;
    target = resolved.get();
  }
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists) {
    if (!S_ISREG(info.st_mode)) return false;
    // Mode bits as well as access(): the superuser may write anything, but a
    // file without write permission counts as read-only for everyone.
    if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return false;
  }

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = WriteAll(fd, bytes);
  if (ok && exists) ok = ::fchmod(fd, info.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}
