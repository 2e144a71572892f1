#pragma once
// BACKUP_TRAILER: the last 1024 bytes of a container.
#include <array>
#include <cstdint>

#include "base/format/backup_constants.h"
#include "base/platform/le_bytes.h"

namespace bv {

struct BACKUP_TRAILER {
  uint32_t indexLength = 0;  // L, offset 0
  uint32_t magic = 0;        // offset 1020, kTrailerMagic

  static constexpr int kSize = kTrailerSize;
  static constexpr int kMagicOffset = 1020;
  static BACKUP_TRAILER FromBytes(const uint8_t* p) {
    return BACKUP_TRAILER{ReadU32LE(p), ReadU32LE(p + kMagicOffset)};
  }
  // Bytes 4..1019 are not read by the viewer; they are written as zeros.
  std::array<uint8_t, kSize> ToBytes() const {
    std::array<uint8_t, kSize> bytes{};
    WriteU32LE(bytes.data(), indexLength);
    WriteU32LE(bytes.data() + kMagicOffset, magic);
    return bytes;
  }
};

}  // namespace bv
