#pragma once
// Readers of the two entropy-coded sections: the rANS word stream (two
// interleaved states) and the raw bit stream (signs and low bits, least
// significant bit first). Both are bounded by their section: reading past
// the end yields zeros and marks the reader as overrun, so corrupt data
// can never read outside the payload.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

class CRansReader {
 public:
  // False when the section is too short to hold the two initial states.
  bool Start(const uint8_t* begin, const uint8_t* end) {
    if (end - begin < 8) return false;
    std::memcpy(&state_[0], begin, 4);
    std::memcpy(&state_[1], begin + 4, 4);
    next_ = begin + 8;
    end_ = end;
    return state_[0] >= kRansLow && state_[1] >= kRansLow;
  }

  // Decodes one symbol with the state whose turn it is, then passes the turn.
  inline int Decode(const DecodeTable& table) {
    uint32_t x = state_[0];
    const uint32_t slot = x & (kProbabilityScale - 1);
    const int symbol = table.symbolOfSlot[slot];
    x = table.frequencies.frequency[symbol] * (x >> kProbabilityBits) + slot - table.frequencies.start[symbol];
    if (x < kRansLow) x = (x << 16) | NextWord();
    state_[0] = state_[1];
    state_[1] = x;
    return symbol;
  }

  // A valid stream ends with every word read and both states back at their
  // initial value.
  bool FinishedCleanly() const {
    return !overrun_ && next_ == end_ && state_[0] == kRansLow && state_[1] == kRansLow;
  }

 private:
  inline uint32_t NextWord() {
    if (end_ - next_ < 2) {
      overrun_ = true;
      return 0;
    }
    const uint32_t word = static_cast<uint32_t>(next_[0]) | static_cast<uint32_t>(next_[1]) << 8;
    next_ += 2;
    return word;
  }

  uint32_t state_[2] = {0, 0};
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool overrun_ = false;
};

class CBitReader {
 public:
  void Start(const uint8_t* begin, const uint8_t* end) {
    next_ = begin;
    end_ = end;
    buffer_ = 0;
    count_ = 0;
    overrun_ = false;
    padding_ = 0;
    Refill();
  }

  // n <= 24 bits.
  inline uint32_t Read(int n) {
    if (count_ < 24) Refill();
    const uint32_t value = static_cast<uint32_t>(buffer_) & ((1u << n) - 1);
    buffer_ >>= n;
    count_ -= n;
    return value;
  }

  // Reads one bit only when present is true; returns 0 otherwise.
  inline uint32_t ReadBitIf(bool present) {
    if (count_ < 24) Refill();
    const uint32_t bit = static_cast<uint32_t>(buffer_) & static_cast<uint32_t>(present);
    buffer_ >>= static_cast<int>(present);
    count_ -= static_cast<int>(present);
    return bit;
  }

  // Valid when no bit was read past the section and at most the final
  // byte's padding is left over.
  bool FinishedCleanly() const {
    if (overrun_ || padding_ > count_) return false;
    const ptrdiff_t unreadBits = (end_ - next_) * 8 + (count_ - padding_);
    return unreadBits < 8;
  }

 private:
  inline void Refill() {
    if (end_ - next_ >= 4) {
      uint32_t word;
      std::memcpy(&word, next_, 4);
      buffer_ |= static_cast<uint64_t>(word) << count_;
      next_ += 4;
      count_ += 32;
      return;
    }
    RefillAtEnd();
  }

  void RefillAtEnd() {
    while (next_ < end_ && count_ <= 56) {
      buffer_ |= static_cast<uint64_t>(*next_++) << count_;
      count_ += 8;
    }
    if (count_ >= 24) return;
    // Past the end: zero bits are supplied on top of the real ones; reading
    // into them is an overrun.
    if (padding_ > count_) overrun_ = true;
    padding_ += 24 - count_;
    count_ = 24;
  }

  uint64_t buffer_ = 0;
  int count_ = 0;
  int padding_ = 0;  // zero bits at the top of the buffer that lie past the end
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool overrun_ = false;
};

}  // namespace bv::wavelet
