#pragma once
// The bare library decode of MPEG-4 Part 2 stream data: libavcodec, then the
// same conversion the MPEG-4 module makes (libyuv to 24-bit B, G, R, or
// libswscale to packed YUY2, top row first). The reference that tests compare the module
// with and that `zrvtool bench --raw` times.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace bv::samples {

class CReferenceMpeg4Decoder {
 public:
  CReferenceMpeg4Decoder();
  ~CReferenceMpeg4Decoder();
  CReferenceMpeg4Decoder(const CReferenceMpeg4Decoder&) = delete;
  CReferenceMpeg4Decoder& operator=(const CReferenceMpeg4Decoder&) = delete;

  // Decodes the stream data of one picture (with its headers for a key
  // frame) and converts it into out when out is not null. False when no
  // picture came out or it does not fit capacity bytes.
  bool Decode(const uint8_t* data, size_t size, bool rgb, uint8_t* out, size_t capacity, int* width, int* height);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace bv::samples
