// The MJPEG driver module, reached through the viewer's Video for Windows
// layer as the engine reaches it, compared with libjpeg-turbo's own decode.
#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <random>
#include <vector>

#include "base/platform/le_bytes.h"
#include "codecs/vfw/vfw.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/mjpg_variants.h"
#include "tools/samples/reference_jpeg.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using samples::CReferenceJpegDecoder;
using samples::MakeTestPicture;
using samples::RgbPicture;

using test::FlipRows;
using test::GuardedPicture;

BITMAPINFOHEADER InputHeader(int width, int height, size_t payloadSize) {
  BITMAPINFOHEADER h;
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = kFourCC_MJPG;
  h.biSizeImage = static_cast<uint32_t>(payloadSize);
  return h;
}

BITMAPINFOHEADER OutputHeader(int width, int height, bool rgb) {
  BITMAPINFOHEADER h;
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = rgb ? 24 : 16;
  h.biCompression = rgb ? 0 : kFourCC_UYVY;
  h.biSizeImage = static_cast<uint32_t>(width * height * (rgb ? 3 : 2));
  return h;
}

// One frame the way the engine decodes it: locate, begin, decompress with
// the hurry-up flag, end, close. Returns ICDecompress's result, or
// ICERR_UNSUPPORTED when no decompressor was found.
intptr_t DecodeFrame(std::vector<uint8_t>& payload, int width, int height, bool rgb, uint8_t* out,
                     intptr_t* faults = nullptr) {
  BITMAPINFOHEADER in = InputHeader(width, height, payload.size());
  BITMAPINFOHEADER outHeader = OutputHeader(width, height, rgb);
  HIC hic = ICLocate(MakeFourCC('V', 'I', 'D', 'C'), kFourCC_MJPG, &in, &outHeader, ICMODE_DECOMPRESS);
  if (!hic) return ICERR_UNSUPPORTED;
  EXPECT_EQ(ICSendMessage(hic, ICM_DECOMPRESS_BEGIN, reinterpret_cast<intptr_t>(&in),
                          reinterpret_cast<intptr_t>(&outHeader)),
            ICERR_OK);
  const intptr_t result = ICDecompress(hic, ICDECOMPRESS_HURRYUP, &in, payload.data(), &outHeader, out);
  if (faults) *faults = ICSendMessage(hic, ICM_BV_DAMAGE_OF_LAST_FRAME, 0, 0);
  EXPECT_EQ(ICSendMessage(hic, ICM_DECOMPRESS_END, 0, 0), ICERR_OK);
  EXPECT_EQ(ICClose(hic), ICERR_OK);
  return result;
}

// libjpeg-turbo's decode of one image, top row first.
std::vector<uint8_t> ReferenceDecode(const std::vector<uint8_t>& jpeg, CReferenceJpegDecoder::Output output,
                                     bool fancy, int* width = nullptr, int* height = nullptr) {
  CReferenceJpegDecoder decoder;
  std::vector<uint8_t> pixels(4096 * 4096 * 3);
  int w = 0;
  int h = 0;
  if (!decoder.Decode(jpeg.data(), jpeg.size(), output, fancy, pixels.data(), pixels.size(), &w, &h)) return {};
  pixels.resize(static_cast<size_t>(w) * h * 3);
  if (width) *width = w;
  if (height) *height = h;
  return pixels;
}

class MjpgDriver : public ::testing::Test {
 protected:
  void SetUp() override { env_.RegisterDriver(); }
  test::CodecEnvironment env_;
};

TEST_F(MjpgDriver, DecodesARecorderFrameTo24BitBottomUpAsTheLibraryDoes) {
  const RgbPicture picture = MakeTestPicture(352, 240, 7);
  std::vector<uint8_t> payload = samples::MakeMjpgPayload(picture, 80);
  GuardedPicture out(352 * 240 * 3);
  ASSERT_EQ(DecodeFrame(payload, 352, 240, true, out.data()), ICERR_OK);
  EXPECT_TRUE(out.GuardIntact());

  const std::vector<uint8_t> jpeg(payload.begin() + 40, payload.end());
  const std::vector<uint8_t> reference = ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kBgr, false);
  ASSERT_EQ(reference.size(), out.size());
  EXPECT_EQ(FlipRows(out.Picture(), 352 * 3), reference);
}

