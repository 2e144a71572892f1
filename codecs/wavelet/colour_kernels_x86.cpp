// Colour output rows with 128-bit (SSSE3) and 256-bit (AVX2) vectors,
// chosen at run time. Even and odd pixels are computed apart, each with its
// own horizontally interpolated chroma, and interleaved only as bytes.
#include "codecs/wavelet/colour_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace bv::wavelet {
namespace {

#ifdef __clang__
#pragma clang attribute push(__attribute__((target("ssse3"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif

void VerticalChromaSse2(const uint8_t* own, const uint8_t* neighbour, int n, uint16_t* row) {
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(own + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(neighbour + x));
    const __m128i aLo = _mm_unpacklo_epi8(a, zero), aHi = _mm_unpackhi_epi8(a, zero);
    const __m128i lo = _mm_add_epi16(_mm_add_epi16(aLo, _mm_slli_epi16(aLo, 1)), _mm_unpacklo_epi8(b, zero));
    const __m128i hi = _mm_add_epi16(_mm_add_epi16(aHi, _mm_slli_epi16(aHi, 1)), _mm_unpackhi_epi8(b, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x + 8), hi);
  }
  for (; x < n; ++x) row[x] = static_cast<uint16_t>(3 * own[x] + neighbour[x]);
}

// Interleaves 16 B, G and R bytes into 48 bytes.
inline void StoreBgr48(__m128i b, __m128i g, __m128i r, uint8_t* out) {
  const __m128i b0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m128i g0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m128i r0 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i b1 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m128i g1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m128i r1 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m128i b2 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m128i g2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  __m128i* dst = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(dst, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b0), _mm_shuffle_epi8(g, g0)),
                                     _mm_shuffle_epi8(r, r0)));
  _mm_storeu_si128(dst + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(g, g1)),
                                         _mm_shuffle_epi8(r, r1)));
  _mm_storeu_si128(dst + 2, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(g, g2)),
                                         _mm_shuffle_epi8(r, r2)));
}

// Even (left) and odd (right) pixel chroma of 8 chroma samples, centred
// on 128.
inline void HorizontalChroma8(const uint16_t* v, __m128i* even, __m128i* odd) {
  const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v));
  const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v - 1));
  const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 1));
  const __m128i c3 = _mm_add_epi16(c, _mm_slli_epi16(c, 1));
  const __m128i bias = _mm_set1_epi16(128);
  *even = _mm_sub_epi16(_mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(c3, l), _mm_set1_epi16(8)), 4), bias);
  *odd = _mm_sub_epi16(_mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(c3, r), _mm_set1_epi16(7)), 4), bias);
}

struct Bgr16 {
  __m128i b, g, r;
};
inline Bgr16 Convert8(__m128i y, __m128i u, __m128i v) {
  const __m128i b = _mm_add_epi16(_mm_add_epi16(y, u), _mm_mulhrs_epi16(u, _mm_set1_epi16(kCbToB)));
  const __m128i g = _mm_sub_epi16(_mm_sub_epi16(y, _mm_mulhrs_epi16(u, _mm_set1_epi16(kCbToG))),
                                  _mm_mulhrs_epi16(v, _mm_set1_epi16(kCrToG)));
  const __m128i r = _mm_add_epi16(_mm_add_epi16(y, v), _mm_mulhrs_epi16(v, _mm_set1_epi16(kCrToR)));
  return Bgr16{b, g, r};
}

// Eight even and eight odd values to sixteen bytes in pixel order.
inline __m128i Interleave16(__m128i even, __m128i odd) {
  const __m128i order = _mm_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
  return _mm_shuffle_epi8(_mm_packus_epi16(even, odd), order);
}

int BgrRowSsse3(const uint8_t* luma, const uint16_t* cbVertical, const uint16_t* crVertical, int chromaWidth,
                uint8_t* out) {
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  int i = 0;
  for (; i + 8 <= chromaWidth; i += 8) {
    __m128i uEven, uOdd, vEven, vOdd;
    HorizontalChroma8(cbVertical + i, &uEven, &uOdd);
    HorizontalChroma8(crVertical + i, &vEven, &vOdd);
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + 2 * i));
    const Bgr16 even = Convert8(_mm_and_si128(y, lowByte), uEven, vEven);
    const Bgr16 odd = Convert8(_mm_srli_epi16(y, 8), uOdd, vOdd);
    StoreBgr48(Interleave16(even.b, odd.b), Interleave16(even.g, odd.g), Interleave16(even.r, odd.r),
               out + 6 * i);
  }
  return i;
}

#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

void VerticalChromaAvx2(const uint8_t* own, const uint8_t* neighbour, int n, uint16_t* row) {
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(own + x)));
    const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(neighbour + x)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x),
                        _mm256_add_epi16(_mm256_add_epi16(a, _mm256_slli_epi16(a, 1)), b));
  }
  for (; x < n; ++x) row[x] = static_cast<uint16_t>(3 * own[x] + neighbour[x]);
}

