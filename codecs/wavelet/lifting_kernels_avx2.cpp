// The lifting kernels with 256-bit vectors: sixteen samples per step.
// Chosen at run time, only on processors that have AVX2.
#include "codecs/wavelet/lifting_kernels.h"
#include "codecs/wavelet/lifting_rows.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace bv::wavelet {
namespace {

#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

inline __m256i Load(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Store(int16_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

inline __m256i EvenOf(__m256i s, __m256i a, __m256i b) {
  return _mm256_sub_epi16(s, _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(a, b), _mm256_set1_epi16(2)), 2));
}
inline __m256i OddOf(__m256i d, __m256i a, __m256i b) {
  return _mm256_add_epi16(d, _mm256_srai_epi16(_mm256_add_epi16(a, b), 1));
}

void LiftEvenAvx2(const int16_t* s, const int16_t* d0, const int16_t* d1, int16_t* out, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16) Store(out + i, EvenOf(Load(s + i), Load(d0 + i), Load(d1 + i)));
  // The last samples as one more vector overlapping the one before.
  if (i < n && n >= 16) Store(out + n - 16, EvenOf(Load(s + n - 16), Load(d0 + n - 16), Load(d1 + n - 16)));
  else LiftEvenTail(s, d0, d1, out, i, n);
}

void LiftOddAvx2(const int16_t* d, const int16_t* e0, const int16_t* e1, int16_t* out, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16) Store(out + i, OddOf(Load(d + i), Load(e0 + i), Load(e1 + i)));
  if (i < n && n >= 16) Store(out + n - 16, OddOf(Load(d + n - 16), Load(e0 + n - 16), Load(e1 + n - 16)));
  else LiftOddTail(d, e0, e1, out, i, n);
}

// Sixteen evens and odds go to put() interleaved within each 128-bit half:
// lo holds output samples 0-7 and 16-23, hi 8-15 and 24-31, the order in
// which 256-bit byte packing and unpacking work.
// kOverlap: put() may write some output twice (it does not read what it
// writes), so the last samples go as one more vector overlapping the one
// before instead of one by one.
template <bool kOverlap, typename Put, typename Sink>
inline void RowAvx2(const int16_t* row, int width, int16_t* evens, Put&& put, Sink&& sink) {
  const RowHalves h = SplitRow(row, width);
  evens[0] = EvenAt(h, 0);
  auto storeEvens = [&](int at) {
    Store(evens + at, EvenOf(Load(h.low + at), Load(h.high + at - 1), Load(h.high + at)));
  };
  int i = 1;
  for (; i + 16 <= h.highCount; i += 16) storeEvens(i);
  if (i < h.highCount && h.highCount >= 17) {
    storeEvens(h.highCount - 16);
    i = h.highCount;
  }
  EvensTail(h, evens, i);
  auto putOdds = [&](int at) {
    const __m256i e = Load(evens + at);
    const __m256i o = OddOf(Load(h.high + at), e, Load(evens + at + 1));
    put(2 * at, _mm256_unpacklo_epi16(e, o), _mm256_unpackhi_epi16(e, o));
  };
  i = 0;
  for (; i + 16 <= h.highCount; i += 16) putOdds(i);
  if (kOverlap && i < h.highCount && h.highCount >= 16) {
    putOdds(h.highCount - 16);
    i = h.highCount;
  }
  OddsTail(h, evens, i, sink);
}

void RowToSamplesAvx2(const int16_t* row, int width, int16_t* scratch, int16_t* out) {
  RowAvx2<true>(
      row, width, scratch,
      [out](int at, __m256i lo, __m256i hi) {
        Store(out + at, _mm256_permute2x128_si256(lo, hi, 0x20));
        Store(out + at + 16, _mm256_permute2x128_si256(lo, hi, 0x31));
      },
      SampleSink{out});
}

void RowToKeyAvx2(const int16_t* row, int width, int16_t* scratch, uint8_t* out) {
  const __m256i rounding = _mm256_set1_epi16(kKeyRounding);
  RowAvx2<true>(
      row, width, scratch,
      [out, rounding](int at, __m256i lo, __m256i hi) {
        const __m256i a = _mm256_srai_epi16(_mm256_add_epi16(lo, rounding), 2);
        const __m256i b = _mm256_srai_epi16(_mm256_add_epi16(hi, rounding), 2);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), _mm256_packus_epi16(a, b));
      },
      KeySink{out});
}

void RowToDeltaAvx2(const int16_t* row, int width, int16_t* scratch, uint8_t* picture) {
  const __m256i rounding = _mm256_set1_epi16(kDeltaRounding);
  RowAvx2<false>(
      row, width, scratch,
      [picture, rounding](int at, __m256i lo, __m256i hi) {
        const __m256i reference = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(picture + at));
        const __m256i zero = _mm256_setzero_si256();
        const __m256i a = _mm256_srai_epi16(_mm256_add_epi16(lo, rounding), 2);
        const __m256i b = _mm256_srai_epi16(_mm256_add_epi16(hi, rounding), 2);
        const __m256i sumA = _mm256_add_epi16(_mm256_unpacklo_epi8(reference, zero), a);
        const __m256i sumB = _mm256_add_epi16(_mm256_unpackhi_epi8(reference, zero), b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(picture + at), _mm256_packus_epi16(sumA, sumB));
      },
      DeltaSink{picture});
}

#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

constexpr LiftingKernels kAvx2{"avx2", LiftEvenAvx2, LiftOddAvx2, RowToSamplesAvx2, RowToKeyAvx2, RowToDeltaAvx2};

}  // namespace

const LiftingKernels& Avx2LiftingKernels() { return kAvx2; }

}  // namespace bv::wavelet
#endif
