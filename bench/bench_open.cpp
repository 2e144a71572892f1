// Opening a container of 1,000,000 index records against the I/O floor: one
// plain read of the same index bytes, in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/format/backup_writer.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tools/samples/sample_backups.h"

namespace {

constexpr int kRecords = 1000000;

const std::string& LargeContainer() {
  static const std::string path = [] {
    std::string p = std::filesystem::temp_directory_path() / "bv-bench-1m.zrv";
    bv::CBackupWriter writer(7);
    const std::vector<uint8_t> payload(8, 0);
    for (int i = 0; i < kRecords; ++i) writer.AddRawRecord(bv::samples::RecordTimeAt(i, 25), payload);
    if (!writer.WriteContainer(p)) std::abort();
    return p;
  }();
  return path;
}

void BM_PlainReadOfIndexBytes(benchmark::State& state) {
  const std::string& path = LargeContainer();
  const size_t bytes = static_cast<size_t>(kRecords) * 24;
  for (auto _ : state) {
    auto buffer = std::make_unique_for_overwrite<uint8_t[]>(bytes);
    int fd = ::open(path.c_str(), O_RDONLY);
    size_t done = 0;
    while (done < bytes) {
      ssize_t n = ::pread(fd, buffer.get() + done, bytes - done, static_cast<off_t>(done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_PlainReadOfIndexBytes)->Unit(benchmark::kMillisecond);

void BM_OpenContainer(benchmark::State& state) {
  const std::string& path = LargeContainer();
  bv::CHeadlessHost host;
  bv::CPlaybackController controller(host);
  for (auto _ : state) {
    if (!controller.OpenBackup(path, false)) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(controller.Count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecords * 24));
}
BENCHMARK(BM_OpenContainer)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
