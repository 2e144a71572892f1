// The indexed first-match lookup gives exactly what a scan of the records in
// file order gives, checked against a plain statement of the matching rules
// on random data.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include "events/event_day.h"
#include "events/event_file_writer.h"
#include "events/first_match_index.h"

namespace bv {
namespace {

TEST(FirstMatchIndex, AgreesWithABruteForceSearch) {
  std::mt19937_64 random(12345);
  for (int round = 0; round < 50; ++round) {
    std::vector<CFirstMatchIndex::Interval> intervals;
    const int count = static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      const uint64_t first = random() % 200;
      const uint64_t last = first + random() % 40 - 5;  // some are empty
      intervals.push_back({first, last, static_cast<uint32_t>(random() % 1000)});
    }
    const CFirstMatchIndex index(intervals);
    for (uint64_t x = 0; x < 260; ++x) {
      std::optional<uint32_t> expected;
      for (const auto& i : intervals) {
        if (i.first <= x && x <= i.last && (!expected || i.payload < *expected)) expected = i.payload;
      }
      ASSERT_EQ(index.Find(x), expected) << "round " << round << " x " << x;
    }
  }
}

TEST(FirstMatchIndex, HandlesTheEndsOfTheKeyRange) {
  const CFirstMatchIndex index({{0, 0, 5}, {UINT64_MAX - 1, UINT64_MAX, 3}, {10, 20, 7}});
  EXPECT_EQ(index.Find(0), 5u);
  EXPECT_EQ(index.Find(1), std::nullopt);
  EXPECT_EQ(index.Find(UINT64_MAX), 3u);
  EXPECT_EQ(index.Find(UINT64_MAX - 2), std::nullopt);
  EXPECT_EQ(CFirstMatchIndex({}).Find(42), std::nullopt);
}

int Seconds(const SYSTEMTIME& t) { return t.wHour * 3600 + t.wMinute * 60 + t.wSecond; }

SYSTEMTIME RandomTime(std::mt19937_64& random) {
  // Mostly within a small window so that events overlap, sometimes out of range.
  const int s = static_cast<int>(random() % 400);
  SYSTEMTIME t = EventTime(2026, 3, 14, 10, s / 60, s % 60);
  if (random() % 50 == 0) t.wHour = static_cast<uint16_t>(random());
  return t;
}

// The rule as stated: the first record of the camera with start <= t <= end.
std::optional<size_t> MachineOracle(const std::vector<MachineEventRecord>& records, uint8_t camera, int t) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].camera == camera && Seconds(records[i].start) <= t && t <= Seconds(records[i].end)) return i;
  }
  return std::nullopt;
}

// The first record of the camera with A <= t <= C (short text) or else
// C <= t <= B (complete text).
std::optional<std::pair<size_t, bool>> R40MaxOracle(const std::vector<R40MaxEventRecord>& records, uint8_t camera,
                                                    int t) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].camera != camera) continue;
    const int a = Seconds(records[i].start);
    const int b = Seconds(records[i].end);
    const int c = Seconds(records[i].detail);
    if (a <= t && t <= c) return std::make_pair(i, true);
    if (c <= t && t <= b) return std::make_pair(i, false);
  }
  return std::nullopt;
}

template <class Record>
CEventDay<Record> DayOf(const std::vector<Record>& records) {
  std::vector<uint8_t> bytes(records.size() * Record::kSize);
  for (size_t i = 0; i < records.size(); ++i) records[i].ToBytes(bytes.data() + i * Record::kSize);
  CEventDay<Record> day;
  day.Append(bytes.data(), records.size());
  return day;
}

TEST(EventDayLookup, MachineEventsIndexedAndInOrderAgreeWithTheRule) {
  std::mt19937_64 random(777);
  for (int round = 0; round < 30; ++round) {
    std::vector<MachineEventRecord> records(random() % 80);
    for (MachineEventRecord& r : records) {
      r.camera = static_cast<uint8_t>(random() % 4);
      r.start = RandomTime(random);
      r.end = RandomTime(random);
      r.machineNumber = static_cast<int32_t>(random());
    }
    CEventDay<MachineEventRecord> day = DayOf(records);
    // The first lookup scans in order, all later ones use the index.
    for (int query = 0; query < 600; ++query) {
      const uint8_t camera = static_cast<uint8_t>(random() % 5);
      const int t = 36000 + static_cast<int>(random() % 420) - 10;
      const auto found = day.FindFirst(camera, t);
      const auto expected = MachineOracle(records, camera, t);
      ASSERT_EQ(found.has_value(), expected.has_value()) << round << "/" << query;
      if (expected) {
        ASSERT_EQ(found->record->machineNumber, records[*expected].machineNumber);
      }
    }
  }
}

TEST(EventDayLookup, R40MaxEventsIndexedAndInOrderAgreeWithTheRule) {
  std::mt19937_64 random(4242);
  for (int round = 0; round < 30; ++round) {
    std::vector<R40MaxEventRecord> records(random() % 80);
    for (size_t i = 0; i < records.size(); ++i) {
      records[i].camera = static_cast<uint8_t>(random() % 3);
      records[i].start = RandomTime(random);
      records[i].end = RandomTime(random);
      records[i].detail = RandomTime(random);
      records[i].machineNumber = static_cast<int32_t>(i);
    }
    CEventDay<R40MaxEventRecord> day = DayOf(records);
    for (int query = 0; query < 600; ++query) {
      const uint8_t camera = static_cast<uint8_t>(random() % 4);
      const int t = 36000 + static_cast<int>(random() % 420) - 10;
      const auto found = day.FindFirst(camera, t);
      const auto expected = R40MaxOracle(records, camera, t);
      ASSERT_EQ(found.has_value(), expected.has_value()) << round << "/" << query;
      if (!expected) continue;
      ASSERT_EQ(found->record->machineNumber, static_cast<int32_t>(expected->first));
      ASSERT_EQ(found->tag == kR40MaxShortSpan, expected->second);
    }
  }
}

}  // namespace
}  // namespace bv
