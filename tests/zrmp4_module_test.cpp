// The MPEG-4 module through the viewer's CZRMP4Decoder, compared with the
// bare library decode of the same stream data and with the ffmpeg command
// line's.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/platform/le_bytes.h"
#include "codecs/zrmp4_decoder.h"
#include "playback/engine/planar_picture.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/mpeg4_encode.h"
#include "tools/samples/reference_mpeg4.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using samples::RgbPicture;

using test::EncodeMpeg4Clip;
using test::GuardedPicture;
using test::kCanary;
using test::Mpeg4Clip;
using test::ReferenceMpeg4Pictures;

uint32_t Size(const std::vector<uint8_t>& payload) { return static_cast<uint32_t>(payload.size()); }

class Zrmp4Module : public ::testing::Test {
 protected:
  int Decode(std::vector<uint8_t>& payload, GuardedPicture& out, int rgb) {
    return decoder_.Decode(payload.data(), out.data(), rgb, 0, nullptr, Size(payload));
  }
  test::CodecEnvironment env_;
  CZRMP4Decoder decoder_;
};

TEST_F(Zrmp4Module, DecodesEveryFrameAsTheLibraryDoesIn24BitAndYuy2) {
  Mpeg4Clip clip = EncodeMpeg4Clip(352, 240, 40, 12);
  ASSERT_EQ(clip.payloads[0][3], 0xB0);
  ASSERT_EQ(clip.payloads[1][3], 0xB1);
  ASSERT_EQ(clip.payloads[12][3], 0xB0);
  for (int rgb : {1, 0}) {
    const auto reference = ReferenceMpeg4Pictures(clip, rgb);
    CZRMP4Decoder decoder;
    for (size_t i = 0; i < clip.payloads.size(); ++i) {
      GuardedPicture out(352 * 240 * (rgb ? 3 : 2));
      ASSERT_EQ(decoder.Decode(clip.payloads[i].data(), out.data(), rgb, 0, nullptr, Size(clip.payloads[i])), 0) << i;
      ASSERT_TRUE(out.GuardIntact()) << i;
      ASSERT_EQ(out.Picture(), reference[i]) << "frame " << i << " rgb " << rgb;
      if (rgb) {
        EXPECT_GT(test::PsnrAgainst(out.Picture(), clip.pictures[i]), 30.0) << i;
      }
    }
  }
}

TEST_F(Zrmp4Module, Yuy2IsY0UY1VWithStudioRangeLuma) {
  RgbPicture picture(64, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = picture.Row(y) + x * 3;
      p[0] = x < 32 ? 200 : 20;
      p[1] = y < 16 ? 30 : 220;
      p[2] = x < 32 ? 60 : 160;
    }
  }
  samples::Mpeg4EncoderOptions options;
  options.width = 64;
  options.height = 32;
  options.quantizer = 2;
  samples::CMpeg4Encoder encoder(options);
  std::vector<uint8_t> payload = encoder.EncodePayload(picture);
  GuardedPicture out(64 * 32 * 2);
  ASSERT_EQ(Decode(payload, out, 0), 0);
  auto expect = [&](int x, int y, int r, int g, int b) {
    const double luma = 16 + (0.299 * r + 0.587 * g + 0.114 * b) * 219 / 255;
    const double cb = 128 + (-0.168736 * r - 0.331264 * g + 0.5 * b) * 224 / 255;
    const double cr = 128 + (0.5 * r - 0.418688 * g - 0.081312 * b) * 224 / 255;
    const uint8_t* pair = out.data() + static_cast<size_t>(y) * 64 * 2 + (x & ~1) * 2;
    EXPECT_NEAR(pair[0], luma, 4) << x << "," << y;
    EXPECT_NEAR(pair[1], cb, 4) << x << "," << y;
    EXPECT_NEAR(pair[2], luma, 4) << x << "," << y;
    EXPECT_NEAR(pair[3], cr, 4) << x << "," << y;
  };
  expect(4, 4, 200, 30, 60);
  expect(50, 4, 20, 30, 160);
  expect(4, 28, 200, 220, 60);
  expect(50, 28, 20, 220, 160);
}

