#pragma once
// SHA-256, for fingerprints of backups and their records: libavutil's.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct AVSHA;

namespace bv {

class CSha256 {
 public:
  CSha256();
  ~CSha256();
  CSha256(const CSha256&) = delete;
  CSha256& operator=(const CSha256&) = delete;
  void Update(const void* data, size_t size);
  std::array<uint8_t, 32> Finish();
  // Lower-case hexadecimal of the digest.
  std::string FinishHex();

 private:
  struct Deleter {
    void operator()(AVSHA* sha) const;
  };
  std::unique_ptr<AVSHA, Deleter> sha_;
};

std::string Sha256Hex(const void* data, size_t size);
// Lower-case hex of 32 bytes.
std::string DigestHex(const std::array<uint8_t, 32>& digest);

}  // namespace bv
