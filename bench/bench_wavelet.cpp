// Wavelet key frames against JPEG (libjpeg-turbo) at equal PSNR, 704 x 576:
// for each picture the JPEG at quality 75 sets the PSNR (over R, G and B);
// the wavelet quality is the lowest that reaches it, searched in steps finer
// than whole qualities so that both PSNRs end up within a few hundredths of
// a dB. Reported: bytes, bits per pixel and PSNR of both, and the decode
// time to 24-bit B, G, R of the decoder module (called as the viewer calls
// it) against libjpeg-turbo's default decode, with their ratios. Both
// decode from memory: the payload sits in the viewer's read buffer, the
// JPEG in its vector.
#include <benchmark/benchmark.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/codec_module.h"
#include "codecs/module_abi.h"
#include "codecs/wavelet/wavelet_encoder.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/test_picture.h"

namespace {

using bv::samples::RgbPicture;

constexpr int kWidth = 704;
constexpr int kHeight = 576;
constexpr int kJpegQuality = 75;
constexpr size_t kBufferSize = 0x129000;

// A picture with the statistics of a camera view: several octaves of smooth
// value noise (shading and texture at every scale), a few hard-edged
// objects and mild sensor noise.
RgbPicture MakeNaturalPicture() {
  RgbPicture p(kWidth, kHeight);
  auto hash = [](int x, int y, int octave) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + octave * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>(h >> 8) / 16777216.0;
  };
  auto valueNoise = [&](double x, double y, int octave) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = hash(xi, yi, octave), b = hash(xi + 1, yi, octave);
    const double c = hash(xi, yi + 1, octave), d = hash(xi + 1, yi + 1, octave);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
  };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double v = 0, amplitude = 0.5, scale = 1.0 / 160;
      for (int octave = 0; octave < 6; ++octave, amplitude *= 0.5, scale *= 2)
        v += amplitude * valueNoise(x * scale, y * scale, octave);
      const double tint = valueNoise(x / 300.0, y / 300.0, 9);
      const double grain = (hash(x, y, 17) - 0.5) * 6;
      uint8_t* px = p.Row(y) + 3 * x;
      px[0] = static_cast<uint8_t>(std::clamp(40 + 180 * v * (0.8 + 0.4 * tint) + grain, 0.0, 255.0));
      px[1] = static_cast<uint8_t>(std::clamp(50 + 170 * v + grain, 0.0, 255.0));
      px[2] = static_cast<uint8_t>(std::clamp(60 + 150 * v * (1.2 - 0.4 * tint) + grain, 0.0, 255.0));
    }
  }
  // Hard-edged objects: a window frame, a sign and a pillar.
  auto fill = [&](int x0, int y0, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) {
        uint8_t* px = p.Row(y) + 3 * x;
        px[0] = r, px[1] = g, px[2] = b;
      }
  };
  fill(60, 60, 200, 8, 230, 230, 225);
  fill(60, 60, 8, 150, 230, 230, 225);
  fill(400, 100, 160, 60, 200, 30, 40);
  fill(600, 0, 40, 576, 90, 85, 80);
  return p;
}

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

bool DecodeJpeg(const std::vector<uint8_t>& jpeg, uint8_t* bgr) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = [](j_common_ptr common) { std::longjmp(reinterpret_cast<ErrorManager*>(common->err)->jump, 1); };
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), jpeg.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = bgr + static_cast<size_t>(info.output_scanline) * info.output_width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

double Psnr(const RgbPicture& source, const uint8_t* bgr) {
  double squared = 0;
  for (int i = 0; i < kWidth * kHeight; ++i)
    for (int c = 0; c < 3; ++c) {
      const double d = source.pixels[3 * i + c] - bgr[3 * i + 2 - c];
      squared += d * d;
    }
  return 10 * std::log10(255.0 * 255.0 / (squared / (3.0 * kWidth * kHeight)));
}

WaveletDecodeFn Module() {
  static WaveletDecodeFn decode = []() -> WaveletDecodeFn {
    setenv("BACKUP_VIEWER_SYSTEM_DIR", WAVELET_SYSTEM_DIR, 1);
    bv::CCodecModule* module = bv::CCodecModule::Load("decoderdll.dll");
    return module ? module->Function<WaveletDecodeFn>(kWaveletDecodeSymbol) : nullptr;
  }();
  return decode;
}

// The viewer's buffers: work block with its planes, read and output buffers.
struct ViewerBuffers {
  std::vector<uint8_t> block = std::vector<uint8_t>(1631236, 0);
  std::vector<uint8_t> read = std::vector<uint8_t>(kBufferSize, 0);
  std::vector<uint8_t> output = std::vector<uint8_t>(kBufferSize, 0);
  uint32_t size = 0;
  void Load(const std::vector<uint8_t>& payload) {
    std::copy(payload.begin(), payload.end(), read.begin());
    size = static_cast<uint32_t>(payload.size());
  }
  int Decode() {
    uint8_t* b = block.data();
    return Module()(b, b + 4, b + 414724, b + 516100, b + 617476, b + 1022980, b + 1124356, b + 1225732, read.data(),
                    output.data(), 0, 1, 0, 2, size);
  }
};

struct Comparison {
  std::string name;
  RgbPicture picture;
  std::vector<uint8_t> jpeg;
  double jpegPsnr = 0;
  std::vector<uint8_t> wavelet;
  double waveletQuality = 0;
  double waveletPsnr = 0;
};