TEST_F(Zrmp4Module, AKeyFrameWithoutHeadersDecodesOnceHeadersWereSeen) {
  Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 13, 12);
  ASSERT_EQ(clip.payloads[12][3], 0xB0);
  // The second key frame without its configuration headers: prefix, then
  // the I-VOP alone.
  const std::vector<uint8_t>& full = clip.payloads[12];
  size_t vop = 8;
  while (vop + 3 < full.size() && !(full[vop] == 0 && full[vop + 1] == 0 && full[vop + 2] == 1 && full[vop + 3] == 0xB6)) ++vop;
  ASSERT_LT(vop + 3, full.size());
  std::vector<uint8_t> bare = samples::MakeMpeg4Payload(full.data() + vop, full.size() - vop, true, 176, 144);

  GuardedPicture fresh(176 * 144 * 3);
  EXPECT_LT(Decode(bare, fresh, 1), 0) << "nothing has said how to read the picture yet";
  EXPECT_TRUE(fresh.Untouched());

  GuardedPicture first(176 * 144 * 3);
  ASSERT_EQ(Decode(clip.payloads[0], first, 1), 0);
  GuardedPicture withHeaders(176 * 144 * 3);
  GuardedPicture withoutHeaders(176 * 144 * 3);
  CZRMP4Decoder other;
  ASSERT_EQ(other.Decode(clip.payloads[12].data(), withHeaders.data(), 1, 0, nullptr, Size(clip.payloads[12])), 0);
  ASSERT_EQ(Decode(bare, withoutHeaders, 1), 0);
  EXPECT_EQ(withoutHeaders.Picture(), withHeaders.Picture());
}

TEST_F(Zrmp4Module, DecodingWithoutOutputMovesTheDecoderOnWithoutWriting) {
  Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 4, 12);
  const auto reference = ReferenceMpeg4Pictures(clip, true);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(decoder_.Decode(clip.payloads[i].data(), nullptr, 1, 0, nullptr, Size(clip.payloads[i])), 0) << i;
  GuardedPicture out(176 * 144 * 3);
  ASSERT_EQ(Decode(clip.payloads[3], out, 1), 0);
  EXPECT_EQ(out.Picture(), reference[3]);
}

TEST_F(Zrmp4Module, DeltaFramesNeedTheirKeyFrameFirst) {
  Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 4, 12);
  GuardedPicture out(176 * 144 * 3);
  EXPECT_LT(Decode(clip.payloads[1], out, 1), 0);
  EXPECT_TRUE(out.Untouched());
  ASSERT_EQ(Decode(clip.payloads[0], out, 1), 0);
  EXPECT_EQ(Decode(clip.payloads[1], out, 1), 0);
}

TEST_F(Zrmp4Module, GarbageAfterAPrefixIsRefusedAndLaterDeltasWaitForAKeyFrame) {
  Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 30, 12);
  const auto reference = ReferenceMpeg4Pictures(clip, true);
  std::mt19937 random(99);
  GuardedPicture out(176 * 144 * 3);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Decode(clip.payloads[i], out, 1), 0);

  // Random bytes of several lengths, as key and as delta frames.
  for (uint8_t kind : {uint8_t{0xB1}, uint8_t{0xB0}}) {
    for (size_t length : {size_t{1}, size_t{7}, size_t{300}, size_t{5000}}) {
      std::vector<uint8_t> garbage(length);
      for (auto& b : garbage) b = static_cast<uint8_t>(random());
      std::vector<uint8_t> payload = samples::MakeMpeg4Payload(garbage.data(), garbage.size(), kind == 0xB0, 176, 144);
      GuardedPicture refused(176 * 144 * 3);
      EXPECT_LT(Decode(payload, refused, 1), 0) << int(kind) << " " << length;
      EXPECT_TRUE(refused.Untouched()) << int(kind) << " " << length;
    }
  }
  // A real delta frame whose picture data is damaged after its VOP header
  // still gives a picture, its damage concealed and reported.
  std::vector<uint8_t> damaged = clip.payloads[5];
  for (size_t i = 16; i < damaged.size(); ++i) damaged[i] = static_cast<uint8_t>(random());
  GuardedPicture concealed(176 * 144 * 3);
  EXPECT_EQ(Decode(damaged, concealed, 1), kMpeg4Concealed);
  EXPECT_TRUE(concealed.GuardIntact());
  // The next delta frame builds on the damaged picture: shown, and reported
  // as concealed too. The next key frame is clean again.
  GuardedPicture next(176 * 144 * 3);
  EXPECT_EQ(Decode(clip.payloads[6], next, 1), kMpeg4Concealed);
  EXPECT_FALSE(next.Untouched());
  ASSERT_EQ(Decode(clip.payloads[12], next, 1), 0);
  EXPECT_EQ(next.Picture(), reference[12]);
  GuardedPicture after(176 * 144 * 3);
  ASSERT_EQ(Decode(clip.payloads[13], after, 1), 0);
  EXPECT_EQ(after.Picture(), reference[13]);
}

