// The bookkeeping of kept pictures and decoder positions on its own: what
// the engine's catch-ups rely on when a frame is shown out of sequence.
#include <gtest/gtest.h>

#include <cstring>

#include "playback/engine/kept_pictures.h"

namespace bv {
namespace {

TEST(KeptPictures, CatchUpsContinueFromTheDecoderOnlyWithinTheirGroupAndWhileEnabled) {
  CKeptPictures kept;
  // Unknown position: from the key frame.
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 40), 30u);
  kept.DecoderNowAt(kCodecMPEG4, 35);
  EXPECT_EQ(kept.DecoderAt(kCodecMPEG4), 35u);
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 40), 36u) << "a step forward goes on from the frame shown";
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 36), 36u);
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 35), 30u) << "the decoder is past the target";
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 36, 40), 36u) << "the decoder is before this group's key frame";
  // Each codec's decoder has a position of its own.
  EXPECT_FALSE(kept.DecoderAt(kCodecWavelet).has_value());
  EXPECT_EQ(kept.CatchUpStart(kCodecWavelet, 30, 40), 30u);
  kept.SetEnabled(false);
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 40), 30u) << "without kept pictures every catch-up starts at its key";
  kept.SetEnabled(true);
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 40), 36u) << "turning it off keeps the positions";
  kept.DecoderMoved(kCodecMPEG4);
  EXPECT_FALSE(kept.DecoderAt(kCodecMPEG4).has_value());
  EXPECT_EQ(kept.CatchUpStart(kCodecMPEG4, 30, 40), 30u);
}

TEST(KeptPictures, TheRecordShownFromTheCacheIsTakenOnceAndForgottenWithEverythingElse) {
  CKeptPictures kept;
  EXPECT_FALSE(kept.TakeDecoderBehind(kCodecWavelet).has_value());
  kept.ShownFromCache(kCodecWavelet, 12);
  kept.ShownFromCache(kCodecWavelet, 11);
  EXPECT_EQ(kept.ShownCount(), 2u);
  EXPECT_EQ(kept.TakeDecoderBehind(kCodecWavelet), 11u) << "the last one shown";
  EXPECT_FALSE(kept.TakeDecoderBehind(kCodecWavelet).has_value()) << "taken once";
  kept.ShownFromCache(kCodecWavelet, 10);
  kept.DecoderRestarted(kCodecWavelet);
  EXPECT_FALSE(kept.TakeDecoderBehind(kCodecWavelet).has_value()) << "a key frame needs nothing before it";

  const CachedPictureFormat format{8, 2, true, false};
  uint8_t* room = kept.Cache().Reserve(5, format);
  ASSERT_NE(room, nullptr);
  std::memset(room, 0x5A, format.Bytes());
  kept.Cache().Commit(false);
  ASSERT_NE(kept.Cache().Find(5, format), nullptr);
  kept.DecoderNowAt(kCodecMJPG, 5);
  kept.ShownFromCache(kCodecMJPG, 4);
  kept.Forget();
  EXPECT_EQ(kept.Cache().Find(5, format), nullptr);
  EXPECT_FALSE(kept.DecoderAt(kCodecMJPG).has_value());
  EXPECT_FALSE(kept.TakeDecoderBehind(kCodecMJPG).has_value());
  EXPECT_EQ(kept.ShownCount(), 4u) << "the count of pictures shown is the engine's life, not the backup's";
}

TEST(KeptPictures, CodecsOutsideTheTableHaveNoPosition) {
  CKeptPictures kept;
  for (int codec : {-1, kCodecCount, 255}) {
    kept.DecoderNowAt(codec, 7);
    kept.ShownFromCache(codec, 7);
    EXPECT_FALSE(kept.DecoderAt(codec).has_value()) << codec;
    EXPECT_FALSE(kept.TakeDecoderBehind(codec).has_value()) << codec;
    EXPECT_EQ(kept.CatchUpStart(codec, 3, 9), 3u) << codec;
  }
  for (int codec = 0; codec < kCodecCount; ++codec) EXPECT_FALSE(kept.DecoderAt(codec).has_value()) << codec;
}

}  // namespace
}  // namespace bv
