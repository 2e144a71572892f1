// Decoding through the viewer against the bare libraries, in one run:
//   ViewerDecode / RawDecode: every frame of the demo backups and of the
//     704 x 576 benchmark footage (bench/make_footage.sh) in order, as
//     forward play decodes them (engine: read, picture size, decode to the
//     24-bit DIB picture) and as libjpeg-turbo / libavcodec + libswscale
//     decode the same payloads (`zrvtool bench` and `--raw`); the same for
//     MPEG-4 in the overlay presentation (YUY2, no flip), and for Wavelet
//     (the module alone as the reference);
//   ViewerMjpgFrameOverhead: the record read and the decompressor's
//     locate/begin/end/close of each MJPG frame, without decompressing;
//   ViewerSeek / RawChain: seeking (stopped, DIB presentation) to the last
//     delta frame before a key frame of the footage (key frames every 30), against
//     the library decoding that chain, converting every picture (the raw loop
//     of `zrvtool bench --raw`) or only the last; the same for Wavelet.
// Run with --benchmark_enable_random_interleaving=true and repetitions; the
// ratios come from the medians.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/format/backup_constants.h"
#include "base/format/codec_table.h"
#include "base/host/control_ids.h"
#include "bench/bench_footage.h"
#include "codecs/vfw/vfw.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tools/samples/reference_jpeg.h"
#include "tools/samples/reference_mpeg4.h"
#include "tools/samples/reference_wavelet.h"
#include "tools/samples/sample_backups.h"

namespace {

using bv::CPlaybackController;

// A window that shows nothing: the benchmarks time decoding, not drawing.
class CDiscardingWindow : public bv::IVideoWindow {
 public:
  void SetEventInfo(uint8_t, const std::string&, int32_t, bv::COLORREF, const std::string&) override {}
  void ShowFrame(const bv::VideoFrame& frame, const bv::FrameTexts&) override { benchmark::DoNotOptimize(frame.pixels); }
  void ClearPicture() override {}
  void SetInfoItems(uint8_t, uint8_t, uint8_t, uint8_t) override {}
  void ShowStill(const uint8_t*, const bv::BITMAPINFOHEADER&, const std::string&) override {}
  int PrintPicture(const uint8_t*, uint32_t, const bv::BITMAPINFOHEADER&, const std::string&) override { return 0; }
};

class CBenchHost : public bv::CHeadlessHost {
 public:
  CBenchHost() { SetMessageSink(nullptr); }
  bv::IVideoWindow* VideoWindow(bool) override { return &window_; }