TEST_F(Zrmp4Module, AStreamOfAnotherSizeIsScaledToThePrefixSize) {
  Mpeg4Clip clip = EncodeMpeg4Clip(352, 240, 2, 12);
  for (auto [w, h] : {std::pair{176, 144}, std::pair{704, 576}, std::pair{352, 288}, std::pair{98, 66}}) {
    CZRMP4Decoder decoder;
    std::vector<uint8_t> payload = clip.payloads[0];
    WriteU16BE(payload.data() + 4, static_cast<uint16_t>(h));
    WriteU16BE(payload.data() + 6, static_cast<uint16_t>(w));
    GuardedPicture out(static_cast<size_t>(w) * h * 3);
    EXPECT_EQ(decoder.Decode(payload.data(), out.data(), 1, 0, nullptr, Size(payload)), 0) << w << "x" << h;
    EXPECT_TRUE(out.GuardIntact()) << w << "x" << h;
    // The scene's top left corner is where the stream has it.
    const samples::RgbPicture& source = clip.pictures[0];
    const uint8_t* expected = source.Row(0);
    EXPECT_NEAR(out.data()[0], expected[2], 40) << w << "x" << h;  // B of B, G, R against R, G, B
  }
}

TEST_F(Zrmp4Module, PrefixSizesOutsideThePictureBufferAreRefusedUnwritten) {
  Mpeg4Clip clip = EncodeMpeg4Clip(352, 240, 1, 12);
  for (auto [w, h] : {std::pair{0, 240}, std::pair{720, 576}, std::pair{352, 0}, std::pair{65535, 65535}}) {
    CZRMP4Decoder decoder;
    std::vector<uint8_t> payload = clip.payloads[0];
    WriteU16BE(payload.data() + 4, static_cast<uint16_t>(h));
    WriteU16BE(payload.data() + 6, static_cast<uint16_t>(w));
    GuardedPicture out(static_cast<size_t>(std::min(w, 704)) * std::min(h, 576) * 3);
    EXPECT_LT(decoder.Decode(payload.data(), out.data(), 1, 0, nullptr, Size(payload)), 0) << w << "x" << h;
    EXPECT_TRUE(out.Untouched()) << w << "x" << h;
  }
}

TEST_F(Zrmp4Module, BytesZeroToTwoAreNotExaminedWhateverTheyHold) {
  Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 3, 12);
  const auto reference = ReferenceMpeg4Pictures(clip, true);
  std::mt19937 random(7);
  for (int variant = 0; variant < 5; ++variant) {
    CZRMP4Decoder decoder;
    for (size_t i = 0; i < clip.payloads.size(); ++i) {
      std::vector<uint8_t> payload = clip.payloads[i];
      const uint32_t stream = Size(payload) - 8;
      // Zero, random, a length that lies either way, and all ones.
      const uint32_t field = variant == 0   ? 0
                             : variant == 1 ? static_cast<uint32_t>(random())
                             : variant == 2 ? stream + 1000
                             : variant == 3 ? stream / 2
                                            : 0xFFFFFF;
      payload[0] = static_cast<uint8_t>(field >> 16);
      payload[1] = static_cast<uint8_t>(field >> 8);
      payload[2] = static_cast<uint8_t>(field);
      GuardedPicture out(176 * 144 * 3);
      ASSERT_EQ(decoder.Decode(payload.data(), out.data(), 1, 0, nullptr, Size(payload)), 0) << variant << " " << i;
      EXPECT_EQ(out.Picture(), reference[i]) << variant << " " << i;
    }
  }
}

