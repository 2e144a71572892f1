#include "codecs/wavelet/inverse_transform.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bv::wavelet {
namespace {

constexpr int kFinalRounding = (128 << kFractionBits) + (1 << (kFractionBits - 1));

// out = s - ((d0 + d1 + 2) >> 2)
void LiftEven(const int16_t* s, const int16_t* d0, const int16_t* d1, int16_t* out, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i two = _mm_set1_epi16(2);
  for (; i + 8 <= n; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d0 + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d1 + i));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i t = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(a, b), two), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi16(v, t));
  }
#endif
  for (; i < n; ++i) out[i] = static_cast<int16_t>(s[i] - (static_cast<int16_t>(d0[i] + d1[i] + 2) >> 2));
}

// out = d + ((e0 + e1) >> 1)
void LiftOdd(const int16_t* d, const int16_t* e0, const int16_t* e1, int16_t* out, int n) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e0 + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e1 + i));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi16(v, _mm_srai_epi16(_mm_add_epi16(a, b), 1)));
  }
#endif
  for (; i < n; ++i) out[i] = static_cast<int16_t>(d[i] + (static_cast<int16_t>(e0[i] + e1[i]) >> 1));
}

// One row from its [low | high] halves to interleaved samples. evens needs
// room for width / 2 + 2 samples.
void SynthesizeRow(const int16_t* row, int width, int16_t* evens, int16_t* out) {
  const int lowCount = (width + 1) >> 1;
  const int highCount = width >> 1;
  const int16_t* low = row;
  const int16_t* high = row + lowCount;
  if (highCount == 0) {
    out[0] = low[0];
    return;
  }
  evens[0] = static_cast<int16_t>(low[0] - (static_cast<int16_t>(high[0] + high[0] + 2) >> 2));
  int i = 1;
#if defined(__SSE2__)
  const __m128i two = _mm_set1_epi16(2);
  for (; i + 8 <= highCount; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high + i - 1));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high + i));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low + i));
    const __m128i t = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(a, b), two), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(evens + i), _mm_sub_epi16(v, t));
  }
#endif
  for (; i < lowCount; ++i) {
    const int16_t h1 = high[i < highCount ? i : highCount - 1];
    evens[i] = static_cast<int16_t>(low[i] - (static_cast<int16_t>(high[i - 1] + h1 + 2) >> 2));
  }
  evens[lowCount] = evens[lowCount - 1];  // mirror for the last odd sample of an even width
  i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= highCount; i += 8) {
    const __m128i e0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(evens + i));
    const __m128i e1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(evens + i + 1));
    const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high + i));
    const __m128i odd = _mm_add_epi16(h, _mm_srai_epi16(_mm_add_epi16(e0, e1), 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi16(e0, odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 8), _mm_unpackhi_epi16(e0, odd));
  }
#endif
  for (; i < highCount; ++i) {
    out[2 * i] = evens[i];
    out[2 * i + 1] = static_cast<int16_t>(high[i] + (static_cast<int16_t>(evens[i] + evens[i + 1]) >> 1));
  }
  if (lowCount > highCount) out[2 * highCount] = evens[highCount];
}

void StoreKeyRow(const int16_t* row, int n, uint8_t* out) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i rounding = _mm_set1_epi16(kFinalRounding);
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_srai_epi16(
        _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)), rounding), kFractionBits);
    const __m128i b = _mm_srai_epi16(
        _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 8)), rounding), kFractionBits);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
  }
#endif
  for (; i < n; ++i) {
    const int v = static_cast<int16_t>(row[i] + kFinalRounding) >> kFractionBits;
    out[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
  }
}

void AddDeltaRow(const int16_t* row, int n, uint8_t* picture) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i rounding = _mm_set1_epi16(1 << (kFractionBits - 1));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i ref = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture + i));
    const __m128i a = _mm_srai_epi16(
        _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)), rounding), kFractionBits);
    const __m128i b = _mm_srai_epi16(
        _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 8)), rounding), kFractionBits);
    const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(ref, zero), a);
    const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(ref, zero), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(picture + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) {
    const int d = static_cast<int16_t>(row[i] + (1 << (kFractionBits - 1))) >> kFractionBits;
    picture[i] = static_cast<uint8_t>(std::clamp(picture[i] + d, 0, 255));
  }
}

struct Level {
  const int16_t* low;  // the level's low band
  int lowStride;
  const int16_t* bands;  // the plane's coefficients, holding this level's high bands
  int stride;
  int width, height;  // the region this level rebuilds
};

