#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <system_error>
#include <thread>

namespace {

bool ReadExactly(int fd, uint8_t* to, size_t count, off_t offset) {
  while (count > 0) {
    const ssize_t got = pread(fd, to, count, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    to += got;
    count -= size_t(got);
    offset += got;
  }
  return true;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool ReadAll(int fd, uint8_t* to, size_t size) {
  if (size < kParallelReadSize) return ReadExactly(fd, to, size, 0);
  const size_t half = size / 2;
  bool secondOk = false;
  std::thread second;
  try {
    second = std::thread([&] { secondOk = ReadExactly(fd, to + half, size - half, off_t(half)); });
  } catch (const std::system_error&) {
    return ReadExactly(fd, to, size, 0);
  }
  const bool firstOk = ReadExactly(fd, to, half, 0);
  second.join();
  return firstOk && secondOk;
}

}  // namespace

bool ReadWholeFile(const std::string& path, FileBytes& out) {
  out = FileBytes{};
  Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info;
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const size_t size = size_t(info.st_size);
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
  if (!data || !ReadAll(fd.get(), data.get(), size)) return false;
  out.data = std::move(data);
  out.size = size;
  return true;
}
