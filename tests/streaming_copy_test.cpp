#include "base/platform/streaming_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace bv {
namespace {

std::vector<uint8_t> Counting(size_t n, uint8_t start) {
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), start);
  return bytes;
}

// Every length around the 16-byte blocks, to destinations of every
// alignment: exactly the source's bytes arrive, and not one byte around
// them is touched.
TEST(StreamingCopy, CopiesEveryByteAtAnyAlignmentAndLengthAndNothingAround) {
  const std::vector<uint8_t> source = Counting(200, 7);
  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t length : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{33},
                          size_t{100}, size_t{160}}) {
      std::vector<uint8_t> destination(256 + 32, 0xEE);
      // 32-byte aligned base so that offset decides the alignment.
      uint8_t* base = destination.data() + (32 - reinterpret_cast<uintptr_t>(destination.data()) % 32);
      StreamBytes(source.data() + 3, base + offset, length);
      StreamFence();
      for (size_t i = 0; i < length; ++i) ASSERT_EQ(base[offset + i], source[3 + i]) << offset << " " << length;
      for (uint8_t* p = destination.data(); p < base + offset; ++p) ASSERT_EQ(*p, 0xEE) << "before";
      for (uint8_t* p = base + offset + length; p < destination.data() + destination.size(); ++p) {
        ASSERT_EQ(*p, 0xEE) << "after";
      }
    }
  }
}

// Rows of a picture read bottom row first (a negative stride) arrive top
// row first, each at its destination stride, the gaps between left alone.
TEST(StreamingCopy, RowsFlipWithANegativeSourceStrideAndKeepTheDestinationsGaps) {
  constexpr int kRows = 5;
  constexpr ptrdiff_t kRowBytes = 45;  // a row that is no multiple of 16
  const std::vector<uint8_t> picture = Counting(kRows * kRowBytes, 1);
  std::vector<uint8_t> flipped(kRows * 64, 0xEE);
  StreamRows(picture.data() + (kRows - 1) * kRowBytes, -kRowBytes, flipped.data(), 64, kRowBytes, kRows);
  for (int row = 0; row < kRows; ++row) {
    for (ptrdiff_t x = 0; x < kRowBytes; ++x) {
      ASSERT_EQ(flipped[row * 64 + x], picture[(kRows - 1 - row) * kRowBytes + x]) << row << " " << x;
    }
    for (ptrdiff_t x = kRowBytes; x < 64; ++x) ASSERT_EQ(flipped[row * 64 + x], 0xEE);
  }
}

}  // namespace
}  // namespace bv
