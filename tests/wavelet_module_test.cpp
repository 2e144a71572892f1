// The Wavelet decoder module through its exported entry point, called as
// the viewer calls it: round trips, delta chains, output layouts, and
// refusal of everything it cannot decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "codecs/wavelet/checksum.h"
#include "codecs/wavelet/wavelet_encoder.h"
#include "codecs/wavelet/wavelet_format.h"
#include "tests/wavelet_test_support.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using samples::MakeTestPicture;
using samples::RgbPicture;
using samples::TestScene;
using test::CallDecoder;
using test::CWaveletWorkBlock;

std::vector<uint8_t> Encode(CWaveletEncoder& encoder, const RgbPicture& picture, bool key) {
  return encoder.Encode(picture.pixels.data(), picture.width, picture.height, picture.width * 3, key);
}

std::vector<uint8_t> Picture(const test::DecodeCall& call, int width, int height, int bytesPerPixel) {
  return std::vector<uint8_t>(call.output.begin(), call.output.begin() + static_cast<size_t>(width) * height * bytesPerPixel);
}

class WaveletModule : public ::testing::Test {
 protected:
  void SetUp() override {
    decode_ = test::LoadWaveletModule();
    ASSERT_NE(decode_, nullptr) << "decoderdll.dll did not load";
  }
  WaveletDecodeFn decode_ = nullptr;
};

struct SceneCase {
  TestScene scene;
  int width, height, quality;
  double minimumPsnr;
};

TEST_F(WaveletModule, KeyFramesDecodeToTheEncodersPictureAtTheStatedPsnr) {
  const SceneCase cases[] = {
      {TestScene::kBarsAndCounter, 352, 288, 60, 35.0}, {TestScene::kSmoothGradients, 352, 288, 60, 40.0},
      {TestScene::kBusyDetail, 352, 288, 60, 31.0},     {TestScene::kBarsAndCounter, 704, 576, 40, 36.0},
      {TestScene::kSmoothGradients, 704, 576, 90, 43.0}, {TestScene::kBusyDetail, 704, 576, 30, 27.0},
      {TestScene::kBarsAndCounter, 16, 16, 90, 20.0},   {TestScene::kSmoothGradients, 352, 240, 60, 40.0},
  };
  for (const SceneCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " scene " << static_cast<int>(c.scene));
    const RgbPicture picture = MakeTestPicture(c.width, c.height, 7, c.scene);
    CWaveletEncoder encoder(c.quality);
    const std::vector<uint8_t> payload = Encode(encoder, picture, true);
    ASSERT_FALSE(payload.empty());
    EXPECT_EQ(payload[3], wavelet::kKindKey);
    EXPECT_EQ(payload.size() - 8, static_cast<size_t>(payload[0] << 16 | payload[1] << 8 | payload[2]));
    CWaveletWorkBlock block;
    const test::DecodeCall call = CallDecoder(decode_, block, payload, 1);
    ASSERT_GE(call.result, 0);
    const std::vector<uint8_t> bgr = Picture(call, c.width, c.height, 3);
    EXPECT_EQ(bgr, encoder.ReconstructedBgr());
    EXPECT_GE(test::PsnrOfBgr(picture, bgr.data()), c.minimumPsnr);
    // Nothing is written past the picture.
    EXPECT_TRUE(std::all_of(call.output.begin() + bgr.size(), call.output.end(), [](uint8_t b) { return b == 0x5A; }));
  }
}

TEST_F(WaveletModule, HigherQualityGivesLargerPayloadsAndHigherPsnr) {
  const RgbPicture picture = MakeTestPicture(352, 288, 3, TestScene::kSmoothGradients);
  size_t lastSize = 0;
  double lastPsnr = 0;
  for (int quality : {20, 50, 80}) {
    CWaveletEncoder encoder(quality);
    const std::vector<uint8_t> payload = Encode(encoder, picture, true);
    CWaveletWorkBlock block;
    const test::DecodeCall call = CallDecoder(decode_, block, payload, 1);
    ASSERT_GE(call.result, 0);
    const double psnr = test::PsnrOfBgr(picture, call.output.data());
    EXPECT_GT(payload.size(), lastSize);
    EXPECT_GT(psnr, lastPsnr);
    lastSize = payload.size();
    lastPsnr = psnr;
  }
}