TEST_F(Zrmp4Module, TruncatedKeyFramesShowWhatArrivedAndReportTheRest) {
  Mpeg4Clip clip = EncodeMpeg4Clip(352, 240, 1, 12, samples::TestScene::kBusyDetail);
  const auto reference = ReferenceMpeg4Pictures(clip, true);
  const std::vector<uint8_t>& full = clip.payloads[0];
  for (size_t keep : {full.size() / 2, full.size() * 3 / 4}) {
    CZRMP4Decoder decoder;
    std::vector<uint8_t> payload(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(keep));
    GuardedPicture out(352 * 240 * 3);
    EXPECT_EQ(decoder.Decode(payload.data(), out.data(), 1, 0, nullptr, Size(payload)), kMpeg4Concealed) << keep;
    EXPECT_TRUE(out.GuardIntact()) << keep;
    // The first row of macroblocks arrived whole: it is the clean picture's.
    const std::vector<uint8_t> picture = out.Picture();
    EXPECT_TRUE(std::equal(picture.begin(), picture.begin() + 352 * 16 * 3, reference[0].begin())) << keep;
  }
  // Cut inside the headers, nothing says how to read the picture.
  CZRMP4Decoder decoder;
  std::vector<uint8_t> stub(full.begin(), full.begin() + 12);
  GuardedPicture out(352 * 240 * 3);
  EXPECT_LT(decoder.Decode(stub.data(), out.data(), 1, 0, nullptr, Size(stub)), 0);
  EXPECT_TRUE(out.Untouched());
}

TEST_F(Zrmp4Module, OtherCodecsDataUnderAnMpeg4KindByteIsRefused) {
  const std::vector<uint8_t> jpeg = samples::EncodeJpeg(samples::MakeTestPicture(176, 144, 0), 80);
  std::vector<uint8_t> asKey = samples::MakeMpeg4Payload(jpeg.data(), jpeg.size(), true, 176, 144);
  GuardedPicture out(176 * 144 * 3);
  EXPECT_LT(Decode(asKey, out, 1), 0);
  Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 1, 12);
  std::vector<uint8_t> wavelet = clip.payloads[0];
  wavelet[3] = 0xA0;  // a Wavelet kind byte on MPEG-4 data
  EXPECT_LT(Decode(wavelet, out, 1), 0);
  std::vector<uint8_t> mjpg = samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 0), 80);
  EXPECT_LT(Decode(mjpg, out, 1), 0);
  EXPECT_TRUE(out.Untouched());
}

TEST_F(Zrmp4Module, PicturesOfEverySizeUpTo704x576StayWithinTheirBytes) {
  for (auto [w, h] : {std::pair{704, 576}, std::pair{350, 238}, std::pair{98, 66}, std::pair{640, 480},
                        std::pair{702, 574}, std::pair{356, 240}, std::pair{180, 120}}) {
    Mpeg4Clip clip = EncodeMpeg4Clip(w, h, 3, 12);
    for (int rgb : {1, 0}) {
      const auto reference = ReferenceMpeg4Pictures(clip, rgb);
      CZRMP4Decoder decoder;
      for (size_t i = 0; i < clip.payloads.size(); ++i) {
        GuardedPicture out(static_cast<size_t>(w) * h * (rgb ? 3 : 2));
        ASSERT_EQ(decoder.Decode(clip.payloads[i].data(), out.data(), rgb, 0, nullptr, Size(clip.payloads[i])), 0) << w << "x" << h;
        EXPECT_TRUE(out.GuardIntact()) << w << "x" << h << " rgb " << rgb;
        EXPECT_EQ(out.Picture(), reference[i]) << w << "x" << h << " rgb " << rgb;
      }
    }
  }
}

