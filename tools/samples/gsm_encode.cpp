#include "tools/samples/gsm_encode.h"

#include <gsm.h>

#include <algorithm>

namespace bv::samples {

std::vector<uint8_t> EncodeGsmWav49(std::span<const int16_t> samples) {
  const size_t blocks = (samples.size() + kGsmBlockSamples - 1) / kGsmBlockSamples;
  std::vector<uint8_t> coded(blocks * kGsmBlockBytes);
  gsm encoder = gsm_create();
  if (!encoder) return {};
  int wav49 = 1;
  gsm_option(encoder, GSM_OPT_WAV49, &wav49);
  gsm_signal block[kGsmBlockSamples];
  for (size_t b = 0; b < blocks; ++b) {
    const size_t first = b * kGsmBlockSamples;
    const size_t count = std::min(kGsmBlockSamples, samples.size() - first);
    std::fill(std::copy_n(samples.begin() + first, count, block), block + kGsmBlockSamples, 0);
    // The first frame takes 32 bytes and half of the 33rd; the second frame
    // starts in the other half.
    uint8_t* out = coded.data() + b * kGsmBlockBytes;
    gsm_encode(encoder, block, out);
    gsm_encode(encoder, block + 160, out + 32);
  }
  gsm_destroy(encoder);
  return coded;
}

}  // namespace bv::samples
