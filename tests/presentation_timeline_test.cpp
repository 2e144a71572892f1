// The presentation video's timeline from the records' times alone: how long
// each picture lasts, where sound starts, midnight, and the times that
// cannot make one timeline (refused naming the record).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/format/backup_constants.h"
#include "outputs/presentation_timeline.h"

namespace bv {
namespace {

struct Rec {
  int day;
  int hour;
  int minute;
  int second;
  int ms;
  bool audio = false;
  int month = 3;
};

IndexArray IndexOf(const std::vector<Rec>& records) {
  auto array = std::make_unique<INDEX_RECORD[]>(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    INDEX_RECORD& r = array[i];
    r = INDEX_RECORD{};
    r.year = 2026;
    r.month = static_cast<uint16_t>(records[i].month);
    r.day = static_cast<uint16_t>(records[i].day);
    r.hour = static_cast<uint16_t>(records[i].hour);
    r.minute = static_cast<uint16_t>(records[i].minute);
    r.second = static_cast<uint16_t>(records[i].second);
    r.millisecond = static_cast<uint16_t>(records[i].ms);
    // Fields the timeline does not read hold arbitrary values.
    r.camera = static_cast<uint8_t>(7 * i + 3);
    r.size = static_cast<uint32_t>(1000 + 37 * i);
    r.type = records[i].audio ? kAudioRecordType : static_cast<uint8_t>(i % 2 ? 0x80 : 0x01);
  }
  return IndexArray(std::move(array), static_cast<uint32_t>(records.size()));
}

TEST(PresentationTimeline, PicturesLastUntilTheNextAndSoundStartsAtItsRecord) {
  const IndexArray index = IndexOf({{14, 19, 30, 0, 0, true},
                                    {14, 19, 30, 0, 40},
                                    {14, 19, 30, 0, 140},
                                    {14, 19, 30, 1, 0, true},
                                    {14, 19, 30, 0, 390}});
  PresentationTimeline timeline;
  std::string error;
  ASSERT_TRUE(PlanPresentation(index, 7, 0, 4, &timeline, &error)) << error;
  ASSERT_EQ(timeline.pictures.size(), 3u);
  // The origin is the earliest record, the first sound chunk.
  EXPECT_EQ(timeline.pictures[0].record, 1u);
  EXPECT_EQ(timeline.pictures[0].pts, 40);
  EXPECT_EQ(timeline.pictures[0].duration, 100);
  EXPECT_EQ(timeline.pictures[1].duration, 250);
  EXPECT_EQ(timeline.pictures[2].pts, 390);
  EXPECT_EQ(timeline.pictures[2].duration, 250);  // as long as the one before it
  EXPECT_EQ(timeline.EndMs(), 640);
  ASSERT_EQ(timeline.sound.size(), 2u);
  EXPECT_EQ(timeline.sound[0].dueMs, 0);
  EXPECT_EQ(timeline.sound[1].record, 3u);
  EXPECT_EQ(timeline.sound[1].dueMs, 1000);

  // Before version 4 the viewer plays no sound: the video alone.
  ASSERT_TRUE(PlanPresentation(index, 3, 0, 4, &timeline, &error)) << error;
  EXPECT_TRUE(timeline.sound.empty());
  EXPECT_EQ(timeline.pictures.size(), 3u);
}

TEST(PresentationTimeline, MidnightAndMonthEndAreCrossed) {
  PresentationTimeline timeline;
  std::string error;
  ASSERT_TRUE(PlanPresentation(IndexOf({{14, 23, 59, 59, 900}, {15, 0, 0, 0, 100}}), 7, 0, 1, &timeline, &error))
      << error;
  EXPECT_EQ(timeline.pictures[1].pts, 200);
  ASSERT_TRUE(PlanPresentation(IndexOf({{31, 23, 59, 59, 950}, {1, 0, 0, 0, 50, false, 4}}), 7, 0, 1, &timeline,
                               &error))
      << error;
  EXPECT_EQ(timeline.pictures[1].pts, 100);
}

TEST(PresentationTimeline, TimesThatMakeNoTimelineAreRefusedNamingTheRecord) {
  PresentationTimeline timeline;
  std::string error;
  const IndexArray ok = IndexOf({{14, 10, 0, 0, 0}, {14, 10, 0, 0, 100}});
  EXPECT_FALSE(PlanPresentation(ok, 7, 1, 0, &timeline, &error));
  EXPECT_EQ(error, "records 1..0 are not within 0..1");
  EXPECT_FALSE(PlanPresentation(ok, 7, 0, 2, &timeline, &error));
  EXPECT_FALSE(PlanPresentation(IndexArray(), 7, 0, 0, &timeline, &error));
  EXPECT_EQ(error, "the backup holds no records");

  EXPECT_FALSE(PlanPresentation(IndexOf({{14, 10, 0, 0, 0, true}, {14, 10, 0, 1, 0, true}}), 7, 0, 1, &timeline,
                                &error));
  EXPECT_EQ(error, "records 0..1 hold no video frame");

  // Garbage dates: hour 25, month 13, 31 April.
  for (const Rec& garbage : {Rec{14, 25, 0, 0, 0}, Rec{14, 10, 0, 0, 0, false, 13}, Rec{31, 10, 0, 0, 0, false, 4}}) {
    EXPECT_FALSE(PlanPresentation(IndexOf({{14, 10, 0, 0, 0}, garbage}), 7, 0, 1, &timeline, &error));
    EXPECT_NE(error.find("record 1"), std::string::npos) << error;
  }

  EXPECT_FALSE(PlanPresentation(IndexOf({{14, 10, 0, 0, 500}, {14, 10, 0, 0, 400}}), 7, 0, 1, &timeline, &error));
  EXPECT_NE(error.find("record 1 was recorded at"), std::string::npos) << error;
}

}  // namespace
}  // namespace bv
