#pragma once
// GSM 6.10 encoding in the WAV49 framing of wave format 0x31 (65-byte blocks
// of 320 samples), for generated backups with compressed sound.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bv::samples {

constexpr size_t kGsmBlockBytes = 65;
constexpr size_t kGsmBlockSamples = 320;

// Encodes 16-bit samples; a tail short of a whole block is padded with
// silence. The encoder starts fresh for every call.
std::vector<uint8_t> EncodeGsmWav49(std::span<const int16_t> samples);

}  // namespace bv::samples
