#pragma once
// AUDIO_HEADER: the 16-byte header that starts an audio record.
#include <array>
#include <cstdint>

#include "base/platform/le_bytes.h"

namespace bv {

#pragma pack(push, 1)
struct AUDIO_HEADER {
  uint8_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint8_t bitsPerSample = 0;
  uint16_t chunksPerSecond = 0;
  uint8_t compression = 0;  // 0 PCM, anything else GSM 6.10
  uint8_t unused[7] = {};

  static constexpr int kSize = 16;
  static AUDIO_HEADER FromBytes(const uint8_t* p) {
    AUDIO_HEADER h;
    h.channels = p[0];
    h.samplesPerSecond = ReadU32LE(p + 1);
    h.bitsPerSample = p[5];
    h.chunksPerSecond = ReadU16LE(p + 6);
    h.compression = p[8];
    for (int i = 0; i < 7; ++i) h.unused[i] = p[9 + i];
    return h;
  }
  void ToBytes(uint8_t* p) const {
    p[0] = channels;
    WriteU32LE(p + 1, samplesPerSecond);
    p[5] = bitsPerSample;
    WriteU16LE(p + 6, chunksPerSecond);
    p[8] = compression;
    for (int i = 0; i < 7; ++i) p[9 + i] = unused[i];
  }
  std::array<uint8_t, kSize> ToBytes() const {
    std::array<uint8_t, kSize> bytes{};
    ToBytes(bytes.data());
    return bytes;
  }
};
#pragma pack(pop)
static_assert(sizeof(AUDIO_HEADER) == AUDIO_HEADER::kSize);

}  // namespace bv
