// The event list of a backup over its day files: a 100,000-record day file
// laid out byte by byte, its progress and cancelling.
#include <gtest/gtest.h>

#include "base/format/record_time.h"
#include "playback/engine/backup_event_list.h"
#include "tests/support/event_day_bytes.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

class BackupEventListTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  BackupEventListRequest request;

  void SetUp() override {
    std::vector<test::Machine> events;
    for (int i = 0; i < 100000; ++i) {
      const int s = i * 86399LL / 100000;
      events.push_back({i % 3, i, 9, s / 3600, s / 60 % 60, s % 60, s / 3600, s / 60 % 60, s % 60, 0});
    }
    test::WriteFileBytes(dir.File("MachineEvent_2026-12-09.dat"), test::MachineFile(events));
    request.eventDirectory = dir.path() + "/";
    request.labelsDirectory = dir.path() + "/";
    request.firstMs = CivilMomentMs(2026, 12, 9, 6, 0, 0, 0);
    request.lastMs = CivilMomentMs(2026, 12, 9, 17, 59, 59, 999);
    request.cameras = {0, 2};
  }
};

TEST_F(BackupEventListTest, ALargeDayFileIsListedWithinTheSpanAndCamerasShowingProgressOnTheWay) {
  std::vector<std::pair<uint32_t, uint32_t>> reports;
  const std::vector<BackupEvent> events = ListBackupEvents(request, [&](uint32_t done, uint32_t total) {
    reports.emplace_back(done, total);
    return true;
  });
  // Half a day of events, two cameras of three.
  size_t expected = 0;
  for (int i = 0; i < 100000; ++i) {
    const int s = static_cast<int>(i * 86399LL / 100000);
    if (i % 3 != 1 && s >= 6 * 3600 && s < 18 * 3600) ++expected;
  }
  EXPECT_EQ(events.size(), expected);
  for (size_t i = 1; i < events.size(); ++i) {
    ASSERT_LE(events[i - 1].startMs, events[i].startMs);
    ASSERT_NE(events[i].camera, 1);
  }
  EXPECT_GE(events.front().startMs, request.firstMs);
  EXPECT_LE(events.back().startMs, request.lastMs);
  // Progress climbs through the large file, not only from file to file.
  ASSERT_GT(reports.size(), 4u);
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_LE(reports[i - 1].first, reports[i].first);
  EXPECT_EQ(reports.back().first, reports.back().second);
  size_t inside = 0;
  for (auto [done, total] : reports) inside += done > 0 && done < total / 2;
  EXPECT_GT(inside, 2u);
}

TEST_F(BackupEventListTest, CancellingEndsTheListingAndSpansItCannotHaveGiveNothing) {
  int calls = 0;
  const std::vector<BackupEvent> events = ListBackupEvents(request, [&](uint32_t, uint32_t) { return ++calls < 3; });
  EXPECT_LT(events.size(), 1000u);
  EXPECT_EQ(calls, 3);
  BackupEventListRequest none = request;
  none.cameras.clear();
  EXPECT_TRUE(ListBackupEvents(none).empty());
  none = request;
  none.lastMs = none.firstMs - 1;
  EXPECT_TRUE(ListBackupEvents(none).empty());
  // A damaged index claiming millennia reads at most a year of day files.
  none = request;
  none.firstMs = CivilMomentMs(1, 1, 1, 0, 0, 0, 0);
  none.lastMs = CivilMomentMs(9999, 12, 31, 0, 0, 0, 0);
  uint32_t total = 0;
  ListBackupEvents(none, [&](uint32_t, uint32_t t) {
    total = t;
    return true;
  });
  EXPECT_EQ(total, 366u * 2 * 1000);
}

}  // namespace
}  // namespace bv
