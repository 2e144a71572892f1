#include "tools/samples/reference_wavelet.h"

#include <cstdlib>

#include "base/format/codec_table.h"
#include "codecs/codec_module.h"
#include "codecs/mvia_dec.h"

namespace bv::samples {

void CReferenceWaveletDecoder::Free::operator()(uint8_t* p) const { std::free(p); }

CReferenceWaveletDecoder::CReferenceWaveletDecoder()
    : block_(static_cast<uint8_t*>(std::calloc(kWaveletWorkBlockSize, 1))) {
  if (CCodecModule* module = CCodecModule::Load(CodecInfo(kCodecWavelet).moduleFile)) {
    entry_ = module->Function<WaveletDecodeFn>(kWaveletDecodeSymbol);
  }
}

int CReferenceWaveletDecoder::Decode(uint8_t* payload, uint32_t payloadSize, uint8_t* output, bool rgb) {
  if (!Available()) return -1;
  uint8_t* b = block_.get();
  const size_t* o = kWaveletPlaneOffsets;
  return entry_(b, b + o[0], b + o[1], b + o[2], b + o[3], b + o[4], b + o[5], b + o[6], payload, output, 0,
                rgb ? 1 : 0, 0, 2, payloadSize);
}

}  // namespace bv::samples
