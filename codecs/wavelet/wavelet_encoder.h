#pragma once
// The Wavelet encoder: RGB pictures in, complete payloads (prefix included)
// out. It decodes every payload it writes with the decoder's own code, so
// its reference for the next delta frame is exactly the picture the viewer
// will hold.
#include <cstdint>
#include <memory>
#include <vector>

namespace bv::wavelet {
struct DecoderWorkspace;
}

namespace bv {

class CWaveletEncoder {
 public:
  // quality 1..100 (values outside are clamped): 100 is the finest.
  explicit CWaveletEncoder(int quality);
  ~CWaveletEncoder();
  CWaveletEncoder(const CWaveletEncoder&) = delete;
  CWaveletEncoder& operator=(const CWaveletEncoder&) = delete;

  // rgb: R, G, B bytes per pixel, rows top-down, strideBytes apart. A delta
  // frame is written only when the last picture has the same size;
  // otherwise a key frame. Empty when the size is not supported.
  std::vector<uint8_t> Encode(const uint8_t* rgb, int width, int height, int strideBytes, bool keyFrame);

  // The picture the decoder holds after the last payload: Y, then Cb, then
  // Cr (width/2 x height/2 each), full-range BT.601.
  const std::vector<uint8_t>& ReconstructedLuma() const { return luma_; }
  const std::vector<uint8_t>& ReconstructedCb() const { return cb_; }
  const std::vector<uint8_t>& ReconstructedCr() const { return cr_; }
  // The same picture as 24-bit B, G, R rows, as the decoder writes it.
  std::vector<uint8_t> ReconstructedBgr() const;

  int Quality() const { return quality_; }
  // Quality in finer steps than whole numbers, e.g. to match a given PSNR.
  void SetQuality(double quality);

 private:
  std::vector<uint8_t> EncodeWithStep(const std::vector<int32_t> planes[3], int width, int height, bool delta,
                                      int lumaStep);
  bool AcceptPayload(const std::vector<uint8_t>& payload);

  int quality_;
  double fineQuality_;
  int width_ = 0;
  int height_ = 0;
  bool havePicture_ = false;
  bool lastWasKey_ = false;
  std::unique_ptr<wavelet::DecoderWorkspace> workspace_;
  std::vector<uint8_t> luma_, cb_, cr_;
  std::vector<uint8_t> record_;
};

}  // namespace bv