TEST_F(MjpgDriver, AcceptsPlainJpegDataAndATopDownOutputHeader) {
  const RgbPicture picture = MakeTestPicture(320, 240, 3, samples::TestScene::kBusyDetail);
  std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 90);
  BITMAPINFOHEADER in = InputHeader(320, 240, jpeg.size());
  BITMAPINFOHEADER outHeader = OutputHeader(320, -240, true);
  HIC hic = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &outHeader, ICMODE_DECOMPRESS);
  ASSERT_NE(hic, nullptr);
  GuardedPicture out(320 * 240 * 3);
  EXPECT_EQ(ICDecompress(hic, 0, &in, jpeg.data(), &outHeader, out.data()), ICERR_OK);
  ICClose(hic);
  EXPECT_EQ(out.Picture(), ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kBgr, false));
  EXPECT_TRUE(out.GuardIntact());
}

TEST_F(MjpgDriver, HonoursFancyUpsamplingFromItsSettingsFile) {
  env_.WriteDriverSettings("FancyUpsampling=1\n");
  const RgbPicture picture = MakeTestPicture(352, 240, 2, samples::TestScene::kBusyDetail);
  std::vector<uint8_t> payload = samples::MakeMjpgPayload(picture, 85);
  GuardedPicture out(352 * 240 * 3);
  ASSERT_EQ(DecodeFrame(payload, 352, 240, true, out.data()), ICERR_OK);
  const std::vector<uint8_t> jpeg(payload.begin() + 40, payload.end());
  EXPECT_EQ(FlipRows(out.Picture(), 352 * 3), ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kBgr, true));
  EXPECT_NE(FlipRows(out.Picture(), 352 * 3), ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kBgr, false));
}

TEST_F(MjpgDriver, DisabledInItsSettingsFileItOpensForNoOne) {
  env_.WriteDriverSettings("Enabled=0\n");
  std::vector<uint8_t> payload = samples::MakeMjpgPayload(MakeTestPicture(64, 48, 0), 80);
  GuardedPicture out(64 * 48 * 3);
  EXPECT_EQ(DecodeFrame(payload, 64, 48, true, out.data()), ICERR_UNSUPPORTED);
  EXPECT_TRUE(out.Untouched());
}

TEST_F(MjpgDriver, UyvyOutputIsPackedUY0VY1TopRowFirst) {
  // Left half one flat colour, right half another; rows differ top to bottom.
  RgbPicture picture(64, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = picture.Row(y) + x * 3;
      const bool left = x < 32;
      const bool top = y < 16;
      p[0] = left ? 200 : 20;
      p[1] = top ? 30 : 220;
      p[2] = left ? 60 : 160;
    }
  }
  std::vector<uint8_t> payload = samples::MakeMjpgPayload(picture, 100);
  GuardedPicture out(64 * 32 * 2);
  ASSERT_EQ(DecodeFrame(payload, 64, 32, false, out.data()), ICERR_OK);
  EXPECT_TRUE(out.GuardIntact());

  // BT.601 values of the four flat areas at video levels (luma 16..235,
  // chroma 16..240), as packed 4:2:2 pictures carry them.
  auto expect = [&](int x, int y, int r, int g, int b) {
    const double luma = 16 + (0.299 * r + 0.587 * g + 0.114 * b) * 219 / 255;
    const double cb = 128 + (-0.168736 * r - 0.331264 * g + 0.5 * b) * 224 / 255;
    const double cr = 128 + (0.5 * r - 0.418688 * g - 0.081312 * b) * 224 / 255;
    const uint8_t* pair = out.data() + static_cast<size_t>(y) * 64 * 2 + (x & ~1) * 2;
    EXPECT_NEAR(pair[0], cb, 3) << x << "," << y;
    EXPECT_NEAR(pair[1], luma, 3) << x << "," << y;
    EXPECT_NEAR(pair[2], cr, 3) << x << "," << y;
    EXPECT_NEAR(pair[3], luma, 3) << x << "," << y;
  };
  expect(4, 4, 200, 30, 60);
  expect(50, 4, 20, 30, 160);
  expect(4, 28, 200, 220, 60);
  expect(50, 28, 20, 220, 160);
}