TEST_F(WaveletModule, FractionalQualitiesRefineTheWholeOnes) {
  const RgbPicture picture = MakeTestPicture(352, 288, 6, TestScene::kBarsAndCounter);
  CWaveletEncoder whole(47);
  CWaveletEncoder same(10);
  same.SetQuality(47.0);
  EXPECT_EQ(Encode(same, picture, true), Encode(whole, picture, true));
  // Between two whole qualities, the size lies between theirs.
  CWaveletEncoder lower(40), higher(41), between(1);
  between.SetQuality(40.5);
  const size_t lowSize = Encode(lower, picture, true).size();
  const size_t highSize = Encode(higher, picture, true).size();
  const size_t midSize = Encode(between, picture, true).size();
  EXPECT_LT(lowSize, highSize);
  EXPECT_GE(midSize, lowSize * 98 / 100);
  EXPECT_LE(midSize, highSize * 102 / 100);
  between.SetQuality(250.0);
  EXPECT_EQ(between.Quality(), 100);
}

TEST_F(WaveletModule, TheFinestQualityKeepsFineTextureNearlyIntact) {
  // Fine texture at the finest quality codes large magnitudes, through the
  // classes whose low bits travel raw.
  // Grey, so that the chroma subsampling loses nothing.
  RgbPicture picture = MakeTestPicture(176, 144, 2, TestScene::kBusyDetail);
  for (size_t i = 0; i < picture.pixels.size(); i += 3)
    picture.pixels[i] = picture.pixels[i + 2] = picture.pixels[i + 1];
  CWaveletEncoder encoder(100);
  const std::vector<uint8_t> payload = Encode(encoder, picture, true);
  CWaveletWorkBlock block;
  const test::DecodeCall call = CallDecoder(decode_, block, payload, 1);
  ASSERT_GE(call.result, 0);
  EXPECT_GE(test::PsnrOfBgr(picture, call.output.data()), 48.0);
}

TEST_F(WaveletModule, DeltaChainsMatchTheEncodersReconstructionFrameByFrame) {
  CWaveletEncoder encoder(55);
  CWaveletWorkBlock block;
  size_t keyBytes = 0, deltaBytes = 0;
  int deltas = 0;
  for (int frame = 0; frame < 30; ++frame) {
    SCOPED_TRACE(frame);
    const RgbPicture picture = MakeTestPicture(352, 288, frame);
    const bool key = frame % 12 == 0;
    const std::vector<uint8_t> payload = Encode(encoder, picture, key);
    const uint8_t expectedKind = key ? wavelet::kKindKey : (frame % 12 == 1 ? wavelet::kKindDelta : wavelet::kKindDeltaChain);
    ASSERT_EQ(payload[3], expectedKind);
    (key ? keyBytes : deltaBytes) += payload.size();
    deltas += key ? 0 : 1;
    // Alternate the output form: the reference does not depend on it.
    const int rgb = frame % 3 == 2 ? 0 : 1;
    const test::DecodeCall call = CallDecoder(decode_, block, payload, rgb);
    ASSERT_GE(call.result, 0);
    if (rgb == 1) {
      EXPECT_EQ(Picture(call, 352, 288, 3), encoder.ReconstructedBgr());
      EXPECT_GE(test::PsnrOfBgr(picture, call.output.data()), 34.0);
    }
  }
  // Delta frames of a moving picture cost well under half a key frame.
  EXPECT_LT(deltaBytes / deltas, keyBytes / 3 / 2);
}

