// Recognising the codec, key frames and picture sizes from a payload.
#include <gtest/gtest.h>

#include <cstring>

#include "base/format/codec_table.h"
#include "base/platform/le_bytes.h"

namespace bv {
namespace {

TEST(CodecTable, KindByteThreeChoosesTheCodecWhateverBytesZeroToTwoHold) {
  uint8_t payload[kPayloadHeadSize] = {0xB0, 0xA0, 0xB1};
  for (int kind = 0; kind < 256; ++kind) {
    payload[3] = static_cast<uint8_t>(kind);
    int expected = kCodecMJPG;
    if (kind >= 0xA0 && kind <= 0xA2) expected = kCodecWavelet;
    if (kind == 0xB0 || kind == 0xB1) expected = kCodecMPEG4;
    EXPECT_EQ(GetCodecType(payload), expected) << kind;
  }
}

TEST(CodecTable, KeyFramesAreA0B0AndEveryMjpgFrame) {
  uint8_t payload[kPayloadHeadSize] = {};
  const struct {
    uint8_t kind;
    bool key;
  } cases[] = {{0xA0, true}, {0xA1, false}, {0xA2, false}, {0xB0, true},
               {0xB1, false}, {0x00, true}, {0xB2, true},  {0x9F, true}};
  for (auto c : cases) {
    payload[3] = c.kind;
    EXPECT_EQ(IsKeyFrame(payload), c.key) << int(c.kind);
  }
  EXPECT_TRUE(IsKeyFrameKind(0xA0));
  EXPECT_TRUE(IsKeyFrameKind(0xB0));
  EXPECT_FALSE(IsKeyFrameKind(0xA2));
}

TEST(CodecTable, WaveletAndMpeg4SizesAreBigEndianHeightThenWidth) {
  uint8_t payload[kPayloadHeadSize] = {};
  payload[3] = 0xB1;
  WriteU16BE(payload + 4, 576);
  WriteU16BE(payload + 6, 704);
  int w = 0;
  int h = 0;
  GetPictureSize(payload, &w, &h);
  EXPECT_EQ(w, 704);
  EXPECT_EQ(h, 576);
  payload[3] = 0xA2;
  payload[4] = 0x00;
  payload[5] = 0xF0;  // 240
  payload[6] = 0x01;
  payload[7] = 0x60;  // 352
  GetPictureSize(payload, &w, &h);
  EXPECT_EQ(w, 352);
  EXPECT_EQ(h, 240);
}

TEST(CodecTable, MjpgSizeComesFromTheBitmapHeaderWhateverTheJpegSays) {
  uint8_t payload[kPayloadHeadSize] = {};
  WriteU32LE(payload, 40);
  WriteU32LE(payload + 4, 640);
  WriteU32LE(payload + 8, 480);
  std::memcpy(payload + 16, "MJPG", 4);
  int w = 0;
  int h = 0;
  GetPictureSize(payload, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(GetCodecType(payload), kCodecMJPG);
}

TEST(CodecTable, NamesShownWithLeadingBlank) {
  EXPECT_STREQ(CodecInfo(kCodecMJPG).shownName, " MJPG");
  EXPECT_STREQ(CodecInfo(kCodecWavelet).shownName, " Wavelet");
  EXPECT_STREQ(CodecInfo(kCodecMPEG4).shownName, " MPEG4");
}

}  // namespace
}  // namespace bv