TEST_F(MjpgDriver, UyvyOutputCarriesTheLibrarysLumaAndPairAveragedChromaAtVideoLevels) {
  const RgbPicture picture = MakeTestPicture(352, 240, 11, samples::TestScene::kBusyDetail);
  std::vector<uint8_t> payload = samples::MakeMjpgPayload(picture, 80);
  GuardedPicture out(352 * 240 * 2);
  ASSERT_EQ(DecodeFrame(payload, 352, 240, false, out.data()), ICERR_OK);
  const std::vector<uint8_t> jpeg(payload.begin() + 40, payload.end());
  const std::vector<uint8_t> ycc = ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kYcbcr, false);
  ASSERT_EQ(ycc.size(), 352u * 240 * 3);
  const std::vector<uint8_t> uyvy = out.Picture();
  auto luma = [](int v) { return 16 + (v * 219 + 127) / 255; };
  // The pair's mean chroma scaled about 128 into 16..240.
  auto chroma = [](int a, int b) { return static_cast<int>(std::lround(128 + (a + b - 256) * 224.0 / 510)); };
  int off = 0;
  for (size_t pixel = 0; pixel < 352u * 240; pixel += 2) {
    const uint8_t* a = &ycc[pixel * 3];
    const uint8_t* b = a + 3;
    const uint8_t* packed = &uyvy[pixel * 2];
    ASSERT_EQ(packed[1], luma(a[0])) << pixel;
    ASSERT_EQ(packed[3], luma(b[0])) << pixel;
    ASSERT_NEAR(packed[0], chroma(a[1], b[1]), 1) << pixel;
    ASSERT_NEAR(packed[2], chroma(a[2], b[2]), 1) << pixel;
    off += packed[0] != chroma(a[1], b[1]);
  }
  EXPECT_LT(off, 352 * 240 / 20);  // rounding differences only
}

TEST_F(MjpgDriver, FramesWithoutHuffmanTablesDecodeWithTheStandardOnes) {
  const RgbPicture picture = MakeTestPicture(352, 240, 5);
  const std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 75);
  const std::vector<uint8_t> bare = samples::WithoutHuffmanTables(jpeg);
  ASSERT_LT(bare.size(), jpeg.size());
  std::vector<uint8_t> payload = samples::WrapMjpgPayload(bare, 352, 240);
  GuardedPicture out(352 * 240 * 3);
  ASSERT_EQ(DecodeFrame(payload, 352, 240, true, out.data()), ICERR_OK);
  EXPECT_EQ(FlipRows(out.Picture(), 352 * 3), ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kBgr, false));
}

TEST_F(MjpgDriver, TwoInterlacedFieldsAreDecodedAndTheirRowsInterleaved) {
  const RgbPicture picture = MakeTestPicture(352, 480, 9, samples::TestScene::kBusyDetail);
  std::vector<uint8_t> payload = samples::WrapMjpgPayload(samples::EncodeInterlacedJpeg(picture, 80), 352, 480);
  const std::vector<uint8_t> even =
      ReferenceDecode(samples::EncodeJpeg(samples::FieldOf(picture, 0), 80), CReferenceJpegDecoder::Output::kBgr, false);
  const std::vector<uint8_t> odd =
      ReferenceDecode(samples::EncodeJpeg(samples::FieldOf(picture, 1), 80), CReferenceJpegDecoder::Output::kBgr, false);
  ASSERT_EQ(even.size(), 352u * 240 * 3);

  GuardedPicture out(352 * 480 * 3);
  ASSERT_EQ(DecodeFrame(payload, 352, 480, true, out.data()), ICERR_OK);
  EXPECT_TRUE(out.GuardIntact());
  const std::vector<uint8_t> topDown = FlipRows(out.Picture(), 352 * 3);
  const size_t row = 352 * 3;
  for (size_t y = 0; y < 480; ++y) {
    const std::vector<uint8_t>& field = y % 2 == 0 ? even : odd;
    ASSERT_TRUE(std::equal(topDown.begin() + y * row, topDown.begin() + (y + 1) * row, field.begin() + (y / 2) * row))
        << "row " << y;
  }

  // With the field order inverted the first image holds the odd rows.
  env_.WriteDriverSettings("InvertFieldOrder=1\n");
  GuardedPicture inverted(352 * 480 * 3);
  ASSERT_EQ(DecodeFrame(payload, 352, 480, true, inverted.data()), ICERR_OK);
  const std::vector<uint8_t> swapped = FlipRows(inverted.Picture(), 352 * 3);
  for (size_t y = 0; y < 480; ++y) {
    const std::vector<uint8_t>& field = y % 2 == 1 ? even : odd;
    ASSERT_TRUE(std::equal(swapped.begin() + y * row, swapped.begin() + (y + 1) * row, field.begin() + (y / 2) * row))
        << "inverted, row " << y;
  }
}

