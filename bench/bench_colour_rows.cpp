// The MPEG-4 picture's conversion to the 24-bit DIB picture alone, 704 x 576,
// bottom row first as the DIB presentation wants it: the module's own AVX2
// rows (Bgr24Rows) against libyuv's I420ToRGB24 (Libyuv), which computes the
// same bytes. The conversion has no data-dependent branch, so noise planes
// time it as well as a decoded picture would.
//   build/bench/bv_bench_colour_rows --benchmark_repetitions=5
//   (with --benchmark_enable_random_interleaving=true)
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>

#include <cstdint>
#include <random>
#include <vector>

#include "codecs/zrmp4/bgr24_rows.h"

namespace {

constexpr int kWidth = 704, kHeight = 576;

struct Planes {
  std::vector<uint8_t> y = Noise(kWidth * kHeight), u = Noise(kWidth * kHeight / 4), v = Noise(kWidth * kHeight / 4);
  std::vector<uint8_t> out = std::vector<uint8_t>(kWidth * kHeight * 3);
  static std::vector<uint8_t> Noise(size_t n) {
    std::mt19937 random(static_cast<uint32_t>(n));
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
  }
};

void Bgr24Rows(benchmark::State& state) {
  Planes p;
  const bv::zrmp4::Bgr24Row row = bv::zrmp4::Avx2Bgr24Row();
  if (!row) {
    state.SkipWithError("no AVX2 on this processor");
    return;
  }
  const ptrdiff_t stride = kWidth * 3;
  for (auto _ : state) {
    bv::zrmp4::I420ToBgr24({p.y.data(), kWidth, p.u.data(), kWidth / 2, p.v.data(), kWidth / 2},
                           p.out.data() + (kHeight - 1) * stride, -stride, kWidth, kHeight, row);
    benchmark::DoNotOptimize(p.out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void Libyuv(benchmark::State& state) {
  Planes p;
  for (auto _ : state) {
    if (libyuv::I420ToRGB24(p.y.data(), kWidth, p.u.data(), kWidth / 2, p.v.data(), kWidth / 2, p.out.data(),
                            kWidth * 3, kWidth, -kHeight) != 0) {
      state.SkipWithError("libyuv refused the picture");
      return;
    }
    benchmark::DoNotOptimize(p.out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(Bgr24Rows)->Unit(benchmark::kMicrosecond);
BENCHMARK(Libyuv)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
