#include "codecs/zrmp4/bgr24_rows.h"

#include <gtest/gtest.h>
#include <libyuv/convert_argb.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bv::zrmp4 {
namespace {

constexpr uint8_t kGuard = 0xA5;

// A 4:2:0 picture with padding after every row (filled with noise, so that
// a row read past its end shows in the result).
struct Picture {
  int width, height, yStride, cStride;
  std::vector<uint8_t> y, u, v;
  I420Planes Planes() const { return {y.data(), yStride, u.data(), cStride, v.data(), cStride}; }
};

Picture RandomPicture(int width, int height, std::mt19937& random) {
  Picture p{width, height, width + 13, (width + 1) / 2 + 7, {}, {}, {}};
  std::uniform_int_distribution<int> byte(0, 255);
  p.y.resize(static_cast<size_t>(p.yStride) * height);
  p.u.resize(static_cast<size_t>(p.cStride) * ((height + 1) / 2));
  p.v.resize(p.u.size());
  for (auto* plane : {&p.y, &p.u, &p.v}) {
    for (uint8_t& b : *plane) b = static_cast<uint8_t>(byte(random));
  }
  return p;
}

std::vector<uint8_t> Libyuv(const Picture& p, bool bottomUp) {
  std::vector<uint8_t> out(static_cast<size_t>(p.width) * 3 * p.height);
  EXPECT_EQ(libyuv::I420ToRGB24(p.y.data(), p.yStride, p.u.data(), p.cStride, p.v.data(), p.cStride, out.data(),
                                p.width * 3, p.width, bottomUp ? -p.height : p.height),
            0);
  return out;
}

// The rows under test, into rows wider than the picture's: the bytes after
// each row must stay as they were.
std::vector<uint8_t> Rows(const Picture& p, Bgr24Row row, bool* guardsKept) {
  const int rowBytes = p.width * 3, stride = rowBytes + 40;
  std::vector<uint8_t> out(static_cast<size_t>(stride) * p.height, kGuard);
  I420ToBgr24(p.Planes(), out.data(), stride, p.width, p.height, row);
  std::vector<uint8_t> packed;
  *guardsKept = true;
  for (int r = 0; r < p.height; ++r) {
    const uint8_t* line = out.data() + static_cast<size_t>(r) * stride;
    packed.insert(packed.end(), line, line + rowBytes);
    for (int i = rowBytes; i < stride; ++i) *guardsKept = *guardsKept && line[i] == kGuard;
  }
  return packed;
}

std::vector<std::pair<std::string, Bgr24Row>> RowsOfThisProcessor() {
  std::vector<std::pair<std::string, Bgr24Row>> rows{{"portable", PortableBgr24Row()}};
  if (Avx2Bgr24Row()) rows.emplace_back("avx2", Avx2Bgr24Row());
  return rows;
}

// libyuv's I420ToRGB24 is the reference: every width around the 32-pixel
// blocks (odd ones too), odd heights, noise in every sample.
TEST(Bgr24Rows, EqualLibyuvAtEveryWidthAroundTheBlocksAndWriteNothingPastARow) {
  std::mt19937 random(20261210);
  for (int width : {1, 2, 3, 15, 16, 17, 30, 31, 32, 33, 34, 63, 64, 65, 95, 96, 97, 100, 352, 720}) {
    for (int height : {1, 2, 3, 6}) {
      const Picture p = RandomPicture(width, height, random);
      const std::vector<uint8_t> expected = Libyuv(p, false);
      for (const auto& [name, row] : RowsOfThisProcessor()) {
        bool guardsKept = false;
        EXPECT_EQ(Rows(p, row, &guardsKept), expected) << name << " " << width << "x" << height;
        EXPECT_TRUE(guardsKept) << name << " " << width << "x" << height;
      }
    }
  }
}

// Every luma value with a grid of chroma pairs, corners included: the
// clamping at black and white and the saturation of the sums agree.
TEST(Bgr24Rows, EqualLibyuvForEveryLumaAcrossTheChromaRange) {
  std::vector<int> chroma;
  for (int c = 0; c < 256; c += 5) chroma.push_back(c);
  chroma.push_back(255);
  const int pairs = static_cast<int>(chroma.size() * chroma.size());
  // Two luma values share a chroma pair: 128 pairs of columns run through
  // all 256 luma values, one picture row per chroma pair.
  Picture p{256, 2 * pairs, 256, 128, {}, {}, {}};
  p.y.resize(static_cast<size_t>(256) * p.height);
  p.u.resize(static_cast<size_t>(128) * pairs);
  p.v.resize(p.u.size());
  for (int r = 0; r < p.height; ++r) {
    for (int x = 0; x < 256; ++x) p.y[static_cast<size_t>(r) * 256 + x] = static_cast<uint8_t>(x);
  }
  for (int k = 0; k < pairs; ++k) {
    for (int x = 0; x < 128; ++x) {
      p.u[static_cast<size_t>(k) * 128 + x] = static_cast<uint8_t>(chroma[k / chroma.size()]);
      p.v[static_cast<size_t>(k) * 128 + x] = static_cast<uint8_t>(chroma[k % chroma.size()]);
    }
  }
  const std::vector<uint8_t> expected = Libyuv(p, false);
  for (const auto& [name, row] : RowsOfThisProcessor()) {
    bool guardsKept = false;
    EXPECT_EQ(Rows(p, row, &guardsKept), expected) << name;
  }
}

// The picture as the decoder and the engine ask for it: packed rows, top
// row first and bottom row first, exactly libyuv's, and not a byte past it.
TEST(Bgr24Rows, ConvertsWholePicturesEitherWayUpAsLibyuv) {
  std::mt19937 random(704576);
  for (auto [width, height] : {std::pair{704, 576}, std::pair{720, 480}, std::pair{34, 3}}) {
    const Picture p = RandomPicture(width, height, random);
    for (bool bottomUp : {false, true}) {
      const size_t bytes = static_cast<size_t>(width) * 3 * height;
      std::vector<uint8_t> out(bytes + 64, kGuard);
      ASSERT_TRUE(ConvertI420ToBgr24(p.Planes(), out.data(), width, height, bottomUp));
      EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + static_cast<ptrdiff_t>(bytes)), Libyuv(p, bottomUp))
          << width << "x" << height << (bottomUp ? " bottom up" : " top down");
      EXPECT_EQ(std::vector<uint8_t>(out.begin() + static_cast<ptrdiff_t>(bytes), out.end()),
                std::vector<uint8_t>(64, kGuard));
    }
  }
  std::vector<uint8_t> untouched(3, kGuard);
  const Picture empty = RandomPicture(2, 2, random);
  EXPECT_FALSE(ConvertI420ToBgr24(empty.Planes(), untouched.data(), 0, 2, false));
  EXPECT_EQ(untouched, std::vector<uint8_t>(3, kGuard));
}

}  // namespace
}  // namespace bv::zrmp4
