#include "base/platform/file_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/platform/partial_output_file.h"

namespace bv {
namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts) {
  CPartialOutputFile out;
  if (!out.Create(path)) return false;
  const int fd = ::open(out.Path().c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  for (auto part : parts) ok = ok && WriteAll(fd, part.data(), part.size());
  ok = ::close(fd) == 0 && ok;
  return ok && out.Commit();
}

}  // namespace bv