TEST_F(WaveletModule, Yuy2AndBgrOutputsDescribeTheSamePicture) {
  // A solid colour block: the YUY2 bytes have known studio-range values.
  RgbPicture red(64, 32);
  for (int y = 0; y < red.height; ++y)
    for (int x = 0; x < red.width; ++x) red.Row(y)[3 * x] = 255;
  CWaveletEncoder encoder(80);
  const std::vector<uint8_t> payload = Encode(encoder, red, true);
  CWaveletWorkBlock block;
  const test::DecodeCall yuy2 = CallDecoder(decode_, block, payload, 0);
  ASSERT_EQ(yuy2.result, 64 * 32 * 2);
  const uint8_t* centre = yuy2.output.data() + (16 * 64 + 32) * 2;
  EXPECT_NEAR(centre[0], 82, 2);   // Y0: 16 + 76.2 * 219/255
  EXPECT_NEAR(centre[1], 90, 2);   // U: 128 - 43 * 224/255
  EXPECT_NEAR(centre[2], 82, 2);   // Y1
  EXPECT_NEAR(centre[3], 240, 2);  // V: 128 + 127.5 * 224/255
  EXPECT_EQ(yuy2.output[64 * 32 * 2], 0x5A);

  // A detailed picture: luma of the YUY2 rows against the BGR rows.
  const RgbPicture picture = MakeTestPicture(352, 288, 5, TestScene::kBarsAndCounter);
  CWaveletEncoder busy(60);
  const std::vector<uint8_t> framePayload = Encode(busy, picture, true);
  const test::DecodeCall asBgr = CallDecoder(decode_, block, framePayload, 1);
  const test::DecodeCall asYuy2 = CallDecoder(decode_, block, framePayload, 0);
  ASSERT_EQ(asBgr.result, 352 * 288 * 3);
  ASSERT_EQ(asYuy2.result, 352 * 288 * 2);
  double squared = 0;
  for (int i = 0; i < 352 * 288; ++i) {
    const uint8_t* bgr = asBgr.output.data() + 3 * i;
    const double luma = 0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2];
    const double d = asYuy2.output[2 * i] - (16 + luma * 219 / 255);
    squared += d * d;
  }
  EXPECT_LT(std::sqrt(squared / (352 * 288)), 2.0);
}

TEST_F(WaveletModule, TheReferenceSurvivesRefusedPayloadsAndOtherCallsBetweenFrames) {
  CWaveletEncoder encoder(50);
  CWaveletWorkBlock block;
  const RgbPicture first = MakeTestPicture(352, 288, 0);
  ASSERT_GE(CallDecoder(decode_, block, Encode(encoder, first, true), 1).result, 0);
  const std::vector<uint8_t> delta = Encode(encoder, MakeTestPicture(352, 288, 1), false);

  std::vector<uint8_t> garbage(4000);
  std::mt19937 random(7);
  for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
  garbage[3] = wavelet::kKindKey;
  EXPECT_LT(CallDecoder(decode_, block, garbage, 1).result, 0);

  const test::DecodeCall call = CallDecoder(decode_, block, delta, 1);
  ASSERT_GE(call.result, 0);
  EXPECT_EQ(Picture(call, 352, 288, 3), encoder.ReconstructedBgr());
  // The same delta again no longer applies: the picture it refers to is gone.
  EXPECT_LT(CallDecoder(decode_, block, delta, 1).result, 0);
}