// The DIB presentation's rows, bottom row first, straight from the module:
// the same pictures, at every size, scaled or not, within their bytes.
TEST_F(Zrmp4Module, BottomUpPicturesAreTheTopDownOnesFlipped) {
  ASSERT_TRUE(decoder_.WritesBottomUp());
  for (auto [w, h] : {std::pair{704, 576}, std::pair{350, 238}, std::pair{98, 66}, std::pair{702, 574}}) {
    Mpeg4Clip clip = EncodeMpeg4Clip(w, h, 4, 3);
    const auto reference = ReferenceMpeg4Pictures(clip, true);
    CZRMP4Decoder decoder;
    for (size_t i = 0; i < clip.payloads.size(); ++i) {
      GuardedPicture out(static_cast<size_t>(w) * h * 3);
      ASSERT_EQ(decoder.DecodeBottomUp(clip.payloads[i].data(), out.data(), Size(clip.payloads[i])), 0) << w;
      EXPECT_TRUE(out.GuardIntact()) << w << "x" << h;
      EXPECT_EQ(out.Picture(), test::FlipRows(reference[i], w * 3)) << w << "x" << h << " frame " << i;
    }
  }
  // A stream of another size than its prefix goes through the scaler.
  Mpeg4Clip clip = EncodeMpeg4Clip(352, 240, 1, 12);
  for (auto [w, h] : {std::pair{176, 144}, std::pair{350, 290}}) {
    std::vector<uint8_t> payload = clip.payloads[0];
    WriteU16BE(payload.data() + 4, static_cast<uint16_t>(h));
    WriteU16BE(payload.data() + 6, static_cast<uint16_t>(w));
    CZRMP4Decoder topDown;
    CZRMP4Decoder bottomUp;
    GuardedPicture rows(static_cast<size_t>(w) * h * 3);
    GuardedPicture flipped(static_cast<size_t>(w) * h * 3);
    ASSERT_EQ(topDown.Decode(payload.data(), rows.data(), 1, 0, nullptr, Size(payload)), 0);
    ASSERT_EQ(bottomUp.DecodeBottomUp(payload.data(), flipped.data(), Size(payload)), 0);
    EXPECT_TRUE(flipped.GuardIntact()) << w << "x" << h;
    EXPECT_EQ(flipped.Picture(), test::FlipRows(rows.Picture(), w * 3)) << w << "x" << h;
  }
  // Refusals leave the output untouched either way.
  std::vector<uint8_t> garbage(4000, 0x5A);
  garbage[3] = 0xB0;
  WriteU16BE(garbage.data() + 4, 144);
  WriteU16BE(garbage.data() + 6, 176);
  GuardedPicture out(176 * 144 * 3);
  EXPECT_LT(decoder_.DecodeBottomUp(garbage.data(), out.data(), Size(garbage)), 0);
  EXPECT_TRUE(out.Untouched());
}

// The 4:2:0 planes the viewer keeps for stepping back show, converted, the
// very picture the module converts itself; odd sizes have no such planes.
TEST_F(Zrmp4Module, PlanarPicturesConvertToTheModulesOwnPicture) {
  ASSERT_TRUE(decoder_.WritesPlanes());
  for (auto [w, h] : {std::pair{704, 576}, std::pair{350, 238}, std::pair{98, 66}}) {
    Mpeg4Clip clip = EncodeMpeg4Clip(w, h, 4, 3);
    const auto reference = ReferenceMpeg4Pictures(clip, true);
    CZRMP4Decoder decoder;
    for (size_t i = 0; i < clip.payloads.size(); ++i) {
      GuardedPicture planes(static_cast<size_t>(w) * h * 3 / 2);
      ASSERT_EQ(decoder.DecodePlanar(clip.payloads[i].data(), planes.data(), Size(clip.payloads[i])), 0) << w;
      EXPECT_TRUE(planes.GuardIntact()) << w << "x" << h;
      std::vector<uint8_t> shown(static_cast<size_t>(w) * h * 3);
      ASSERT_TRUE(PlanarToBottomUpBgr(planes.data(), w, h, shown.data()));
      EXPECT_EQ(shown, test::FlipRows(reference[i], w * 3)) << w << "x" << h << " frame " << i;
    }
  }
  // A stream of another size is scaled into planes of the prefix's size.
  Mpeg4Clip clip = EncodeMpeg4Clip(352, 240, 1, 12);
  std::vector<uint8_t> payload = clip.payloads[0];
  WriteU16BE(payload.data() + 4, 144);
  WriteU16BE(payload.data() + 6, 176);
  GuardedPicture scaled(176 * 144 * 3 / 2);
  EXPECT_EQ(decoder_.DecodePlanar(payload.data(), scaled.data(), Size(payload)), 0);
  EXPECT_TRUE(scaled.GuardIntact());
  // Odd sizes are refused before anything is written.
  for (auto [w, h] : {std::pair{175, 144}, std::pair{176, 143}}) {
    std::vector<uint8_t> odd = clip.payloads[0];
    WriteU16BE(odd.data() + 4, static_cast<uint16_t>(h));
    WriteU16BE(odd.data() + 6, static_cast<uint16_t>(w));
    CZRMP4Decoder decoder;
    GuardedPicture out(static_cast<size_t>(w) * h * 3 / 2);
    EXPECT_LT(decoder.DecodePlanar(odd.data(), out.data(), Size(odd)), 0) << w << "x" << h;
    EXPECT_TRUE(out.Untouched()) << w << "x" << h;
  }
  std::vector<uint8_t> none(176 * 144 * 3);
  EXPECT_FALSE(PlanarToBottomUpBgr(none.data(), 175, 144, none.data()));
}

