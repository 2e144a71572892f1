#include "events/bounded_file_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace bv {
namespace {

constexpr size_t kPieceBytes = 64 * 1024;

// Reads up to size bytes at offset; fewer at the end of the file or on error.
size_t ReadAt(int fd, uint64_t offset, uint8_t* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

BoundedReadOutcome ReadWholeUnits(const std::string& path, size_t unitSize, uint64_t maxUnits,
                                  const std::function<void(const uint8_t* data, size_t units)>& consume) {
  BoundedReadOutcome outcome;
  if (unitSize == 0) return outcome;
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0 || !StatFileIdentity(file.get(), &outcome.identity)) return outcome;
  outcome.opened = true;

  const uint64_t units = std::min<uint64_t>(static_cast<uint64_t>(outcome.identity.size) / unitSize, maxUnits);
  const size_t unitsPerPiece = std::max<size_t>(1, kPieceBytes / unitSize);
  std::vector<uint8_t> piece(unitsPerPiece * unitSize);
  uint64_t done = 0;
  bool cutShort = false;
  while (done < units) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(unitsPerPiece, units - done));
    const size_t got = ReadAt(file.get(), done * unitSize, piece.data(), want * unitSize) / unitSize;
    if (got > 0) consume(piece.data(), got);
    done += got;
    if (got < want) {
      cutShort = true;
      break;
    }
  }
  FileIdentity after;
  outcome.complete = !cutShort && StatFileIdentity(file.get(), &after) && after == outcome.identity;
  return outcome;
}

}  // namespace bv
