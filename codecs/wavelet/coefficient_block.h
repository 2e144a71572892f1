#pragma once
// One block of a subband: its coded coefficients (rANS tokens plus sign and
// low bits from the raw section) turned into quantised values, and the
// quantised values into transform coefficients.
#include <cstddef>
#include <cstdint>

#include "codecs/wavelet/rans_decoder.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

inline constexpr int kBlockArea = kBlockSize * kBlockSize;

// Signed quantised values of a width x height block (rows kBlockSize apart
// in values) of class 1..kMaxClass. Reads exactly the block's symbols and
// bits; near the end of the rANS section it checks every word.
void DecodeBlockValues(CRansReader& rans, CBitReader& bits, const DecodeTable& table, int blockClass, int width,
                       int height, int16_t* values);

// Reconstruction of a subband's coefficients: magnitude m becomes
// (m * step + bias) >> 4 (bias only for m != 0), saturated to 16 bits, with
// the value's sign.
struct Dequantiser {
  int step;  // SubbandStep of the band, below 2^15
  int bias;  // (step * reconstruction offset) >> 4
};

// Writes the block's coefficients, rows stride apart.
void DequantiseBlock(const int16_t* values, int width, int height, const Dequantiser& dequantiser, int16_t* dst,
                     ptrdiff_t stride);

// Zeroes a block of coefficients.
void ClearBlock(int width, int height, int16_t* dst, ptrdiff_t stride);

}  // namespace bv::wavelet
