#pragma once
// Probability tables of the rANS coder: sent as 5-bit log weights per
// symbol, normalised here to frequencies that sum to kProbabilityScale. Encoder and
// decoder call the same normalisation so their tables agree exactly.
#include <array>
#include <cstdint>

#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

struct FrequencyTable {
  int symbolCount = 0;  // symbols 0..symbolCount-1; the rest never occur
  std::array<uint16_t, kAlphabetSize> frequency{};
  std::array<uint16_t, kAlphabetSize> start{};
};

// Frequencies from log weights (0 = absent). False when no symbol is present.
bool NormaliseLogWeights(const uint8_t* logWeights, int symbolCount, FrequencyTable* table);

// The log weight that stands for count, given the table's largest count.
uint8_t LogWeightOf(uint32_t count, uint32_t largestCount);

// Decoder side: per symbol its frequency and start (32-bit, so that a
// decoding step can use them straight from memory), and the slot -> symbol map.
struct DecodeTable {
  uint32_t frequency[kAlphabetSize];
  uint32_t start[kAlphabetSize];
  alignas(64) uint8_t symbolOfSlot[kProbabilityScale];
};

void BuildDecodeTable(const FrequencyTable& frequencies, DecodeTable* table);

}  // namespace bv::wavelet
