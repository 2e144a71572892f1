#include "codecs/wavelet/coefficient_block.h"

#include <array>
#include <cstring>

#include "codecs/wavelet/plane_geometry.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bv::wavelet {
namespace {

// Class-1 groups: four one-bit magnitudes ((0,0), (1,0), (0,1), (1,1) in
// bits 0..3). Indexed by token * 16 + the next four raw bits, the four
// signed values (16 bits each, the first lowest); the signs of the non-zero
// ones are the leading raw bits, in order.
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

// Class-2 group rows: two two-bit magnitudes; indexed by token * 4 + the
// next two raw bits.
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

// How many sign bits a token of four bits or two pairs carries.
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

// A 2 x 2 group of one-bit magnitudes, rows kBlockSize apart.
inline void PutPattern(int token, CBitReader& bits, int16_t* values) {
  const uint64_t quad = kSignedQuads[token * 16 + (bits.Peek() & 15)];
  bits.Skip(kNonzeroOfQuad[token]);
  const uint32_t top = static_cast<uint32_t>(quad), bottom = static_cast<uint32_t>(quad >> 32);
  std::memcpy(values, &top, sizeof top);
  std::memcpy(values + kBlockSize, &bottom, sizeof bottom);
}

inline void PutPair(int token, CBitReader& bits, int16_t* values) {
  const uint32_t pair = kSignedPairs[token * 4 + (bits.Peek() & 3)];
  bits.Skip(kNonzeroOfPair[token]);
  std::memcpy(values, &pair, sizeof pair);
}

// A magnitude coded whole (class 4), then its sign bit if non-zero.
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

// Class-3 sub-blocks: sixteen signed values as token - kSignedValueBias.
inline void PutSignedValues(const uint8_t* tokens, int16_t* values) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(tokens));
  const __m128i bias = _mm_set1_epi16(kSignedValueBias);
  const __m128i top = _mm_sub_epi16(_mm_unpacklo_epi8(bytes, _mm_setzero_si128()), bias);
  const __m128i bottom = _mm_sub_epi16(_mm_unpackhi_epi8(bytes, _mm_setzero_si128()), bias);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(values), top);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(values + kBlockSize), _mm_unpackhi_epi64(top, top));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(values + 2 * kBlockSize), bottom);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(values + 3 * kBlockSize), _mm_unpackhi_epi64(bottom, bottom));
#else
  for (int i = 0; i < kSubblockSize * kSubblockSize; ++i)
    values[(i >> 2) * kBlockSize + (i & 3)] = static_cast<int16_t>(tokens[i] - kSignedValueBias);
#endif
}

// Symbols with or without word checks: unchecked only while the section
// holds a word for every symbol the block can still take.
template <bool kChecked>
inline int DecodeOne(CRansReader& rans, const DecodeTable& table) {
  return kChecked ? rans.Decode(table) : rans.DecodeUnchecked(table);
}
template <bool kChecked>
inline void DecodeQuads(CRansReader& rans, const DecodeTable& table, int quads, uint8_t* tokens) {
  if (kChecked) {
    for (int i = 0; i < 4 * quads; ++i) tokens[i] = static_cast<uint8_t>(rans.Decode(table));
  } else {
    rans.DecodeQuadsUnchecked(table, quads, tokens);
  }
}

// A sub-block of class 1 or 2: which groups are non-zero, then each such
// group's pattern (class 1) or two rows of pairs (class 2).
template <bool kChecked>
bool DecodeSparseSubblock(CRansReader& rans, CBitReader& bits, const BandTables& t, int blockClass, int subclass,
                          int16_t* values) {
  const DecodeTable* maskTable = t.Slot(kSlotGroupMask + GroupContext(blockClass, subclass));
  if (!maskTable) return false;
  const int groups = DecodeOne<kChecked>(rans, *maskTable);
  if (groups == 0) return true;
  const DecodeTable* table = subclass == 1 ? t.Slot(kSlotPattern + (blockClass > 1)) : t.Slot(kSlotPairs);
  if (!table) return false;
  bits.Refill();  // four groups: at most 16 sign bits
  for (unsigned remaining = static_cast<unsigned>(groups) & 15; remaining != 0; remaining &= remaining - 1) {
    const int g = __builtin_ctz(remaining);
    int16_t* group = values + (g >> 1) * kGroupSize * kBlockSize + (g & 1) * kGroupSize;
    if (subclass == 1) {
      PutPattern(DecodeOne<kChecked>(rans, *table), bits, group);
    } else {
      PutPair(DecodeOne<kChecked>(rans, *table), bits, group);
      PutPair(DecodeOne<kChecked>(rans, *table), bits, group + kBlockSize);
    }
  }
  return true;
}

