#pragma once
// The decoder fuzz format: a sequence of payloads decoded one after another
// by one decoder (so delta frames meet the state earlier payloads left):
//   flags u8 (bit 0: 24-bit output, else packed YUV), length u32, bytes.
// Each payload is copied into a buffer of exactly its length, which is the
// payload size handed to the decoder, so a read past it is caught; its
// output buffer holds exactly the picture its size asks for. Pictures the
// engine would not decode (a size outside 1..704 x 1..576) are passed over
// as the engine passes over them. The prefix's bytes 0..2 are anything.
#include <cstdint>
#include <memory>
#include <vector>

#include "base/format/backup_constants.h"
#include "fuzz/fuzz_support.h"

namespace bv::fuzz {

struct SequencedPayload {
  bool rgb = true;
  std::vector<uint8_t> bytes;
};

inline bool NextPayload(InputReader& input, SequencedPayload* payload) {
  if (input.AtEnd()) return false;
  payload->rgb = (input.U8() & 1) != 0;
  const uint32_t length = input.U32();
  const std::span<const uint8_t> bytes = input.Bytes(length);
  payload->bytes.assign(bytes.begin(), bytes.end());
  return true;
}

// Width and height of an 8-byte-prefixed (Wavelet or MPEG-4) payload that
// the engine would hand to its decoder; false otherwise.
inline bool PrefixedPictureSize(const std::vector<uint8_t>& payload, int* width, int* height) {
  if (payload.size() < 8) return false;
  *height = (payload[4] << 8) | payload[5];
  *width = (payload[6] << 8) | payload[7];
  return *width > 0 && *height > 0 && *width <= kMaxPictureWidth && *height <= kMaxPictureHeight;
}

inline std::unique_ptr<uint8_t[]> OutputFor(int width, int height, bool rgb) {
  return std::make_unique<uint8_t[]>(static_cast<size_t>(width) * height * (rgb ? 3 : 2));
}

}  // namespace bv::fuzz
