#pragma once
// The row operations of the inverse 5/3 lifting, in 16-bit arithmetic
// (sums wrap as int16_t does). Each instruction set has its own table of
// them; all tables give identical results.
#include <cstdint>

namespace bv::wavelet {

// Samples carry two fractional bits; 8-bit output adds this and shifts.
inline constexpr int kKeyRounding = (128 << 2) + 2;
inline constexpr int kDeltaRounding = 2;

struct LiftingKernels {
  const char* name;
  // Vertical steps over n samples:
  // even: out = s - ((d0 + d1 + 2) >> 2); odd: out = d + ((e0 + e1) >> 1).
  void (*liftEven)(const int16_t* s, const int16_t* d0, const int16_t* d1, int16_t* out, int n);
  void (*liftOdd)(const int16_t* d, const int16_t* e0, const int16_t* e1, int16_t* out, int n);
  // Horizontal step of one row held as [low (ceil(width/2)) | high
  // (floor(width/2))], width >= 2, into interleaved samples. scratch holds
  // width / 2 + 2 samples. The three forms differ in where the samples go:
  // 16-bit samples; 8-bit key-frame samples clamp((v + kKeyRounding) >> 2);
  // or added to 8-bit reference samples, clamp(p + ((v + 2) >> 2)).
  void (*rowToSamples)(const int16_t* row, int width, int16_t* scratch, int16_t* out);
  void (*rowToKey)(const int16_t* row, int width, int16_t* scratch, uint8_t* out);
  void (*rowToDelta)(const int16_t* row, int width, int16_t* scratch, uint8_t* picture);
};

// Plain C++, the reference for the others.
const LiftingKernels& PortableLiftingKernels();
// The fastest set this processor runs.
const LiftingKernels& SelectedLiftingKernels();
// Every set this processor runs (the portable one first); count in *count.
const LiftingKernels* const* AvailableLiftingKernels(int* count);

}  // namespace bv::wavelet