// A sub-block of class 3 and above: sixteen values.
template <bool kChecked>
bool DecodeDenseSubblock(CRansReader& rans, CBitReader& bits, const BandTables& t, int subclass, int16_t* values) {
  const DecodeTable* table = t.Slot(MagnitudeSlot(subclass));
  if (!table) return false;
  alignas(16) uint8_t tokens[kSubblockSize * kSubblockSize];
  DecodeQuads<kChecked>(rans, *table, kSubblockSize, tokens);
  if (subclass == 3) {
    PutSignedValues(tokens, values);
    return true;
  }
  if (subclass <= kDirectClasses) {
    bits.Refill();  // 16 sign bits at most
    for (int i = 0; i < kSubblockSize * kSubblockSize; ++i)
      values[(i >> 2) * kBlockSize + (i & 3)] = SignedMagnitude(tokens[i], bits);
    return true;
  }
  const int rawBits = RawBitsOfClass(subclass);
  for (int r = 0; r < kSubblockSize; ++r) {
    bits.Refill();  // a row: 4 values of at most 12 bits
    for (int c = 0; c < kSubblockSize; ++c)
      values[r * kBlockSize + c] = SignedSplitMagnitude(tokens[r * kSubblockSize + c], rawBits, bits);
  }
  return true;
}

template <bool kChecked>
bool DecodeBlockWith(CRansReader& rans, CBitReader& bits, const BandTables& t, int blockClass, int16_t* values) {
  int subclasses[4];
  if (blockClass == 1) {
    const DecodeTable* table = t.Slot(kSlotSubblockMask);
    if (!table) return false;
    const int mask = DecodeOne<kChecked>(rans, *table);
    for (int q = 0; q < 4; ++q) subclasses[q] = (mask >> q) & 1;
  } else {
    const DecodeTable* table = t.Slot(kSlotSubclassDrop + (blockClass < 5 ? blockClass : 5) - 2);
    if (!table) return false;
    alignas(4) uint8_t drops[4];
    DecodeQuads<kChecked>(rans, *table, 1, drops);
    for (int q = 0; q < 4; ++q) {
      if (drops[q] > blockClass) return false;
      subclasses[q] = blockClass - drops[q];
    }
  }
  unsigned nonzero = 0;
  for (int q = 0; q < 4; ++q) nonzero |= static_cast<unsigned>(subclasses[q] != 0) << q;
  for (; nonzero != 0; nonzero &= nonzero - 1) {
    const int q = __builtin_ctz(nonzero);
    const int subclass = subclasses[q];
    int16_t* subblock = values + (q >> 1) * kSubblockSize * kBlockSize + (q & 1) * kSubblockSize;
    const bool decoded = subclass <= 2 ? DecodeSparseSubblock<kChecked>(rans, bits, t, blockClass, subclass, subblock)
                                       : DecodeDenseSubblock<kChecked>(rans, bits, t, subclass, subblock);
    if (!decoded) return false;
  }
  return true;
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

bool DecodeBlockValues(CRansReader& rans, CBitReader& bits, const BandTables& tables, int blockClass,
                       int16_t* values) {
#if defined(__SSE2__)
  for (int i = 0; i < kBlockArea; i += 8)
    _mm_store_si128(reinterpret_cast<__m128i*>(values + i), _mm_setzero_si128());
#else
  std::memset(values, 0, sizeof(int16_t) * kBlockArea);
#endif
  // Local copies: the compiler keeps them in registers for the whole block
  // (stores through the byte pointers could otherwise alias them).
  CRansReader localRans = rans;
  CBitReader localBits = bits;
  const bool decoded = localRans.WordsLeft() >= static_cast<size_t>(kMaxSymbolsAfterClass)
                           ? DecodeBlockWith<false>(localRans, localBits, tables, blockClass, values)
                           : DecodeBlockWith<true>(localRans, localBits, tables, blockClass, values);
  rans = localRans;
  bits = localBits;
  return decoded;
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

}  // namespace bv::wavelet
