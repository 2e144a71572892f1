#pragma once
// Pictures in codec tests: output buffers with guard bytes behind them, row
// order, and MPEG-4 clips with the library's own decode of every frame.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/samples/test_picture.h"

namespace bv::test {

constexpr uint8_t kCanary = 0xAB;

// A picture buffer followed by guard bytes that a decoder must not touch.
class GuardedPicture {
 public:
  static constexpr size_t kGuardBytes = 4096;
  explicit GuardedPicture(size_t bytes) : size_(bytes), storage_(bytes + kGuardBytes, kCanary) {}
  uint8_t* data() { return storage_.data(); }
  size_t size() const { return size_; }
  std::vector<uint8_t> Picture() const { return {storage_.begin(), storage_.begin() + size_}; }
  bool GuardIntact() const {
    return std::all_of(storage_.begin() + size_, storage_.end(), [](uint8_t b) { return b == kCanary; });
  }
  bool Untouched() const {
    return std::all_of(storage_.begin(), storage_.end(), [](uint8_t b) { return b == kCanary; });
  }

 private:
  size_t size_;
  std::vector<uint8_t> storage_;
};

// The rows of a picture in the other order (bottom-up <-> top-down).
std::vector<uint8_t> FlipRows(const std::vector<uint8_t>& pixels, int rowBytes);

// Peak signal-to-noise ratio in dB of a B, G, R picture (top row first)
// against an R, G, B original.
double PsnrAgainst(const std::vector<uint8_t>& bgrTopDown, const samples::RgbPicture& original);

// MPEG-4 payloads of the moving test picture, and the pictures encoded.
struct Mpeg4Clip {
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<samples::RgbPicture> pictures;
};
Mpeg4Clip EncodeMpeg4Clip(int width, int height, int frames, int keyFrameInterval,
                          samples::TestScene scene = samples::TestScene::kBarsAndCounter);

// The bare libraries' decode of the clip's payloads in order: 24-bit
// B, G, R (rgb) or YUY2 rows, top row first.
std::vector<std::vector<uint8_t>> ReferenceMpeg4Pictures(const Mpeg4Clip& clip, bool rgb);

// Wavelet payloads of the moving test picture (a key frame every
// keyFrameInterval frames), with the encoder's reconstruction of each: the
// picture the decoder holds after it, as 24-bit B, G, R rows top row first.
struct WaveletClip {
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<std::vector<uint8_t>> reconstructed;
};
WaveletClip EncodeWaveletClip(int width, int height, int frames, int keyFrameInterval, int quality = 60);

}  // namespace bv::test
