#pragma once
// Constants of the Wavelet bitstream shared by the encoder and the decoder.
// BITSTREAM.md in this folder describes the layout in prose; the numbers
// here are the normative ones.
#include <cstddef>
#include <cstdint>

namespace bv::wavelet {

// The 8-byte prefix every payload starts with.
inline constexpr size_t kPrefixSize = 8;
inline constexpr uint8_t kKindKey = 0xA0;
inline constexpr uint8_t kKindDelta = 0xA1;       // delta whose reference is a key frame
inline constexpr uint8_t kKindDeltaChain = 0xA2;  // delta whose reference is itself a delta

// The viewer's read buffer; coded data never reaches past it.
inline constexpr size_t kReadBufferSize = 0x129000;
inline constexpr size_t kMaxCodedSize = kReadBufferSize - kPrefixSize;

// Pictures: even width 16..704, even height 16..576.
inline constexpr int kMinDimension = 16;
inline constexpr int kMaxWidth = 704;
inline constexpr int kMaxHeight = 576;

// Coded-data header (little-endian fields), see BITSTREAM.md.
inline constexpr uint8_t kFormatVersion = 2;
inline constexpr size_t kHeaderSize = 20;
inline constexpr size_t kChecksumOffset = 8;
inline constexpr size_t kChecksummedFrom = 12;

// Transform: samples are held as (value - 128) * 4, i.e. two fractional bits.
inline constexpr int kFractionBits = 2;
inline constexpr int kMaxLevels = 5;
inline constexpr int kMinLowBandSize = 8;

// Coefficients are coded in square blocks covering each subband (positions
// past its edges coded as zeros), each block as four sub-blocks, each
// sub-block of class 1 or 2 as four groups of 2 x 2.
inline constexpr int kBlockSize = 8;
inline constexpr int kBlockArea = kBlockSize * kBlockSize;
inline constexpr int kSubblockSize = 4;
inline constexpr int kGroupSize = 2;

// rANS: 32-bit states, 16-bit words, 10-bit probabilities (small decoding
// tables that stay in the first-level cache), four interleaved
// states taking turns symbol by symbol.
inline constexpr int kProbabilityBits = 10;
inline constexpr uint32_t kProbabilityScale = 1u << kProbabilityBits;
inline constexpr uint32_t kRansLow = 1u << 16;
inline constexpr int kAlphabetSize = 16;
inline constexpr int kRansStates = 4;

// Classes: the bit length of the largest magnitude in a block or sub-block.
inline constexpr int kMaxClass = 15;
// Sub-blocks above this class carry their magnitudes' low bits raw.
inline constexpr int kDirectClasses = 4;

// Plane types and subband groups select the probability tables.
enum PlaneType : int { kLuma = 0, kChroma = 1 };
enum SubbandGroup : int { kGroupLowBand = 0, kGroupDeep = 1, kGroupLevel2 = 2, kGroupLevel1 = 3 };
inline constexpr int kGroupCount = 4;
inline constexpr int kClassNeighbourContexts = 8;

// Each band type (plane type x subband group) has 32 table slots.
inline constexpr int kTablesPerBandType = 32;
inline constexpr int kTableCount = 2 * kGroupCount * kTablesPerBandType;
enum TableSlot : int {
  kSlotBlockClass = 0,    // + neighbour context (0..7): a block's class
  kSlotSubblockMask = 8,  // class-1 blocks: which sub-blocks are non-zero
  kSlotSubclassDrop = 9,  // + min(k, 5) - 2: k minus a sub-block's class, in blocks of class k >= 2
  kSlotGroupMask = 13,    // + GroupContext: which groups of a class 1 or 2 sub-block are non-zero
  kSlotPattern = 16,      // + (block class > 1): a class-1 group's four one-bit magnitudes
  kSlotPairs = 18,        // one row of a class-2 group: two two-bit magnitudes
};
// Sub-blocks of class 3..15, one symbol per coefficient: class 3 the signed
// value plus kSignedValueBias, class 4 the magnitude, above it the
// magnitude's high part.
inline constexpr int MagnitudeSlot(int subclass) { return 16 + subclass; }
inline constexpr int kSignedValueBias = 7;

inline constexpr int TableId(int planeType, int group, int slot) {
  return (planeType * kGroupCount + group) * kTablesPerBandType + slot;
}
// Group masks: sub-class 1 in a class-1 block, sub-class 1 in a larger
// block, sub-class 2.
inline constexpr int GroupContext(int blockClass, int subclass) {
  return subclass == 2 ? 2 : (blockClass > 1 ? 1 : 0);
}
// Largest number of symbols a table of this slot may have.
inline constexpr int MaxSymbolsOfSlot(int slot) {
  if (slot >= kSlotSubclassDrop && slot < kSlotSubclassDrop + 3) return slot - kSlotSubclassDrop + 3;
  if (slot == MagnitudeSlot(3)) return 2 * kSignedValueBias + 1;
  return kAlphabetSize;
}

// Table frequencies are sent as 5-bit log weights: weight(e) = 2^((e-1)/2),
// rounded; 0 means the symbol does not occur.
inline constexpr uint16_t kLogWeight[32] = {0,    1,    1,    2,    2,    4,    6,    8,    11,   16,   23,
                                            32,   45,   64,   91,   128,  181,  256,  362,  512,  724,  1024,
                                            1448, 2048, 2896, 4096, 5793, 8192, 11585, 16384, 23170, 32768};

// Step of a subband from the plane's base step (both in 1/16 units of the
// transform's sample scale): max(1, (base * weight + 128) >> 8). The weights
// are 256 / sqrt(synthesis energy gain) of each subband of the 5/3 filter
// pair, so that equal steps cost equal squared error in the picture.
enum Orientation : int { kHL = 0, kLH = 1, kHH = 2 };
inline constexpr uint16_t kHighBandWeight[kMaxLevels][3] = {
    {247, 247, 356}, {164, 164, 237}, {110, 110, 158}, {73, 73, 105}, {49, 49, 70}};
inline constexpr uint16_t kLowBandWeight[kMaxLevels + 1] = {256, 171, 114, 76, 51, 34};

inline constexpr int SubbandStep(int baseStep, int weight) {
  const int step = (baseStep * weight + 128) >> 8;
  return step < 1 ? 1 : step;
}
inline constexpr int kMaxBaseStep = 16383;

// Number of decomposition levels of a plane of this size.
inline constexpr int LevelCount(int width, int height) {
  int levels = 0;
  while (levels < kMaxLevels && ((width + 1) >> 1) >= kMinLowBandSize && ((height + 1) >> 1) >= kMinLowBandSize) {
    width = (width + 1) >> 1;
    height = (height + 1) >> 1;
    ++levels;
  }
  return levels;
}

inline constexpr bool IsSupportedSize(int width, int height) {
  return width >= kMinDimension && height >= kMinDimension && width <= kMaxWidth && height <= kMaxHeight &&
         width % 2 == 0 && height % 2 == 0;
}

inline constexpr bool IsWaveletKind(uint8_t kind) { return kind >= kKindKey && kind <= kKindDeltaChain; }

}  // namespace bv::wavelet
