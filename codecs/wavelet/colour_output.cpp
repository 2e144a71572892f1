#include "codecs/wavelet/colour_output.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BV_WAVELET_X86 1
#endif

namespace bv::wavelet {
namespace {

// The full-range BT.601 inverse in 16-bit steps: each product is
// (v * factor + 2^14) >> 15, the rounding high multiply of the vector units.
// R = Y + Cr' + 0.402 Cr', G = Y - 0.344136 Cb' - 0.714136 Cr',
// B = Y + Cb' + 0.772 Cb' (Cb' = Cb - 128, Cr' = Cr - 128).
constexpr int kCrToR = 13173;
constexpr int kCbToG = 11277;
constexpr int kCrToG = 23401;
constexpr int kCbToB = 25297;
inline int Product(int v, int factor) { return (v * factor + (1 << 14)) >> 15; }

// Studio-range scaling: ((2v + 1) * factor) >> 16 ~ v * 219/255 or 224/255.
constexpr int kLumaScale = 28142;
constexpr int kChromaScale = 28785;

inline uint8_t Clamp255(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }
inline uint8_t StudioLuma(int y) { return static_cast<uint8_t>(16 + (((2 * y + 1) * kLumaScale) >> 16)); }
inline uint8_t StudioChroma(int c) { return static_cast<uint8_t>(128 + (((2 * (c - 128) + 1) * kChromaScale) >> 16)); }

constexpr int kChromaRowLength = 704 / 2 + 64;

// The chroma of luma row y at half width, times 4: 3/4 of its own chroma
// row and 1/4 of the nearer neighbouring one (chroma samples sit between
// the two luma rows and the two luma columns they cover). The row is
// bordered by copies of its end samples at -1 and chromaWidth.
void VerticalChroma(const uint8_t* plane, int chromaWidth, int chromaHeight, int y, uint16_t* row) {
  const int j = y >> 1;
  const int k = (y & 1) ? std::min(j + 1, chromaHeight - 1) : std::max(j - 1, 0);
  const uint8_t* a = plane + j * chromaWidth;
  const uint8_t* b = plane + k * chromaWidth;
  int x = 0;
#if defined(BV_WAVELET_X86)
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 <= chromaWidth; x += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
    const __m128i aLo = _mm_unpacklo_epi8(va, zero), aHi = _mm_unpackhi_epi8(va, zero);
    const __m128i lo = _mm_add_epi16(_mm_add_epi16(aLo, _mm_slli_epi16(aLo, 1)), _mm_unpacklo_epi8(vb, zero));
    const __m128i hi = _mm_add_epi16(_mm_add_epi16(aHi, _mm_slli_epi16(aHi, 1)), _mm_unpackhi_epi8(vb, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x + 8), hi);
  }
#endif
  for (; x < chromaWidth; ++x) row[x] = static_cast<uint16_t>(3 * a[x] + b[x]);
  row[-1] = row[0];
  row[chromaWidth] = row[chromaWidth - 1];
}

// Full-width chroma from VerticalChroma's row: pixel 2i takes 3/4 of
// sample i and 1/4 of sample i - 1, pixel 2i + 1 1/4 of sample i + 1.
inline uint8_t LeftChroma(const uint16_t* v, int i) { return static_cast<uint8_t>((3 * v[i] + v[i - 1] + 8) >> 4); }
inline uint8_t RightChroma(const uint16_t* v, int i) { return static_cast<uint8_t>((3 * v[i] + v[i + 1] + 7) >> 4); }

void HorizontalChroma(const uint16_t* v, int chromaWidth, uint8_t* out) {
  int i = 0;
#if defined(BV_WAVELET_X86)
  const __m128i eight = _mm_set1_epi16(8), seven = _mm_set1_epi16(7);
  for (; i + 8 <= chromaWidth; i += 8) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i));
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i - 1));
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i + 1));
    const __m128i c3 = _mm_add_epi16(c, _mm_slli_epi16(c, 1));
    const __m128i even = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(c3, l), eight), 4);
    const __m128i odd = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(c3, r), seven), 4);
    const __m128i bytes = _mm_packus_epi16(_mm_unpacklo_epi16(even, odd), _mm_unpackhi_epi16(even, odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), bytes);
  }
#endif
  for (; i < chromaWidth; ++i) {
    out[2 * i] = LeftChroma(v, i);
    out[2 * i + 1] = RightChroma(v, i);
  }
}

void BgrRowScalar(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int from, int width, uint8_t* out) {
  for (int x = from; x < width; ++x) YCbCrToBgr(luma[x], cb[x], cr[x], out + 3 * x);
}

