// The investigator's outputs against what they cannot do without, in one run:
//   OpenMillionRecords / ThumbnailMillionRecords: opening a backup of
//     1,000,000 records as the viewer does, against drawing its thumbnail
//     (that opening, the first picture decoded, scaled, written as a PNG);
//     ThumbnailCommandMillionRecords is the same as a file manager runs it,
//     zrvtool thumbnail as a process of its own: the file manager's wait;
//   WalkFrames704x576 / PresentMjpg704x576: showing every record of
//     704 x 576 MJPG footage through the viewer's engine as a step forward
//     does, against exporting it for presentation (that walk, the texts
//     burned in, H.264 and the MP4 writing). recorded_s is the footage's
//     seconds handled per second of wall time: above 1 is faster than real
//     time.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <QGuiApplication>
#include <fcntl.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/format/backup_writer.h"
#include "bench/bench_footage.h"
#include "outputs/backup_thumbnail.h"
#include "outputs/presentation_export.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace {

constexpr int kMillion = 1000000;
constexpr int kFootageFramesPerSecond = 25;  // the benchmark footage's rate

struct Backups {
  std::string dir;
  std::string million;
  std::string footage;  // the benchmark footage's MJPG backup
  uint32_t footageFrames = 0;
};

const Backups& TheBackups() {
  static const Backups backups = [] {
    // The modules and the MJPEG driver's registration the build made.
    setenv("BACKUP_VIEWER_SYSTEM_DIR", BV_BUILD_TREE "/system", 0);
    setenv("BACKUP_VIEWER_WINDOWS_DIR", BV_BUILD_TREE "/windows", 0);
    char pattern[] = "/tmp/bv-bench-outputs-XXXXXX";
    Backups made;
    made.dir = mkdtemp(pattern);
    made.million = made.dir + "/million.zrv";
    made.footage = bv::bench::FootageFile("mjpg.zrv");
    // One 704 x 576 picture, then records too small to be pictures.
    bv::CBackupWriter writer(7, bv::samples::DemoCameraInfo());
    writer.AddVideoFrame(bv::samples::RecordTimeAt(0, 25), "CAM 01", "GATE",
                         bv::samples::MakeMjpgPayload(bv::samples::MakeTestPicture(704, 576, 0), 80));
    const std::vector<uint8_t> payload(8, 0);
    for (int i = 1; i < kMillion; ++i) writer.AddRawRecord(bv::samples::RecordTimeAt(i, 25), payload);
    if (!writer.WriteContainer(made.million)) std::abort();
    // Once before measuring: the codec modules loaded, the files read.
    for (const std::string& path : {made.million, made.footage}) {
      bv::CFrameWalk walk;
      std::string error;
      bv::BackupSource source;
      source.path = path;
      if (!walk.Open(source, &error)) std::abort();
      if (path == made.footage) made.footageFrames = walk.Count();
    }
    return made;
  }();
  return backups;
}

bv::BackupSource SourceOf(const std::string& path) {
  bv::BackupSource source;
  source.path = path;
  return source;
}

void OpenMillionRecords(benchmark::State& state) {
  for (auto _ : state) {
    bv::CFrameWalk walk;
    std::string error;
    if (!walk.Open(SourceOf(TheBackups().million), &error)) return state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(walk.Count());
  }
}

void ThumbnailMillionRecords(benchmark::State& state) {
  const std::string png = TheBackups().dir + "/thumb.png";
  for (auto _ : state) {
    const bv::ThumbnailResult result = bv::WriteBackupThumbnail(SourceOf(TheBackups().million), png, 256);
    if (!result.ok) return state.SkipWithError(result.error.c_str());
  }
}

#ifdef ZRVTOOL_PATH
void ThumbnailCommandMillionRecords(benchmark::State& state) {
  const std::string png = TheBackups().dir + "/command.png";
  const std::string program = ZRVTOOL_PATH;
  std::vector<std::string> args{program, "thumbnail", TheBackups().million, png, "--size", "256"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, program.c_str(), &quiet, nullptr, argv.data(), environ) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      posix_spawn_file_actions_destroy(&quiet);
      return state.SkipWithError("zrvtool thumbnail failed");
    }
  }
  posix_spawn_file_actions_destroy(&quiet);
}
BENCHMARK(ThumbnailCommandMillionRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void WalkFrames704x576(benchmark::State& state) {
  for (auto _ : state) {
    bv::CFrameWalk walk;
    std::string error;
    if (!walk.Open(SourceOf(TheBackups().footage), &error)) return state.SkipWithError(error.c_str());
    for (uint32_t i = 1; i < walk.Count(); ++i) {
      if (!walk.Show(i).decoded) return state.SkipWithError("a frame was refused");
    }
  }
  state.counters["recorded_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * TheBackups().footageFrames / kFootageFramesPerSecond, benchmark::Counter::kIsRate);
}

void PresentMjpg704x576(benchmark::State& state) {
  bv::PresentationRequest request;
  request.source = SourceOf(TheBackups().footage);
  request.outputPath = TheBackups().dir + "/out.mp4";
  for (auto _ : state) {
    const bv::PresentationResult result = bv::ExportPresentation(request);
    if (!result.ok) return state.SkipWithError(result.error.c_str());
  }
  state.counters["recorded_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * TheBackups().footageFrames / kFootageFramesPerSecond, benchmark::Counter::kIsRate);
  state.counters["frames"] = benchmark::Counter(static_cast<double>(state.iterations()) * TheBackups().footageFrames,
                                                benchmark::Counter::kIsRate);
  state.counters["bytes_per_frame"] =
      static_cast<double>(std::filesystem::file_size(request.outputPath)) / TheBackups().footageFrames;
}

BENCHMARK(OpenMillionRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ThumbnailMillionRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WalkFrames704x576)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PresentMjpg704x576)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // The presentation's texts are drawn with QtGui's fonts.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(TheBackups().dir);
  return 0;
}
