// DIB rows: their padded length, red/blue order, and rows of any stride as a
// top-down image, bottom-up or top-down. Every row and column holds its own
// colour and the padding holds garbage, so a wrong stride, flip or channel
// order shows.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <vector>

#include "export/dib_image.h"
#include "export/dib_picture.h"

namespace bv {
namespace {

constexpr int kWidth = 5;
constexpr int kHeight = 3;

// B, G, R of pixel (x, row) where row counts in memory order.
uint8_t Blue(int x, int) { return static_cast<uint8_t>(10 * x + 1); }
uint8_t Green(int, int row) { return static_cast<uint8_t>(100 + row); }
uint8_t Red(int x, int row) { return static_cast<uint8_t>(200 + x + 10 * row); }

std::vector<uint8_t> BgrRows(size_t stride) {
  std::vector<uint8_t> rows(stride * kHeight, 0xEE);  // padding: garbage
  for (int row = 0; row < kHeight; ++row) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = rows.data() + row * stride + 3 * x;
      p[0] = Blue(x, row);
      p[1] = Green(x, row);
      p[2] = Red(x, row);
    }
  }
  return rows;
}

void ExpectRowsOnTop(const QImage& image, bool bottomUp) {
  ASSERT_EQ(image.width(), kWidth);
  ASSERT_EQ(image.height(), kHeight);
  for (int y = 0; y < kHeight; ++y) {
    const int row = bottomUp ? kHeight - 1 - y : y;
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(image.pixelColor(x, y), QColor(Red(x, row), Green(x, row), Blue(x, row))) << x << "," << y;
    }
  }
}

TEST(DibRows, RowLengthsArePaddedToFourBytes) {
  EXPECT_EQ(DibRowBytes(1, 24), 4u);
  EXPECT_EQ(DibRowBytes(kWidth, 24), 16u);
  EXPECT_EQ(DibRowBytes(4, 24), 12u);
  EXPECT_EQ(DibRowBytes(3, 16), 8u);
  EXPECT_EQ(DibRowBytes(3, 32), 12u);
  EXPECT_EQ(DibRowBytes(704, 24), 2112u);
  BITMAPINFOHEADER header{};
  header.biWidth = kWidth;
  header.biHeight = -kHeight;
  header.biBitCount = 24;
  EXPECT_EQ(DibImageBytes(header), 16u * kHeight) << "a top-down DIB has as many rows";
}

TEST(DibRows, RowsOfEitherStrideAndDirectionBecomeATopDownImage) {
  for (size_t stride : {size_t{kWidth * 3}, size_t{DibRowBytes(kWidth, 24)}, size_t{32}}) {
    const std::vector<uint8_t> rows = BgrRows(stride);
    ExpectRowsOnTop(ImageOfRows(rows.data(), kWidth, kHeight, stride, QImage::Format_BGR888), true);
    ExpectRowsOnTop(ImageOfRows(rows.data(), kWidth, -kHeight, stride, QImage::Format_BGR888), false);
  }
  // A DIB's rows are padded: ImageOfDib reads them so.
  const std::vector<uint8_t> padded = BgrRows(DibRowBytes(kWidth, 24));
  BITMAPINFOHEADER header{};
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biBitCount = 24;
  ExpectRowsOnTop(ImageOfDib(padded.data(), header), true);
  header.biHeight = -kHeight;
  ExpectRowsOnTop(ImageOfDib(padded.data(), header), false);
  // The image is a copy: the rows may go.
  std::vector<uint8_t> gone = padded;
  const QImage kept = ImageOfDib(gone.data(), header);
  gone.assign(gone.size(), 0);
  ExpectRowsOnTop(kept, false);
  header.biBitCount = 8;
  EXPECT_TRUE(ImageOfDib(padded.data(), header).isNull());
}

TEST(DibRows, RedAndBlueSwapBothWaysInPlaceOrIntoAnotherRow) {
  const std::vector<uint8_t> bgr = BgrRows(kWidth * 3);
  std::vector<uint8_t> rgb(kWidth * 3, 0);
  SwapRedAndBlue(bgr.data(), rgb.data(), kWidth);
  for (int x = 0; x < kWidth; ++x) {
    EXPECT_EQ(rgb[3 * x], Red(x, 0));
    EXPECT_EQ(rgb[3 * x + 1], Green(x, 0));
    EXPECT_EQ(rgb[3 * x + 2], Blue(x, 0));
  }
  SwapRedAndBlue(rgb.data(), rgb.data(), kWidth);
  EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), bgr.begin()));

  // Top-down R, G, B rows into a bottom-up DIB padded with zeros.
  std::vector<uint8_t> topDown(kWidth * 3 * kHeight);
  for (int row = 0; row < kHeight; ++row) {
    SwapRedAndBlue(bgr.data(), topDown.data() + row * kWidth * 3, kWidth);
    topDown[row * kWidth * 3] = static_cast<uint8_t>(row);  // each row's first red tells it
  }
  BITMAPINFOHEADER header{};
  size_t bytes = 0;
  const std::unique_ptr<uint8_t[]> dib = RgbTopDownToDib(topDown.data(), kWidth, kHeight, &header, &bytes);
  ASSERT_TRUE(dib);
  EXPECT_EQ(bytes, 16u * kHeight);
  EXPECT_EQ(header.biSizeImage, 16u * kHeight);
  EXPECT_EQ(header.biHeight, kHeight);
  for (int row = 0; row < kHeight; ++row) {
    const uint8_t* stored = dib.get() + (kHeight - 1 - row) * 16;
    EXPECT_EQ(stored[2], row) << "top row last";
    EXPECT_EQ(stored[3], Blue(1, 0));
    EXPECT_EQ(stored[15], 0) << "padding is zero";
  }
}

}  // namespace
}  // namespace bv
