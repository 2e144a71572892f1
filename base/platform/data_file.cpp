#include "base/platform/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace bv {

CDataFile::~CDataFile() { Close(); }

CDataFile::CDataFile(CDataFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), length_(std::exchange(other.length_, 0)) {}

CDataFile& CDataFile::operator=(CDataFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    length_ = std::exchange(other.length_, 0);
  }
  return *this;
}

bool CDataFile::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  // Only regular files: a directory or a device would "open" but never read
  // like a backup.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  length_ = static_cast<uint64_t>(st.st_size);
  return true;
}

void CDataFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  length_ = 0;
}

size_t CDataFile::ReadAt(uint64_t offset, void* buffer, size_t size) const {
  if (fd_ < 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

int64_t FileLength(const std::string& path) {
  CDataFile file;
  if (!file.Open(path)) return -1;
  return static_cast<int64_t>(file.Length());
}

}  // namespace bv
