// What the export reads of records itself: recording times turned into one
// timeline, and the head of an MPEG-4 stream (its configuration headers and
// first picture), against truncated, oversized and garbage input.
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "outputs/mpeg4_stream_head.h"
#include "outputs/record_clock.h"

namespace bv {
namespace {

INDEX_RECORD Time(int year, int month, int day, int hour, int minute, int second, int ms) {
  INDEX_RECORD r{};
  r.year = static_cast<uint16_t>(year);
  r.month = static_cast<uint16_t>(month);
  r.day = static_cast<uint16_t>(day);
  r.hour = static_cast<uint16_t>(hour);
  r.minute = static_cast<uint16_t>(minute);
  r.second = static_cast<uint16_t>(second);
  r.millisecond = static_cast<uint16_t>(ms);
  return r;
}

TEST(RecordClock, AgreesWithTheCLibraryOnEveryDayOfFourCenturies) {
  // One time on each day from 1900 to 2299: leap years, century rules and
  // month lengths all come up.
  int checked = 0;
  for (int year = 1900; year < 2300; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 31; ++day) {
        struct tm parts {};
        parts.tm_year = year - 1900;
        parts.tm_mon = month - 1;
        parts.tm_mday = day;
        parts.tm_hour = (day * 7) % 24;
        parts.tm_min = (day * 13) % 60;
        parts.tm_sec = (month * 11) % 60;
        const time_t seconds = timegm(&parts);
        const bool exists = parts.tm_mday == day;  // timegm carried an impossible day into the next month
        const INDEX_RECORD record = Time(year, month, day, (day * 7) % 24, (day * 13) % 60, (month * 11) % 60, day);
        const std::optional<int64_t> ms = RecordTimeMs(record);
        ASSERT_EQ(ms.has_value(), exists) << FormatRecordTime(record);
        if (!exists) continue;
        ASSERT_EQ(*ms, int64_t{seconds} * 1000 + day) << FormatRecordTime(record);
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 400 * 365 + 97);
}

TEST(RecordClock, RefusesFieldsOutOfTheirRanges) {
  EXPECT_EQ(RecordTimeMs(Time(1970, 1, 1, 0, 0, 0, 0)), 0);
  EXPECT_EQ(RecordTimeMs(Time(2024, 2, 29, 23, 59, 59, 999)).has_value(), true);
  for (const INDEX_RECORD& bad :
       {Time(2023, 2, 29, 0, 0, 0, 0), Time(2026, 0, 1, 0, 0, 0, 0), Time(2026, 13, 1, 0, 0, 0, 0),
        Time(2026, 4, 31, 0, 0, 0, 0), Time(2026, 4, 0, 0, 0, 0, 0), Time(2026, 4, 1, 24, 0, 0, 0),
        Time(2026, 4, 1, 0, 60, 0, 0), Time(2026, 4, 1, 0, 0, 60, 0), Time(2026, 4, 1, 0, 0, 0, 1000),
        Time(0, 1, 1, 0, 0, 0, 0), Time(65535, 65535, 65535, 65535, 65535, 65535, 65535)}) {
    EXPECT_FALSE(RecordTimeMs(bad).has_value()) << FormatRecordTime(bad);
  }
  // Years before 1970 lie before the timeline's zero.
  EXPECT_LT(*RecordTimeMs(Time(1, 1, 1, 0, 0, 0, 0)), 0);
  EXPECT_EQ(FormatRecordTime(Time(2026, 3, 4, 5, 6, 7, 8)), "2026-03-04 05:06:07.008");
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

TEST(Mpeg4StreamHead, ConfigurationEndsAtTheFirstGroupOfPicturesOrPicture) {
  // VOS, VO, VOL (0x20), user data, GOV, then an I-VOP.
  const std::vector<uint8_t> stream = Bytes({0, 0, 1, 0xB0, 1,    0, 0, 1, 0xB5, 9,   0, 0, 1, 0x20, 0xC4, 0x88,
                                             0, 0, 1, 0xB2, 'L', 0, 0, 1, 0xB3, 0x10, 0, 0, 1, 0xB6, 0x10, 0xFF});
  const Mpeg4StreamHead head = ScanMpeg4StreamHead(stream);
  EXPECT_EQ(head.configLength, 21u);
  EXPECT_TRUE(head.hasVideoObjectLayer);
  EXPECT_EQ(head.pictureType, Mpeg4PictureType::kIntra);

  // A delta frame: the picture comes first, so there is no configuration.
  const Mpeg4StreamHead delta = ScanMpeg4StreamHead(Bytes({0, 0, 1, 0xB6, 0x50, 0x12}));
  EXPECT_EQ(delta.configLength, 0u);
  EXPECT_FALSE(delta.hasVideoObjectLayer);
  EXPECT_EQ(delta.pictureType, Mpeg4PictureType::kPredicted);
  EXPECT_EQ(ScanMpeg4StreamHead(Bytes({0, 0, 1, 0xB6, 0x90})).pictureType, Mpeg4PictureType::kBidirectional);
  EXPECT_EQ(ScanMpeg4StreamHead(Bytes({0, 0, 1, 0xB6, 0xC0})).pictureType, Mpeg4PictureType::kSprite);
  // A layer header after the first picture is not configuration.
  EXPECT_FALSE(ScanMpeg4StreamHead(Bytes({0, 0, 1, 0xB6, 0x10, 0, 0, 1, 0x21})).hasVideoObjectLayer);
}

TEST(Mpeg4StreamHead, TruncatedStreamsHaveNoPictureType) {
  const std::vector<uint8_t> full = Bytes({0, 0, 1, 0x20, 0xC4, 0, 0, 1, 0xB6, 0x10});
  for (size_t length = 0; length < full.size(); ++length) {
    const std::span<const uint8_t> cut(full.data(), length);
    const Mpeg4StreamHead head = ScanMpeg4StreamHead(cut);
    EXPECT_EQ(head.pictureType, Mpeg4PictureType::kNone) << length;
    EXPECT_LE(head.configLength, length);
    EXPECT_EQ(head.hasVideoObjectLayer, length >= 4) << length;
  }
  EXPECT_EQ(ScanMpeg4StreamHead(full).pictureType, Mpeg4PictureType::kIntra);
}

TEST(Mpeg4StreamHead, GarbageAndOversizedStreamsAreReadToTheirEndWithoutAPicture) {
  std::vector<uint8_t> garbage(100000);
  uint32_t state = 12345;
  for (uint8_t& b : garbage) {
    state = state * 1103515245 + 12345;
    b = static_cast<uint8_t>(state >> 24) | 1;  // never 0: no start code can form
  }
  const Mpeg4StreamHead head = ScanMpeg4StreamHead(garbage);
  EXPECT_EQ(head.configLength, garbage.size());
  EXPECT_EQ(head.pictureType, Mpeg4PictureType::kNone);
  EXPECT_FALSE(head.hasVideoObjectLayer);

  // Larger than any record: a run of zeros, then a picture at the very end.
  std::vector<uint8_t> zeros(0x129000 + 64, 0);
  zeros.insert(zeros.end(), {0, 0, 1, 0xB6, 0x40});
  const Mpeg4StreamHead late = ScanMpeg4StreamHead(zeros);
  EXPECT_EQ(late.configLength, zeros.size() - 5);
  EXPECT_EQ(late.pictureType, Mpeg4PictureType::kPredicted);
  EXPECT_EQ(ScanMpeg4StreamHead(std::span<const uint8_t>()).configLength, 0u);
}

}  // namespace
}  // namespace bv
