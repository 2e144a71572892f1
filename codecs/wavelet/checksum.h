#pragma once
// A fast 32-bit checksum of the coded data, so that corrupt or truncated
// payloads are refused before anything is decoded. Four 64-bit lanes of
// multiply-rotate rounds; not cryptographic, only a guard against damage.
#include <cstddef>
#include <cstdint>

namespace bv::wavelet {

uint32_t Checksum32(const uint8_t* data, size_t size, uint64_t seed);

// The identity of the picture a frame decodes to: a key frame's is its own
// checksum; a delta frame's mixes its reference's identity with its checksum.
uint32_t PictureIdentity(uint32_t referenceIdentity, uint32_t checksum);

}  // namespace bv::wavelet
