#pragma once
// The Wavelet decoder module alone, called on a work block of the viewer's
// layout: the reference that `zrvtool bench --raw` and the benchmarks time
// the viewer's Wavelet decoding against.
#include <cstdint>
#include <memory>

#include "codecs/module_abi.h"

namespace bv::samples {

class CReferenceWaveletDecoder {
 public:
  // Loads "decoderdll.dll" from the system directory.
  CReferenceWaveletDecoder();
  bool Available() const { return entry_ != nullptr && block_ != nullptr; }
  // payload: payloadSize bytes (the record's payload size); output: the
  // picture buffer's 0x129000 bytes. The module's result (negative when it
  // refuses the payload).
  int Decode(uint8_t* payload, uint32_t payloadSize, uint8_t* output, bool rgb);

 private:
  struct Free {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, Free> block_;
  WaveletDecodeFn entry_ = nullptr;
};

}  // namespace bv::samples
