#pragma once
// SHA-256 (FIPS 180-4), for fingerprints of backups and their records.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace bv {

class CSha256 {
 public:
  CSha256();
  void Update(const void* data, size_t size);
  std::array<uint8_t, 32> Finish();
  // Lower-case hexadecimal of the digest.
  std::string FinishHex();

 private:
  void Block(const uint8_t* block);
  uint32_t h_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t length_ = 0;
};

std::string Sha256Hex(const void* data, size_t size);

}  // namespace bv
