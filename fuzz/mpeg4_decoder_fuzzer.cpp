// The MPEG-4 module through the viewer's CZRMP4Decoder: payload sequences
// (payload_sequence.h), a null output now and then as the catch-up uses it.
#include <cstddef>
#include <cstdint>

#include "codecs/zrmp4_decoder.h"
#include "fuzz/payload_sequence.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  CZRMP4Decoder decoder;
  fuzz::SequencedPayload payload;
  for (int i = 0; i < 16 && fuzz::NextPayload(input, &payload); ++i) {
    int width = 0;
    int height = 0;
    if (!fuzz::PrefixedPictureSize(payload.bytes, &width, &height)) continue;
    const bool catchUp = (i % 4) == 3;
    auto out = fuzz::OutputFor(width, height, payload.rgb);
    decoder.Decode(payload.bytes.data(), catchUp ? nullptr : out.get(), payload.rgb ? 1 : 0, 0, nullptr,
                   static_cast<uint32_t>(payload.bytes.size()));
  }
  return 0;
}
