#include "base/platform/sha256.h"

#include <new>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

namespace bv {

void CSha256::Deleter::operator()(AVSHA* sha) const { av_free(sha); }

CSha256::CSha256() : sha_(av_sha_alloc()) {
  if (!sha_ || av_sha_init(sha_.get(), 256) < 0) throw std::bad_alloc();
}

CSha256::~CSha256() = default;

void CSha256::Update(const void* data, size_t size) {
  if (size > 0) av_sha_update(sha_.get(), static_cast<const uint8_t*>(data), size);
}

std::array<uint8_t, 32> CSha256::Finish() {
  std::array<uint8_t, 32> digest{};
  av_sha_final(sha_.get(), digest.data());
  return digest;
}

std::string CSha256::FinishHex() { return DigestHex(Finish()); }

std::string DigestHex(const std::array<uint8_t, 32>& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex(64, '0');
  for (size_t i = 0; i < digest.size(); ++i) {
    hex[2 * i] = kHex[digest[i] >> 4];
    hex[2 * i + 1] = kHex[digest[i] & 15];
  }
  return hex;
}

std::string Sha256Hex(const void* data, size_t size) {
  CSha256 sha;
  sha.Update(data, size);
  return sha.FinishHex();
}

}  // namespace bv