TEST_F(MjpgDriver, InterlacedFramesAreRefusedWhenInterleaveIsSwitchedOff) {
  env_.WriteDriverSettings("SupportInterleave=0\n");
  const RgbPicture picture = MakeTestPicture(176, 144, 1);
  std::vector<uint8_t> payload = samples::WrapMjpgPayload(samples::EncodeInterlacedJpeg(picture, 80), 176, 144);
  GuardedPicture out(176 * 144 * 3);
  EXPECT_NE(DecodeFrame(payload, 176, 144, true, out.data()), ICERR_OK);
  EXPECT_TRUE(out.Untouched());
}

TEST_F(MjpgDriver, AFrameWithOnlyOneOfItsTwoFieldsShowsItTwiceAndCountsAsDamaged) {
  const RgbPicture picture = MakeTestPicture(176, 144, 1);
  const std::vector<uint8_t> field = samples::EncodeJpeg(samples::FieldOf(picture, 0), 80);
  std::vector<uint8_t> payload = samples::WrapMjpgPayload(field, 176, 144);
  GuardedPicture out(176 * 144 * 3);
  intptr_t faults = 0;
  ASSERT_EQ(DecodeFrame(payload, 176, 144, true, out.data(), &faults), ICERR_OK);
  EXPECT_TRUE(out.GuardIntact());
  EXPECT_GE(faults, 1);
  const std::vector<uint8_t> rows = FlipRows(out.Picture(), 176 * 3);
  const std::vector<uint8_t> reference = ReferenceDecode(field, CReferenceJpegDecoder::Output::kBgr, false);
  ASSERT_EQ(reference.size(), 176u * 72 * 3);
  for (size_t y = 0; y < 144; ++y) {
    ASSERT_TRUE(std::equal(rows.begin() + y * 176 * 3, rows.begin() + (y + 1) * 176 * 3,
                           reference.begin() + (y / 2) * 176 * 3))
        << "row " << y;
  }
}

TEST_F(MjpgDriver, PicturesOfAnotherSizeThanTheHeaderSaysAreScaledToIt) {
  // The header says 352 x 240; the JPEG inside is larger, smaller, or only
  // as wide. The picture has the header's size and the JPEG's content.
  for (auto [w, h] : {std::pair{704, 576}, std::pair{176, 120}, std::pair{352, 288}, std::pair{320, 240}}) {
    const RgbPicture inside = MakeTestPicture(w, h, 0);
    std::vector<uint8_t> payload = samples::WrapMjpgPayload(samples::EncodeJpeg(inside, 90), 352, 240);
    for (bool rgb : {true, false}) {
      GuardedPicture out(352 * 240 * (rgb ? 3 : 2));
      intptr_t faults = -1;
      ASSERT_EQ(DecodeFrame(payload, 352, 240, rgb, out.data(), &faults), ICERR_OK) << w << "x" << h;
      EXPECT_TRUE(out.GuardIntact()) << w << "x" << h;
      EXPECT_EQ(faults, 0) << w << "x" << h;
      if (!rgb) continue;
      // The scaled picture resembles the source picture scaled the same way.
      RgbPicture expected(352, 240);
      for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 352; ++x) {
          std::copy_n(inside.Row(y * h / 240) + (x * w / 352) * 3, 3, expected.Row(y) + x * 3);
        }
      }
      const std::vector<uint8_t> rows = FlipRows(out.Picture(), 352 * 3);
      EXPECT_GT(test::PsnrAgainst(rows, expected), 24.0) << w << "x" << h;
    }
  }
}

