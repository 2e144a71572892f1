#include "codecs/wavelet/symbol_stream.h"

#include <algorithm>
#include <cmath>

namespace bv::wavelet {

void CBitWriter::Write(uint32_t value, int bits) {
  for (int i = 0; i < bits; ++i) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (count_ % 8));
    ++count_;
  }
}

std::vector<uint8_t> CSymbolStream::TableSection(std::array<FrequencyTable, kTableCount>* tables) const {
  CBitWriter bits;
  int used = 0;
  for (int id = 0; id < kTableCount; ++id)
    if (*std::max_element(counts_[id].begin(), counts_[id].end()) > 0) ++used;
  bits.Write(static_cast<uint32_t>(used), 8);
  for (int id = 0; id < kTableCount; ++id) {
    const auto& counts = counts_[id];
    const uint32_t largest = *std::max_element(counts.begin(), counts.end());
    (*tables)[id] = FrequencyTable{};
    if (largest == 0) continue;
    int symbolCount = kAlphabetSize;
    while (counts[symbolCount - 1] == 0) --symbolCount;
    uint8_t logWeights[kAlphabetSize] = {};
    for (int s = 0; s < symbolCount; ++s) logWeights[s] = LogWeightOf(counts[s], largest);
    NormaliseLogWeights(logWeights, symbolCount, &(*tables)[id]);
    bits.Write(static_cast<uint32_t>(id), 8);
    bits.Write(static_cast<uint32_t>(symbolCount - 1), 4);
    for (int s = 0; s < symbolCount; ++s) bits.Write(logWeights[s], 5);
  }
  return bits.Bytes();
}

std::vector<uint8_t> CSymbolStream::RansSection(const std::array<FrequencyTable, kTableCount>& tables) const {
  uint32_t state[kRansStates];
  std::fill(std::begin(state), std::end(state), kRansLow);
  std::vector<uint16_t> words;
  words.reserve(symbols_.size());
  // Encoded backwards, so that the decoder reads forwards; symbol i takes
  // state i mod 4.
  for (size_t n = symbols_.size(); n-- > 0;) {
    const CodedSymbol& s = symbols_[n];
    const FrequencyTable& t = tables[s.table];
    const uint32_t f = t.frequency[s.token];
    uint32_t& x = state[n % kRansStates];
    const uint64_t limit = (static_cast<uint64_t>(kRansLow >> kProbabilityBits) << 16) * f;
    while (x >= limit) {
      words.push_back(static_cast<uint16_t>(x & 0xFFFF));
      x >>= 16;
    }
    x = ((x / f) << kProbabilityBits) + (x % f) + t.start[s.token];
  }
  std::vector<uint8_t> out(4 * kRansStates + 2 * words.size());
  size_t at = 0;
  for (uint32_t x : state)
    for (int i = 0; i < 4; ++i) out[at++] = static_cast<uint8_t>(x >> (8 * i));
  for (size_t i = words.size(); i-- > 0;) {
    out[at++] = static_cast<uint8_t>(words[i]);
    out[at++] = static_cast<uint8_t>(words[i] >> 8);
  }
  return out;
}

CSymbolCosts::CSymbolCosts(const std::array<FrequencyTable, kTableCount>& tables) {
  for (int id = 0; id < kTableCount; ++id) {
    for (int s = 0; s < kAlphabetSize; ++s) {
      const uint32_t f = tables[id].frequency[s];
      bits_[id][s] = f == 0 ? kUnseenSymbolBits
                            : static_cast<float>(std::log2(static_cast<double>(kProbabilityScale) / f));
    }
  }
}

}  // namespace bv::wavelet
