#include "codecs/wavelet/colour_output.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BV_WAVELET_X86 1
#endif

namespace bv::wavelet {
namespace {

// 14-bit fixed-point factors of the full-range BT.601 inverse.
constexpr int kCrToR = 22970;   // 1.402
constexpr int kCbToG = -5638;   // -0.344136
constexpr int kCrToG = -11700;  // -0.714136
constexpr int kCbToB = 29032;   // 1.772
constexpr int kRounding = 1 << 13;

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
// Chroma terms of 8 pixels: (pairs . factors + rounding) >> 14 as 16-bit.
__attribute__((target("ssse3"))) inline __m128i ChromaTerm(__m128i pairsLo, __m128i pairsHi, __m128i factors) {
  const __m128i rounding = _mm_set1_epi32(kRounding);
  const __m128i lo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsLo, factors), rounding), 14);
  const __m128i hi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsHi, factors), rounding), 14);
  return _mm_packs_epi32(lo, hi);
}

__attribute__((target("ssse3"))) void BgrRowSsse3(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr,
                                                   int width, uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(128);
  const __m128i rFactors = _mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(kCrToR) << 16));
  const __m128i gFactors =
      _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(kCrToG) << 16) | static_cast<uint16_t>(kCbToG)));
  const __m128i bFactors = _mm_set1_epi32(kCbToB);
  // Byte shuffles that interleave 16 B, G and R samples into 48 bytes.
  const __m128i b0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m128i g0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m128i r0 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i b1 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m128i g1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m128i r1 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m128i b2 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m128i g2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i cbFull = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + x));
    const __m128i crFull = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + x));
    const __m128i cbLo = _mm_sub_epi16(_mm_unpacklo_epi8(cbFull, zero), bias);
    const __m128i cbHi = _mm_sub_epi16(_mm_unpackhi_epi8(cbFull, zero), bias);
    const __m128i crLo = _mm_sub_epi16(_mm_unpacklo_epi8(crFull, zero), bias);
    const __m128i crHi = _mm_sub_epi16(_mm_unpackhi_epi8(crFull, zero), bias);
    // (cb, cr) pairs per pixel for the multiply-adds.
    const __m128i p0 = _mm_unpacklo_epi16(cbLo, crLo), p1 = _mm_unpackhi_epi16(cbLo, crLo);
    const __m128i p2 = _mm_unpacklo_epi16(cbHi, crHi), p3 = _mm_unpackhi_epi16(cbHi, crHi);
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + x));
    const __m128i yLo = _mm_unpacklo_epi8(y, zero), yHi = _mm_unpackhi_epi8(y, zero);
    const __m128i r = _mm_packus_epi16(_mm_add_epi16(yLo, ChromaTerm(p0, p1, rFactors)),
                                       _mm_add_epi16(yHi, ChromaTerm(p2, p3, rFactors)));
    const __m128i g = _mm_packus_epi16(_mm_add_epi16(yLo, ChromaTerm(p0, p1, gFactors)),
                                       _mm_add_epi16(yHi, ChromaTerm(p2, p3, gFactors)));
    const __m128i b = _mm_packus_epi16(_mm_add_epi16(yLo, ChromaTerm(p0, p1, bFactors)),
                                       _mm_add_epi16(yHi, ChromaTerm(p2, p3, bFactors)));
    __m128i* dst = reinterpret_cast<__m128i*>(out + 3 * x);
    _mm_storeu_si128(dst, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b0), _mm_shuffle_epi8(g, g0)),
                                       _mm_shuffle_epi8(r, r0)));
    _mm_storeu_si128(dst + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(g, g1)),
                                           _mm_shuffle_epi8(r, r1)));
    _mm_storeu_si128(dst + 2, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(g, g2)),
                                           _mm_shuffle_epi8(r, r2)));
  }
  BgrRowScalar(luma, cb, cr, x, width, out);
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
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
  bgr[0] = Clamp255(y + ((kCbToB * u + kRounding) >> 14));
  bgr[1] = Clamp255(y + ((kCbToG * u + kCrToG * v + kRounding) >> 14));
  bgr[2] = Clamp255(y + ((kCrToR * v + kRounding) >> 14));
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
#if defined(BV_WAVELET_X86)
    if (HasSsse3()) {
      BgrRowSsse3(luma, cbRow, crRow, p.width, row);
      continue;
    }
#endif
    BgrRowScalar(luma, cbRow, crRow, 0, p.width, row);
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
