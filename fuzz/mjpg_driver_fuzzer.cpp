// The MJPEG Video for Windows driver module as the engine drives it: locate
// a decompressor for the picture size, begin, decompress with the hurry-up
// flag, end, close. Input: width u16, height u16 (each taken within the
// engine's limits), then payload sequences (payload_sequence.h); the input
// header states each payload's exact length.
#include <cstddef>
#include <cstdint>

#include "codecs/vfw/vfw.h"
#include "fuzz/payload_sequence.h"

using namespace bv;

namespace {

BITMAPINFOHEADER Header(int width, int height, uint16_t bitCount, uint32_t compression, uint32_t sizeImage) {
  BITMAPINFOHEADER h;
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bitCount;
  h.biCompression = compression;
  h.biSizeImage = sizeImage;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const int width = 1 + input.U16() % kMaxPictureWidth;
  const int height = 1 + input.U16() % kMaxPictureHeight;
  fuzz::SequencedPayload payload;
  for (int i = 0; i < 8 && fuzz::NextPayload(input, &payload); ++i) {
    if (payload.bytes.empty()) continue;
    BITMAPINFOHEADER in = Header(width, height, 24, kFourCC_MJPG, static_cast<uint32_t>(payload.bytes.size()));
    BITMAPINFOHEADER out = payload.rgb ? Header(width, height, 24, 0, width * height * 3)
                                       : Header(width, height, 16, kFourCC_UYVY, width * height * 2);
    HIC hic = ICLocate(MakeFourCC('V', 'I', 'D', 'C'), kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS);
    if (!hic) continue;
    auto pixels = fuzz::OutputFor(width, height, payload.rgb);
    ICSendMessage(hic, ICM_DECOMPRESS_BEGIN, reinterpret_cast<intptr_t>(&in), reinterpret_cast<intptr_t>(&out));
    ICDecompress(hic, ICDECOMPRESS_HURRYUP, &in, payload.bytes.data(), &out, pixels.get());
    ICSendMessage(hic, ICM_DECOMPRESS_END, 0, 0);
    ICClose(hic);
  }
  return 0;
}