TEST_F(WaveletModule, DeltaFramesWithoutTheirReferenceAreRefused) {
  CWaveletEncoder encoder(50);
  const std::vector<uint8_t> key = Encode(encoder, MakeTestPicture(352, 288, 0), true);
  const std::vector<uint8_t> delta = Encode(encoder, MakeTestPicture(352, 288, 1), false);

  // A fresh work block, whatever it holds.
  for (uint8_t fill : {0x00, 0xCD, 0xFF}) {
    CWaveletWorkBlock block(fill);
    const test::DecodeCall call = CallDecoder(decode_, block, delta, 1);
    EXPECT_LT(call.result, 0);
    EXPECT_TRUE(std::all_of(call.output.begin(), call.output.end(), [](uint8_t b) { return b == 0x5A; }));
  }
  // A reference of another size.
  CWaveletWorkBlock block;
  CWaveletEncoder other(50);
  ASSERT_GE(CallDecoder(decode_, block, Encode(other, MakeTestPicture(704, 576, 0), true), 1).result, 0);
  EXPECT_LT(CallDecoder(decode_, block, delta, 1).result, 0);
  // A reference of the same size from another sequence.
  CWaveletEncoder third(50);
  ASSERT_GE(CallDecoder(decode_, block, Encode(third, MakeTestPicture(352, 288, 9), true), 1).result, 0);
  EXPECT_LT(CallDecoder(decode_, block, delta, 1).result, 0);
  // Its own key frame makes it decodable.
  ASSERT_GE(CallDecoder(decode_, block, key, 1).result, 0);
  EXPECT_GE(CallDecoder(decode_, block, delta, 1).result, 0);
}

void SetLength(std::vector<uint8_t>& payload, size_t length) {
  payload[0] = static_cast<uint8_t>(length >> 16);
  payload[1] = static_cast<uint8_t>(length >> 8);
  payload[2] = static_cast<uint8_t>(length);
}

void SetSize(std::vector<uint8_t>& payload, int width, int height) {
  payload[4] = static_cast<uint8_t>(height >> 8);
  payload[5] = static_cast<uint8_t>(height);
  payload[6] = static_cast<uint8_t>(width >> 8);
  payload[7] = static_cast<uint8_t>(width);
}

// Every payload here must be refused with the output left as it was.
void ExpectRefused(WaveletDecodeFn decode, const std::vector<uint8_t>& payload, const char* what,
                   uint8_t staleFill = 0) {
  CWaveletWorkBlock block;
  const test::DecodeCall call = CallDecoder(decode, block, payload, 1, staleFill);
  EXPECT_LT(call.result, 0) << what;
  EXPECT_TRUE(std::all_of(call.output.begin(), call.output.end(), [](uint8_t b) { return b == 0x5A; })) << what;
}

TEST_F(WaveletModule, TruncatedOversizedAndMislabelledPayloadsAreRefused) {
  CWaveletEncoder encoder(60);
  const RgbPicture picture = MakeTestPicture(352, 288, 4, TestScene::kBusyDetail);
  const std::vector<uint8_t> good = Encode(encoder, picture, true);
  const size_t length = good.size() - 8;

  // Cut short, the length field still claiming the whole: stale bytes follow.
  for (size_t keep : {size_t{8}, size_t{12}, size_t{30}, good.size() / 2, good.size() - 1}) {
    ExpectRefused(decode_, std::vector<uint8_t>(good.begin(), good.begin() + keep), "cut short", 0x00);
    ExpectRefused(decode_, std::vector<uint8_t>(good.begin(), good.begin() + keep), "cut short", 0xA5);
  }
  // Cut short with the length field made to agree.
  for (size_t keep : {size_t{8}, size_t{20}, size_t{30}, good.size() / 2, good.size() - 2}) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + keep);
    SetLength(cut, keep - 8);
    ExpectRefused(decode_, cut, "cut with its length");
  }
  // Bytes 0..2 are not examined: zero, or "lengths" larger than the data or
  // the read buffer, give the same picture.
  CWaveletWorkBlock referenceBlock;
  const test::DecodeCall reference = CallDecoder(decode_, referenceBlock, good, 1);
  ASSERT_GE(reference.result, 0);
  for (size_t claimed : {size_t{0}, length / 2, length + 1, length + 5000, size_t{0x129000 - 7}, size_t{0xFFFFFF}}) {
    std::vector<uint8_t> other = good;
    SetLength(other, claimed);
    CWaveletWorkBlock block;
    const test::DecodeCall call = CallDecoder(decode_, block, other, 1);
    EXPECT_EQ(call.result, reference.result) << claimed;
    EXPECT_EQ(call.output, reference.output) << claimed;
  }
  // Sizes the format does not allow.
  const int sizes[][2] = {{0, 288}, {352, 0}, {0, 0}, {706, 576}, {704, 578}, {720, 576}, {351, 288},
                          {352, 287}, {14, 16}, {65535, 65535}};
  for (const auto& size : sizes) {
    std::vector<uint8_t> wrong = good;
    SetSize(wrong, size[0], size[1]);
    ExpectRefused(decode_, wrong, "unsupported size");
  }
  // A valid size that is not the coded one: the checksum covers the prefix.
  std::vector<uint8_t> resized = good;
  SetSize(resized, 704, 576);
  ExpectRefused(decode_, resized, "size of another picture");
  std::vector<uint8_t> relabelled = good;
  relabelled[3] = wavelet::kKindDelta;
  ExpectRefused(decode_, relabelled, "key frame labelled delta");

  // Garbage after a valid prefix.
  std::mt19937 random(11);
  for (size_t garbageLength : {size_t{0}, size_t{4}, size_t{21}, size_t{100}, size_t{5000}}) {
    std::vector<uint8_t> garbage(8 + garbageLength);
    for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
    SetLength(garbage, garbageLength);
    garbage[3] = wavelet::kKindKey;
    SetSize(garbage, 352, 288);
    ExpectRefused(decode_, garbage, "garbage");
  }
  // Payloads of the other codecs handed to this decoder.
  std::vector<uint8_t> mpeg4(2000, 0);
  SetLength(mpeg4, mpeg4.size() - 8);
  mpeg4[3] = 0xB0;
  SetSize(mpeg4, 352, 288);
  mpeg4[8] = 0x00, mpeg4[9] = 0x00, mpeg4[10] = 0x01, mpeg4[11] = 0xB0;
  ExpectRefused(decode_, mpeg4, "MPEG-4 payload");
  ExpectRefused(decode_, samples::MakeMjpgPayload(picture, 75), "MJPG payload");
}

