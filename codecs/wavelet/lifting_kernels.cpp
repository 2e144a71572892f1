#include "codecs/wavelet/lifting_kernels.h"

#include "codecs/wavelet/lifting_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bv::wavelet {
namespace {

void LiftEvenPortable(const int16_t* s, const int16_t* d0, const int16_t* d1, int16_t* out, int n) {
  LiftEvenTail(s, d0, d1, out, 0, n);
}

void LiftOddPortable(const int16_t* d, const int16_t* e0, const int16_t* e1, int16_t* out, int n) {
  LiftOddTail(d, e0, e1, out, 0, n);
}

template <typename Sink>
void RowPortable(const int16_t* row, int width, int16_t* evens, Sink&& sink) {
  const RowHalves h = SplitRow(row, width);
  EvensTail(h, evens, 0);
  OddsTail(h, evens, 0, sink);
}

void RowToSamplesPortable(const int16_t* row, int width, int16_t* scratch, int16_t* out) {
  RowPortable(row, width, scratch, SampleSink{out});
}
void RowToKeyPortable(const int16_t* row, int width, int16_t* scratch, uint8_t* out) {
  RowPortable(row, width, scratch, KeySink{out});
}
void RowToDeltaPortable(const int16_t* row, int width, int16_t* scratch, uint8_t* picture) {
  RowPortable(row, width, scratch, DeltaSink{picture});
}

constexpr LiftingKernels kPortable{"portable",        LiftEvenPortable, LiftOddPortable, RowToSamplesPortable,
                                   RowToKeyPortable, RowToDeltaPortable};

#if defined(__SSE2__)
inline __m128i Load(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(int16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// s - ((a + b + 2) >> 2) and d + ((a + b) >> 1), eight samples at a time.
inline __m128i EvenOf(__m128i s, __m128i a, __m128i b) {
  return _mm_sub_epi16(s, _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(a, b), _mm_set1_epi16(2)), 2));
}
inline __m128i OddOf(__m128i d, __m128i a, __m128i b) {
  return _mm_add_epi16(d, _mm_srai_epi16(_mm_add_epi16(a, b), 1));
}

void LiftEvenSse2(const int16_t* s, const int16_t* d0, const int16_t* d1, int16_t* out, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) Store(out + i, EvenOf(Load(s + i), Load(d0 + i), Load(d1 + i)));
  // The last samples as one more vector overlapping the one before.
  if (i < n && n >= 8) Store(out + n - 8, EvenOf(Load(s + n - 8), Load(d0 + n - 8), Load(d1 + n - 8)));
  else LiftEvenTail(s, d0, d1, out, i, n);
}

void LiftOddSse2(const int16_t* d, const int16_t* e0, const int16_t* e1, int16_t* out, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) Store(out + i, OddOf(Load(d + i), Load(e0 + i), Load(e1 + i)));
  if (i < n && n >= 8) Store(out + n - 8, OddOf(Load(d + n - 8), Load(e0 + n - 8), Load(e1 + n - 8)));
  else LiftOddTail(d, e0, e1, out, i, n);
}

// Evens, then odds eight at a time; each group of eight pairs goes to
// put(at, evens, odds) with at the index of the first output sample.
// kOverlap: put() may write some output twice (it does not read what it
// writes), so the last samples go as one more vector overlapping the one
// before instead of one by one.
template <bool kOverlap, typename Put, typename Sink>
void RowSse2(const int16_t* row, int width, int16_t* evens, Put&& put, Sink&& sink) {
  const RowHalves h = SplitRow(row, width);
  evens[0] = EvenAt(h, 0);
  auto storeEvens = [&](int at) {
    Store(evens + at, EvenOf(Load(h.low + at), Load(h.high + at - 1), Load(h.high + at)));
  };
  int i = 1;
  for (; i + 8 <= h.highCount; i += 8) storeEvens(i);
  if (i < h.highCount && h.highCount >= 9) {
    storeEvens(h.highCount - 8);
    i = h.highCount;
  }
  EvensTail(h, evens, i);
  auto putOdds = [&](int at) {
    const __m128i e = Load(evens + at);
    put(2 * at, e, OddOf(Load(h.high + at), e, Load(evens + at + 1)));
  };
  i = 0;
  for (; i + 8 <= h.highCount; i += 8) putOdds(i);
  if (kOverlap && i < h.highCount && h.highCount >= 8) {
    putOdds(h.highCount - 8);
    i = h.highCount;
  }
  OddsTail(h, evens, i, sink);
}

void RowToSamplesSse2(const int16_t* row, int width, int16_t* scratch, int16_t* out) {
  RowSse2<true>(
      row, width, scratch,
      [out](int at, __m128i e, __m128i o) {
        Store(out + at, _mm_unpacklo_epi16(e, o));
        Store(out + at + 8, _mm_unpackhi_epi16(e, o));
      },
      SampleSink{out});
}

void RowToKeySse2(const int16_t* row, int width, int16_t* scratch, uint8_t* out) {
  const __m128i rounding = _mm_set1_epi16(kKeyRounding);
  RowSse2<true>(
      row, width, scratch,
      [out, rounding](int at, __m128i e, __m128i o) {
        const __m128i a = _mm_srai_epi16(_mm_add_epi16(_mm_unpacklo_epi16(e, o), rounding), 2);
        const __m128i b = _mm_srai_epi16(_mm_add_epi16(_mm_unpackhi_epi16(e, o), rounding), 2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(a, b));
      },
      KeySink{out});
}

void RowToDeltaSse2(const int16_t* row, int width, int16_t* scratch, uint8_t* picture) {
  const __m128i rounding = _mm_set1_epi16(kDeltaRounding);
  RowSse2<false>(
      row, width, scratch,
      [picture, rounding](int at, __m128i e, __m128i o) {
        const __m128i reference = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture + at));
        const __m128i zero = _mm_setzero_si128();
        const __m128i a = _mm_srai_epi16(_mm_add_epi16(_mm_unpacklo_epi16(e, o), rounding), 2);
        const __m128i b = _mm_srai_epi16(_mm_add_epi16(_mm_unpackhi_epi16(e, o), rounding), 2);
        const __m128i sumA = _mm_add_epi16(_mm_unpacklo_epi8(reference, zero), a);
        const __m128i sumB = _mm_add_epi16(_mm_unpackhi_epi8(reference, zero), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(picture + at), _mm_packus_epi16(sumA, sumB));
      },
      DeltaSink{picture});
}

constexpr LiftingKernels kSse2{"sse2", LiftEvenSse2, LiftOddSse2, RowToSamplesSse2, RowToKeySse2, RowToDeltaSse2};
#endif

}  // namespace

const LiftingKernels& PortableLiftingKernels() { return kPortable; }

const LiftingKernels* const* AvailableLiftingKernels(int* count) {
  static const LiftingKernels* available[3];
  static const int n = [] {
    int k = 0;
    available[k++] = &kPortable;
#if defined(__SSE2__)
    available[k++] = &kSse2;
#endif
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) available[k++] = &Avx2LiftingKernels();
#endif
    return k;
  }();
  *count = n;
  return available;
}

const LiftingKernels& SelectedLiftingKernels() {
  static const LiftingKernels& selected = [] () -> const LiftingKernels& {
    int count = 0;
    const LiftingKernels* const* available = AvailableLiftingKernels(&count);
    return *available[count - 1];
  }();
  return selected;
}

}  // namespace bv::wavelet
