// Per-frame hall event lookup against a fresh open-and-scan of the same day
// files, in the same run: a day file of 100,000 machine events over 64
// cameras, and frames of random cameras and times of day.
//
// The fresh reference opens the day file for every frame, reads it in 64 KB
// pieces from the start and stops at the first match (on no match it also
// tries the R40Max file), as a lookup without any caching does. The R40Max
// pair adds the label file: read afresh (nineteen profile reads) for every
// text, against the engine's lookup.
//
// The files are left to settle before measuring (a file modified in the last
// two seconds is read afresh for every frame, see file_identity.h); a day
// file under playback is normally older than that.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/platform/data_file.h"
#include "base/platform/file_write.h"
#include "base/platform/ini_file.h"
#include "events/event_configuration.h"
#include "events/event_file_writer.h"
#include "events/event_state.h"
#include "events/r40max_text.h"

namespace {

constexpr int kMachineRecords = 100000;
constexpr int kR40MaxRecords = 2000;
constexpr int kCameras = 64;
constexpr int kFrames = 4096;

struct Frame {
  bv::SYSTEMTIME time;
  uint8_t camera;
};

bool WriteText(const std::string& path, const std::string& text) {
  return bv::WriteFileAtomically(path, {std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())});
}

// The benchmark's folder, removed at exit.
struct BenchFolder {
  ~BenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path = std::filesystem::temp_directory_path() / ("bv-bench-events-" + std::to_string(getpid()));
};

struct BenchFiles {
  std::string directory;  // with its separator
  std::string programDirectory;
  std::vector<Frame> frames;
  std::vector<Frame> r40maxFrames;  // each covered by an R40Max event and no machine event
};

