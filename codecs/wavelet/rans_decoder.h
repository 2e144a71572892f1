#pragma once
// Readers of the two entropy-coded sections: the rANS word stream (four
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
  // False when the section is too short to hold the initial states.
  bool Start(const uint8_t* begin, const uint8_t* end) {
    if (end - begin < 4 * kRansStates) return false;
    bool valid = true;
    for (int i = 0; i < kRansStates; ++i) {
      const uint8_t* p = begin + 4 * i;
      state_[i] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                  static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
      valid = valid && state_[i] >= kRansLow;
    }
    next_ = begin + 4 * kRansStates;
    end_ = end;
    return valid;
  }

  // Decodes one symbol with the state whose turn it is, then passes the turn.
  inline int Decode(const DecodeTable& table) {
    uint32_t x = state_[0];
    const int symbol = Step(table, x);
    if (x < kRansLow) x = (x << 16) | NextWord();
    PassTurn(x);
    return symbol;
  }

  // Each symbol reads at most one word: with this many words left, Decode
  // may be replaced by DecodeUnchecked.
  size_t WordsLeft() const { return static_cast<size_t>(end_ - next_) / 2; }

  // Decode without bounds checks or branches; only while WordsLeft() is
  // at least the number of symbols still to be read this way.
  inline int DecodeUnchecked(const DecodeTable& table) {
    uint32_t x = state_[0];
    const int symbol = Step(table, x);
    const uint32_t word = static_cast<uint32_t>(next_[0]) | static_cast<uint32_t>(next_[1]) << 8;
    const bool renormalise = x < kRansLow;
    x = renormalise ? (x << 16) | word : x;
    next_ += renormalise ? 2 : 0;
    PassTurn(x);
    return symbol;
  }

  // Decodes 4 * quads symbols with one table, the states held in registers
  // and the renormalisation branch-free; sink(symbol) gets them in order.
  // Only while WordsLeft() >= 4 * quads.
  template <typename Sink>
  inline void DecodeQuadsUnchecked(const DecodeTable& table, int quads, Sink&& sink) {
    static_assert(kRansStates == 4);
    uint32_t x0 = state_[0], x1 = state_[1], x2 = state_[2], x3 = state_[3];
    const uint8_t* next = next_;
    for (int q = 0; q < quads; ++q) {
      sink(Lane(table, x0, next));
      sink(Lane(table, x1, next));
      sink(Lane(table, x2, next));
      sink(Lane(table, x3, next));
    }
    state_[0] = x0;
    state_[1] = x1;
    state_[2] = x2;
    state_[3] = x3;
    next_ = next;
  }

  // A valid stream ends with every word read and both states back at their
  // initial value.
  bool FinishedCleanly() const {
    bool initial = true;
    for (uint32_t x : state_) initial = initial && x == kRansLow;
    return !overrun_ && next_ == end_ && initial;
  }

 private:
  static inline int Lane(const DecodeTable& table, uint32_t& x, const uint8_t*& next) {
    const int symbol = Step(table, x);
    const uint32_t word = static_cast<uint32_t>(next[0]) | static_cast<uint32_t>(next[1]) << 8;
    const bool renormalise = x < kRansLow;
    x = renormalise ? (x << 16) | word : x;
    next += renormalise ? 2 : 0;
    return symbol;
  }

  inline void PassTurn(uint32_t x) {
    state_[0] = state_[1];
    state_[1] = state_[2];
    state_[2] = state_[3];
    state_[3] = x;
  }

  static inline int Step(const DecodeTable& table, uint32_t& x) {
    const uint32_t slot = x & (kProbabilityScale - 1);
    const int symbol = table.symbolOfSlot[slot];
    x = table.frequencies.frequency[symbol] * (x >> kProbabilityBits) + slot - table.frequencies.start[symbol];
    return symbol;
  }

  inline uint32_t NextWord() {
    if (end_ - next_ < 2) {
      overrun_ = true;
      return 0;
    }
    const uint32_t word = static_cast<uint32_t>(next_[0]) | static_cast<uint32_t>(next_[1]) << 8;
    next_ += 2;
    return word;
  }

  uint32_t state_[kRansStates] = {};
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