TEST_F(MjpgDriver, DamagedJpegDataShowsWhatLibjpegDecodesAndCountsTheFaults) {
  const RgbPicture picture = MakeTestPicture(352, 240, 4, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(picture, 80);
  const std::vector<uint8_t> clean = ReferenceDecode(std::vector<uint8_t>(good.begin() + 40, good.end()),
                                                     CReferenceJpegDecoder::Output::kBgr, false);
  ASSERT_EQ(clean.size(), 352u * 240 * 3);

  std::vector<std::vector<uint8_t>> damaged;
  for (size_t keep : {good.size() / 3, good.size() / 2, good.size() - 3}) {
    damaged.emplace_back(good.begin(), good.begin() + keep);  // truncated
  }
  std::vector<uint8_t> markers = good;
  for (size_t i = markers.size() / 2; i < markers.size() / 2 + 64; ++i) markers[i] = 0xFF;  // markers in the scan
  damaged.push_back(markers);
  // Two extraneous bytes before the start-of-scan marker.
  std::vector<uint8_t> extraneous = good;
  for (size_t i = 40; i + 1 < extraneous.size(); ++i) {
    if (extraneous[i] == 0xFF && extraneous[i + 1] == 0xDA) {
      extraneous.insert(extraneous.begin() + static_cast<std::ptrdiff_t>(i), {0x12, 0x34});
      break;
    }
  }
  ASSERT_EQ(extraneous.size(), good.size() + 2);
  damaged.push_back(extraneous);

  for (size_t i = 0; i < damaged.size(); ++i) {
    GuardedPicture out(352 * 240 * 3);
    intptr_t faults = 0;
    ASSERT_EQ(DecodeFrame(damaged[i], 352, 240, true, out.data(), &faults), ICERR_OK) << "case " << i;
    EXPECT_TRUE(out.GuardIntact()) << "case " << i;
    EXPECT_GE(faults, 1) << "case " << i;
    // The top rows come before the damage in the data: they are the clean
    // picture's (the picture is stored bottom-up).
    const std::vector<uint8_t> rows = FlipRows(out.Picture(), 352 * 3);
    EXPECT_TRUE(std::equal(rows.begin(), rows.begin() + 352 * 3 * 16, clean.begin())) << "case " << i;
  }
  // A clean frame reports no faults.
  std::vector<uint8_t> whole = good;
  GuardedPicture out(352 * 240 * 3);
  intptr_t faults = -1;
  ASSERT_EQ(DecodeFrame(whole, 352, 240, true, out.data(), &faults), ICERR_OK);
  EXPECT_EQ(faults, 0);
}

TEST_F(MjpgDriver, DataThatGivesNoPictureIsRefusedWithoutOverrun) {
  const RgbPicture picture = MakeTestPicture(352, 240, 4, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(picture, 80);

  std::vector<std::vector<uint8_t>> bad;
  for (size_t keep : {size_t{41}, size_t{44}}) {
    bad.emplace_back(good.begin(), good.begin() + keep);  // cut inside the markers
  }
  std::vector<uint8_t> noSof = good;
  for (size_t i = 40; i + 1 < noSof.size(); ++i) {
    if (noSof[i] == 0xFF && noSof[i + 1] == 0xC0) noSof[i + 1] = 0xC3;  // lossless: not this codec's
  }
  bad.push_back(noSof);
  std::vector<uint8_t> notJpeg = good;
  std::fill(notJpeg.begin() + 40, notJpeg.end(), 0x5A);
  bad.push_back(notJpeg);

  for (size_t i = 0; i < bad.size(); ++i) {
    GuardedPicture out(352 * 240 * 3);
    EXPECT_NE(DecodeFrame(bad[i], 352, 240, true, out.data()), ICERR_OK) << "case " << i;
    EXPECT_TRUE(out.GuardIntact()) << "case " << i;
  }
}

TEST_F(MjpgDriver, TheJpegIsFoundWhereverTheHeaderBeforeItLeavesIt) {
  const RgbPicture picture = MakeTestPicture(176, 144, 2);
  const std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 85);
  const std::vector<uint8_t> reference = ReferenceDecode(jpeg, CReferenceJpegDecoder::Output::kBgr, false);
  std::vector<uint8_t> standard = samples::WrapMjpgPayload(jpeg, 176, 144);
  // A header whose size field is not 40, and one followed by padding.
  std::vector<uint8_t> oddSize = standard;
  WriteU32LE(oddSize.data(), 0xDEADBEEF);
  std::vector<uint8_t> padded(standard.begin(), standard.begin() + 40);
  padded.insert(padded.end(), 24, 0x00);
  padded.insert(padded.end(), jpeg.begin(), jpeg.end());
  std::vector<uint8_t> bare = jpeg;  // no header at all
  for (std::vector<uint8_t>* payload : {&standard, &oddSize, &padded, &bare}) {
    GuardedPicture out(176 * 144 * 3);
    ASSERT_EQ(DecodeFrame(*payload, 176, 144, true, out.data()), ICERR_OK);
    EXPECT_EQ(FlipRows(out.Picture(), 176 * 3), reference);
  }
}

TEST_F(MjpgDriver, GreyscaleFramesDecodeInBothOutputs) {
  RgbPicture grey = MakeTestPicture(176, 144, 5);
  for (size_t i = 0; i + 2 < grey.pixels.size(); i += 3) {
    grey.pixels[i + 1] = grey.pixels[i + 2] = grey.pixels[i];
  }
  const std::vector<uint8_t> jpeg = samples::EncodeGreyscaleJpeg(grey, 90);
  std::vector<uint8_t> payload = samples::WrapMjpgPayload(jpeg, 176, 144);
  GuardedPicture bgr(176 * 144 * 3);
  ASSERT_EQ(DecodeFrame(payload, 176, 144, true, bgr.data()), ICERR_OK);
  EXPECT_GT(test::PsnrAgainst(FlipRows(bgr.Picture(), 176 * 3), grey), 30.0);
  GuardedPicture uyvy(176 * 144 * 2);
  ASSERT_EQ(DecodeFrame(payload, 176, 144, false, uyvy.data()), ICERR_OK);
  EXPECT_TRUE(uyvy.GuardIntact());
  EXPECT_EQ(uyvy.data()[0], 128);  // neutral chroma
  EXPECT_EQ(uyvy.data()[2], 128);
}

TEST_F(MjpgDriver, RandomBytesNeverDecodeOrOverrun) {
  std::mt19937 random(1234);
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(MakeTestPicture(176, 144, 2), 70);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> payload = good;
    const int flips = 1 + static_cast<int>(random() % 20);
    for (int f = 0; f < flips; ++f) payload[40 + random() % (payload.size() - 40)] = static_cast<uint8_t>(random());
    payload.resize(41 + random() % (payload.size() - 40));
    GuardedPicture out(176 * 144 * 2);
    DecodeFrame(payload, 176, 144, false, out.data());
    ASSERT_TRUE(out.GuardIntact()) << "round " << round;
  }
}