#if defined(BV_WAVELET_X86)
// Interleaves 16 B, G and R samples into 48 bytes with byte shuffles;
// compiled once per instruction set that uses it.
#define BV_DEFINE_STORE_BGR48(name, target_set)                                                         \
  __attribute__((target(target_set))) inline void name(__m128i b, __m128i g, __m128i r, uint8_t* out) { \
    const __m128i b0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);        \
    const __m128i g0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);       \
    const __m128i r0 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);       \
    const __m128i b1 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);      \
    const __m128i g1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);       \
    const __m128i r1 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);       \
    const __m128i b2 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);  \
    const __m128i g2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);  \
    const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);  \
    __m128i* dst = reinterpret_cast<__m128i*>(out);                                                   \
    _mm_storeu_si128(dst, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b0), _mm_shuffle_epi8(g, g0)), \
                                       _mm_shuffle_epi8(r, r0)));                                      \
    _mm_storeu_si128(dst + 1,                                                                          \
                     _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(g, g1)),      \
                                  _mm_shuffle_epi8(r, r1)));                                           \
    _mm_storeu_si128(dst + 2,                                                                          \
                     _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(g, g2)),      \
                                  _mm_shuffle_epi8(r, r2)));                                           \
  }
BV_DEFINE_STORE_BGR48(StoreBgr48Ssse3, "ssse3")
BV_DEFINE_STORE_BGR48(StoreBgr48Avx2, "avx2")
#undef BV_DEFINE_STORE_BGR48

__attribute__((target("avx2"))) inline __m256i Widen16(const uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
__attribute__((target("avx2"))) inline __m256i Narrow32(__m256i lo, __m256i hi) {
  return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
}

__attribute__((target("ssse3"))) int BgrRowSsse3(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr,
                                                  int width, uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(128);
  const __m128i crToR = _mm_set1_epi16(kCrToR), cbToG = _mm_set1_epi16(kCbToG);
  const __m128i crToG = _mm_set1_epi16(kCrToG), cbToB = _mm_set1_epi16(kCbToB);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i bgr[2][3];
    for (int half = 0; half < 2; ++half) {
      const int at = x + 8 * half;
      const __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma + at)), zero);
      const __m128i u =
          _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + at)), zero), bias);
      const __m128i v =
          _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + at)), zero), bias);
      bgr[half][0] = _mm_add_epi16(_mm_add_epi16(y, u), _mm_mulhrs_epi16(u, cbToB));
      bgr[half][1] = _mm_sub_epi16(_mm_sub_epi16(y, _mm_mulhrs_epi16(u, cbToG)), _mm_mulhrs_epi16(v, crToG));
      bgr[half][2] = _mm_add_epi16(_mm_add_epi16(y, v), _mm_mulhrs_epi16(v, crToR));
    }
    StoreBgr48Ssse3(_mm_packus_epi16(bgr[0][0], bgr[1][0]), _mm_packus_epi16(bgr[0][1], bgr[1][1]),
          _mm_packus_epi16(bgr[0][2], bgr[1][2]), out + 3 * x);
  }
  return x;
}

__attribute__((target("avx2"))) int BgrRowAvx2(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr,
                                                int width, uint8_t* out) {
  const __m256i bias = _mm256_set1_epi16(128);
  const __m256i crToR = _mm256_set1_epi16(kCrToR), cbToG = _mm256_set1_epi16(kCbToG);
  const __m256i crToG = _mm256_set1_epi16(kCrToG), cbToB = _mm256_set1_epi16(kCbToB);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    __m256i bgr[2][3];
    for (int half = 0; half < 2; ++half) {
      const int at = x + 16 * half;
      const __m256i y = Widen16(luma + at);
      const __m256i u = _mm256_sub_epi16(Widen16(cb + at), bias);
      const __m256i v = _mm256_sub_epi16(Widen16(cr + at), bias);
      bgr[half][0] = _mm256_add_epi16(_mm256_add_epi16(y, u), _mm256_mulhrs_epi16(u, cbToB));
      bgr[half][1] =
          _mm256_sub_epi16(_mm256_sub_epi16(y, _mm256_mulhrs_epi16(u, cbToG)), _mm256_mulhrs_epi16(v, crToG));
      bgr[half][2] = _mm256_add_epi16(_mm256_add_epi16(y, v), _mm256_mulhrs_epi16(v, crToR));
    }
    const __m256i b = Narrow32(bgr[0][0], bgr[1][0]);
    const __m256i g = Narrow32(bgr[0][1], bgr[1][1]);
    const __m256i r = Narrow32(bgr[0][2], bgr[1][2]);
    StoreBgr48Avx2(_mm256_castsi256_si128(b), _mm256_castsi256_si128(g), _mm256_castsi256_si128(r), out + 3 * x);
    StoreBgr48Avx2(_mm256_extracti128_si256(b, 1), _mm256_extracti128_si256(g, 1), _mm256_extracti128_si256(r, 1),
          out + 3 * x + 48);
  }
  return x;
}

using BgrRowKernel = int (*)(const uint8_t*, const uint8_t*, const uint8_t*, int, uint8_t*);

// The widest kernel this processor runs; it returns how many pixels it did.
BgrRowKernel ChooseBgrKernel() {
  if (__builtin_cpu_supports("avx2")) return BgrRowAvx2;
  if (__builtin_cpu_supports("ssse3")) return BgrRowSsse3;
  return nullptr;
}

