#pragma once
// One block of a subband: its coded coefficients (rANS symbols plus sign
// and low bits from the raw section) turned into quantised values, and the
// quantised values into transform coefficients.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codecs/wavelet/rans_decoder.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

// The most symbols one block can take after its class: four sub-block
// classes and sixteen magnitudes in each sub-block.
inline constexpr int kMaxSymbolsAfterClass = 4 + 4 * kSubblockSize * kSubblockSize;

// The tables of one band type: consecutive by slot, with a bit per slot
// saying whether the payload has that table.
struct BandTables {
  const DecodeTable* first;
  uint32_t present;
  const DecodeTable* Slot(int slot) const { return ((present >> slot) & 1) ? first + slot : nullptr; }
};

// The signed quantised values of a block of class 1..15, as 8 rows of 8
// (16-byte aligned), positions past the band's edges included. False when
// the data needs a table the payload lacks or gives a sub-block a class
// above the block's.
bool DecodeBlockValues(CRansReader& rans, CBitReader& bits, const BandTables& tables, int blockClass,
                       int16_t* values);

// Reconstruction of a subband's coefficients: magnitude m becomes
// (m * step + bias) >> 4 (bias only for m != 0), saturated to 16 bits, with
// the value's sign.
struct Dequantiser {
  int step;  // SubbandStep of the band, below 2^15
  int bias;  // (step * reconstruction offset) >> 4
};

// Writes the block's width x height coefficients inside the band, rows
// stride apart.
void DequantiseBlock(const int16_t* values, int width, int height, const Dequantiser& dequantiser, int16_t* dst,
                     ptrdiff_t stride);

// Zeroes a block of coefficients.
inline void ClearBlock(int width, int height, int16_t* dst, ptrdiff_t stride) {
#if defined(__SSE2__)
  if (width == kBlockSize && height == kBlockSize) {
    const __m128i zero = _mm_setzero_si128();
    for (int r = 0; r < kBlockSize; ++r) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + r * stride), zero);
    return;
  }
#endif
  for (int r = 0; r < height; ++r) std::memset(dst + r * stride, 0, sizeof(int16_t) * width);
}

}  // namespace bv::wavelet