TEST_F(MjpgDriver, QueryRefusesFormatsItCannotProduce) {
  BITMAPINFOHEADER in = InputHeader(352, 240, 1000);
  BITMAPINFOHEADER out = OutputHeader(352, 240, true);
  out.biBitCount = 32;
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);
  out = OutputHeader(352, 240, false);
  out.biCompression = kFourCC_YUY2;
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);
  out = OutputHeader(704, 576, true);  // another size than the input
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);
  out = OutputHeader(352, 240, true);
  out.biSizeImage = 352 * 240 * 3 - 1;  // a buffer too small for the picture
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);
  BITMAPINFOHEADER notMjpg = in;
  notMjpg.biCompression = kFourCC_YUY2;
  out = OutputHeader(352, 240, true);
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &notMjpg, &out, ICMODE_DECOMPRESS), nullptr);
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_COMPRESS), nullptr);
  HIC hic = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, nullptr, ICMODE_DECOMPRESS);
  EXPECT_NE(hic, nullptr);
  ICClose(hic);
}

TEST_F(MjpgDriver, DecompressRefusesALyingOutputHeaderEvenAfterBegin) {
  std::vector<uint8_t> payload = samples::MakeMjpgPayload(MakeTestPicture(352, 240, 0), 80);
  BITMAPINFOHEADER in = InputHeader(352, 240, payload.size());
  BITMAPINFOHEADER out = OutputHeader(352, 240, true);
  HIC hic = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS);
  ASSERT_NE(hic, nullptr);
  BITMAPINFOHEADER bigger = OutputHeader(704, 576, true);
  GuardedPicture picture(352 * 240 * 3);
  EXPECT_EQ(ICDecompress(hic, ICDECOMPRESS_HURRYUP, &in, payload.data(), &bigger, picture.data()), ICERR_BADFORMAT);
  EXPECT_EQ(ICDecompress(hic, ICDECOMPRESS_HURRYUP, &in, nullptr, &out, picture.data()), ICERR_BADPARAM);
  EXPECT_TRUE(picture.Untouched());
  ICClose(hic);
}