#endif

void Yuy2Row(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int width, uint8_t* out) {
  int x = 0;
#if defined(BV_WAVELET_X86)
  const __m128i zero = _mm_setzero_si128();
  const __m128i lumaScale = _mm_set1_epi16(kLumaScale);
  const __m128i chromaScale = _mm_set1_epi16(kChromaScale);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i sixteen = _mm_set1_epi16(16);
  const __m128i bias = _mm_set1_epi16(128);
  auto studioLuma = [&](__m128i v) {
    return _mm_add_epi16(_mm_mulhi_epu16(_mm_or_si128(_mm_slli_epi16(v, 1), one), lumaScale), sixteen);
  };
  auto studioChroma = [&](__m128i v) {
    const __m128i c = _mm_or_si128(_mm_slli_epi16(_mm_sub_epi16(v, bias), 1), one);
    return _mm_add_epi16(_mm_mulhi_epi16(c, chromaScale), bias);
  };
  for (; x + 16 <= width; x += 16) {
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + x));
    const __m128i ys = _mm_packus_epi16(studioLuma(_mm_unpacklo_epi8(y, zero)), studioLuma(_mm_unpackhi_epi8(y, zero)));
    const __m128i u = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x / 2)), zero);
    const __m128i v = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + x / 2)), zero);
    const __m128i us = studioChroma(u), vs = studioChroma(v);
    const __m128i uv = _mm_packus_epi16(_mm_unpacklo_epi16(us, vs), _mm_unpackhi_epi16(us, vs));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi8(ys, uv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 16), _mm_unpackhi_epi8(ys, uv));
  }
#endif
  for (; x < width; x += 2) {
    out[2 * x] = StudioLuma(luma[x]);
    out[2 * x + 1] = StudioChroma(cb[x / 2]);
    out[2 * x + 2] = StudioLuma(luma[x + 1]);
    out[2 * x + 3] = StudioChroma(cr[x / 2]);
  }
}

}  // namespace

void YCbCrToBgr(int y, int cb, int cr, uint8_t* bgr) {
  const int u = cb - 128, v = cr - 128;
  bgr[0] = Clamp255(y + u + Product(u, kCbToB));
  bgr[1] = Clamp255(y - Product(u, kCbToG) - Product(v, kCrToG));
  bgr[2] = Clamp255(y + v + Product(v, kCrToR));
}

void WriteBgr(const PlaneView& p, uint8_t* out) {
  const int chromaWidth = p.width / 2, chromaHeight = p.height / 2;
  alignas(16) uint16_t vertical[kChromaRowLength];
  alignas(16) uint8_t cbRow[2 * kChromaRowLength];
  alignas(16) uint8_t crRow[2 * kChromaRowLength];
  for (int y = 0; y < p.height; ++y) {
    VerticalChroma(p.cb, chromaWidth, chromaHeight, y, vertical + 8);
    HorizontalChroma(vertical + 8, chromaWidth, cbRow);
    VerticalChroma(p.cr, chromaWidth, chromaHeight, y, vertical + 8);
    HorizontalChroma(vertical + 8, chromaWidth, crRow);
    const uint8_t* luma = p.luma + static_cast<ptrdiff_t>(y) * p.width;
    uint8_t* row = out + static_cast<ptrdiff_t>(y) * p.width * 3;
    int done = 0;
#if defined(BV_WAVELET_X86)
    static const BgrRowKernel kernel = ChooseBgrKernel();
    if (kernel) done = kernel(luma, cbRow, crRow, p.width, row);
#endif
    BgrRowScalar(luma, cbRow, crRow, done, p.width, row);
  }
}

// YUY2 carries one chroma pair per two pixels: the vertically interpolated
// sample of the pair.
void PairChroma(const uint16_t* v, int chromaWidth, uint8_t* out) {
  for (int i = 0; i < chromaWidth; ++i) out[i] = static_cast<uint8_t>((v[i] + 2) >> 2);
}

void WriteYuy2(const PlaneView& p, uint8_t* out) {
  const int chromaWidth = p.width / 2, chromaHeight = p.height / 2;
  alignas(16) uint16_t vertical[kChromaRowLength];
  alignas(16) uint8_t cbRow[kChromaRowLength];
  alignas(16) uint8_t crRow[kChromaRowLength];
  for (int y = 0; y < p.height; ++y) {
    VerticalChroma(p.cb, chromaWidth, chromaHeight, y, vertical + 8);
    PairChroma(vertical + 8, chromaWidth, cbRow);
    VerticalChroma(p.cr, chromaWidth, chromaHeight, y, vertical + 8);
    PairChroma(vertical + 8, chromaWidth, crRow);
    Yuy2Row(p.luma + static_cast<ptrdiff_t>(y) * p.width, cbRow, crRow, p.width,
            out + static_cast<ptrdiff_t>(y) * p.width * 2);
  }
}

}  // namespace bv::wavelet
