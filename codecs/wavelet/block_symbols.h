#pragma once
// Encoder side of one block: the symbols and raw bits of its magnitudes, in
// the order the decoder reads them (coefficient_block.cpp). Sent to a sink
// with Symbol(table, token) and Raw(value, bits): the symbol stream itself,
// or a counter of what the block would cost.
#include <cstdint>

#include "codecs/wavelet/plane_geometry.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

inline int BitLength(uint32_t v) { return v == 0 ? 0 : 32 - __builtin_clz(v); }

// Class of the size x size square at m (rows kBlockSize apart).
inline int ClassOfSquare(const uint16_t* m, int size) {
  uint32_t largest = 0;
  for (int r = 0; r < size; ++r)
    for (int c = 0; c < size; ++c) largest |= m[r * kBlockSize + c];
  return BitLength(largest);
}

inline int SubblockOffset(int q) { return (q >> 1) * kSubblockSize * kBlockSize + (q & 1) * kSubblockSize; }
inline int GroupOffset(int g) { return (g >> 1) * kGroupSize * kBlockSize + (g & 1) * kGroupSize; }

// m: 64 magnitudes (rows of 8), zero past the band's edges; negative: their
// signs. table(slot) gives the table id of a slot of the band's type.
template <typename TableOf, typename Sink>
void CodeBlockSymbols(const uint16_t* m, const uint8_t* negative, int classContext, TableOf&& table, Sink& sink) {
  const int blockClass = ClassOfSquare(m, kBlockSize);
  sink.Symbol(table(kSlotBlockClass + classContext), blockClass);
  if (blockClass == 0) return;
  int subclasses[4];
  for (int q = 0; q < 4; ++q) subclasses[q] = ClassOfSquare(m + SubblockOffset(q), kSubblockSize);
  if (blockClass == 1) {
    int mask = 0;
    for (int q = 0; q < 4; ++q) mask |= (subclasses[q] != 0) << q;
    sink.Symbol(table(kSlotSubblockMask), mask);
  } else {
    const int dropTable = table(kSlotSubclassDrop + (blockClass < 5 ? blockClass : 5) - 2);
    for (int q = 0; q < 4; ++q) sink.Symbol(dropTable, blockClass - subclasses[q]);
  }
  auto sign = [&](int at) {
    if (m[at] != 0) sink.Raw(negative[at], 1);
  };
  for (int q = 0; q < 4; ++q) {
    const int subclass = subclasses[q];
    if (subclass == 0) continue;
    const int base = SubblockOffset(q);
    if (subclass <= 2) {
      int groups = 0;
      for (int g = 0; g < 4; ++g) groups |= (ClassOfSquare(m + base + GroupOffset(g), kGroupSize) != 0) << g;
      sink.Symbol(table(kSlotGroupMask + GroupContext(blockClass, subclass)), groups);
      for (int g = 0; g < 4; ++g) {
        if (((groups >> g) & 1) == 0) continue;
        const int at = base + GroupOffset(g);
        const int corners[4] = {at, at + 1, at + kBlockSize, at + kBlockSize + 1};
        if (subclass == 1) {
          sink.Symbol(table(kSlotPattern + (blockClass > 1)),
                      m[corners[0]] | m[corners[1]] << 1 | m[corners[2]] << 2 | m[corners[3]] << 3);
          for (int corner : corners) sign(corner);
        } else {
          for (int row = 0; row < 2; ++row) {
            const int first = corners[2 * row];
            sink.Symbol(table(kSlotPairs), m[first] | m[first + 1] << 2);
            sign(first);
            sign(first + 1);
          }
        }
      }
      continue;
    }
    const int magnitudeTable = table(MagnitudeSlot(subclass));
    if (subclass == 3) {
      for (int i = 0; i < kSubblockSize * kSubblockSize; ++i) {
        const int at = base + (i >> 2) * kBlockSize + (i & 3);
        sink.Symbol(magnitudeTable, kSignedValueBias + (negative[at] ? -m[at] : m[at]));
      }
      continue;
    }
    const int rawBits = RawBitsOfClass(subclass);
    for (int i = 0; i < kSubblockSize * kSubblockSize; ++i) {
      const int at = base + (i >> 2) * kBlockSize + (i & 3);
      sink.Symbol(magnitudeTable, m[at] >> rawBits);
      if (rawBits > 0) sink.Raw(m[at] & ((1u << rawBits) - 1), rawBits);
      sign(at);
    }
  }
}

}  // namespace bv::wavelet
