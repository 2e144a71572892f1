#include "codecs/wavelet/entropy_tables.h"

#include <cmath>
#include <cstring>

namespace bv::wavelet {

bool NormaliseLogWeights(const uint8_t* logWeights, int symbolCount, FrequencyTable* table) {
  if (symbolCount < 1 || symbolCount > kAlphabetSize) return false;
  uint32_t total = 0;
  for (int s = 0; s < symbolCount; ++s) {
    if (logWeights[s] > 31) return false;
    total += kLogWeight[logWeights[s]];
  }
  if (total == 0) return false;
  *table = FrequencyTable{};
  table->symbolCount = symbolCount;
  int sum = 0;
  int largest = 0;
  for (int s = 0; s < symbolCount; ++s) {
    const uint32_t weight = kLogWeight[logWeights[s]];
    if (weight == 0) continue;
    uint32_t f = static_cast<uint32_t>((static_cast<uint64_t>(weight) * kProbabilityScale) / total);
    if (f < 1) f = 1;
    table->frequency[s] = static_cast<uint16_t>(f);
    sum += static_cast<int>(f);
    if (table->frequency[s] > table->frequency[largest]) largest = s;
  }
  // Rounding leaves the sum a little off the scale: the most likely symbol absorbs it.
  const int adjusted = table->frequency[largest] + (static_cast<int>(kProbabilityScale) - sum);
  if (adjusted < 1) return false;
  table->frequency[largest] = static_cast<uint16_t>(adjusted);
  uint16_t start = 0;
  for (int s = 0; s < kAlphabetSize; ++s) {
    table->start[s] = start;
    start = static_cast<uint16_t>(start + table->frequency[s]);
  }
  return true;
}

uint8_t LogWeightOf(uint32_t count, uint32_t largestCount) {
  if (count == 0) return 0;
  const double halfSteps = 2.0 * std::log2(static_cast<double>(largestCount) / count);
  const int e = 31 - static_cast<int>(std::lround(halfSteps));
  return static_cast<uint8_t>(e < 1 ? 1 : e);
}

void BuildDecodeTable(const FrequencyTable& frequencies, DecodeTable* table) {
  for (int s = 0; s < kAlphabetSize; ++s) {
    table->frequency[s] = frequencies.frequency[s];
    table->start[s] = frequencies.start[s];
    if (frequencies.frequency[s] == 0) continue;
    std::memset(table->symbolOfSlot + frequencies.start[s], s, frequencies.frequency[s]);
  }
}

}  // namespace bv::wavelet
