#include "codecs/zrmp4/bgr24_rows.h"

#include <algorithm>

#include <libyuv/convert_argb.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace bv::zrmp4 {
namespace {

// The matrix in libyuv's fixed point: luma as y * 0x0101 times kYScale,
// high 16 bits, plus kYBias; chroma (biased by -128) times 7-bit factors;
// sums shifted down by 6 and clamped to a byte. (The vector rows saturate
// the sums to 16 bits first, which only ever touches sums above 255 << 6.)
constexpr int kYScale = 18997;
constexpr int kYBias = -1160;
constexpr int kUToB = 128;
constexpr int kUToG = 25;
constexpr int kVToG = 52;
constexpr int kVToR = 102;

inline uint8_t Channel(int sum) {
  return static_cast<uint8_t>(std::clamp(sum >> 6, 0, 255));
}

// The luma term wraps as the vector units' 16-bit add does.
inline int LumaTerm(int y) { return static_cast<int16_t>(((y * 0x0101 * kYScale) >> 16) + kYBias); }

void PortableRowFrom(int x, const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width) {
  for (; x < width; ++x) {
    const int luma = LumaTerm(y[x]);
    const int cb = u[x / 2] - 128, cr = v[x / 2] - 128;
    out[3 * x] = Channel(luma + kUToB * cb);
    out[3 * x + 1] = Channel(luma - (kUToG * cb + kVToG * cr));
    out[3 * x + 2] = Channel(luma + kVToR * cr);
  }
}

void PortableRow(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width) {
  PortableRowFrom(0, y, u, v, out, width);
}

#if defined(__x86_64__)
#define BV_AVX2 __attribute__((target("avx2")))

// Each 16-bit lane holds (chroma factor for u, factor for v) as bytes, the
// layout _mm256_maddubs_epi16 multiplies interleaved (u, v) pairs with.
BV_AVX2 inline __m256i Factors(int forU, int forV) {
  return _mm256_set1_epi16(static_cast<int16_t>((forV << 8) | forU));
}

// A channel's 16-bit sums in libyuv's fixed point down to whole values.
BV_AVX2 inline __m256i Shifted(__m256i sum) { return _mm256_srai_epi16(sum, 6); }

// 8 B, G, R, x pixels of a 256-bit register (4 per half) to 24 bytes.
BV_AVX2 inline __m256i Pack24(__m256i bgrx) {
  const __m256i bytes = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                         0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i words = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
  return _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(bgrx, bytes), words);
}

BV_AVX2 void Avx2Row(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width) {
  const __m256i chromaBias = _mm256_set1_epi8(static_cast<char>(0x80));
  const __m256i yScale = _mm256_set1_epi16(kYScale);
  const __m256i yBias = _mm256_set1_epi16(kYBias);
  const __m256i toB = Factors(kUToB, 0), toG = Factors(kUToG, kVToG), toR = Factors(0, kVToR);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    // Unpacking works within each 128-bit half: "lo" holds pixels 0-7 and
    // 16-23, "hi" pixels 8-15 and 24-31, and packing puts them back in order.
    const __m256i luma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + x));
    const __m128i cb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2));
    const __m128i cr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2));
    const __m128i pairsA = _mm_unpacklo_epi8(cb, cr), pairsB = _mm_unpackhi_epi8(cb, cr);
    const __m256i uvLo = _mm256_sub_epi8(
        _mm256_set_m128i(_mm_unpacklo_epi16(pairsB, pairsB), _mm_unpacklo_epi16(pairsA, pairsA)), chromaBias);
    const __m256i uvHi = _mm256_sub_epi8(
        _mm256_set_m128i(_mm_unpackhi_epi16(pairsB, pairsB), _mm_unpackhi_epi16(pairsA, pairsA)), chromaBias);
    const __m256i yLo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(luma, luma), yScale), yBias);
    const __m256i yHi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(luma, luma), yScale), yBias);
    const __m256i b = _mm256_packus_epi16(Shifted(_mm256_adds_epi16(yLo, _mm256_maddubs_epi16(toB, uvLo))),
                                          Shifted(_mm256_adds_epi16(yHi, _mm256_maddubs_epi16(toB, uvHi))));
    const __m256i g = _mm256_packus_epi16(Shifted(_mm256_subs_epi16(yLo, _mm256_maddubs_epi16(toG, uvLo))),
                                          Shifted(_mm256_subs_epi16(yHi, _mm256_maddubs_epi16(toG, uvHi))));
    const __m256i r = _mm256_packus_epi16(Shifted(_mm256_adds_epi16(yLo, _mm256_maddubs_epi16(toR, uvLo))),
                                          Shifted(_mm256_adds_epi16(yHi, _mm256_maddubs_epi16(toR, uvHi))));
    // B, G, R, R bytes per pixel; the halves hold pixels 0-3 | 16-19 (q0),
    // 4-7 | 20-23 (q1), 8-11 | 24-27 (q2), 12-15 | 28-31 (q3).
    const __m256i bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
    const __m256i rrLo = _mm256_unpacklo_epi8(r, r), rrHi = _mm256_unpackhi_epi8(r, r);
    const __m256i q0 = _mm256_unpacklo_epi16(bgLo, rrLo), q1 = _mm256_unpackhi_epi16(bgLo, rrLo);
    const __m256i q2 = _mm256_unpacklo_epi16(bgHi, rrHi), q3 = _mm256_unpackhi_epi16(bgHi, rrHi);
    uint8_t* o = out + 3 * x;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), Pack24(_mm256_permute2x128_si256(q0, q1, 0x20)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 24), Pack24(_mm256_permute2x128_si256(q2, q3, 0x20)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 48), Pack24(_mm256_permute2x128_si256(q0, q1, 0x31)));
    // The last 24 bytes end the 96: no store past them.
    const __m256i last = Pack24(_mm256_permute2x128_si256(q2, q3, 0x31));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 72), _mm256_castsi256_si128(last));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 88), _mm256_extracti128_si256(last, 1));
  }
  PortableRowFrom(x, y, u, v, out, width);
}

