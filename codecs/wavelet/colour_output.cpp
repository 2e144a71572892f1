#include "codecs/wavelet/colour_output.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "codecs/wavelet/colour_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BV_WAVELET_X86 1
#endif

namespace bv::wavelet {
namespace {

inline int Product(int v, int factor) { return (v * factor + (1 << 14)) >> 15; }

// Studio-range scaling: ((2v + 1) * factor) >> 16 ~ v * 219/255 or 224/255.
constexpr int kLumaScale = 28142;
constexpr int kChromaScale = 28785;

inline uint8_t Clamp255(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }
inline uint8_t StudioLuma(int y) { return static_cast<uint8_t>(16 + (((2 * y + 1) * kLumaScale) >> 16)); }
inline uint8_t StudioChroma(int c) { return static_cast<uint8_t>(128 + (((2 * (c - 128) + 1) * kChromaScale) >> 16)); }

constexpr int kChromaRowLength = 704 / 2 + 64;
constexpr int kBorder = 8;  // room before a vertical chroma row for its left border

// The chroma of luma row y at half width, times 4: 3/4 of its own chroma
// row and 1/4 of the nearer neighbouring one (chroma samples sit between
// the two luma rows and the two luma columns they cover). The row is
// bordered by copies of its end samples at -1 and chromaWidth.
void VerticalChroma(const ColourKernels& k, const uint8_t* plane, int chromaWidth, int chromaHeight, int y,
                    uint16_t* row) {
  const int j = y >> 1;
  const int neighbour = (y & 1) ? std::min(j + 1, chromaHeight - 1) : std::max(j - 1, 0);
  k.verticalChroma(plane + j * chromaWidth, plane + neighbour * chromaWidth, chromaWidth, row);
  row[-1] = row[0];
  row[chromaWidth] = row[chromaWidth - 1];
}

// Pixel 2i takes 3/4 of vertical sample i and 1/4 of sample i - 1, pixel
// 2i + 1 1/4 of sample i + 1.
inline int LeftChroma(const uint16_t* v, int i) { return (3 * v[i] + v[i - 1] + 8) >> 4; }
inline int RightChroma(const uint16_t* v, int i) { return (3 * v[i] + v[i + 1] + 7) >> 4; }

void VerticalChromaPortable(const uint8_t* own, const uint8_t* neighbour, int n, uint16_t* row) {
  for (int x = 0; x < n; ++x) row[x] = static_cast<uint16_t>(3 * own[x] + neighbour[x]);
}

int BgrRowPortable(const uint8_t* luma, const uint16_t* cbVertical, const uint16_t* crVertical, int chromaWidth,
                   uint8_t* out) {
  for (int i = 0; i < chromaWidth; ++i) {
    YCbCrToBgr(luma[2 * i], LeftChroma(cbVertical, i), LeftChroma(crVertical, i), out + 6 * i);
    YCbCrToBgr(luma[2 * i + 1], RightChroma(cbVertical, i), RightChroma(crVertical, i), out + 6 * i + 3);
  }
  return chromaWidth;
}

constexpr ColourKernels kPortable{"portable", VerticalChromaPortable, BgrRowPortable};

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

const ColourKernels& PortableColourKernels() { return kPortable; }

const ColourKernels* const* AvailableColourKernels(int* count) {
  static const ColourKernels* available[3];
  static const int n = [] {
    int k = 0;
    available[k++] = &kPortable;
#if defined(BV_WAVELET_X86)
    if (__builtin_cpu_supports("ssse3")) available[k++] = &Ssse3ColourKernels();
    if (__builtin_cpu_supports("avx2")) available[k++] = &Avx2ColourKernels();
#endif
    return k;
  }();
  *count = n;
  return available;
}

const ColourKernels& SelectedColourKernels() {
  static const ColourKernels& selected = []() -> const ColourKernels& {
    int count = 0;
    const ColourKernels* const* available = AvailableColourKernels(&count);
    return *available[count - 1];
  }();
  return selected;
}

void WriteBgr(const PlaneView& p, uint8_t* out, const ColourKernels& k) {
  const int chromaWidth = p.width / 2, chromaHeight = p.height / 2;
  alignas(32) uint16_t cbVertical[kChromaRowLength];
  alignas(32) uint16_t crVertical[kChromaRowLength];
  uint16_t* cb = cbVertical + kBorder;
  uint16_t* cr = crVertical + kBorder;
  for (int y = 0; y < p.height; ++y) {
    VerticalChroma(k, p.cb, chromaWidth, chromaHeight, y, cb);
    VerticalChroma(k, p.cr, chromaWidth, chromaHeight, y, cr);
    const uint8_t* luma = p.luma + static_cast<std::ptrdiff_t>(y) * p.width;
    uint8_t* row = out + static_cast<std::ptrdiff_t>(y) * p.width * 3;
    const int done = k.bgrRow(luma, cb, cr, chromaWidth, row);
    BgrRowPortable(luma + 2 * done, cb + done, cr + done, chromaWidth - done, row + 6 * done);
  }
}

void WriteBgr(const PlaneView& p, uint8_t* out) { WriteBgr(p, out, SelectedColourKernels()); }

namespace {

// YUY2 carries one chroma pair per two pixels: the vertically interpolated
// sample of the pair.
void PairChroma(const uint16_t* v, int chromaWidth, uint8_t* out) {
  for (int i = 0; i < chromaWidth; ++i) out[i] = static_cast<uint8_t>((v[i] + 2) >> 2);
}

}  // namespace

void WriteYuy2(const PlaneView& p, uint8_t* out) {
  const ColourKernels& k = SelectedColourKernels();
  const int chromaWidth = p.width / 2, chromaHeight = p.height / 2;
  alignas(16) uint16_t vertical[kChromaRowLength];
  alignas(16) uint8_t cbRow[kChromaRowLength];
  alignas(16) uint8_t crRow[kChromaRowLength];
  for (int y = 0; y < p.height; ++y) {
    VerticalChroma(k, p.cb, chromaWidth, chromaHeight, y, vertical + kBorder);
    PairChroma(vertical + kBorder, chromaWidth, cbRow);
    VerticalChroma(k, p.cr, chromaWidth, chromaHeight, y, vertical + kBorder);
    PairChroma(vertical + kBorder, chromaWidth, crRow);
    Yuy2Row(p.luma + static_cast<std::ptrdiff_t>(y) * p.width, cbRow, crRow, p.width,
            out + static_cast<std::ptrdiff_t>(y) * p.width * 2);
  }
}

}  // namespace bv::wavelet