 private:
  CDiscardingWindow window_;
};

struct OpenBackup {
  CBenchHost host;
  CPlaybackController controller{host};
};

const std::string& BenchDirectory() {
  static const std::string dir = [] {
    // The modules and the driver's registration of the build tree.
    setenv("BACKUP_VIEWER_SYSTEM_DIR", BV_BUILD_TREE "/system", 1);
    setenv("BACKUP_VIEWER_WINDOWS_DIR", BV_BUILD_TREE "/windows", 1);
    const std::string path = std::filesystem::temp_directory_path() / "bv-bench-codecs";
    std::string error;
    if (bv::samples::WriteDemoBackups(path, &error).empty()) std::abort();
    return path;
  }();
  return dir;
}

// The demo backups ("demo-...") are made here; the rest is the footage set.
std::string BackupPath(const std::string& name) {
  return name.rfind("demo-", 0) == 0 ? BenchDirectory() + "/" + name : bv::bench::FootageFile(name);
}

OpenBackup& Backup(const std::string& name) {
  static std::map<std::string, std::unique_ptr<OpenBackup>> open;
  auto& backup = open[name];
  if (!backup) {
    BenchDirectory();  // the build tree's modules before any decoder is made
    backup = std::make_unique<OpenBackup>();
    backup->controller.Engine().CreateDecoders();
    if (!backup->controller.OpenBackup(BackupPath(name), false)) std::abort();
  }
  return *backup;
}

struct Payload {
  int codec;
  std::vector<uint8_t> bytes;
};

std::vector<Payload> Payloads(const std::string& name) {
  CPlaybackController& controller = Backup(name).controller;
  std::vector<Payload> payloads;
  for (uint32_t i = 0; i < controller.Count(); ++i) {
    if (!controller.Engine().ReadVideoRecord(controller.Index()[i])) std::abort();
    const uint8_t* bytes = controller.Engine().ReadBuffer();
    payloads.push_back(Payload{controller.Engine().GetCodecType(),
                               std::vector<uint8_t>(bytes, bytes + controller.Engine().PayloadSize())});
  }
  return payloads;
}

void ViewerDecode(benchmark::State& state, const std::string& name, bool rgb = true) {
  CPlaybackController& controller = Backup(name).controller;
  bv::CPlaybackEngine& engine = controller.Engine();
  for (auto _ : state) {
    for (uint32_t i = 0; i < controller.Count(); ++i) {
      engine.ReadVideoRecord(controller.Index()[i]);
      int width = 0;
      int height = 0;
      engine.GetPictureSize(&width, &height);
      engine.SetPictureSize(width, height);
      benchmark::DoNotOptimize(engine.DecodePayload(engine.GetCodecType(), rgb));
    }
  }
  state.SetItemsProcessed(state.iterations() * controller.Count());
}

void RawDecode(benchmark::State& state, const std::string& name, bool rgb = true) {
  const std::vector<Payload> payloads = Payloads(name);
  std::vector<uint8_t> out(bv::kPictureBufferSize);
  bv::samples::CReferenceJpegDecoder jpeg;
  bv::samples::CReferenceMpeg4Decoder mpeg4;
  bv::samples::CReferenceWaveletDecoder wavelet;
  std::vector<std::vector<uint8_t>> readBuffers;  // as the module reads them
  for (const Payload& p : payloads) {
    readBuffers.emplace_back(bv::kPictureBufferSize, 0);
    std::copy(p.bytes.begin(), p.bytes.end(), readBuffers.back().begin());
  }
  int width = 0;
  int height = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < payloads.size(); ++i) {
      const Payload& p = payloads[i];
      if (p.codec == bv::kCodecWavelet) {
        wavelet.Decode(readBuffers[i].data(), static_cast<uint32_t>(p.bytes.size()), out.data(), rgb);
      } else if (p.codec == bv::kCodecMJPG) {
        jpeg.Decode(p.bytes.data() + 40, p.bytes.size() - 40, bv::samples::CReferenceJpegDecoder::Output::kBgr,
                    false, out.data(), out.size(), &width, &height);
      } else {
        mpeg4.Decode(p.bytes.data() + 8, p.bytes.size() - 8, rgb, out.data(), out.size(), &width, &height);
      }
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * payloads.size());
}

// What the viewer adds to each MJPG frame's decode: reading the record and
// locating, beginning, ending and closing the decompressor, without the
// decompression itself.
void ViewerMjpgFrameOverhead(benchmark::State& state) {
  CPlaybackController& controller = Backup("demo-mjpg.zrv").controller;
  bv::CPlaybackEngine& engine = controller.Engine();
  for (auto _ : state) {
    for (uint32_t i = 0; i < controller.Count(); ++i) {
      engine.ReadVideoRecord(controller.Index()[i]);
      bv::BITMAPINFOHEADER in = bv::BITMAPINFOHEADER::FromBytes(engine.ReadBuffer());
      in.biSizeImage = engine.PayloadSize();
      bv::BITMAPINFOHEADER out = in;
      out.biCompression = bv::BI_RGB;
      out.biSizeImage = static_cast<uint32_t>(in.biWidth * in.biHeight * 3);
      bv::HIC hic = bv::ICLocate(bv::MakeFourCC('V', 'I', 'D', 'C'), bv::kFourCC_MJPG, &in, &out,
                                 bv::ICMODE_DECOMPRESS);
      bv::ICSendMessage(hic, bv::ICM_DECOMPRESS_BEGIN, reinterpret_cast<intptr_t>(&in),
                        reinterpret_cast<intptr_t>(&out));
      bv::ICSendMessage(hic, bv::ICM_DECOMPRESS_END, 0, 0);
      bv::ICClose(hic);
    }
  }
  state.SetItemsProcessed(state.iterations() * controller.Count());
}

