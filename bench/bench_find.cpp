// Finding the moment, against plain reads of the same bytes in the same run:
//   BM_PlainReadDayFile       a day file of 100,000 machine events read whole
//                             (the reference for BM_ListDayEvents)
//   BM_ListDayEvents          the event list of a backup spanning that day
//   BM_PlainReadIndex         a 1,000,000-record index (24 MB) read whole
//                             (the reference for the go-to-time ones)
//   BM_GoToTimeFreshIndex     a go-to-time on a freshly opened index: the
//                             one pass that checks the order, then the search
//   BM_GoToTimeUnsortedIndex  the same on an index with late records (the
//                             pass, the sort of record numbers, the search)
//   BM_GoToTimeBuilt          one more go-to-time once the search is built
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/format/index_record.h"
#include "base/format/record_time.h"
#include "base/format/record_time_search.h"
#include "events/bounded_file_read.h"
#include "events/event_records.h"
#include "playback/engine/backup_event_list.h"

namespace {

constexpr int kDayEvents = 100000;
constexpr uint32_t kIndexRecords = 1000000;

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

bv::SYSTEMTIME At(int second) {
  bv::SYSTEMTIME t{};
  t.wYear = 2026;
  t.wMonth = 12;
  t.wDay = 8;
  t.wHour = static_cast<uint16_t>(second / 3600);
  t.wMinute = static_cast<uint16_t>(second / 60 % 60);
  t.wSecond = static_cast<uint16_t>(second % 60);
  return t;
}

const std::string& DayDirectory() {
  static const std::string directory = [] {
    const std::string dir = TempPath("bv-bench-find") + "/";
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> bytes(static_cast<size_t>(kDayEvents) * bv::MachineEventRecord::kSize);
    for (int i = 0; i < kDayEvents; ++i) {
      bv::MachineEventRecord r;
      r.camera = static_cast<uint8_t>(i % 2);
      r.machineNumber = 100 + i % 900;
      const int second = static_cast<int>(int64_t{i} * 86399 / kDayEvents);
      r.start = At(second);
      r.end = At(std::min(second + 30, 86399));
      r.eventCode = i % 8;
      r.ToBytes(bytes.data() + static_cast<size_t>(i) * bv::MachineEventRecord::kSize);
    }
    FILE* f = std::fopen((dir + "MachineEvent_2026-12-08.dat").c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return dir;
  }();
  return directory;
}

void BM_PlainReadDayFile(benchmark::State& state) {
  const std::string path = DayDirectory() + "MachineEvent_2026-12-08.dat";
  for (auto _ : state) {
    uint64_t sum = 0;
    bv::ReadWholeUnits(path, bv::MachineEventRecord::kSize, 1u << 20,
                       [&sum](const uint8_t* data, size_t n) { sum += data[0] + n; });
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kDayEvents);
}
BENCHMARK(BM_PlainReadDayFile)->Unit(benchmark::kMillisecond);

void BM_ListDayEvents(benchmark::State& state) {
  bv::BackupEventListRequest request;
  request.eventDirectory = DayDirectory();
  request.labelsDirectory = DayDirectory();
  request.firstMs = bv::CivilMomentMs(2026, 12, 8, 0, 0, 0, 0);
  request.lastMs = bv::CivilMomentMs(2026, 12, 8, 23, 59, 59, 999);
  request.cameras = {0, 1};
  size_t listed = 0;
  for (auto _ : state) {
    const std::vector<bv::BackupEvent> events = bv::ListBackupEvents(request);
    listed = events.size();
    benchmark::DoNotOptimize(events.data());
  }
  if (listed != static_cast<size_t>(kDayEvents)) state.SkipWithError("not every event listed");
  state.SetItemsProcessed(state.iterations() * kDayEvents);
}
BENCHMARK(BM_ListDayEvents)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> IndexBytes(bool late) {
  std::vector<uint8_t> bytes(static_cast<size_t>(kIndexRecords) * bv::INDEX_RECORD::kSize);
  const int64_t start = bv::CivilMomentMs(2026, 12, 8, 6, 0, 0, 0);
  for (uint32_t i = 0; i < kIndexRecords; ++i) {
    // 25 records a second; with late set, every 1000th is written 3 s late.
    const int64_t ms = start + int64_t{i} * 40 - (late && i % 1000 == 999 ? 3000 : 0);
    const bv::CivilTime t = bv::CivilTimeOfMs(ms);
    bv::INDEX_RECORD r{};
    r.year = static_cast<uint16_t>(t.year);
    r.month = static_cast<uint16_t>(t.month);
    r.day = static_cast<uint16_t>(t.day);
    r.hour = static_cast<uint16_t>(t.hour);
    r.minute = static_cast<uint16_t>(t.minute);
    r.second = static_cast<uint16_t>(t.second);
    r.millisecond = static_cast<uint16_t>(t.millisecond);
    r.type = 1;
    r.offset = i * 100;
    r.size = 100;
    r.ToBytes(bytes.data() + static_cast<size_t>(i) * bv::INDEX_RECORD::kSize);
  }
  return bytes;
}

const std::string& IndexPath() {
  static const std::string path = [] {
    const std::string p = TempPath("bv-bench-find-index.idx");
    const std::vector<uint8_t> bytes = IndexBytes(false);
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return p;
  }();
  return path;
}

std::vector<bv::INDEX_RECORD> Records(bool late) {
  const std::vector<uint8_t> bytes = IndexBytes(late);
  std::vector<bv::INDEX_RECORD> records(kIndexRecords);
  for (uint32_t i = 0; i < kIndexRecords; ++i) {
    records[i] = bv::INDEX_RECORD::FromBytes(bytes.data() + static_cast<size_t>(i) * bv::INDEX_RECORD::kSize);
  }
  return records;
}

void BM_PlainReadIndex(benchmark::State& state) {
  std::vector<uint8_t> buffer(static_cast<size_t>(kIndexRecords) * bv::INDEX_RECORD::kSize);
  for (auto _ : state) {
    FILE* f = std::fopen(IndexPath().c_str(), "rb");
    const size_t read = std::fread(buffer.data(), 1, buffer.size(), f);
    std::fclose(f);
    if (read != buffer.size()) state.SkipWithError("short read");
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_PlainReadIndex)->Unit(benchmark::kMillisecond);

void GoToTime(benchmark::State& state, bool late) {
  const std::vector<bv::INDEX_RECORD> records = Records(late);
  const int64_t moment = bv::CivilMomentMs(2026, 12, 8, 12, 0, 0, 20);
  uint32_t found = 0;
  for (auto _ : state) {
    bv::CRecordTimeSearch search(records.data(), kIndexRecords);
    found = search.Find(moment, [](const bv::INDEX_RECORD& r) { return !r.IsAudio(); });
    benchmark::DoNotOptimize(found);
  }
  // 6 hours at 25 a second after 06:00, the record of 12:00:00.000.
  if (found != 540000u) state.SkipWithError("wrong record");
}

void BM_GoToTimeFreshIndex(benchmark::State& state) { GoToTime(state, false); }
BENCHMARK(BM_GoToTimeFreshIndex)->Unit(benchmark::kMillisecond);
void BM_GoToTimeUnsortedIndex(benchmark::State& state) { GoToTime(state, true); }
BENCHMARK(BM_GoToTimeUnsortedIndex)->Unit(benchmark::kMillisecond);

void BM_GoToTimeBuilt(benchmark::State& state) {
  const std::vector<bv::INDEX_RECORD> records = Records(false);
  const bv::CRecordTimeSearch search(records.data(), kIndexRecords);
  int64_t moment = bv::CivilMomentMs(2026, 12, 8, 6, 0, 0, 0);
  for (auto _ : state) {
    moment += 7919;
    benchmark::DoNotOptimize(search.Find(moment));
  }
}
BENCHMARK(BM_GoToTimeBuilt);

}  // namespace

BENCHMARK_MAIN();
