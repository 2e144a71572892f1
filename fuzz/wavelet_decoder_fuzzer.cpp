// The Wavelet module through the viewer's CMVIADec over the engine's work
// block: payload sequences (payload_sequence.h), key and delta frames.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/mvia_dec.h"
#include "fuzz/payload_sequence.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::unique_ptr<uint8_t[]> workBlock = std::make_unique<uint8_t[]>(kWaveletWorkBlockSize);
  // Each input starts from the state a freshly opened backup has.
  std::memset(workBlock.get(), 0, kWaveletWorkBlockSize);
  uint8_t* plane[7];
  for (int i = 0; i < 7; ++i) plane[i] = workBlock.get() + kWaveletPlaneOffsets[i];
  auto* decoder = reinterpret_cast<CMVIADec*>(workBlock.get());

  fuzz::InputReader input(data, size);
  fuzz::SequencedPayload payload;
  for (int i = 0; i < 16 && fuzz::NextPayload(input, &payload); ++i) {
    int width = 0;
    int height = 0;
    if (!fuzz::PrefixedPictureSize(payload.bytes, &width, &height)) continue;
    auto out = fuzz::OutputFor(width, height, payload.rgb);
    decoder->MVIADecDll(plane[0], plane[1], plane[2], plane[3], plane[4], plane[5], plane[6],
                        payload.bytes.data(), out.get(), 0, payload.rgb ? 1 : 0, 0, 2,
                        static_cast<uint32_t>(payload.bytes.size()));
  }
  return 0;
}
