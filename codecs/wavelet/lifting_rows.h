#pragma once
// Scalar pieces shared by every set of lifting kernels: the element-wise
// steps from a given index to the end (the vector kernels' tails), and the
// horizontal step's edges. Only for the lifting_kernels*.cpp files.
#include <cstdint>

#include "codecs/wavelet/lifting_kernels.h"

namespace bv::wavelet {

inline int16_t Wrap(int v) { return static_cast<int16_t>(v); }
inline uint8_t ClampToByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

inline void LiftEvenTail(const int16_t* s, const int16_t* d0, const int16_t* d1, int16_t* out, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = Wrap(s[i] - (Wrap(d0[i] + d1[i] + 2) >> 2));
}

inline void LiftOddTail(const int16_t* d, const int16_t* e0, const int16_t* e1, int16_t* out, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = Wrap(d[i] + (Wrap(e0[i] + e1[i]) >> 1));
}

struct RowHalves {
  const int16_t* low;
  const int16_t* high;
  int lowCount, highCount;
};

inline RowHalves SplitRow(const int16_t* row, int width) {
  const int lowCount = (width + 1) >> 1;
  return RowHalves{row, row + lowCount, lowCount, width >> 1};
}

// Even sample i, the high samples mirrored at both ends.
inline int16_t EvenAt(const RowHalves& h, int i) {
  const int16_t before = h.high[i > 0 ? i - 1 : 0];
  const int16_t after = h.high[i < h.highCount ? i : h.highCount - 1];
  return Wrap(h.low[i] - (Wrap(before + after + 2) >> 2));
}

// evens[from..lowCount), then evens[lowCount] mirroring the last one.
inline void EvensTail(const RowHalves& h, int16_t* evens, int from) {
  for (int i = from; i < h.lowCount; ++i) evens[i] = EvenAt(h, i);
  evens[h.lowCount] = evens[h.lowCount - 1];
}

// Output pairs from index from on; an odd width ends with a lone even sample.
template <typename Sink>
inline void OddsTail(const RowHalves& h, const int16_t* evens, int from, Sink&& sink) {
  for (int i = from; i < h.highCount; ++i) {
    sink.Put(2 * i, evens[i]);
    sink.Put(2 * i + 1, Wrap(h.high[i] + (Wrap(evens[i] + evens[i + 1]) >> 1)));
  }
  if (h.lowCount > h.highCount) sink.Put(2 * h.highCount, evens[h.highCount]);
}

struct SampleSink {
  int16_t* out;
  void Put(int at, int16_t v) const { out[at] = v; }
};
struct KeySink {
  uint8_t* out;
  void Put(int at, int16_t v) const { out[at] = ClampToByte(Wrap(v + kKeyRounding) >> 2); }
};
struct DeltaSink {
  uint8_t* picture;
  void Put(int at, int16_t v) const { picture[at] = ClampToByte(picture[at] + (Wrap(v + kDeltaRounding) >> 2)); }
};

#if defined(__x86_64__)
// Defined in lifting_kernels_avx2.cpp; only for processors with AVX2.
const LiftingKernels& Avx2LiftingKernels();
#endif

}  // namespace bv::wavelet
