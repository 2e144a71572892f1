// Exporting to Matroska against what it cannot do without, in one run:
//   ReadRecords / ExportMjpgCopy: reading every record of an MJPG backup
//     through the viewer's engine, against exporting it (frames copied);
//   DecodeWavelet / ExportWaveletLossless: decoding every Wavelet frame in
//     order through the engine to the 24-bit picture, against exporting it
//     (that decode plus the FFV1 encoding and the writing).
// Each iteration handles the whole backup; items are frames. The ratios of
// the pairs' times are the export's cost over its floor.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "playback/codec_table.h"
#include "playback/headless_host.h"
#include "playback/playback_controller.h"
#include "tools/samples/sample_backups.h"
#include "video_export/video_export.h"

namespace {

constexpr int kMjpgFrames = 300;
constexpr int kWaveletFrames = 100;

struct Backups {
  std::string dir;
  std::string mjpg;
  std::string wavelet;
};

const Backups& TheBackups() {
  static const Backups backups = [] {
    setenv("BACKUP_VIEWER_SYSTEM_DIR", BV_MODULE_DIR, 0);
    char pattern[] = "/tmp/bv-bench-export-XXXXXX";
    Backups made;
    made.dir = mkdtemp(pattern);
    made.mjpg = made.dir + "/mjpg.zrv";
    made.wavelet = made.dir + "/wavelet.zrv";
    bv::samples::MjpgBackupOptions mjpg;
    mjpg.frames = kMjpgFrames;
    bv::samples::MakeMjpgBackup(mjpg).WriteContainer(made.mjpg);
    bv::samples::WaveletBackupOptions wavelet;
    wavelet.frames = kWaveletFrames;
    bv::samples::MakeWaveletBackup(wavelet).WriteContainer(made.wavelet);
    return made;
  }();
  return backups;
}

struct OpenedBackup {
  explicit OpenedBackup(const std::string& path) {
    host.SetMessageSink(nullptr);
    controller.Engine().CreateDecoders();
    opened = controller.OpenBackup(path, false);
  }
  bv::CHeadlessHost host;
  bv::CPlaybackController controller{host};
  bool opened = false;
};

void ReadRecords(benchmark::State& state) {
  OpenedBackup backup(TheBackups().mjpg);
  if (!backup.opened) return state.SkipWithError("cannot open the backup");
  bv::CPlaybackEngine& engine = backup.controller.Engine();
  for (auto _ : state) {
    for (uint32_t i = 0; i < backup.controller.Count(); ++i) {
      engine.ReadVideoRecord(backup.controller.Index()[i]);
      benchmark::DoNotOptimize(engine.ReadBuffer()[engine.PayloadSize() - 1]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kMjpgFrames);
}

void DecodeWavelet(benchmark::State& state) {
  OpenedBackup backup(TheBackups().wavelet);
  if (!backup.opened) return state.SkipWithError("cannot open the backup");
  bv::CPlaybackEngine& engine = backup.controller.Engine();
  for (auto _ : state) {
    for (uint32_t i = 0; i < backup.controller.Count(); ++i) {
      engine.ReadVideoRecord(backup.controller.Index()[i]);
      int width = 0;
      int height = 0;
      engine.GetPictureSize(&width, &height);
      engine.SetPictureSize(width, height);
      if (!engine.DecodePayload(bv::kCodecWavelet, true)) return state.SkipWithError("the decoder refused a frame");
    }
  }
  state.SetItemsProcessed(state.iterations() * kWaveletFrames);
}

void Export(benchmark::State& state, const std::string& backup, int frames) {
  bv::VideoExportRequest request;
  request.backupPath = backup;
  request.outputPath = TheBackups().dir + "/out.mkv";
  for (auto _ : state) {
    const bv::VideoExportResult result = bv::ExportVideo(request);
    if (!result.ok) return state.SkipWithError(result.error.c_str());
  }
  state.SetItemsProcessed(state.iterations() * frames);
  state.counters["bytes_per_frame"] =
      static_cast<double>(std::filesystem::file_size(request.outputPath)) / frames;
}

void ExportMjpgCopy(benchmark::State& state) { Export(state, TheBackups().mjpg, kMjpgFrames); }
void ExportWaveletLossless(benchmark::State& state) { Export(state, TheBackups().wavelet, kWaveletFrames); }

BENCHMARK(ReadRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportMjpgCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeWavelet)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportWaveletLossless)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(TheBackups().dir);
  return 0;
}
