#pragma once
// The bare library decode of a JPEG image with libjpeg-turbo: the reference
// that tests compare the MJPEG driver with and that `zrvtool bench --raw`
// times. One image, top row first, nothing else around it.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace bv::samples {

class CReferenceJpegDecoder {
 public:
  enum class Output { kBgr, kYcbcr };  // 3 bytes per pixel either way

  CReferenceJpegDecoder();
  ~CReferenceJpegDecoder();
  CReferenceJpegDecoder(const CReferenceJpegDecoder&) = delete;
  CReferenceJpegDecoder& operator=(const CReferenceJpegDecoder&) = delete;

  // Decodes the image at jpeg into out (capacity bytes) and gives its size.
  // False on a library error or warning, or when out is too small.
  bool Decode(const uint8_t* jpeg, size_t size, Output output, bool fancyUpsampling, uint8_t* out,
              size_t capacity, int* width, int* height);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace bv::samples
