#pragma once
// A file opened for reading that stays open for positioned reads. Reads are
// positional (pread), so a read never depends on an earlier seek.
#include <cstddef>
#include <cstdint>
#include <string>

namespace bv {

class CDataFile {
 public:
  CDataFile() = default;
  ~CDataFile();
  CDataFile(const CDataFile&) = delete;
  CDataFile& operator=(const CDataFile&) = delete;
  CDataFile(CDataFile&& other) noexcept;
  CDataFile& operator=(CDataFile&& other) noexcept;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  uint64_t Length() const { return length_; }

  // Reads up to size bytes at offset; returns the number of bytes read
  // (short at the end of the file, 0 on error).
  size_t ReadAt(uint64_t offset, void* buffer, size_t size) const;
  // True only when exactly size bytes were read.
  bool ReadExactAt(uint64_t offset, void* buffer, size_t size) const {
    return ReadAt(offset, buffer, size) == size;
  }
  // Whether [offset, offset + size) lies inside the file.
  bool Contains(uint64_t offset, uint64_t size) const {
    return offset <= length_ && size <= length_ - offset;
  }

 private:
  int fd_ = -1;
  uint64_t length_ = 0;
};

// Length of the file at path, or -1 when it cannot be opened.
int64_t FileLength(const std::string& path);

}  // namespace bv
