#include "tools/samples/test_picture.h"

#include <algorithm>
#include <cmath>

namespace bv::samples {
namespace {

void FillRect(RgbPicture& p, int x0, int y0, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  const int x1 = std::min(p.width, x0 + w);
  const int y1 = std::min(p.height, y0 + h);
  for (int y = std::max(0, y0); y < y1; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = std::max(0, x0); x < x1; ++x) {
      row[3 * x] = r;
      row[3 * x + 1] = g;
      row[3 * x + 2] = b;
    }
  }
}

// Deterministic pixel noise so pictures are the same on every run.
uint8_t Hash8(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<uint8_t>(h >> 24);
}

uint8_t Clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

void DrawBars(RgbPicture& p, int frame) {
  static const uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                      {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
  const int barHeight = p.height / 3;
  for (int i = 0; i < 8; ++i) {
    const int x0 = i * p.width / 8;
    const int x1 = (i + 1) * p.width / 8;
    FillRect(p, x0, 0, x1 - x0, barHeight, kBars[i][0], kBars[i][1], kBars[i][2]);
  }
  // Lower part: a grey ramp that drifts with the frame number.
  for (int y = barHeight; y < p.height; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < p.width; ++x) {
      const int v = 40 + ((x + frame * 2) % p.width) * 160 / p.width;
      row[3 * x] = Clamp8(v);
      row[3 * x + 1] = Clamp8(v + (y - barHeight) / 4);
      row[3 * x + 2] = Clamp8(v + 20);
    }
  }
  // A box that sweeps across and back.
  const int box = std::max(8, p.height / 8);
  const int travel = std::max(1, p.width - box);
  const int phase = (frame * 6) % (2 * travel);
  const int bx = phase < travel ? phase : 2 * travel - phase;
  FillRect(p, bx, p.height * 5 / 12, box, box, 250, 200, 40);
}

void DrawGradients(RgbPicture& p, int frame) {
  const double t = frame * 0.05;
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < p.width; ++x) {
      const double u = static_cast<double>(x) / p.width;
      const double v = static_cast<double>(y) / p.height;
      row[3 * x] = Clamp8(static_cast<int>(128 + 100 * std::sin(2.0 * u + t)));
      row[3 * x + 1] = Clamp8(static_cast<int>(110 + 90 * std::cos(3.0 * v - t)));
      row[3 * x + 2] = Clamp8(static_cast<int>(120 + 80 * std::sin(2.5 * (u + v) + 0.5 * t)));
    }
  }
  const int r = std::max(6, p.height / 6);
  const int cx = p.width / 2 + static_cast<int>(p.width / 3 * std::sin(t));
  const int cy = p.height / 2;
  for (int y = cy - r; y <= cy + r; ++y) {
    if (y < 0 || y >= p.height) continue;
    uint8_t* row = p.Row(y);
    for (int x = cx - r; x <= cx + r; ++x) {
      if (x < 0 || x >= p.width) continue;
      const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d2 > r * r) continue;
      const int shade = 255 - d2 * 120 / (r * r);
      row[3 * x] = Clamp8(shade);
      row[3 * x + 1] = Clamp8(shade - 30);
      row[3 * x + 2] = Clamp8(shade / 2);
    }
  }
}

void DrawBusyDetail(RgbPicture& p, int frame) {
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < p.width; ++x) {
      const int xs = x + frame * 3;
      const bool brick = ((xs / 24 + y / 12) % 2) == 0;
      const bool mortar = (y % 12 == 0) || (xs % 24 == 0);
      const int noise = Hash8(static_cast<uint32_t>(xs), static_cast<uint32_t>(y), 7) / 4 - 32;
      const int base = mortar ? 200 : (brick ? 150 : 110);
      row[3 * x] = Clamp8(base + noise);
      row[3 * x + 1] = Clamp8(base * 2 / 3 + noise);
      row[3 * x + 2] = Clamp8(base / 2 + noise);
    }
  }
  // Thin diagonal lines: the hardest edges for any transform coder.
  for (int k = 0; k < p.width + p.height; k += 17) {
    for (int y = 0; y < p.height; ++y) {
      const int x = k - y;
      if (x >= 0 && x < p.width) {
        uint8_t* px = p.Row(y) + 3 * x;
        px[0] = px[1] = px[2] = 250;
      }
    }
  }
}

// Segments a..g of each digit 0..9.
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void DrawDigit(RgbPicture& p, int x, int y, int h, int digit) {
  const int w = h / 2;
  const int t = std::max(2, h / 10);
  const uint8_t s = kSegments[digit];
  auto on = [&](int bit) { return (s >> bit) & 1; };
  if (on(0)) FillRect(p, x, y, w, t, 255, 255, 255);                        // a
  if (on(1)) FillRect(p, x + w - t, y, t, h / 2, 255, 255, 255);            // b
  if (on(2)) FillRect(p, x + w - t, y + h / 2, t, h / 2, 255, 255, 255);    // c
  if (on(3)) FillRect(p, x, y + h - t, w, t, 255, 255, 255);                // d
  if (on(4)) FillRect(p, x, y + h / 2, t, h / 2, 255, 255, 255);            // e
  if (on(5)) FillRect(p, x, y, t, h / 2, 255, 255, 255);                    // f
  if (on(6)) FillRect(p, x, y + h / 2 - t / 2, w, t, 255, 255, 255);        // g
}

}  // namespace

void DrawCounter(RgbPicture& picture, int x, int y, int digitHeight, int value) {
  const int digitWidth = digitHeight / 2;
  const int gap = std::max(2, digitHeight / 6);
  const int pad = gap;
  FillRect(picture, x, y, 4 * digitWidth + 3 * gap + 2 * pad, digitHeight + 2 * pad, 0, 0, 0);
  value = ((value % 10000) + 10000) % 10000;
  for (int i = 0; i < 4; ++i) {
    const int digit = (value / (i == 0 ? 1000 : i == 1 ? 100 : i == 2 ? 10 : 1)) % 10;
    DrawDigit(picture, x + pad + i * (digitWidth + gap), y + pad, digitHeight, digit);
  }
}

RgbPicture MakeTestPicture(int width, int height, int frame, TestScene scene) {
  RgbPicture picture(width, height);
  switch (scene) {
    case TestScene::kBarsAndCounter:
      DrawBars(picture, frame);
      break;
    case TestScene::kSmoothGradients:
      DrawGradients(picture, frame);
      break;
    case TestScene::kBusyDetail:
      DrawBusyDetail(picture, frame);
      break;
  }
  const int digitHeight = std::max(10, height / 5);
  DrawCounter(picture, width / 16, height * 2 / 3, digitHeight, frame);
  return picture;
}

}  // namespace bv::samples
