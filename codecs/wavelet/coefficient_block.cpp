#include "codecs/wavelet/coefficient_block.h"

#include <array>
#include <cstring>

#include "codecs/wavelet/plane_geometry.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bv::wavelet {
namespace {

// Class 1 tokens: four one-bit magnitudes. Indexed by token * 16 + the next
// four raw bits, the four signed values (16 bits each, the first lowest);
// the signs of the non-zero ones are the leading raw bits, in order.
constexpr std::array<uint64_t, 256> kSignedQuads = [] {
  std::array<uint64_t, 256> table{};
  for (int token = 0; token < 16; ++token) {
    for (int signs = 0; signs < 16; ++signs) {
      uint64_t values = 0;
      int rank = 0;
      for (int j = 0; j < 4; ++j) {
        if (((token >> j) & 1) == 0) continue;
        const uint64_t value = ((signs >> rank++) & 1) ? 0xFFFF : 1;
        values |= value << (16 * j);
      }
      table[token * 16 + signs] = values;
    }
  }
  return table;
}();

// Class 2 tokens: two two-bit magnitudes; indexed by token * 4 + the next
// two raw bits.
constexpr std::array<uint32_t, 64> kSignedPairs = [] {
  std::array<uint32_t, 64> table{};
  for (int token = 0; token < 16; ++token) {
    for (int signs = 0; signs < 4; ++signs) {
      uint32_t values = 0;
      int rank = 0;
      for (int j = 0; j < 2; ++j) {
        const int magnitude = (token >> (2 * j)) & 3;
        if (magnitude == 0) continue;
        const int value = ((signs >> rank++) & 1) ? -magnitude : magnitude;
        values |= static_cast<uint32_t>(static_cast<uint16_t>(value)) << (16 * j);
      }
      table[token * 4 + signs] = values;
    }
  }
  return table;
}();

// How many sign bits a grouped token carries.
constexpr std::array<uint8_t, 16> kNonzeroOfQuad = [] {
  std::array<uint8_t, 16> table{};
  for (int token = 0; token < 16; ++token)
    table[token] = static_cast<uint8_t>((token & 1) + (token >> 1 & 1) + (token >> 2 & 1) + (token >> 3 & 1));
  return table;
}();
constexpr std::array<uint8_t, 16> kNonzeroOfPair = [] {
  std::array<uint8_t, 16> table{};
  for (int token = 0; token < 16; ++token) table[token] = static_cast<uint8_t>(((token & 3) != 0) + ((token >> 2) != 0));
  return table;
}();

inline void PutQuad(int token, CBitReader& bits, int16_t* values) {
  const uint64_t quad = kSignedQuads[token * 16 + (bits.Peek() & 15)];
  bits.Skip(kNonzeroOfQuad[token]);
  std::memcpy(values, &quad, sizeof quad);
}

inline void PutPair(int token, CBitReader& bits, int16_t* values) {
  const uint32_t pair = kSignedPairs[token * 4 + (bits.Peek() & 3)];
  bits.Skip(kNonzeroOfPair[token]);
  std::memcpy(values, &pair, sizeof pair);
}

// A magnitude coded whole (classes 3 and 4), then its sign bit if non-zero.
inline int16_t SignedMagnitude(uint32_t magnitude, CBitReader& bits) {
  const uint32_t nonzero = magnitude != 0;
  const uint32_t negative = static_cast<uint32_t>(bits.Peek()) & nonzero;
  bits.Skip(static_cast<int>(nonzero));
  return static_cast<int16_t>((magnitude ^ (0u - negative)) + negative);
}

// A magnitude's high part as token, its low rawBits raw, then the sign.
inline int16_t SignedSplitMagnitude(uint32_t token, int rawBits, CBitReader& bits) {
  const uint32_t raw = static_cast<uint32_t>(bits.Peek());
  const uint32_t magnitude = (token << rawBits) | (raw & ((1u << rawBits) - 1));
  const uint32_t nonzero = magnitude != 0;
  const uint32_t negative = (raw >> rawBits) & nonzero;
  bits.Skip(rawBits + static_cast<int>(nonzero));
  return static_cast<int16_t>((magnitude ^ (0u - negative)) + negative);
}

// A whole block with enough rANS words left: all its tokens first, then
// their values. Refills keep within the reader's guaranteed 56 bits.
void DecodeFullBlock(CRansReader& rans, CBitReader& bits, const DecodeTable& table, int blockClass,
                     int16_t* values) {
  alignas(16) uint8_t tokens[kBlockArea];
  switch (blockClass) {
    case 1:
      rans.DecodeQuadsUnchecked(table, kBlockArea / 16, tokens);
      for (int t = 0; t < kBlockArea / 4; t += 8) {
        bits.Refill();  // 8 tokens: at most 32 sign bits
        for (int i = t; i < t + 8; ++i) PutQuad(tokens[i], bits, values + 4 * i);
      }
      return;
    case 2:
      rans.DecodeQuadsUnchecked(table, kBlockArea / 8, tokens);
      for (int t = 0; t < kBlockArea / 2; t += 16) {
        bits.Refill();  // 16 tokens: at most 32 sign bits
        for (int i = t; i < t + 16; ++i) PutPair(tokens[i], bits, values + 2 * i);
      }
      return;
    case 3:
    case 4:
      rans.DecodeQuadsUnchecked(table, kBlockArea / 4, tokens);
      for (int t = 0; t < kBlockArea; t += 32) {
        bits.Refill();  // 32 sign bits at most
        for (int i = t; i < t + 32; ++i) values[i] = SignedMagnitude(tokens[i], bits);
      }
      return;
    default: {
      rans.DecodeQuadsUnchecked(table, kBlockArea / 4, tokens);
      const int rawBits = RawBitsOfClass(blockClass);
      for (int t = 0; t < kBlockArea; t += 4) {
        bits.Refill();  // 4 values of at most 12 bits
        for (int i = t; i < t + 4; ++i) values[i] = SignedSplitMagnitude(tokens[i], rawBits, bits);
      }
      return;
    }
  }
}

// Any block, every word checked: edge blocks and the end of the section.
void DecodeCheckedBlock(CRansReader& rans, CBitReader& bits, const DecodeTable& table, int blockClass, int width,
                        int height, int16_t* values) {
  const int group = GroupSizeOfClass(blockClass);
  const int rawBits = RawBitsOfClass(blockClass);
  for (int r = 0; r < height; ++r) {
    int16_t* row = values + r * kBlockSize;
    for (int c = 0; c < width; c += group) {
      const uint32_t token = static_cast<uint32_t>(rans.Decode(table));
      bits.Refill();
      // Positions past the block's edge hold nothing, whatever the token says.
      const int count = width - c < group ? width - c : group;
      int16_t grouped[4];
      if (group == 4) {
        PutQuad(static_cast<int>(token & ((1u << count) - 1)), bits, grouped);
      } else if (group == 2) {
        PutPair(static_cast<int>(token & ((1u << (2 * count)) - 1)), bits, grouped);
      } else {
        grouped[0] = rawBits > 0 ? SignedSplitMagnitude(token, rawBits, bits) : SignedMagnitude(token, bits);
      }
      for (int j = 0; j < count; ++j) row[c + j] = grouped[j];
    }
  }
}

#if defined(__SSE2__)
// Eight values to eight coefficients.
inline __m128i Dequantise8(__m128i values, __m128i stepAndOne, __m128i bias) {
  const __m128i sign = _mm_srai_epi16(values, 15);
  const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(values, sign), sign);
  const __m128i biasIfNonzero = _mm_andnot_si128(_mm_cmpeq_epi16(magnitude, _mm_setzero_si128()), bias);
  // madd of (magnitude, bias) pairs with (step, 1): 32-bit m * step + bias.
  const __m128i low = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(magnitude, biasIfNonzero), stepAndOne), 4);
  const __m128i high = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(magnitude, biasIfNonzero), stepAndOne), 4);
  const __m128i reconstructed = _mm_packs_epi32(low, high);
  return _mm_sub_epi16(_mm_xor_si128(reconstructed, sign), sign);
}
#endif