TEST(MjpgRegistration, WithoutRegistrationOrModuleNoDecompressorIsFound) {
  BITMAPINFOHEADER in = InputHeader(352, 240, 1000);
  BITMAPINFOHEADER out = OutputHeader(352, 240, true);
  test::CodecEnvironment env;
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);  // no system.ini
  env.RegisterDriver("vidc.XVID", "mjpg32_G.dll");
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);  // another handler
  env.RegisterDriver("vidc.MJPG", "absent32.dll");
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);  // no module
  test::WriteFileBytes(env.SystemDir() + "/broken32.dll", {'M', 'Z', 0, 0});
  env.RegisterDriver("vidc.MJPG", "broken32.dll");
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS), nullptr);  // not loadable
  env.RegisterDriver("VIDC.mjpg", "C:\\WINDOWS\\system32\\MJPG32_G.DLL");
  HIC hic = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS);
  EXPECT_NE(hic, nullptr) << "names compare without regard to case; the module comes from the system directory";
  ICClose(hic);
}

TEST(MjpgRegistration, TheModuleIsLoadedFromTheSystemDirectoryOnly) {
  // Loaded modules stay loaded for the life of a process: start from none.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::CodecEnvironment env(false);
        env.RegisterDriver();
        BITMAPINFOHEADER in = InputHeader(352, 240, 1000);
        BITMAPINFOHEADER out = OutputHeader(352, 240, true);
        const bool missingRefused = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS) == nullptr;
        env.CopyModule("Mjpg32_g.dll", "mjpg32_g.DLL");
        HIC hic = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS);
        std::exit(missingRefused && hic ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(MjpgHandles, BadHandlesAreRefusedAndTheTableDoesNotOverflow) {
  test::CodecEnvironment env;
  env.RegisterDriver();
  int local = 0;
  EXPECT_EQ(ICSendMessage(nullptr, ICM_DECOMPRESS_END, 0, 0), ICERR_BADHANDLE);
  EXPECT_EQ(ICSendMessage(reinterpret_cast<HIC>(&local), ICM_DECOMPRESS_END, 0, 0), ICERR_BADHANDLE);
  EXPECT_EQ(ICClose(reinterpret_cast<HIC>(&local)), ICERR_BADHANDLE);

  BITMAPINFOHEADER in = InputHeader(352, 240, 1000);
  BITMAPINFOHEADER out = OutputHeader(352, 240, true);
  std::vector<HIC> open;
  for (int i = 0; i < 40; ++i) {
    if (HIC hic = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS)) open.push_back(hic);
  }
  EXPECT_GE(open.size(), 1u);
  EXPECT_LT(open.size(), 40u);
  for (HIC hic : open) EXPECT_EQ(ICClose(hic), ICERR_OK);
  EXPECT_EQ(ICClose(open.front()), ICERR_BADHANDLE);  // closed already
  HIC again = ICLocate(ICTYPE_VIDEO, kFourCC_MJPG, &in, &out, ICMODE_DECOMPRESS);
  EXPECT_NE(again, nullptr);
  ICClose(again);
}

}  // namespace
}  // namespace bv
