#pragma once
// Reading the index of a backup: the container's trailer or the old pair's
// ".idx" file gives the index length L, and count = floor(L / 24) - 1 records
// follow the index base.
#include <cstdint>
#include <memory>
#include <string>

#include "base/format/index_record.h"

namespace bv {

// The index array of the open backup: count records, replaced at every open.
class IndexArray {
 public:
  IndexArray() = default;
  IndexArray(std::unique_ptr<INDEX_RECORD[]> records, uint32_t count)
      : records_(std::move(records)), count_(count) {}

  uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const INDEX_RECORD& operator[](uint32_t i) const { return records_[i]; }
  const INDEX_RECORD* data() const { return records_.get(); }
  void Clear() {
    records_.reset();
    count_ = 0;
  }

 private:
  std::unique_ptr<INDEX_RECORD[]> records_;
  uint32_t count_ = 0;
};

enum class IndexReadResult {
  kOk,
  kCannotOpen,  // the file cannot be opened: refused without a message
  kFileError,   // wrong magic or an index that cannot be: "File Error #1"
};

struct IndexReadOutcome {
  IndexReadResult result = IndexReadResult::kCannotOpen;
  uint32_t indexLength = 0;  // L
  IndexArray index;
};

// oldFormat false: path is a container whose index starts at indexBase (0, or
// kProgramFileLength when the container is appended to the program file).
// oldFormat true: path is an ".idx" file, the whole of which is the index.
// An index shorter than two slots, or one that does not fit inside the file
// before the version and infoLen words, is refused as a file error rather
// than read (memory is then bounded by the file).
IndexReadOutcome ReadBackupIndex(const std::string& path, bool oldFormat, uint32_t indexBase);

}  // namespace bv