const BenchFiles& Files() {
  static const BenchFiles files = [] {
    static const BenchFolder folder;
    BenchFiles f;
    f.directory = folder.path + "/backup/";
    f.programDirectory = folder.path + "/program/";
    std::filesystem::create_directories(f.directory);
    std::filesystem::create_directories(f.programDirectory);
    std::mt19937 random(2026);

    // Machine events on cameras 0..63 over the whole day, 1 to 60 s long.
    std::vector<bv::MachineEventRecord> machine(kMachineRecords);
    for (bv::MachineEventRecord& r : machine) {
      r.camera = static_cast<uint8_t>(random() % kCameras);
      const int start = static_cast<int>(random() % 86000);
      const int end = start + 1 + static_cast<int>(random() % 60);
      r.start = bv::EventTime(2026, 3, 14, start / 3600, start / 60 % 60, start % 60);
      r.end = bv::EventTime(2026, 3, 14, end / 3600, end / 60 % 60, end % 60);
      r.machineNumber = static_cast<int32_t>(random() % 1000);
      r.eventCode = static_cast<int32_t>(random() % 4);
    }
    // R40Max events on camera 200, which has no machine events.
    std::vector<bv::R40MaxEventRecord> r40max(kR40MaxRecords);
    for (int i = 0; i < kR40MaxRecords; ++i) {
      bv::R40MaxEventRecord& r = r40max[i];
      r.camera = 200;
      r.machineClass = 2;
      const int start = i * 40;
      r.start = bv::EventTime(2026, 3, 14, start / 3600, start / 60 % 60, start % 60);
      r.detail = bv::EventTime(2026, 3, 14, start / 3600, start / 60 % 60, start % 60 + 10);
      r.end = bv::EventTime(2026, 3, 14, start / 3600, start / 60 % 60, start % 60 + 20);
    }
    if (!bv::WriteMachineEventFile(bv::MachineEventFileName(f.directory, 2026, 3, 14), machine) ||
        !bv::WriteR40MaxEventFile(bv::R40MaxEventFileName(f.directory, 2026, 3, 14), r40max) ||
        !WriteText(f.directory + bv::kEventIniName, "[EVENT_SET]\nHost_Protocal=DAITO\n[TEXT_SET]\nColorValue=255\n") ||
        !WriteText(f.directory + bv::kEventCodeIniName, "[EventCode_1]\n0=Door\n1=Big win\n2=Lamp\n3=Error\n") ||
        !WriteText(f.programDirectory + bv::kEventCodeIniName,
                   "[R40Max/p]\nMachineTypeStr=Type\nMachineNumberStr=No\nStartTimeStr=Start\nEndTimeStr=End\n")) {
      std::abort();
    }
    for (int i = 0; i < kFrames; ++i) {
      const int t = static_cast<int>(random() % 86400);
      f.frames.push_back({bv::EventTime(2026, 3, 14, t / 3600, t / 60 % 60, t % 60),
                          static_cast<uint8_t>(random() % kCameras)});
      const int r = static_cast<int>(random() % (kR40MaxRecords * 40)) / 40 * 40 + static_cast<int>(random() % 21);
      f.r40maxFrames.push_back({bv::EventTime(2026, 3, 14, r / 3600, r / 60 % 60, r % 60), 200});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    return f;
  }();
  return files;
}

// The first record of the file matching the frame, read afresh.
template <class Record, class Matches>
bool ScanAfresh(const std::string& path, Matches matches, Record* found) {
  bv::CDataFile file;
  if (!file.Open(path)) return false;
  std::vector<uint8_t> piece(Record::kSize * 1300);
  const uint64_t records = file.Length() / Record::kSize;
  for (uint64_t done = 0; done < records;) {
    const uint64_t count = std::min<uint64_t>(records - done, piece.size() / Record::kSize);
    if (!file.ReadExactAt(done * Record::kSize, piece.data(), count * Record::kSize)) return false;
    for (uint64_t i = 0; i < count; ++i) {
      const Record r = Record::FromBytes(piece.data() + i * Record::kSize);
      if (matches(r)) {
        *found = r;
        return true;
      }
    }
    done += count;
  }
  return false;
}

bv::HallEvent FreshLookUp(const Frame& frame, const bv::EventConfiguration& config, const std::string& directory,
                          const std::string& programDirectory) {
  const int t = bv::SecondOfDay(frame.time);
  bv::MachineEventRecord machine;
  if (ScanAfresh<bv::MachineEventRecord>(
          bv::MachineEventFileName(directory, 2026, 3, 14),
          [&](const bv::MachineEventRecord& r) {
            return r.camera == frame.camera && bv::SecondOfDay(r.start) <= t && t <= bv::SecondOfDay(r.end);
          },
          &machine)) {
    return {bv::kMachineEvent, config.codeTable.Text(machine.eventCode), machine.machineNumber, config.textColour,
            config.machineLabel};
  }
  bv::R40MaxEventRecord r40max;
  if (ScanAfresh<bv::R40MaxEventRecord>(
          bv::R40MaxEventFileName(directory, 2026, 3, 14),
          [&](const bv::R40MaxEventRecord& r) {
            const int a = bv::SecondOfDay(r.start), b = bv::SecondOfDay(r.end), c = bv::SecondOfDay(r.detail);
            return r.camera == frame.camera && ((a <= t && t <= c) || (c <= t && t <= b));
          },
          &r40max)) {
    // The labels read afresh (one read of the file: cheaper than a profile
    // read per key).
    const std::optional<bv::CIniFile> ini = bv::CIniFile::Load(programDirectory + bv::kEventCodeIniName);
    const bv::R40MaxLabels labels = bv::R40MaxLabels::Read(ini ? &*ini : nullptr);
    const bool shortText = bv::SecondOfDay(r40max.start) <= t && t <= bv::SecondOfDay(r40max.detail);
    return {bv::kR40MaxEvent, bv::FormatR40MaxEventText(r40max, shortText, labels), -1, config.textColour,
            config.machineLabel};
  }
  return {};
}

void RunFresh(benchmark::State& state, const std::vector<Frame>& frames) {
  const BenchFiles& files = Files();
  bv::EventConfiguration config;
  bv::LoadEventConfiguration(files.directory, &config);
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FreshLookUp(frames[next++ % frames.size()], config, files.directory,
                                         files.programDirectory));
  }
}

void RunEngine(benchmark::State& state, const std::vector<Frame>& frames) {
  const BenchFiles& files = Files();
  bv::CEventState events;
  events.SetProgramDirectory(files.programDirectory);
  events.LoadEventConfiguration(files.directory);
  // Equal answers, checked once over all frames (this also reads the files).
  bv::EventConfiguration config;
  bv::LoadEventConfiguration(files.directory, &config);
  for (const Frame& frame : frames) {
    if (events.LookUp(frame.time, frame.camera) != FreshLookUp(frame, config, files.directory, files.programDirectory)) {
      state.SkipWithError("lookups disagree");
      return;
    }
  }
  size_t next = 0;
  for (auto _ : state) {
    const Frame& frame = frames[next++ % frames.size()];
    benchmark::DoNotOptimize(events.LookUp(frame.time, frame.camera));
  }
  state.counters["file_reads"] = static_cast<double>(events.DayFileReads() + events.LabelFileReads());
}

void BM_FreshOpenAndScan(benchmark::State& state) { RunFresh(state, Files().frames); }
void BM_EngineLookUp(benchmark::State& state) { RunEngine(state, Files().frames); }
void BM_FreshR40MaxText(benchmark::State& state) { RunFresh(state, Files().r40maxFrames); }
void BM_EngineR40MaxText(benchmark::State& state) { RunEngine(state, Files().r40maxFrames); }

BENCHMARK(BM_FreshOpenAndScan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineLookUp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FreshR40MaxText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineR40MaxText)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