#undef BV_AVX2
#endif

}  // namespace

Bgr24Row PortableBgr24Row() { return &PortableRow; }

Bgr24Row Avx2Bgr24Row() {
#if defined(__x86_64__)
  static const bool available = __builtin_cpu_supports("avx2");
  return available ? &Avx2Row : nullptr;
#else
  return nullptr;
#endif
}

namespace {

// Asks for the bytes at p.. into the processor's cache ahead of their use.
void PrefetchRange(const uint8_t* p, int bytes) {
  for (int i = 0; i < bytes; i += 64) __builtin_prefetch(p + i);
}

}  // namespace

void I420ToBgr24(const I420Planes& planes, uint8_t* out, ptrdiff_t outStride, int width, int height, Bgr24Row row) {
  // Kept pictures are converted long after they were written, from memory
  // rather than the processor's cache: asking for the rows a few ahead keeps
  // the conversion from waiting on every line (about 65 us a 704 x 576
  // picture on a 2-core machine), and costs nothing where they are cached.
  constexpr int kAhead = 4;
  for (int r = 0; r < height; ++r) {
    if (r + kAhead < height) {
      PrefetchRange(planes.y + static_cast<ptrdiff_t>(r + kAhead) * planes.yStride, width);
      if (r % 2 == 0) {
        PrefetchRange(planes.u + static_cast<ptrdiff_t>((r + kAhead) / 2) * planes.uStride, (width + 1) / 2);
        PrefetchRange(planes.v + static_cast<ptrdiff_t>((r + kAhead) / 2) * planes.vStride, (width + 1) / 2);
      }
    }
    row(planes.y + static_cast<ptrdiff_t>(r) * planes.yStride, planes.u + static_cast<ptrdiff_t>(r / 2) * planes.uStride,
        planes.v + static_cast<ptrdiff_t>(r / 2) * planes.vStride, out + r * outStride, width);
  }
}

bool ConvertI420ToBgr24(const I420Planes& planes, uint8_t* out, int width, int height, bool bottomRowFirst) {
  if (width <= 0 || height <= 0) return false;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(width) * 3;
  if (const Bgr24Row row = Avx2Bgr24Row()) {
    I420ToBgr24(planes, bottomRowFirst ? out + (height - 1) * stride : out, bottomRowFirst ? -stride : stride, width,
                height, row);
    return true;
  }
  // A negative height writes the rows from the last one up.
  return libyuv::I420ToRGB24(planes.y, planes.yStride, planes.u, planes.uStride, planes.v, planes.vStride, out,
                             static_cast<int>(stride), width, bottomRowFirst ? -height : height) == 0;
}

}  // namespace bv::zrmp4