inline void HorizontalChroma16(const uint16_t* v, __m256i* even, __m256i* odd) {
  const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v));
  const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v - 1));
  const __m256i r = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + 1));
  const __m256i c3 = _mm256_add_epi16(c, _mm256_slli_epi16(c, 1));
  const __m256i bias = _mm256_set1_epi16(128);
  *even = _mm256_sub_epi16(_mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(c3, l), _mm256_set1_epi16(8)), 4),
                           bias);
  *odd = _mm256_sub_epi16(_mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(c3, r), _mm256_set1_epi16(7)), 4),
                          bias);
}

struct Bgr32 {
  __m256i b, g, r;
};
inline Bgr32 Convert16(__m256i y, __m256i u, __m256i v) {
  const __m256i b = _mm256_add_epi16(_mm256_add_epi16(y, u), _mm256_mulhrs_epi16(u, _mm256_set1_epi16(kCbToB)));
  const __m256i g = _mm256_sub_epi16(_mm256_sub_epi16(y, _mm256_mulhrs_epi16(u, _mm256_set1_epi16(kCbToG))),
                                     _mm256_mulhrs_epi16(v, _mm256_set1_epi16(kCrToG)));
  const __m256i r = _mm256_add_epi16(_mm256_add_epi16(y, v), _mm256_mulhrs_epi16(v, _mm256_set1_epi16(kCrToR)));
  return Bgr32{b, g, r};
}

// Sixteen even and odd values to 32 bytes: pixels 0-15 in the low half,
// 16-31 in the high half.
inline __m256i Interleave32(__m256i even, __m256i odd) {
  const __m256i order = _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 0, 8, 1, 9, 2, 10, 3,
                                         11, 4, 12, 5, 13, 6, 14, 7, 15);
  return _mm256_shuffle_epi8(_mm256_packus_epi16(even, odd), order);
}

// 32 pixels of B, G, R bytes to 96 bytes: each half interleaved on its
// own, then the six 16-byte pieces put in order.
inline void StoreBgr96(__m256i b, __m256i g, __m256i r, uint8_t* out) {
  const __m256i b0 = _mm256_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5, 0, -1, -1, 1, -1, -1,
                                      2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m256i g0 = _mm256_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, -1, 0, -1, -1, 1,
                                      -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m256i r0 = _mm256_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, -1, 0, -1, -1,
                                      1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m256i b1 = _mm256_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1, -1, -1, 6, -1, -1,
                                      7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m256i g1 = _mm256_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, 5, -1, -1, 6, -1, -1,
                                      7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m256i r1 = _mm256_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, -1, 5, -1, -1, 6,
                                      -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m256i b2 = _mm256_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1, -1, 11, -1, -1,
                                      12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m256i g2 = _mm256_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1, -1, 11, -1,
                                      -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m256i r2 = _mm256_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, 10, -1, -1, 11,
                                      -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  const __m256i x0 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, b0), _mm256_shuffle_epi8(g, g0)),
                                     _mm256_shuffle_epi8(r, r0));
  const __m256i x1 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, b1), _mm256_shuffle_epi8(g, g1)),
                                     _mm256_shuffle_epi8(r, r1));
  const __m256i x2 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, b2), _mm256_shuffle_epi8(g, g2)),
                                     _mm256_shuffle_epi8(r, r2));
  __m256i* dst = reinterpret_cast<__m256i*>(out);
  _mm256_storeu_si256(dst, _mm256_permute2x128_si256(x0, x1, 0x20));
  _mm256_storeu_si256(dst + 1, _mm256_permute2x128_si256(x2, x0, 0x30));
  _mm256_storeu_si256(dst + 2, _mm256_permute2x128_si256(x1, x2, 0x31));
}

int BgrRowAvx2(const uint8_t* luma, const uint16_t* cbVertical, const uint16_t* crVertical, int chromaWidth,
               uint8_t* out) {
  const __m256i lowByte = _mm256_set1_epi16(0xFF);
  int i = 0;
  for (; i + 16 <= chromaWidth; i += 16) {
    __m256i uEven, uOdd, vEven, vOdd;
    HorizontalChroma16(cbVertical + i, &uEven, &uOdd);
    HorizontalChroma16(crVertical + i, &vEven, &vOdd);
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + 2 * i));
    const Bgr32 even = Convert16(_mm256_and_si256(y, lowByte), uEven, vEven);
    const Bgr32 odd = Convert16(_mm256_srli_epi16(y, 8), uOdd, vOdd);
    StoreBgr96(Interleave32(even.b, odd.b), Interleave32(even.g, odd.g), Interleave32(even.r, odd.r), out + 6 * i);
  }
  return i;
}

#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

constexpr ColourKernels kSsse3{"ssse3", VerticalChromaSse2, BgrRowSsse3};
constexpr ColourKernels kAvx2{"avx2", VerticalChromaAvx2, BgrRowAvx2};

}  // namespace

const ColourKernels& Ssse3ColourKernels() { return kSsse3; }
const ColourKernels& Avx2ColourKernels() { return kAvx2; }

}  // namespace bv::wavelet
#endif
