// The vector kernels of the Wavelet decoder against the portable ones: the
// lifting rows and the colour rows must give the same bytes on every
// instruction set this processor runs, at every picture size the format
// allows (widths that are not a multiple of the vector length included).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/wavelet/colour_kernels.h"
#include "codecs/wavelet/colour_output.h"
#include "codecs/wavelet/inverse_transform.h"

namespace bv::wavelet {
namespace {

const int kSizes[][2] = {{16, 16}, {18, 22}, {50, 38}, {94, 16}, {176, 144}, {350, 286}, {704, 576}};

TEST(WaveletKernels, EveryLiftingKernelSetRebuildsTheSamePicture) {
  int count = 0;
  const LiftingKernels* const* kernels = AvailableLiftingKernels(&count);
  ASSERT_GE(count, 1);
  EXPECT_EQ(kernels[0], &PortableLiftingKernels());
  EXPECT_EQ(&SelectedLiftingKernels(), kernels[count - 1]);
  std::mt19937 random(17);
  std::vector<int16_t> low0(352 * 288), low1(352 * 288), rows(kSynthesisRows * kSynthesisRowLength);
  const SynthesisBuffers buffers{{low0.data(), low1.data()}, rows.data()};
  for (const auto& size : kSizes) {
    const int width = size[0], height = size[1];
    const PlaneGeometry g = MakePlaneGeometry(width, height);
    // Coefficients large enough to wrap 16-bit sums and clamp the output.
    std::vector<int16_t> coefficients(static_cast<size_t>(width) * height);
    for (int16_t& c : coefficients) c = static_cast<int16_t>(static_cast<int>(random() % 24001) - 12000);
    std::vector<uint8_t> reference(coefficients.size());
    for (uint8_t& p : reference) p = static_cast<uint8_t>(random());
    std::vector<uint8_t> expectedKey(coefficients.size()), expectedDelta = reference;
    SynthesizePlane(g, coefficients.data(), buffers, expectedKey.data(), false, *kernels[0]);
    SynthesizePlane(g, coefficients.data(), buffers, expectedDelta.data(), true, *kernels[0]);
    for (int k = 1; k < count; ++k) {
      SCOPED_TRACE(testing::Message() << kernels[k]->name << " " << width << "x" << height);
      std::vector<uint8_t> key(coefficients.size()), delta = reference;
      SynthesizePlane(g, coefficients.data(), buffers, key.data(), false, *kernels[k]);
      SynthesizePlane(g, coefficients.data(), buffers, delta.data(), true, *kernels[k]);
      EXPECT_EQ(key, expectedKey);
      EXPECT_EQ(delta, expectedDelta);
    }
  }
}

TEST(WaveletKernels, EveryColourKernelSetWritesTheSameBgrRows) {
  int count = 0;
  const ColourKernels* const* kernels = AvailableColourKernels(&count);
  ASSERT_GE(count, 1);
  EXPECT_EQ(kernels[0], &PortableColourKernels());
  std::mt19937 random(23);
  for (const auto& size : kSizes) {
    const int width = size[0], height = size[1];
    std::vector<uint8_t> luma(static_cast<size_t>(width) * height), cb(luma.size() / 4), cr(luma.size() / 4);
    for (uint8_t& v : luma) v = static_cast<uint8_t>(random());
    // Extreme chroma in places, so that every channel clamps somewhere.
    for (size_t i = 0; i < cb.size(); ++i) {
      cb[i] = static_cast<uint8_t>(i % 13 == 0 ? 255 : random());
      cr[i] = static_cast<uint8_t>(i % 11 == 0 ? 0 : random());
    }
    const PlaneView view{luma.data(), cb.data(), cr.data(), width, height};
    // One byte past the picture shows any write beyond it.
    std::vector<uint8_t> expected(luma.size() * 3 + 1, 0x77);
    WriteBgr(view, expected.data(), *kernels[0]);
    EXPECT_EQ(expected.back(), 0x77);
    for (int k = 1; k < count; ++k) {
      SCOPED_TRACE(testing::Message() << kernels[k]->name << " " << width << "x" << height);
      std::vector<uint8_t> bgr(expected.size(), 0x77);
      WriteBgr(view, bgr.data(), *kernels[k]);
      EXPECT_EQ(bgr, expected);
    }
  }
}

TEST(WaveletKernels, PortableColourRowsFollowTheInterpolationAndConversion) {
  // A 4 x 4 picture of one grey luma with a chroma step between the two
  // chroma columns: the edge pixels take 3/4 of their own sample.
  const std::vector<uint8_t> luma(16, 100);
  const std::vector<uint8_t> cb = {64, 192, 64, 192}, cr = {128, 128, 128, 128};
  std::vector<uint8_t> bgr(16 * 3);
  WriteBgr(PlaneView{luma.data(), cb.data(), cr.data(), 4, 4}, bgr.data(), PortableColourKernels());
  const int expectedCb[4] = {64, (3 * 64 * 4 + 192 * 4 + 7) >> 4, (3 * 192 * 4 + 64 * 4 + 8) >> 4, 192};
  for (int x = 0; x < 4; ++x) {
    uint8_t pixel[3];
    YCbCrToBgr(100, expectedCb[x], 128, pixel);
    for (int y = 0; y < 4; ++y) {
      EXPECT_EQ(bgr[(y * 4 + x) * 3], pixel[0]) << x << "," << y;
      EXPECT_EQ(bgr[(y * 4 + x) * 3 + 1], pixel[1]) << x << "," << y;
    }
  }
  uint8_t white[3], red[3];
  YCbCrToBgr(255, 128, 128, white);
  YCbCrToBgr(76, 85, 255, red);
  EXPECT_EQ(white[0], 255);
  EXPECT_EQ(white[1], 255);
  EXPECT_EQ(white[2], 255);
  EXPECT_NEAR(red[2], 255, 1);
  EXPECT_NEAR(red[1], 0, 1);
  EXPECT_NEAR(red[0], 0, 1);
}

}  // namespace
}  // namespace bv::wavelet
