#include "codecs/wavelet/checksum.h"

#include <cstring>

namespace bv::wavelet {
namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;

inline uint64_t Rotl(uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }
inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint64_t Round(uint64_t acc, uint64_t word) { return Rotl(acc + word * kPrime2, 31) * kPrime1; }

}  // namespace

uint32_t Checksum32(const uint8_t* data, size_t size, uint64_t seed) {
  uint64_t lane[4] = {seed + kPrime1 + kPrime2, seed + kPrime2, seed, seed - kPrime1};
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  while (end - p >= 32) {
    for (int i = 0; i < 4; ++i) lane[i] = Round(lane[i], Load64(p + 8 * i));
    p += 32;
  }
  uint64_t h = Rotl(lane[0], 1) + Rotl(lane[1], 7) + Rotl(lane[2], 12) + Rotl(lane[3], 18) + size;
  while (end - p >= 8) {
    h = Rotl(h ^ Round(0, Load64(p)), 27) * kPrime1 + kPrime3;
    p += 8;
  }
  while (p < end) {
    h = Rotl(h ^ (*p++ * kPrime3), 11) * kPrime1;
  }
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return static_cast<uint32_t>(h);
}

uint32_t PictureIdentity(uint32_t referenceIdentity, uint32_t checksum) {
  uint64_t h = (static_cast<uint64_t>(referenceIdentity) << 32 | checksum) * kPrime1;
  h ^= h >> 29;
  return static_cast<uint32_t>(h >> 16);
}

}  // namespace bv::wavelet
