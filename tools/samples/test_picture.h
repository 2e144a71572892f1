#pragma once
// Generated pictures for demo backups, tests and benchmarks: a moving test
// picture with a visible frame counter, in a few scenes of different detail.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bv::samples {

// 24-bit picture, rows top to bottom, R, G, B per pixel.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  RgbPicture() = default;
  RgbPicture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3, 0) {}
  uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * width * 3; }
  const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
};

enum class TestScene {
  kBarsAndCounter,   // colour bars, a moving box and the counter: the demo picture
  kSmoothGradients,  // soft shading, little detail
  kBusyDetail,       // fine texture and sharp edges everywhere
};

// The picture of frame number frame; consecutive frames differ by motion.
RgbPicture MakeTestPicture(int width, int height, int frame, TestScene scene = TestScene::kBarsAndCounter);

// Draws value as four seven-segment digits, digitHeight pixels tall, white
// on a black box whose top-left corner is (x, y).
void DrawCounter(RgbPicture& picture, int x, int y, int digitHeight, int value);

}  // namespace bv::samples
