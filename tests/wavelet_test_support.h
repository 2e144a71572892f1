#pragma once
// The Wavelet decoder module as the viewer calls it: loaded with dlopen
// from a temporary system folder, with the viewer's work block, read buffer
// and decoder output buffer.
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/module_abi.h"
#include "tools/samples/test_picture.h"

namespace bv::test {

// The decoder entry point of the built module; null if it cannot be loaded.
WaveletDecodeFn LoadWaveletModule();

// The viewer's 1,631,236-byte work block with its seven planes.
class CWaveletWorkBlock {
 public:
  static constexpr size_t kSize = 1631236;
  explicit CWaveletWorkBlock(uint8_t fill = 0xCD) : bytes_(kSize, fill) {}
  uint8_t* Object() { return bytes_.data(); }
  uint8_t* Plane(int n);  // 1..7
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// One call as the viewer makes it: the payload copied to the start of a
// 0x129000-byte read buffer (the rest stale), output into a 0x129000-byte
// buffer that starts filled with outputFill.
struct DecodeCall {
  int result = 0;
  std::vector<uint8_t> output;
};
DecodeCall CallDecoder(WaveletDecodeFn decode, CWaveletWorkBlock& block, const std::vector<uint8_t>& payload,
                       int rgb, uint8_t staleFill = 0, uint8_t outputFill = 0x5A);

// PSNR in dB of a decoded B, G, R picture (top row first) against the
// source picture, over all three channels.
double PsnrOfBgr(const samples::RgbPicture& source, const uint8_t* bgr);

}  // namespace bv::test
