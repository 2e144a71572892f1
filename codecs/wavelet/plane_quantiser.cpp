#include "codecs/wavelet/plane_quantiser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "codecs/wavelet/block_symbols.h"

namespace bv::wavelet {
namespace {

// Magnitudes are rounded down by this fraction of a step before the
// optimisation looks at them.
constexpr double kDeadZone = 0.1;
// Lone magnitudes of 1 below this many steps, and of 2 below the second,
// are candidates for dropping by one.
constexpr double kOneCandidateBelow = 1.6;
constexpr double kTwoCandidateBelow = 2.3;

struct BandQuantiser {
  int step;  // 1/16 units
  int bias;
  double errorWeight;  // distortion per squared transform unit of error

  int Reconstruct(int magnitude) const {
    if (magnitude == 0) return 0;
    return std::min(32767, (magnitude * step + bias) >> 4);
  }
  double Distortion(double absolute, int magnitude) const {
    const double error = absolute - Reconstruct(magnitude);
    return errorWeight * error * error;
  }
};

struct CostCounter {
  const CSymbolCosts& costs;
  double bits = 0;
  void Symbol(int table, int token) { bits += costs.Bits(table, token); }
  void Raw(uint32_t, int n) { bits += n; }
};

// One block: its coefficients' sizes in steps, and the magnitudes chosen.
struct Block {
  double absolute[kBlockArea];  // |coefficient|, transform units
  double steps[kBlockArea];     // |coefficient| / step
  uint16_t magnitude[kBlockArea];
  uint8_t negative[kBlockArea];
};

template <typename TableOf>
class CBlockOptimiser {
 public:
  CBlockOptimiser(Block& block, const BandQuantiser& quantiser, const CSymbolCosts& costs, double lambda,
                  int classContext, TableOf& tableOf)
      : b_(block), q_(quantiser), costs_(costs), lambda_(lambda), context_(classContext), tableOf_(tableOf) {}

  void Run() {
    double distortion = 0;
    for (int i = 0; i < kBlockArea; ++i) distortion += q_.Distortion(b_.absolute[i], b_.magnitude[i]);
    double best = distortion + lambda_ * Bits(b_.magnitude);

    uint16_t trial[kBlockArea] = {};
    double zeroDistortion = 0;
    for (int i = 0; i < kBlockArea; ++i) zeroDistortion += q_.Distortion(b_.absolute[i], 0);
    const double zeroCost = zeroDistortion + lambda_ * Bits(trial);
    if (zeroCost <= best) {
      std::copy(std::begin(trial), std::end(trial), b_.magnitude);
      return;
    }
    // Whole sub-blocks.
    for (int q = 0; q < 4; ++q) {
      std::copy(std::begin(b_.magnitude), std::end(b_.magnitude), trial);
      double trialDistortion = distortion;
      bool any = false;
      for (int r = 0; r < kSubblockSize; ++r) {
        for (int c = 0; c < kSubblockSize; ++c) {
          const int at = SubblockOffset(q) + r * kBlockSize + c;
          if (trial[at] == 0) continue;
          any = true;
          trialDistortion += q_.Distortion(b_.absolute[at], 0) - q_.Distortion(b_.absolute[at], trial[at]);
          trial[at] = 0;
        }
      }
      if (!any) continue;
      const double cost = trialDistortion + lambda_ * Bits(trial);
      if (cost < best) {
        best = cost;
        distortion = trialDistortion;
        std::copy(std::begin(trial), std::end(trial), b_.magnitude);
      }
    }
    // Small magnitudes one at a time, the least deserving first.
    int candidates[kBlockArea];
    int count = 0;
    for (int i = 0; i < kBlockArea; ++i) {
      const int m = b_.magnitude[i];
      if ((m == 1 && b_.steps[i] < kOneCandidateBelow) || (m == 2 && b_.steps[i] < kTwoCandidateBelow))
        candidates[count++] = i;
    }
    std::sort(candidates, candidates + count,
              [&](int x, int y) { return b_.steps[x] - b_.magnitude[x] < b_.steps[y] - b_.magnitude[y]; });
    std::copy(std::begin(b_.magnitude), std::end(b_.magnitude), trial);
    for (int k = 0; k < count; ++k) {
      const int at = candidates[k];
      const int m = trial[at];
      const double trialDistortion =
          distortion - q_.Distortion(b_.absolute[at], m) + q_.Distortion(b_.absolute[at], m - 1);
      trial[at] = static_cast<uint16_t>(m - 1);
      const double cost = trialDistortion + lambda_ * Bits(trial);
      if (cost < best) {
        best = cost;
        distortion = trialDistortion;
        b_.magnitude[at] = trial[at];
      } else {
        trial[at] = static_cast<uint16_t>(m);
      }
    }
  }

