#include "base/format/backup_index.h"

#include <bit>

#include "base/format/backup_constants.h"
#include "base/format/backup_trailer.h"
#include "base/platform/data_file.h"

namespace bv {
namespace {

constexpr uint32_t kMinimumIndexLength = 2 * INDEX_RECORD::kSize;  // one record and the spare slot

IndexReadOutcome Refuse(IndexReadResult why) {
  IndexReadOutcome outcome;
  outcome.result = why;
  return outcome;
}

}  // namespace

IndexReadOutcome ReadBackupIndex(const std::string& path, bool oldFormat, uint32_t indexBase) {
  CDataFile file;
  if (!file.Open(path)) return Refuse(IndexReadResult::kCannotOpen);
  const uint64_t fileLength = file.Length();

  uint64_t indexLength = 0;
  if (oldFormat) {
    indexBase = 0;
    indexLength = fileLength;
  } else {
    // The index, the version and infoLen words and the trailer must all be
    // inside the file.
    if (fileLength < static_cast<uint64_t>(indexBase) + kContainerTailOffset) {
      return Refuse(IndexReadResult::kFileError);
    }
    uint8_t trailerBytes[kTrailerSize];
    if (!file.ReadExactAt(fileLength - kTrailerSize, trailerBytes, kTrailerSize)) {
      return Refuse(IndexReadResult::kFileError);
    }
    const BACKUP_TRAILER trailer = BACKUP_TRAILER::FromBytes(trailerBytes);
    if (trailer.magic != kTrailerMagic) return Refuse(IndexReadResult::kFileError);
    indexLength = trailer.indexLength;
    if (indexBase + indexLength > fileLength - kContainerTailOffset) {
      return Refuse(IndexReadResult::kFileError);
    }
  }
  if (indexLength < kMinimumIndexLength || indexLength > UINT32_MAX) {
    return Refuse(IndexReadResult::kFileError);
  }

  const uint32_t count = static_cast<uint32_t>(indexLength / INDEX_RECORD::kSize) - 1;
  auto records = std::make_unique_for_overwrite<INDEX_RECORD[]>(count);
  // One bulk read: the records are packed exactly as in the file.
  const size_t bytes = static_cast<size_t>(count) * INDEX_RECORD::kSize;
  if (!file.ReadExactAt(indexBase, records.get(), bytes)) return Refuse(IndexReadResult::kFileError);
  if constexpr (std::endian::native != std::endian::little) {
    for (uint32_t i = 0; i < count; ++i) {
      records[i] = INDEX_RECORD::FromBytes(reinterpret_cast<const uint8_t*>(&records[i]));
    }
  }

  IndexReadOutcome outcome;
  outcome.result = IndexReadResult::kOk;
  outcome.indexLength = static_cast<uint32_t>(indexLength);
  outcome.index = IndexArray(std::move(records), count);
  return outcome;
}

}  // namespace bv
