// The Wavelet encoder's plane quantisation and the decoder's dequantisation:
// what plain quantisation codes, what the rate-distortion choice drops and
// keeps, the reconstruction-offset statistics, and the vector dequantiser
// against the reconstruction formula.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "codecs/wavelet/coefficient_block.h"
#include "codecs/wavelet/plane_geometry.h"
#include "codecs/wavelet/plane_quantiser.h"
#include "codecs/wavelet/symbol_stream.h"

namespace bv::wavelet {
namespace {

constexpr int kSize = 64;

int BlockCount(const PlaneGeometry& g) {
  int blocks = 0;
  for (int b = 0; b < g.bandCount; ++b) blocks += BlocksAcross(g.bands[b]) * BlocksDown(g.bands[b]);
  return blocks;
}

// Symbols coded for block classes: how many zero and non-zero ones.
struct ClassCounts {
  uint32_t zero = 0, nonzero = 0;
};
ClassCounts CountClasses(const CSymbolStream& stream) {
  ClassCounts counts;
  for (int id = 0; id < kTableCount; ++id) {
    if (id % kTablesPerBandType >= kSlotBlockClass + kClassNeighbourContexts) continue;
    counts.zero += stream.Counts()[id][0];
    for (int token = 1; token < kAlphabetSize; ++token) counts.nonzero += stream.Counts()[id][token];
  }
  return counts;
}

PlaneQuantiserSettings Settings(int baseStep) {
  PlaneQuantiserSettings settings;
  settings.planeType = kLuma;
  settings.baseStep = baseStep;
  settings.reconstructionOffset = 2;
  settings.distortionWeight = 1;
  settings.lambda = 0.28 * (baseStep / 16.0) * (baseStep / 16.0);
  return settings;
}

// The coefficient at (x, y) of band b, whose step is returned in *step.
int32_t& At(std::vector<int32_t>& plane, const PlaneGeometry& g, int b, int x, int y, int baseStep, int* step) {
  const Band& band = g.bands[b];
  *step = SubbandStep(baseStep, band.weight);
  return plane[static_cast<size_t>(band.y + y) * g.width + band.x + x];
}

TEST(WaveletQuantiser, AZeroPlaneCodesOneZeroClassPerBlockAndNothingElse) {
  const PlaneGeometry g = MakePlaneGeometry(kSize, kSize);
  const std::vector<int32_t> zeros(kSize * kSize, 0);
  CSymbolStream stream;
  QuantisePlane(g, zeros.data(), Settings(200), nullptr, stream, nullptr);
  const ClassCounts counts = CountClasses(stream);
  EXPECT_EQ(counts.zero, static_cast<uint32_t>(BlockCount(g)));
  EXPECT_EQ(counts.nonzero, 0u);
  EXPECT_EQ(stream.SymbolCount(), static_cast<size_t>(BlockCount(g)));
  EXPECT_TRUE(stream.RawSection().empty());
}

TEST(WaveletQuantiser, TheRateDistortionChoiceDropsALoneSmallCoefficientAndKeepsALargeOne) {
  const int baseStep = 256;
  const PlaneGeometry g = MakePlaneGeometry(kSize, kSize);
  std::vector<int32_t> plane(kSize * kSize, 0);
  const int finest = g.bandCount - 1;  // HH of level 1
  int step = 0;
  int32_t& small = At(plane, g, finest, 3, 3, baseStep, &step);
  int32_t& large = At(plane, g, finest, 20, 20, baseStep, &step);
  // About one step: plain quantisation codes a 1.
  small = static_cast<int32_t>(std::lround(1.0 * step / 16));
  large = -20 * step / 16;

  CSymbolStream plain;
  QuantisePlane(g, plane.data(), Settings(baseStep), nullptr, plain, nullptr);
  EXPECT_EQ(CountClasses(plain).nonzero, 2u);

  std::array<FrequencyTable, kTableCount> tables{};
  plain.TableSection(&tables);
  const CSymbolCosts costs(tables);
  CSymbolStream optimised;
  QuantisePlane(g, plane.data(), Settings(baseStep), &costs, optimised, nullptr);
  EXPECT_EQ(CountClasses(optimised).nonzero, 1u);
  EXPECT_LT(optimised.SymbolCount(), plain.SymbolCount());
  // Without a price on bits nothing is dropped.
  PlaneQuantiserSettings free = Settings(baseStep);
  free.lambda = 0;
  CSymbolStream kept;
  QuantisePlane(g, plane.data(), free, &costs, kept, nullptr);
  EXPECT_EQ(CountClasses(kept).nonzero, 2u);
}

TEST(WaveletQuantiser, OffsetStatisticsGiveWhereTheCoefficientsLieWithinTheirSteps) {
  const int baseStep = 160;
  const PlaneGeometry g = MakePlaneGeometry(kSize, kSize);
  std::vector<int32_t> plane(kSize * kSize, 0);
  std::mt19937 random(3);
  int placed = 0;
  // Coefficients a quarter of a step above whole multiples, in the finest
  // bands, with both signs.
  for (int b = g.bandCount - 3; b < g.bandCount; ++b) {
    for (int n = 0; n < 20; ++n) {
      int step = 0;
      int32_t& c = At(plane, g, b, static_cast<int>(random() % 32), static_cast<int>(random() % 32), baseStep, &step);
      if (c != 0) continue;
      const double steps = 2 + static_cast<int>(random() % 6) + 0.25;
      c = static_cast<int32_t>(std::lround(steps * step / 16)) * (n % 2 ? -1 : 1);
      ++placed;
    }
  }
  CSymbolStream stream;
  OffsetStatistics stats;
  QuantisePlane(g, plane.data(), Settings(baseStep), nullptr, stream, &stats);
  EXPECT_EQ(stats.count, placed);
  EXPECT_NEAR(stats.sum / stats.count, 0.25, 0.03);
}

int16_t Reconstruction(int value, const Dequantiser& d) {
  const int magnitude = std::abs(value);
  const int r = magnitude == 0 ? 0 : std::min(32767, (magnitude * d.step + d.bias) >> 4);
  return static_cast<int16_t>(value < 0 ? -r : r);
}

TEST(WaveletQuantiser, DequantisedBlocksFollowTheReconstructionAndStayInsideTheBand) {
  std::mt19937 random(19);
  const Dequantiser cases[] = {{1, 0}, {37, 4}, {1000, 937}, {SubbandStep(kMaxBaseStep, 356), 21000}};
  for (const Dequantiser& d : cases) {
    for (int width : {8, 5, 1}) {
      for (int height : {8, 3}) {
        SCOPED_TRACE(testing::Message() << "step " << d.step << " " << width << "x" << height);
        alignas(16) int16_t values[kBlockArea];
        for (int16_t& v : values) {
          const int kind = static_cast<int>(random() % 4);
          v = static_cast<int16_t>(kind == 0   ? 0
                                   : kind == 1 ? static_cast<int>(random() % 3) - 1
                                               : static_cast<int>(random() % 65535) - 32767);
        }
        values[0] = 32767;  // saturates with the larger steps
        values[1] = -32767;
        constexpr int kStride = 12;
        std::vector<int16_t> plane(kStride * 10, 0x5A5A);
        DequantiseBlock(values, width, height, d, plane.data() + kStride + 1, kStride);
        for (int y = 0; y < 10; ++y) {
          for (int x = 0; x < kStride; ++x) {
            const int r = y - 1, c = x - 1;
            const bool inside = r >= 0 && r < height && c >= 0 && c < width;
            const int16_t expected = inside ? Reconstruction(values[r * kBlockSize + c], d) : int16_t{0x5A5A};
            ASSERT_EQ(plane[y * kStride + x], expected) << x << "," << y;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace bv::wavelet