 private:
  double Bits(const uint16_t* magnitudes) {
    CostCounter counter{costs_};
    CodeBlockSymbols(magnitudes, b_.negative, context_, tableOf_, counter);
    return counter.bits;
  }

  Block& b_;
  const BandQuantiser& q_;
  const CSymbolCosts& costs_;
  double lambda_;
  int context_;
  TableOf& tableOf_;
};

}  // namespace

void QuantisePlane(const PlaneGeometry& g, const int32_t* coefficients, const PlaneQuantiserSettings& settings,
                   const CSymbolCosts* costs, CSymbolStream& stream, OffsetStatistics* stats) {
  std::vector<std::vector<uint8_t>> classes(g.bandCount);
  Block block;
  for (int bi = 0; bi < g.bandCount; ++bi) {
    const Band& band = g.bands[bi];
    const int step = SubbandStep(settings.baseStep, band.weight);
    const double gain = 256.0 / band.weight;
    const BandQuantiser quantiser{step, (step * settings.reconstructionOffset) >> 4,
                                  gain * gain * settings.distortionWeight};
    auto tableOf = [&](int slot) { return TableId(settings.planeType, band.group, slot); };
    const int across = BlocksAcross(band), down = BlocksDown(band);
    classes[bi].assign(static_cast<size_t>(across) * down, 0);
    const std::vector<uint8_t>* parentClasses = band.parent >= 0 ? &classes[band.parent] : nullptr;
    const int parentAcross = band.parent >= 0 ? BlocksAcross(g.bands[band.parent]) : 0;
    const int parentDown = band.parent >= 0 ? BlocksDown(g.bands[band.parent]) : 0;
    for (int by = 0; by < down; ++by) {
      for (int bx = 0; bx < across; ++bx) {
        for (int r = 0; r < kBlockSize; ++r) {
          for (int c = 0; c < kBlockSize; ++c) {
            const int at = r * kBlockSize + c;
            const int x = bx * kBlockSize + c, y = by * kBlockSize + r;
            const bool inside = x < band.width && y < band.height;
            const int32_t v = inside ? coefficients[static_cast<size_t>(band.y + y) * g.width + band.x + x] : 0;
            block.absolute[at] = std::abs(v);
            block.steps[at] = block.absolute[at] * 16.0 / step;
            block.negative[at] = v < 0;
            const double rounded = std::floor(block.steps[at] + 0.5 - kDeadZone);
            block.magnitude[at] = static_cast<uint16_t>(std::clamp(rounded, 0.0, 32767.0));
          }
        }
        const int left = bx > 0 ? classes[bi][by * across + bx - 1] : 0;
        const int upper = by > 0 ? classes[bi][(by - 1) * across + bx] : 0;
        const int parent = parentClasses ? (*parentClasses)[std::min(by / 2, parentDown - 1) * parentAcross +
                                                            std::min(bx / 2, parentAcross - 1)]
                                         : 0;
        const int context = ClassContext(left, upper, parent);
        if (costs) {
          CBlockOptimiser optimiser(block, quantiser, *costs, settings.lambda, context, tableOf);
          optimiser.Run();
        }
        CodeBlockSymbols(block.magnitude, block.negative, context, tableOf, stream);
        classes[bi][by * across + bx] = static_cast<uint8_t>(ClassOfSquare(block.magnitude, kBlockSize));
        if (!stats) continue;
        for (int i = 0; i < kBlockArea; ++i) {
          if (block.magnitude[i] == 0) continue;
          stats->sum += block.steps[i] - block.magnitude[i];
          stats->count += 1;
        }
      }
    }
  }
}

}  // namespace bv::wavelet