// Alternates between the last delta frames of two groups, so that every
// seek rebuilds a whole group of 30 frames.
void ViewerSeek(benchmark::State& state, const std::string& name) {
  OpenBackup& backup = Backup(name);
  backup.controller.SetPlayState(bv::kStoppedOrPaused);
  uint32_t target = 29;
  for (auto _ : state) {
    target = target == 29 ? 59 : 29;
    backup.controller.GoToRecord(target);
    if (!backup.controller.Engine().PictureDecoded()) state.SkipWithError("not decoded");
  }
  state.SetItemsProcessed(state.iterations() * 30);
}

void RawChain(benchmark::State& state, bool convertEvery) {
  const std::vector<Payload> payloads = Payloads("mpeg4-k30.zrv");
  std::vector<uint8_t> out(bv::kPictureBufferSize);
  bv::samples::CReferenceMpeg4Decoder mpeg4;
  int width = 0;
  int height = 0;
  size_t first = 0;
  for (auto _ : state) {
    first = first == 0 ? 30 : 0;
    for (size_t i = first; i < first + 30; ++i) {
      const bool convert = convertEvery || i == first + 29;
      mpeg4.Decode(payloads[i].bytes.data() + 8, payloads[i].bytes.size() - 8, true, convert ? out.data() : nullptr,
                   out.size(), &width, &height);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 30);
}

// The Wavelet module alone decodes the same chain (it always writes its picture).
void RawWaveletChain(benchmark::State& state) {
  const std::vector<Payload> payloads = Payloads("wavelet-k30.zrv");
  std::vector<std::vector<uint8_t>> readBuffers;
  for (const Payload& p : payloads) {
    readBuffers.emplace_back(bv::kPictureBufferSize, 0);
    std::copy(p.bytes.begin(), p.bytes.end(), readBuffers.back().begin());
  }
  std::vector<uint8_t> out(bv::kPictureBufferSize);
  bv::samples::CReferenceWaveletDecoder wavelet;
  size_t first = 0;
  for (auto _ : state) {
    first = first == 0 ? 30 : 0;
    for (size_t i = first; i < first + 30; ++i)
      wavelet.Decode(readBuffers[i].data(), static_cast<uint32_t>(payloads[i].bytes.size()), out.data(), true);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 30);
}

BENCHMARK_CAPTURE(ViewerDecode, MJPG, std::string("demo-mjpg.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK(ViewerMjpgFrameOverhead)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, MJPG, std::string("demo-mjpg.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerDecode, MPEG4, std::string("demo-mpeg4.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, MPEG4, std::string("demo-mpeg4.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerDecode, MPEG4_704, std::string("mpeg4-k30.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, MPEG4_704, std::string("mpeg4-k30.zrv"))->Unit(benchmark::kMillisecond);
// The overlay presentation: YUY2 straight from the decoder, no flip.
BENCHMARK_CAPTURE(ViewerDecode, MPEG4_704_Yuy2, std::string("mpeg4-k30.zrv"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, MPEG4_704_Yuy2, std::string("mpeg4-k30.zrv"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerDecode, MJPG_704, std::string("mjpg.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, MJPG_704, std::string("mjpg.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerDecode, Wavelet_704, std::string("wavelet-k30.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, Wavelet_704, std::string("wavelet-k30.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerDecode, Wavelet, std::string("demo-wavelet.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawDecode, Wavelet, std::string("demo-wavelet.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerSeek, MPEG4, std::string("mpeg4-k30.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawChain, ConvertEvery, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RawChain, ConvertLast, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ViewerSeek, Wavelet, std::string("wavelet-k30.zrv"))->Unit(benchmark::kMillisecond);
BENCHMARK(RawWaveletChain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
