#pragma once
// Encoder side of the entropy coding: the symbols of a picture in decoding
// order with their table, the raw bits, and the sections written from them
// (tables, rANS words, raw bits) exactly as the decoder reads them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

// Least significant bit first.
class CBitWriter {
 public:
  void Write(uint32_t value, int bits);
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

struct CodedSymbol {
  uint8_t table;
  uint8_t token;
};

class CSymbolStream {
 public:
  void Symbol(int table, int token) {
    symbols_.push_back(CodedSymbol{static_cast<uint8_t>(table), static_cast<uint8_t>(token)});
    ++counts_[table][token];
  }
  void Raw(uint32_t value, int bits) { raw_.Write(value, bits); }

  size_t SymbolCount() const { return symbols_.size(); }
  const std::array<std::array<uint32_t, kAlphabetSize>, kTableCount>& Counts() const { return counts_; }

  // The three sections: tables (and the normalised frequencies they give),
  // rANS (four states, then the words in reading order), raw bits.
  std::vector<uint8_t> TableSection(std::array<FrequencyTable, kTableCount>* tables) const;
  std::vector<uint8_t> RansSection(const std::array<FrequencyTable, kTableCount>& tables) const;
  const std::vector<uint8_t>& RawSection() const { return raw_.Bytes(); }

 private:
  std::vector<CodedSymbol> symbols_;
  CBitWriter raw_;
  std::array<std::array<uint32_t, kAlphabetSize>, kTableCount> counts_{};
};

// What a symbol costs in bits under a set of tables; symbols the tables do
// not hold cost kUnseenSymbolBits.
inline constexpr float kUnseenSymbolBits = 14.0f;
class CSymbolCosts {
 public:
  explicit CSymbolCosts(const std::array<FrequencyTable, kTableCount>& tables);
  float Bits(int table, int token) const { return bits_[table][token]; }

 private:
  std::array<std::array<float, kAlphabetSize>, kTableCount> bits_;
};

}  // namespace bv::wavelet