Comparison Compare(const std::string& name, RgbPicture picture) {
  Comparison c;
  c.name = name;
  c.picture = std::move(picture);
  c.jpeg = bv::samples::EncodeJpeg(c.picture, kJpegQuality);
  std::vector<uint8_t> bgr(kBufferSize);
  DecodeJpeg(c.jpeg, bgr.data());
  c.jpegPsnr = Psnr(c.picture, bgr.data());
  ViewerBuffers buffers;
  auto encode = [&](double quality, double* psnr) {
    bv::CWaveletEncoder encoder(1);
    encoder.SetQuality(quality);
    std::vector<uint8_t> payload = encoder.Encode(c.picture.pixels.data(), kWidth, kHeight, kWidth * 3, true);
    buffers.Load(payload);
    *psnr = buffers.Decode() >= 0 ? Psnr(c.picture, buffers.output.data()) : 0;
    return payload;
  };
  // The lowest wavelet quality that reaches the JPEG's PSNR (PSNR grows
  // with quality), to 100 / 2^14.
  double low = 1, high = 100;
  for (int step = 0; step < 14; ++step) {
    const double mid = (low + high) / 2;
    double psnr = 0;
    encode(mid, &psnr);
    (psnr >= c.jpegPsnr ? high : low) = mid;
  }
  c.wavelet = encode(high, &c.waveletPsnr);
  c.waveletQuality = high;
  return c;
}

const std::vector<Comparison>& Comparisons() {
  static const std::vector<Comparison> all = [] {
    std::vector<Comparison> list;
    list.push_back(Compare("bars", bv::samples::MakeTestPicture(kWidth, kHeight, 37, bv::samples::TestScene::kBarsAndCounter)));
    list.push_back(Compare("gradients", bv::samples::MakeTestPicture(kWidth, kHeight, 37, bv::samples::TestScene::kSmoothGradients)));
    list.push_back(Compare("busy", bv::samples::MakeTestPicture(kWidth, kHeight, 37, bv::samples::TestScene::kBusyDetail)));
    list.push_back(Compare("natural", MakeNaturalPicture()));
    return list;
  }();
  return all;
}

void SetCounters(benchmark::State& state, size_t bytes, double psnr, double quality) {
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["bpp"] = bytes * 8.0 / (kWidth * kHeight);
  state.counters["psnr"] = psnr;
  state.counters["quality"] = quality;
}

void BM_JpegDecode(benchmark::State& state) {
  const Comparison& c = Comparisons()[state.range(0)];
  std::vector<uint8_t> bgr(kBufferSize);
  for (auto _ : state) {
    DecodeJpeg(c.jpeg, bgr.data());
    benchmark::DoNotOptimize(bgr.data());
  }
  state.SetLabel(c.name);
  SetCounters(state, c.jpeg.size(), c.jpegPsnr, kJpegQuality);
}

void BM_WaveletDecode(benchmark::State& state) {
  const Comparison& c = Comparisons()[state.range(0)];
  if (!Module()) {
    state.SkipWithError("decoderdll.dll not found");
    return;
  }
  ViewerBuffers buffers;
  buffers.Load(c.wavelet);
  for (auto _ : state) {
    if (buffers.Decode() < 0) state.SkipWithError("refused");
    benchmark::DoNotOptimize(buffers.output.data());
  }
  state.SetLabel(c.name);
  SetCounters(state, c.wavelet.size(), c.waveletPsnr, c.waveletQuality);
}

BENCHMARK(BM_JpegDecode)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(BM_WaveletDecode)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();

// Collects the median times so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.aggregate_name == "median")
        medians_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\n%-10s %8s %8s %6s %6s %6s %7s %7s %8s %8s %6s %7s\n", "picture", "jpeg B", "wav B", "jpgbpp",
                "wavbpp", "size", "jpegdB", "wavdB", "jpeg us", "wav us", "time", "wav q");
    const auto& list = Comparisons();
    for (size_t i = 0; i < list.size(); ++i) {
      const Comparison& c = list[i];
      const auto jpeg = medians_.find("BM_JpegDecode/" + std::to_string(i));
      const auto wavelet = medians_.find("BM_WaveletDecode/" + std::to_string(i));
      if (jpeg == medians_.end() || wavelet == medians_.end()) continue;
      const double pixels = static_cast<double>(kWidth) * kHeight;
      std::printf("%-10s %8zu %8zu %6.3f %6.3f %6.3f %7.2f %7.2f %8.1f %8.1f %6.3f %7.2f\n", c.name.c_str(),
                  c.jpeg.size(), c.wavelet.size(), c.jpeg.size() * 8 / pixels, c.wavelet.size() * 8 / pixels,
                  static_cast<double>(c.wavelet.size()) / c.jpeg.size(), c.jpegPsnr, c.waveletPsnr, jpeg->second,
                  wavelet->second, wavelet->second / jpeg->second, c.waveletQuality);
    }
    std::printf("size and time: wavelet / JPEG (targets: size <= 1, time <= 1); PSNR over R, G, B;\n"
                "times: medians of the repetitions, microseconds per 704 x 576 decode to 24-bit B, G, R.\n");
  }

 private:
  std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  // The repetitions of the JPEG and wavelet decodes are interleaved in
  // random order by default, so that the load of a shared machine falls on
  // both alike (the flag can be given to turn this off).
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
