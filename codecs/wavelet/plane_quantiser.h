#pragma once
// Encoder side of one plane: dead-zone quantisation of its coefficients,
// block by block, and the block's symbols. Given the costs of the symbols
// (from an earlier pass over the same picture), each block's magnitudes are
// then chosen to lower distortion + lambda * bits: whole blocks, sub-blocks
// and lone small magnitudes are dropped where they cost more than they give.
#include <cstdint>

#include "codecs/wavelet/plane_geometry.h"
#include "codecs/wavelet/symbol_stream.h"

namespace bv::wavelet {

struct PlaneQuantiserSettings {
  int planeType = kLuma;
  int baseStep = 1;              // in 1/16 of a transform unit
  int reconstructionOffset = 0;  // in 1/16 of a step
  double distortionWeight = 1;   // how much an error in this plane weighs in the picture
  double lambda = 0;             // distortion (squared transform units, weighted) per bit
};

// How far above their magnitude the coded coefficients lie on average, in
// steps: the reconstruction offset that fits them best.
struct OffsetStatistics {
  double sum = 0;
  double count = 0;
};

// coefficients: the plane's subbands in the nested layout (stride = width).
// costs may be null: plain quantisation. stats may be null.
void QuantisePlane(const PlaneGeometry& geometry, const int32_t* coefficients, const PlaneQuantiserSettings& settings,
                   const CSymbolCosts* costs, CSymbolStream& stream, OffsetStatistics* stats);

}  // namespace bv::wavelet