TEST_F(WaveletModule, EveryCorruptedByteIsRefusedOrDecodedWithinTheBuffers) {
  CWaveletEncoder encoder(45);
  const std::vector<uint8_t> good = Encode(encoder, MakeTestPicture(176, 144, 2, TestScene::kBusyDetail), true);
  std::mt19937 random(5);
  // Flipped bits anywhere are caught by the checksum.
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<uint8_t> damaged = good;
    damaged[8 + random() % (damaged.size() - 8)] ^= static_cast<uint8_t>(1u << (random() % 8));
    ExpectRefused(decode_, damaged, "flipped bit");
  }
  // Damage with a recomputed checksum reaches the entropy decoder: it may
  // decode or refuse, but must stay inside its buffers (checked by the
  // sanitizer build) and a refusal must leave the output untouched.
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<uint8_t> damaged = good;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int c = 0; c < changes; ++c) damaged[12 + random() % (damaged.size() - 12)] = static_cast<uint8_t>(random());
    if (trial % 4 == 0) damaged.resize(12 + 8 + random() % (damaged.size() - 20));
    SetLength(damaged, damaged.size() - 8);
    const uint64_t seed = static_cast<uint64_t>(damaged[3]) << 32 | 144u << 16 | 176u;
    const uint32_t sum = wavelet::Checksum32(damaged.data() + 8 + 12, damaged.size() - 20, seed);
    for (int i = 0; i < 4; ++i) damaged[16 + i] = static_cast<uint8_t>(sum >> (8 * i));
    CWaveletWorkBlock block;
    const test::DecodeCall call = CallDecoder(decode_, block, damaged, trial % 2);
    const size_t written = static_cast<size_t>(176) * 144 * (trial % 2 ? 3 : 2);
    if (call.result < 0) {
      EXPECT_TRUE(std::all_of(call.output.begin(), call.output.end(), [](uint8_t b) { return b == 0x5A; }));
    } else {
      EXPECT_EQ(static_cast<size_t>(call.result), written);
      EXPECT_TRUE(std::all_of(call.output.begin() + written, call.output.end(), [](uint8_t b) { return b == 0x5A; }));
    }
  }
}

}  // namespace
}  // namespace bv
