#include "codecs/wavelet/inverse_transform.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace bv::wavelet {
namespace {

struct Level {
  const int16_t* low;  // the level's low band
  int lowStride;
  const int16_t* bands;  // the plane's coefficients, holding this level's high bands
  int stride;
  int width, height;  // the region this level rebuilds
};

// Rebuilds one level: each row, lifted vertically but still in its [low |
// high] halves, goes to emit(rowIndex, row, scratch) for the horizontal step.
template <typename Emit>
void SynthesizeLevel(const Level& level, const LiftingKernels& k, int16_t* rows, Emit&& emit) {
  const int lowWidth = (level.width + 1) >> 1, highWidth = level.width >> 1;
  const int lowHeight = (level.height + 1) >> 1, highHeight = level.height >> 1;
  int16_t* evenCurrent = rows;
  int16_t* evenNext = rows + kSynthesisRowLength;
  int16_t* odd = rows + 2 * kSynthesisRowLength;
  int16_t* scratch = rows + 3 * kSynthesisRowLength;
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
    k.liftEven(lowRow(i), bandRow(0, lowHeight + above), bandRow(0, lowHeight + below), dst, lowWidth);
    k.liftEven(bandRow(lowWidth, i), bandRow(lowWidth, lowHeight + above), bandRow(lowWidth, lowHeight + below),
               dst + lowWidth, highWidth);
  };

  makeEven(0, evenCurrent);
  for (int i = 0; i < lowHeight; ++i) {
    emit(2 * i, evenCurrent, scratch);
    if (i >= highHeight) break;
    if (i + 1 < lowHeight) {
      makeEven(i + 1, evenNext);
    } else {
      std::memcpy(evenNext, evenCurrent, sizeof(int16_t) * level.width);
    }
    k.liftOdd(bandRow(0, lowHeight + i), evenCurrent, evenNext, odd, lowWidth);
    k.liftOdd(bandRow(lowWidth, lowHeight + i), evenCurrent + lowWidth, evenNext + lowWidth, odd + lowWidth,
              highWidth);
    emit(2 * i + 1, odd, scratch);
    std::swap(evenCurrent, evenNext);
  }
}

}  // namespace

void SynthesizePlane(const PlaneGeometry& g, const int16_t* coefficients, const SynthesisBuffers& buffers,
                     uint8_t* picture, bool delta, const LiftingKernels& k) {
  if (g.levels == 0) {
    for (int y = 0; y < g.height; ++y) {
      const int16_t* row = coefficients + static_cast<ptrdiff_t>(y) * g.width;
      uint8_t* dst = picture + static_cast<ptrdiff_t>(y) * g.width;
      for (int x = 0; x < g.width; ++x) {
        const int v = static_cast<int16_t>(row[x] + (delta ? kDeltaRounding : kKeyRounding)) >> kFractionBits;
        dst[x] = static_cast<uint8_t>(std::clamp(delta ? dst[x] + v : v, 0, 255));
      }
    }
    return;
  }
  const int16_t* low = coefficients;
  int lowStride = g.width;
  for (int j = g.levels; j >= 1; --j) {
    const Level level{low, lowStride, coefficients, g.width, g.levelWidth[j - 1], g.levelHeight[j - 1]};
    if (j == 1) {
      SynthesizeLevel(level, k, buffers.rows, [&](int y, const int16_t* row, int16_t* scratch) {
        uint8_t* dst = picture + static_cast<ptrdiff_t>(y) * g.width;
        if (delta) {
          k.rowToDelta(row, g.width, scratch, dst);
        } else {
          k.rowToKey(row, g.width, scratch, dst);
        }
      });
      break;
    }
    int16_t* target = buffers.low[j & 1];
    SynthesizeLevel(level, k, buffers.rows, [&](int y, const int16_t* row, int16_t* scratch) {
      k.rowToSamples(row, level.width, scratch, target + static_cast<ptrdiff_t>(y) * level.width);
    });
    low = target;
    lowStride = level.width;
  }
}

void SynthesizePlane(const PlaneGeometry& g, const int16_t* coefficients, const SynthesisBuffers& buffers,
                     uint8_t* picture, bool delta) {
  SynthesizePlane(g, coefficients, buffers, picture, delta, SelectedLiftingKernels());
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
