#pragma once
// Inverse 5/3 lifting of one plane, level by level from the coarsest, row
// pair by row pair (vertical then horizontal lifting while the rows are in
// cache). The finest level writes 8-bit samples: a key frame's directly, a
// delta frame's added to the reference already in the picture.
#include <cstdint>

#include "codecs/wavelet/lifting_kernels.h"
#include "codecs/wavelet/plane_geometry.h"

namespace bv::wavelet {

inline constexpr int kRowPadding = 32;
inline constexpr int kSynthesisRowLength = kMaxWidth + kRowPadding;
inline constexpr int kSynthesisRows = 4;

struct SynthesisBuffers {
  // Two buffers for the intermediate low bands, each of at least
  // levelWidth[1] * levelHeight[1] samples.
  int16_t* low[2];
  // kSynthesisRows rows of kSynthesisRowLength samples.
  int16_t* rows;
};

// coefficients: the plane's subbands, stride = geometry.width. picture:
// 8-bit samples, stride = geometry.width; read too when delta is true.
void SynthesizePlane(const PlaneGeometry& geometry, const int16_t* coefficients, const SynthesisBuffers& buffers,
                     uint8_t* picture, bool delta);
// The same with a given set of kernels (all give the same result).
void SynthesizePlane(const PlaneGeometry& geometry, const int16_t* coefficients, const SynthesisBuffers& buffers,
                     uint8_t* picture, bool delta, const LiftingKernels& kernels);

// The forward transform, for the encoder: samples in (value - 128) * 4
// form, transformed in place into the same layout (stride = width).
void AnalyzePlane(const PlaneGeometry& geometry, int32_t* samples);

}  // namespace bv::wavelet