// Rebuilds one level; each finished row goes to emit(rowIndex, samples).
template <typename Emit>
void SynthesizeLevel(const Level& level, int16_t* rows, Emit&& emit) {
  const int lowWidth = (level.width + 1) >> 1, highWidth = level.width >> 1;
  const int lowHeight = (level.height + 1) >> 1, highHeight = level.height >> 1;
  int16_t* evenCurrent = rows;
  int16_t* evenNext = rows + kSynthesisRowLength;
  int16_t* odd = rows + 2 * kSynthesisRowLength;
  int16_t* scratch = rows + 3 * kSynthesisRowLength;
  int16_t* out = rows + 4 * kSynthesisRowLength;
  auto lowRow = [&](int i) { return level.low + static_cast<ptrdiff_t>(i) * level.lowStride; };
  auto bandRow = [&](int x, int y) { return level.bands + static_cast<ptrdiff_t>(y) * level.stride + x; };

  auto makeEven = [&](int i, int16_t* dst) {
    if (highHeight == 0) {
      std::memcpy(dst, lowRow(i), sizeof(int16_t) * lowWidth);
      std::memcpy(dst + lowWidth, bandRow(lowWidth, i), sizeof(int16_t) * highWidth);
      return;
    }
    const int above = i == 0 ? 0 : i - 1;
    const int below = i < highHeight ? i : highHeight - 1;
    LiftEven(lowRow(i), bandRow(0, lowHeight + above), bandRow(0, lowHeight + below), dst, lowWidth);
    LiftEven(bandRow(lowWidth, i), bandRow(lowWidth, lowHeight + above), bandRow(lowWidth, lowHeight + below),
             dst + lowWidth, highWidth);
  };

  makeEven(0, evenCurrent);
  for (int i = 0; i < lowHeight; ++i) {
    SynthesizeRow(evenCurrent, level.width, scratch, out);
    emit(2 * i, out);
    if (i >= highHeight) break;
    if (i + 1 < lowHeight) {
      makeEven(i + 1, evenNext);
    } else {
      std::memcpy(evenNext, evenCurrent, sizeof(int16_t) * level.width);
    }
    LiftOdd(bandRow(0, lowHeight + i), evenCurrent, evenNext, odd, lowWidth);
    LiftOdd(bandRow(lowWidth, lowHeight + i), evenCurrent + lowWidth, evenNext + lowWidth, odd + lowWidth, highWidth);
    SynthesizeRow(odd, level.width, scratch, out);
    emit(2 * i + 1, out);
    std::swap(evenCurrent, evenNext);
  }
}

}  // namespace

void SynthesizePlane(const PlaneGeometry& g, const int16_t* coefficients, const SynthesisBuffers& buffers,
                     uint8_t* picture, bool delta) {
  auto finalRow = [&](int y, const int16_t* samples) {
    uint8_t* dst = picture + static_cast<ptrdiff_t>(y) * g.width;
    if (delta) {
      AddDeltaRow(samples, g.width, dst);
    } else {
      StoreKeyRow(samples, g.width, dst);
    }
  };
  if (g.levels == 0) {
    for (int y = 0; y < g.height; ++y) finalRow(y, coefficients + static_cast<ptrdiff_t>(y) * g.width);
    return;
  }
  const int16_t* low = coefficients;
  int lowStride = g.width;
  for (int j = g.levels; j >= 1; --j) {
    Level level{low, lowStride, coefficients, g.width, g.levelWidth[j - 1], g.levelHeight[j - 1]};
    if (j == 1) {
      SynthesizeLevel(level, buffers.rows, finalRow);
      break;
    }
    int16_t* target = buffers.low[j & 1];
    SynthesizeLevel(level, buffers.rows, [&](int y, const int16_t* samples) {
      std::memcpy(target + static_cast<ptrdiff_t>(y) * level.width, samples, sizeof(int16_t) * level.width);
    });
    low = target;
    lowStride = level.width;
  }
}

namespace {

// Forward 5/3 lifting of n samples at the given stride, into [low | high].
void AnalyzeLine(int32_t* line, int n, ptrdiff_t stride, std::vector<int32_t>& scratch) {
  if (n < 2) return;
  const int lowCount = (n + 1) >> 1, highCount = n >> 1;
  scratch.resize(n);
  int32_t* x = scratch.data();
  for (int i = 0; i < n; ++i) x[i] = line[i * stride];
  auto at = [&](int i) { return x[i < n ? i : 2 * (n - 1) - i]; };
  std::vector<int32_t> high(highCount);
  for (int i = 0; i < highCount; ++i) high[i] = x[2 * i + 1] - ((x[2 * i] + at(2 * i + 2)) >> 1);
  for (int i = 0; i < lowCount; ++i) {
    const int32_t d0 = high[i == 0 ? 0 : i - 1];
    const int32_t d1 = high[i < highCount ? i : highCount - 1];
    line[i * stride] = x[2 * i] + ((d0 + d1 + 2) >> 2);
  }
  for (int i = 0; i < highCount; ++i) line[(lowCount + i) * stride] = high[i];
}

}  // namespace

void AnalyzePlane(const PlaneGeometry& g, int32_t* samples) {
  std::vector<int32_t> scratch;
  for (int j = 1; j <= g.levels; ++j) {
    const int w = g.levelWidth[j - 1], h = g.levelHeight[j - 1];
    for (int y = 0; y < h; ++y) AnalyzeLine(samples + static_cast<ptrdiff_t>(y) * g.width, w, 1, scratch);
    for (int x = 0; x < w; ++x) AnalyzeLine(samples + x, h, g.width, scratch);
  }
}

}  // namespace bv::wavelet