inline int16_t DequantiseOne(int value, const Dequantiser& d) {
  const int magnitude = value < 0 ? -value : value;
  int reconstructed = (magnitude * d.step + (magnitude != 0 ? d.bias : 0)) >> 4;
  if (reconstructed > 32767) reconstructed = 32767;
  return static_cast<int16_t>(value < 0 ? -reconstructed : reconstructed);
}

}  // namespace

void DecodeBlockValues(CRansReader& rans, CBitReader& bits, const DecodeTable& table, int blockClass, int width,
                       int height, int16_t* values) {
  if (width == kBlockSize && height == kBlockSize && rans.WordsLeft() >= static_cast<size_t>(kBlockArea)) {
    DecodeFullBlock(rans, bits, table, blockClass, values);
    return;
  }
  DecodeCheckedBlock(rans, bits, table, blockClass, width, height, values);
}

void DequantiseBlock(const int16_t* values, int width, int height, const Dequantiser& d, int16_t* dst,
                     ptrdiff_t stride) {
#if defined(__SSE2__)
  const __m128i stepAndOne = _mm_set1_epi32(d.step | 1 << 16);
  const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(d.bias));
  if (width == kBlockSize) {
    for (int r = 0; r < height; ++r) {
      const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(values + r * kBlockSize));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + r * stride), Dequantise8(v, stepAndOne, bias));
    }
    return;
  }
#endif
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) dst[r * stride + c] = DequantiseOne(values[r * kBlockSize + c], d);
}

void ClearBlock(int width, int height, int16_t* dst, ptrdiff_t stride) {
#if defined(__SSE2__)
  if (width == kBlockSize) {
    for (int r = 0; r < height; ++r) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + r * stride), _mm_setzero_si128());
    return;
  }
#endif
  for (int r = 0; r < height; ++r) std::memset(dst + r * stride, 0, sizeof(int16_t) * width);
}

}  // namespace bv::wavelet
