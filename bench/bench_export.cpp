// Exporting to Matroska against what it cannot do without, in one run:
//   ReadRecords / ExportMjpgCopy: reading every record of an MJPG backup
//     through the viewer's engine, against exporting it (frames copied);
//   DecodeWavelet / ExportWaveletLossless: decoding every Wavelet frame in
//     order through the engine to the 24-bit picture, against exporting it
//     (that decode plus the FFV1 encoding and the writing).
// Each pair runs on the small demo pictures and on the 704 x 576 benchmark
// footage (mjpg.zrv, wavelet-k30.zrv). Each iteration handles the whole
// backup; items are frames. The ratios of the pairs' times are the export's
// cost over its floor.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/format/codec_table.h"
#include "bench/bench_footage.h"
#include "outputs/video_export.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tools/samples/sample_backups.h"

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

// The video records of a backup, 0 when it does not open.
uint32_t RecordCount(const std::string& path) {
  OpenedBackup backup(path);
  return backup.opened ? backup.controller.Count() : 0;
}

void ReadRecords(benchmark::State& state, const std::string& path) {
  OpenedBackup backup(path);
  if (!backup.opened) return state.SkipWithError("cannot open the backup");
  bv::CPlaybackEngine& engine = backup.controller.Engine();
  for (auto _ : state) {
    for (uint32_t i = 0; i < backup.controller.Count(); ++i) {
      engine.ReadVideoRecord(backup.controller.Index()[i]);
      benchmark::DoNotOptimize(engine.ReadBuffer()[engine.PayloadSize() - 1]);
    }
  }
  state.SetItemsProcessed(state.iterations() * backup.controller.Count());
}

void DecodeWavelet(benchmark::State& state, const std::string& path) {
  OpenedBackup backup(path);
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
  state.SetItemsProcessed(state.iterations() * backup.controller.Count());
}

void Export(benchmark::State& state, const std::string& backup) {
  const uint32_t frames = RecordCount(backup);
  if (frames == 0) return state.SkipWithError("cannot open the backup");
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

void ReadRecordsDemo(benchmark::State& state) { ReadRecords(state, TheBackups().mjpg); }
void ExportMjpgCopyDemo(benchmark::State& state) { Export(state, TheBackups().mjpg); }
void DecodeWaveletDemo(benchmark::State& state) { DecodeWavelet(state, TheBackups().wavelet); }
void ExportWaveletLosslessDemo(benchmark::State& state) { Export(state, TheBackups().wavelet); }
void ReadRecords704(benchmark::State& state) { ReadRecords(state, bv::bench::FootageFile("mjpg.zrv")); }
void ExportMjpgCopy704(benchmark::State& state) { Export(state, bv::bench::FootageFile("mjpg.zrv")); }
void DecodeWavelet704(benchmark::State& state) { DecodeWavelet(state, bv::bench::FootageFile("wavelet-k30.zrv")); }
void ExportWaveletLossless704(benchmark::State& state) { Export(state, bv::bench::FootageFile("wavelet-k30.zrv")); }

BENCHMARK(ReadRecordsDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportMjpgCopyDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeWaveletDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportWaveletLosslessDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadRecords704)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportMjpgCopy704)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeWavelet704)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportWaveletLossless704)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(TheBackups().dir);
  return 0;
}
