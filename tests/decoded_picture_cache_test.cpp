#include "playback/engine/decoded_picture_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace bv {
namespace {

constexpr CachedPictureFormat kSmall{4, 2, true};  // 24 bytes

std::vector<uint8_t> Picture(const CachedPictureFormat& format, uint8_t fill) {
  return std::vector<uint8_t>(format.Bytes(), fill);
}

bool Holds(CDecodedPictureCache& cache, uint32_t record, const CachedPictureFormat& format, uint8_t fill) {
  const uint8_t* found = cache.Find(record, format);
  return found && std::memcmp(found, Picture(format, fill).data(), format.Bytes()) == 0;
}

TEST(DecodedPictureCache, FindsAPictureByRecordAndFormatOnly) {
  CDecodedPictureCache cache(10 * kSmall.Bytes());
  cache.Store(7, kSmall, Picture(kSmall, 0x77).data());
  cache.Store(8, kSmall, Picture(kSmall, 0x88).data());
  EXPECT_TRUE(Holds(cache, 7, kSmall, 0x77));
  EXPECT_TRUE(Holds(cache, 8, kSmall, 0x88));
  EXPECT_EQ(cache.Find(9, kSmall), nullptr);
  // Same bytes per picture, another format: YUY2 of 6 x 2 is 24 bytes too.
  EXPECT_EQ(cache.Find(7, CachedPictureFormat{6, 2, false}), nullptr);
  EXPECT_EQ(cache.Find(7, CachedPictureFormat{4, 2, false}), nullptr);
  EXPECT_EQ(cache.BytesHeld(), 2 * kSmall.Bytes());

  // Storing a record again replaces its picture.
  cache.Store(7, kSmall, Picture(kSmall, 0x70).data());
  EXPECT_TRUE(Holds(cache, 7, kSmall, 0x70));
  EXPECT_EQ(cache.BytesHeld(), 2 * kSmall.Bytes());

  cache.Clear();
  EXPECT_EQ(cache.Find(7, kSmall), nullptr);
  EXPECT_EQ(cache.BytesHeld(), 0u);
  EXPECT_EQ(cache.PeakBytesHeld(), 2 * kSmall.Bytes());
}

TEST(DecodedPictureCache, TheLeastRecentlyUsedPictureMakesRoom) {
  CDecodedPictureCache cache(3 * kSmall.Bytes() + 5);
  ASSERT_EQ(cache.CapacityFor(kSmall), 3u);
  for (uint32_t r = 1; r <= 3; ++r) cache.Store(r, kSmall, Picture(kSmall, uint8_t(r)).data());
  ASSERT_NE(cache.Find(1, kSmall), nullptr);  // 2 is now the oldest in use
  cache.Store(4, kSmall, Picture(kSmall, 4).data());
  EXPECT_EQ(cache.Find(2, kSmall), nullptr);
  EXPECT_TRUE(Holds(cache, 1, kSmall, 1));
  EXPECT_TRUE(Holds(cache, 3, kSmall, 3));
  EXPECT_TRUE(Holds(cache, 4, kSmall, 4));
  EXPECT_EQ(cache.BytesHeld(), 3 * kSmall.Bytes());
  EXPECT_EQ(cache.PeakBytesHeld(), 3 * kSmall.Bytes());
}

TEST(DecodedPictureCache, ARoomIsFoundOnlyOnceCommitted) {
  CDecodedPictureCache cache(4 * kSmall.Bytes());
  cache.Store(1, kSmall, Picture(kSmall, 1).data());
  uint8_t* room = cache.Reserve(1, kSmall);
  ASSERT_NE(room, nullptr);
  std::memset(room, 0x55, kSmall.Bytes());
  // A decode that fails leaves the room uncommitted: the old picture of the
  // record is gone, no half-written one is found.
  EXPECT_EQ(cache.Find(1, kSmall), nullptr);
  EXPECT_EQ(cache.BytesHeld(), 0u);
  cache.Commit();
  EXPECT_TRUE(Holds(cache, 1, kSmall, 0x55));
  cache.Commit();  // nothing reserved: nothing changes
  EXPECT_EQ(cache.BytesHeld(), kSmall.Bytes());
}

TEST(DecodedPictureCache, PicturesOfAnotherSizeReplaceAllHeld) {
  CDecodedPictureCache cache(8 * kSmall.Bytes());
  cache.Store(1, kSmall, Picture(kSmall, 1).data());
  cache.Store(2, kSmall, Picture(kSmall, 2).data());
  const CachedPictureFormat larger{8, 2, true};
  EXPECT_EQ(cache.CapacityFor(larger), 4u);
  cache.Store(3, larger, Picture(larger, 3).data());
  EXPECT_EQ(cache.Find(1, kSmall), nullptr);
  EXPECT_EQ(cache.Find(2, kSmall), nullptr);
  EXPECT_TRUE(Holds(cache, 3, larger, 3));
  EXPECT_EQ(cache.BytesHeld(), larger.Bytes());
}

// A video window may read the picture it was handed until it is handed
// another: that storage is neither reused nor rewritten meanwhile.
TEST(DecodedPictureCache, ThePictureOnShowStaysUntouchedUntilTheMarkIsDropped) {
  CDecodedPictureCache cache(2 * kSmall.Bytes());
  cache.Store(1, kSmall, Picture(kSmall, 1).data());
  EXPECT_FALSE(cache.MarkOnShow(9, kSmall)) << "not held";
  ASSERT_TRUE(cache.MarkOnShow(1, kSmall));
  const uint8_t* shown = cache.Find(1, kSmall);

  // The other slot takes every new picture, however old the one on show.
  for (uint32_t r = 2; r < 6; ++r) cache.Store(r, kSmall, Picture(kSmall, uint8_t(r)).data());
  EXPECT_TRUE(Holds(cache, 1, kSmall, 1));
  EXPECT_TRUE(Holds(cache, 5, kSmall, 5));
  EXPECT_EQ(cache.Reserve(1, kSmall), nullptr) << "its own record is not written again";
  EXPECT_EQ(cache.Reserve(7, CachedPictureFormat{2, 2, true}), nullptr) << "no new format while on show";

  // Cleared (another backup), it is no longer found but still not reused.
  cache.Clear();
  EXPECT_EQ(cache.Find(1, kSmall), nullptr);
  for (uint32_t r = 10; r < 13; ++r) cache.Store(r, kSmall, Picture(kSmall, 0xEE).data());
  EXPECT_EQ(std::memcmp(shown, Picture(kSmall, 1).data(), kSmall.Bytes()), 0);

  cache.ShowNothing();
  cache.Store(20, kSmall, Picture(kSmall, 0x20).data());
  cache.Store(21, kSmall, Picture(kSmall, 0x21).data());
  EXPECT_TRUE(Holds(cache, 20, kSmall, 0x20));
  EXPECT_TRUE(Holds(cache, 21, kSmall, 0x21));
}

// Kept 4:2:0 planes are half a 24-bit picture's bytes, as many of them fit as
// of 24-bit pictures, and they are another format than the 24-bit ones.
TEST(DecodedPictureCache, PlanesAreHalfTheBytesAndAsManyAsTwentyFourBitPictures) {
  CachedPictureFormat planes = kSmall;
  planes.planar = true;
  EXPECT_EQ(planes.Bytes(), kSmall.Bytes() / 2);
  CDecodedPictureCache cache(3 * kSmall.Bytes());
  EXPECT_EQ(cache.CapacityFor(planes), cache.CapacityFor(kSmall));
  for (uint32_t record = 0; record < 4; ++record) cache.Store(record, planes, Picture(planes, 0x40).data());
  EXPECT_EQ(cache.BytesHeld(), 3 * planes.Bytes());
  EXPECT_EQ(cache.Find(0, planes), nullptr) << "the fourth made room";
  EXPECT_TRUE(Holds(cache, 3, planes, 0x40));
  EXPECT_EQ(cache.Find(3, kSmall), nullptr);
}

TEST(DecodedPictureCache, StaysWithinItsBudget) {
  CDecodedPictureCache cache(2 * kSmall.Bytes());
  EXPECT_EQ(cache.Reserve(1, CachedPictureFormat{40, 40, true}), nullptr) << "larger than the budget";
  EXPECT_EQ(cache.Reserve(1, CachedPictureFormat{0, 40, true}), nullptr);
  EXPECT_EQ(cache.Reserve(1, CachedPictureFormat{-4, 2, true}), nullptr);
  cache.Store(1, CachedPictureFormat{40, 40, true}, Picture(kSmall, 0).data());  // refused, not copied
  EXPECT_EQ(cache.BytesHeld(), 0u);
  for (uint32_t r = 0; r < 50; ++r) cache.Store(r, kSmall, Picture(kSmall, uint8_t(r)).data());
  EXPECT_EQ(cache.BytesHeld(), 2 * kSmall.Bytes());
  EXPECT_EQ(cache.PeakBytesHeld(), 2 * kSmall.Bytes());
  EXPECT_TRUE(Holds(cache, 48, kSmall, 48));
  EXPECT_TRUE(Holds(cache, 49, kSmall, 49));

  // However small the pictures, no more than a group's worth are kept.
  CDecodedPictureCache roomy(1000 * kSmall.Bytes());
  EXPECT_EQ(roomy.CapacityFor(kSmall), CDecodedPictureCache::kMaxPictures);
  // The default: 704 x 576 pictures, 40 in 24 bits, 60 in YUY2.
  CDecodedPictureCache standard;
  EXPECT_EQ(standard.CapacityFor(CachedPictureFormat{704, 576, true}), 40u);
  EXPECT_EQ(standard.CapacityFor(CachedPictureFormat{704, 576, false}), 60u);
  EXPECT_LE(standard.ByteBudget(), 48u << 20);
}

}  // namespace
}  // namespace bv