// The 24-bit colours are those of ffmpeg's own conversion of the same
// stream (BT.601, studio range), give or take the rounding of two
// converters.
TEST_F(Zrmp4Module, ColoursMatchTheFfmpegCommandLinesDecode) {
  test::TempDir dir;
  const std::string stream = dir.File("clip.m4v");
  const std::string raw = dir.File("clip.bgr");
  ASSERT_EQ(test::RunCommand("/usr/bin/env", {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                              "testsrc2=size=352x288:rate=25", "-frames:v", "8", "-c:v", "mpeg4",
                                              "-q:v", "3", "-g", "4", "-bf", "0", "-f", "m4v", stream})
                .exitCode,
            0);
  ASSERT_EQ(test::RunCommand("/usr/bin/env", {"ffmpeg", "-v", "error", "-f", "m4v", "-i", stream, "-pix_fmt", "bgr24",
                                              "-f", "rawvideo", raw})
                .exitCode,
            0);
  const std::vector<uint8_t> data = test::ReadFileBytes(stream);
  const std::vector<uint8_t> expected = test::ReadFileBytes(raw);
  constexpr size_t kPictureBytes = 352 * 288 * 3;
  ASSERT_EQ(expected.size(), 8 * kPictureBytes);
  // One payload per VOP (00 00 01 B6), the headers with the first.
  std::vector<size_t> vops;
  for (size_t i = 0; i + 4 <= data.size(); ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6) vops.push_back(i);
  }
  ASSERT_EQ(vops.size(), 8u);
  for (size_t n = 0; n < vops.size(); ++n) {
    const size_t begin = n == 0 ? 0 : vops[n];
    const size_t end = n + 1 < vops.size() ? vops[n + 1] : data.size();
    const bool intra = (data[vops[n] + 4] >> 6) == 0;
    std::vector<uint8_t> payload = samples::MakeMpeg4Payload(data.data() + begin, end - begin, intra, 352, 288);
    GuardedPicture out(kPictureBytes);
    ASSERT_EQ(Decode(payload, out, 1), 0) << n;
    const std::vector<uint8_t> picture = out.Picture();
    int largest = 0;
    double total = 0;
    for (size_t i = 0; i < kPictureBytes; ++i) {
      const int difference = std::abs(picture[i] - expected[n * kPictureBytes + i]);
      largest = std::max(largest, difference);
      total += difference;
    }
    EXPECT_LE(largest, 4) << n;
    EXPECT_LT(total / kPictureBytes, 1.0) << n;
  }
}

TEST(Zrmp4Missing, WithoutTheModuleDecodingFailsCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::CodecEnvironment env(false);
        Mpeg4Clip clip = EncodeMpeg4Clip(176, 144, 1, 12);
        std::vector<uint8_t> out(176 * 144 * 3, kCanary);
        CZRMP4Decoder decoder;
        const bool refused = decoder.Decode(clip.payloads[0].data(), out.data(), 1, 0, nullptr, Size(clip.payloads[0])) < 0;
        const bool untouched = std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == kCanary; });
        // Deployed later, the module is found at the next call.
        env.CopyModule("ZRMP4.dll", "zrmp4.DLL");
        const bool found = decoder.Decode(clip.payloads[0].data(), out.data(), 1, 0, nullptr, Size(clip.payloads[0])) == 0;
        std::exit(refused && untouched && found ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace bv
