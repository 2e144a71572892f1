// Cutting an MPEG-4 Part 2 elementary stream into pictures, on hand-laid
// bytes fed whole, in two pieces at every point and byte by byte.
#include <gtest/gtest.h>

#include <vector>

#include "tools/samples/m4v_stream.h"

namespace bv::samples {
namespace {

using Bytes = std::vector<uint8_t>;

struct Cut {
  Bytes bytes;
  bool key;
  bool hasVol;
  bool operator==(const Cut&) const = default;
};

struct Result {
  std::vector<Cut> pictures;
  bool ok = true;
  uint64_t ignored = 0;
};

// Feeds stream in pieces of the given lengths (the rest as the last piece).
Result Split(const Bytes& stream, const std::vector<size_t>& pieces) {
  Result result;
  CM4vSplitter splitter([&](const M4vPicture& p) {
    result.pictures.push_back({Bytes(p.bytes.begin(), p.bytes.end()), p.key, p.hasVol});
  });
  size_t at = 0;
  for (size_t n : pieces) {
    result.ok = splitter.Feed({stream.data() + at, n}) && result.ok;
    at += n;
  }
  result.ok = splitter.Feed({stream.data() + at, stream.size() - at}) && result.ok;
  result.ok = splitter.Finish() && result.ok;
  result.ignored = splitter.IgnoredBytes();
  EXPECT_EQ(splitter.Pictures(), result.pictures.size());
  return result;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kStray = {0xFF, 0x00, 0x00, 0x12};
const Bytes kVos = {0, 0, 1, 0xB0, 0xF5};
const Bytes kVo = {0, 0, 1, 0xB5, 0x09};
const Bytes kVol = {0, 0, 1, 0x20, 0x00, 0x84, 0x5D};
const Bytes kIntra = {0, 0, 1, 0xB6, 0x10, 0xAA, 0x00, 0x00};  // coded data may end in zeros
const Bytes kPredicted = {0, 0, 1, 0xB6, 0x50, 0xCC, 0x00, 0x00, 0x02, 0xDD};
const Bytes kGov = {0, 0, 1, 0xB3, 0x00, 0x10};
const Bytes kIntra2 = {0, 0, 1, 0xB6, 0x3F, 0xEE};

TEST(M4vSplitter, EachVopTakesTheHeadersBeforeItAndStrayBytesAreDropped) {
  const Bytes stream = Cat({kStray, kVos, kVo, kVol, kIntra, kPredicted, kGov, kIntra2});
  const std::vector<Cut> expected = {
      {Cat({kVos, kVo, kVol, kIntra}), true, true},
      {kPredicted, false, false},
      {Cat({kGov, kIntra2}), true, false},
  };
  const Result whole = Split(stream, {});
  EXPECT_TRUE(whole.ok);
  EXPECT_EQ(whole.pictures, expected);
  EXPECT_EQ(whole.ignored, kStray.size());
}

TEST(M4vSplitter, StartCodesSplitAcrossPiecesCutTheSame) {
  const Bytes stream = Cat({kStray, kVos, kVo, kVol, kIntra, kPredicted, kGov, kIntra2});
  const Result whole = Split(stream, {});
  ASSERT_EQ(whole.pictures.size(), 3u);
  for (size_t at = 0; at <= stream.size(); ++at) {
    const Result two = Split(stream, {at});
    EXPECT_EQ(two.pictures, whole.pictures) << "cut at " << at;
    EXPECT_EQ(two.ignored, whole.ignored) << "cut at " << at;
  }
  const Result bytewise = Split(stream, std::vector<size_t>(stream.size(), 1));
  EXPECT_EQ(bytewise.pictures, whole.pictures);
  EXPECT_EQ(bytewise.ignored, whole.ignored);
}

TEST(M4vSplitter, AStreamOfHeadersOnlyHasNoPicture) {
  const Bytes stream = Cat({kVos, kVo, kVol});
  for (size_t at : {size_t{0}, size_t{3}, size_t{11}}) {
    const Result result = Split(stream, {at});
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.pictures.empty());
    EXPECT_EQ(result.ignored, stream.size());
  }
}

TEST(M4vSplitter, BytesWithoutStartCodesAreNoPicture) {
  Bytes garbage(5000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7 + 1);  // never 00 00
  const Result result = Split(garbage, {1000, 1});
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.pictures.empty());
  EXPECT_EQ(result.ignored, garbage.size());
}

TEST(M4vSplitter, AVopCutBeforeItsCodingTypeIsRefused) {
  CM4vSplitter atEnd([](const M4vPicture&) {});
  const Bytes cut = Cat({kVol, {0, 0, 1, 0xB6}});
  EXPECT_TRUE(atEnd.Feed(cut));
  EXPECT_FALSE(atEnd.Finish());
  EXPECT_NE(atEnd.Error().find("coding type"), std::string::npos);

  CM4vSplitter inside([](const M4vPicture&) {});
  EXPECT_FALSE(inside.Feed(Cat({kVol, {0, 0, 1, 0xB6}, kIntra})));
  EXPECT_FALSE(inside.Finish());
}

TEST(M4vSplitter, VolSizeIsReadAndACutVolRefused) {
  // random_accessible 0, type 00000001, no identifier, aspect 0001, no
  // control parameters, rectangular, marker, resolution 25, marker, no
  // fixed rate, marker, width 176, marker, height 144, marker.
  const std::string bits = "0" "00000001" "0" "0001" "0" "00" "1" "0000000000011001" "1" "0" "1" "0000010110000"
                           "1" "0000010010000" "1";
  Bytes vol((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i) vol[i / 8] |= static_cast<uint8_t>((bits[i] - '0') << (7 - i % 8));
  int width = 0;
  int height = 0;
  ASSERT_TRUE(ReadVolPictureSize(vol, &width, &height));
  EXPECT_EQ(width, 176);
  EXPECT_EQ(height, 144);
  EXPECT_TRUE(FindVolPictureSize(Cat({kVos, {0, 0, 1, 0x21}, vol}), &width, &height));
  EXPECT_FALSE(ReadVolPictureSize({vol.data(), vol.size() - 2}, &width, &height));
  EXPECT_FALSE(FindVolPictureSize(Cat({kVos, kIntra}), &width, &height));
}

}  // namespace
}  // namespace bv::samples
