// Finding the record for a moment: time parsing and the search over sorted
// and unsorted indexes, on index bytes laid out field by field here.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/format/record_time.h"
#include "base/format/record_time_search.h"

namespace bv {
namespace {

struct Stamp {
  int year, month, day, hour, minute, second, ms;
  uint8_t camera = 0;
  uint8_t type = 0x01;
};

// 24 bytes per record as a recorder writes them; offset and size are
// arbitrary values the search never looks at.
std::vector<INDEX_RECORD> IndexFromBytes(const std::vector<Stamp>& stamps) {
  std::vector<uint8_t> bytes;
  uint32_t junk = 0x9E3779B9;
  for (const Stamp& s : stamps) {
    for (int v : {s.year, s.ms, s.month, s.day, s.hour, s.minute, s.second}) {
      bytes.push_back(static_cast<uint8_t>(v & 0xFF));
      bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    bytes.push_back(s.camera);
    bytes.push_back(s.type);
    for (int i = 0; i < 8; ++i) {
      junk = junk * 1103515245 + 12345;
      bytes.push_back(static_cast<uint8_t>(junk >> 24));
    }
  }
  std::vector<INDEX_RECORD> records;
  for (size_t p = 0; p < bytes.size(); p += 24) records.push_back(INDEX_RECORD::FromBytes(&bytes[p]));
  return records;
}

int64_t At(const char* text) {
  int64_t ms = 0;
  EXPECT_TRUE(ParseMoment(text, &ms)) << text;
  return ms;
}

TEST(RecordTime, ParsesTheToolsFormAndRefusesEverythingElse) {
  EXPECT_EQ(At("2026-12-08T14:20:00") + 5, At("2026-12-08T14:20:00.005"));
  EXPECT_EQ(At("2026-12-08T14:20:00.5"), At("2026-12-08T14:20:00.500"));
  EXPECT_EQ(At("2026-12-09T00:00:00") - At("2026-12-08T23:59:59.999"), 1);
  EXPECT_EQ(At("2024-03-01T00:00:00") - At("2024-02-29T00:00:00"), 86400000);
  int64_t ms = 0;
  for (const char* bad : {"", "2026", "2026-12-08", "2026-12-08T14:20", "2026-12-08 14:20:00",
                          "2026-12-08T14:20:00.", "2026-12-08T14:20:00.1234", "2026-12-08T14:20:00Z",
                          "2026-13-01T00:00:00", "2026-02-29T00:00:00", "2026-12-00T00:00:00",
                          "2026-12-08T24:00:00", "2026-12-08T14:60:00", "2026-12-08T14:20:60",
                          "20x6-12-08T14:20:00", "-026-12-08T14:20:00", "2026-12-08T14:20:00\n"}) {
    EXPECT_FALSE(ParseMoment(bad, &ms)) << bad;
  }
  EXPECT_FALSE(ParseMoment(std::string(100000, '9'), &ms));
}

TEST(RecordTime, FormatsWhatItParsesAndCountsOnDamagedFields) {
  for (const char* text : {"2026-12-08T14:20:00.005", "2024-02-29T23:59:59.999", "1999-12-31T00:00:00.000"}) {
    EXPECT_EQ(FormatMoment(At(text)), text);
  }
  // Month 13 of 2026 is January 2027: a damaged record still sorts sensibly.
  EXPECT_EQ(CivilMomentMs(2026, 13, 1, 0, 0, 0, 0), At("2027-01-01T00:00:00"));
  EXPECT_EQ(CivilMomentMs(65535, 65535, 65535, 65535, 65535, 65535, 65535) > 0, true);
}

TEST(RecordTimeSearch, SortedIndexGivesTheLastRecordAtOrBeforeTheMoment) {
  const auto index = IndexFromBytes({{2026, 12, 8, 23, 59, 58, 0},
                                     {2026, 12, 8, 23, 59, 59, 0},
                                     {2026, 12, 8, 23, 59, 59, 0},
                                     {2026, 12, 9, 0, 0, 0, 500},
                                     {2026, 12, 9, 0, 0, 2, 0}});
  CRecordTimeSearch search(index.data(), static_cast<uint32_t>(index.size()));
  EXPECT_TRUE(search.IsTimeOrdered());
  EXPECT_EQ(search.FirstTimeMs(), At("2026-12-08T23:59:58"));
  EXPECT_EQ(search.LastTimeMs(), At("2026-12-09T00:00:02"));
  EXPECT_EQ(search.Find(At("2026-12-08T23:59:58")), 0u);
  EXPECT_EQ(search.Find(At("2026-12-08T23:59:58.999")), 0u);
  EXPECT_EQ(search.Find(At("2026-12-08T23:59:59")), 2u);  // of two at that time, the later written
  EXPECT_EQ(search.Find(At("2026-12-09T00:00:00.499")), 2u);
  EXPECT_EQ(search.Find(At("2026-12-09T00:00:00.500")), 3u);
  EXPECT_EQ(search.Find(At("2026-12-09T00:00:01")), 3u);
  EXPECT_EQ(search.Find(At("2030-01-01T00:00:00")), 4u);
  EXPECT_EQ(search.Find(At("2026-12-08T12:00:00")), 0u);  // before the start: the first record
}

TEST(RecordTimeSearch, UnsortedIndexGivesWhatAFullScanGives) {
  // A record written late, and a block out of order around midnight.
  const auto index = IndexFromBytes({{2026, 12, 8, 23, 59, 58, 0},
                                     {2026, 12, 9, 0, 0, 1, 0},
                                     {2026, 12, 8, 23, 59, 59, 900},
                                     {2026, 12, 9, 0, 0, 3, 0},
                                     {2026, 12, 9, 0, 0, 2, 0},
                                     {2026, 12, 8, 23, 59, 57, 0}});
  CRecordTimeSearch search(index.data(), static_cast<uint32_t>(index.size()));
  EXPECT_FALSE(search.IsTimeOrdered());
  EXPECT_EQ(search.FirstTimeMs(), At("2026-12-08T23:59:57"));
  EXPECT_EQ(search.Find(At("2026-12-09T00:00:00")), 2u);
  EXPECT_EQ(search.Find(At("2026-12-09T00:00:02.5")), 4u);
  EXPECT_EQ(search.Find(At("2026-12-08T23:59:57.5")), 5u);
  EXPECT_EQ(search.Find(At("2026-12-08T23:00:00")), 0u);

  // Many random indexes: the same answer as looking at every record.
  std::mt19937 random(19);
  for (int round = 0; round < 200; ++round) {
    std::vector<Stamp> stamps;
    const int n = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < n; ++i) {
      stamps.push_back({2026, 12, 8 + static_cast<int>(random() % 2), 23 * static_cast<int>(random() % 2), 0,
                        static_cast<int>(random() % 5), static_cast<int>(random() % 3) * 300});
    }
    const auto records = IndexFromBytes(stamps);
    CRecordTimeSearch s(records.data(), static_cast<uint32_t>(records.size()));
    for (int q = 0; q < 20; ++q) {
      const int64_t moment = s.FirstTimeMs() - 1000 + static_cast<int64_t>(random() % (86400000 + 8000));
      uint32_t expected = 0;
      int64_t best = INT64_MIN;
      for (uint32_t i = 0; i < records.size(); ++i) {
        const int64_t t = RecordMomentMs(records[i]);
        if (t <= moment && t >= best) {
          best = t;
          expected = i;
        }
      }
      ASSERT_EQ(s.Find(moment), expected) << "round " << round << " at " << FormatMoment(moment);
    }
  }
}

TEST(RecordTimeSearch, RecordsTheFilterRefusesAreWalkedOver) {
  const auto index = IndexFromBytes({{2026, 12, 8, 14, 20, 0, 0, 0, 0x01},
                                     {2026, 12, 8, 14, 20, 0, 500, 0, 0xF0},
                                     {2026, 12, 8, 14, 20, 1, 0, 1, 0x81},
                                     {2026, 12, 8, 14, 20, 1, 0, 0, 0xF0}});
  CRecordTimeSearch search(index.data(), static_cast<uint32_t>(index.size()));
  auto video = [](const INDEX_RECORD& r) { return !r.IsAudio(); };
  auto camera0Video = [](const INDEX_RECORD& r) { return !r.IsAudio() && r.camera == 0; };
  EXPECT_EQ(search.Find(At("2026-12-08T14:20:02")), 3u);
  EXPECT_EQ(search.Find(At("2026-12-08T14:20:02"), video), 2u);
  EXPECT_EQ(search.Find(At("2026-12-08T14:20:02"), camera0Video), 0u);
  EXPECT_EQ(search.Find(At("2026-12-08T14:19:00"), [](const INDEX_RECORD& r) { return r.camera == 1; }), 2u);
  EXPECT_EQ(search.Find(At("2026-12-08T14:20:02"), [](const INDEX_RECORD& r) { return r.camera == 7; }),
            CRecordTimeSearch::kNone);
  // The first record inside a span, on the time order of the records.
  EXPECT_EQ(search.FindFirstWithin(At("2026-12-08T14:20:00.001"), At("2026-12-08T14:20:01")), 1u);
  EXPECT_EQ(search.FindFirstWithin(At("2026-12-08T14:20:00.001"), At("2026-12-08T14:20:01"), video), 2u);
  EXPECT_EQ(search.FindFirstWithin(At("2026-12-08T14:20:00.001"), At("2026-12-08T14:20:00.400"), video),
            CRecordTimeSearch::kNone);
  const auto late = IndexFromBytes({{2026, 12, 8, 14, 20, 5, 0}, {2026, 12, 8, 14, 20, 2, 0}});
  CRecordTimeSearch unsorted(late.data(), 2);
  EXPECT_EQ(unsorted.FindFirstWithin(At("2026-12-08T14:20:00"), At("2026-12-08T14:20:09")), 1u);
  CRecordTimeSearch empty(nullptr, 0);
  EXPECT_EQ(empty.FindFirstWithin(0, 1), CRecordTimeSearch::kNone);
  EXPECT_EQ(empty.Find(0), CRecordTimeSearch::kNone);
}

}  // namespace
}  // namespace bv
