#pragma once
// Readers of the two entropy-coded sections: the rANS word stream (four
// interleaved states) and the raw bit stream (signs and low bits, least
// significant bit first). Both are bounded by their section: reading past
// the end yields zeros and is detected when the section is finished, so
// corrupt data can never read outside the payload.
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
    turn_ = 0;
    return valid;
  }

  // Decodes one symbol with the state whose turn it is, then passes the turn.
  inline int Decode(const DecodeTable& table) {
    uint32_t& x = state_[turn_];
    const int symbol = Step(table, x);
    if (x < kRansLow) x = (x << 16) | NextWord();
    PassTurn();
    return symbol;
  }

  // Each symbol reads at most one word: with this many words left, that
  // many symbols may be decoded with DecodeUnchecked / DecodeQuadsUnchecked.
  size_t WordsLeft() const { return static_cast<size_t>(end_ - next_) / 2; }

  // Decode without bounds checks or branches.
  inline int DecodeUnchecked(const DecodeTable& table) {
    uint32_t& x = state_[turn_];
    const int symbol = Lane(table, x, next_);
    PassTurn();
    return symbol;
  }

  // Decodes 4 * quads symbols with one table into tokens, the states held
  // in registers and the renormalisation branch-free. The turn ends where
  // it started.
  inline void DecodeQuadsUnchecked(const DecodeTable& table, int quads, uint8_t* tokens) {
    static_assert(kRansStates == 4);
    uint32_t& s0 = state_[turn_];
    uint32_t& s1 = state_[(turn_ + 1) & 3];
    uint32_t& s2 = state_[(turn_ + 2) & 3];
    uint32_t& s3 = state_[(turn_ + 3) & 3];
    uint32_t x0 = s0, x1 = s1, x2 = s2, x3 = s3;
    const uint8_t* next = next_;
    for (int q = 0; q < quads; ++q, tokens += 4) {
      tokens[0] = static_cast<uint8_t>(Lane(table, x0, next));
      tokens[1] = static_cast<uint8_t>(Lane(table, x1, next));
      tokens[2] = static_cast<uint8_t>(Lane(table, x2, next));
      tokens[3] = static_cast<uint8_t>(Lane(table, x3, next));
    }
    s0 = x0;
    s1 = x1;
    s2 = x2;
    s3 = x3;
    next_ = next;
  }

  // A valid stream ends with every word read and every state back at its
  // initial value.
  bool FinishedCleanly() const {
    bool initial = true;
    for (uint32_t x : state_) initial = initial && x == kRansLow;
    return !overrun_ && next_ == end_ && initial;
  }

 private:
  // One symbol; the renormalising word is read whether needed or not and
  // taken in without a branch, which would be mispredicted often.
  static inline int Lane(const DecodeTable& table, uint32_t& x, const uint8_t*& next) {
    const int symbol = Step(table, x);
    uint16_t word;
    std::memcpy(&word, next, sizeof word);
    const uint32_t renormalised = (x << 16) | word;
#if defined(__x86_64__)
    // A conditional move, and the carry of the comparison as an all-ones
    // mask for the word pointer.
    uint32_t below;
    asm("cmpl %[low], %[x]\n\t"
        "cmovbl %[renormalised], %[x]\n\t"
        "sbbl %[below], %[below]"
        : [x] "+r"(x), [below] "=r"(below)
        : [renormalised] "r"(renormalised), [low] "i"(kRansLow)
        : "cc");
    next += below & 2;
#else
    const uint32_t below = x < kRansLow;
    x = below ? renormalised : x;
    next += below << 1;
#endif
    return symbol;
  }

  inline void PassTurn() { turn_ = (turn_ + 1) & (kRansStates - 1); }

  static inline int Step(const DecodeTable& table, uint32_t& x) {
    const uint32_t slot = x & (kProbabilityScale - 1);
    const int symbol = table.symbolOfSlot[slot];
    x = table.frequency[symbol] * (x >> kProbabilityBits) + slot - table.start[symbol];
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
  unsigned turn_ = 0;  // the state that decodes the next symbol
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool overrun_ = false;
};

// Least significant bit first. Callers Refill, which guarantees at least
// kRefillBits bits, then Peek and Skip without further checks.
class CBitReader {
 public:
  static constexpr int kRefillBits = 56;

  void Start(const uint8_t* begin, const uint8_t* end) {
    begin_ = begin;
    next_ = begin;
    end_ = end;
    buffer_ = 0;
    count_ = 0;
    padding_ = 0;
    Refill();
  }

  inline void Refill() {
    if (end_ - next_ >= 8) {
      uint64_t word;
      std::memcpy(&word, next_, 8);
      // Bits above count_ that were loaded before are loaded again with
      // the same values, so OR-ing keeps them intact.
      buffer_ |= word << count_;
      next_ += (63 - count_) >> 3;
      count_ |= kRefillBits;
      return;
    }
    RefillAtEnd();
  }

  inline uint64_t Peek() const { return buffer_; }
  inline void Skip(int n) {
    buffer_ >>= n;
    count_ -= n;
  }
  // n <= kRefillBits; refills itself.
  inline uint32_t Read(int n) {
    if (count_ < n) Refill();
    const uint32_t value = static_cast<uint32_t>(buffer_ & ((uint64_t{1} << n) - 1));
    Skip(n);
    return value;
  }

  // Valid when no bit was read past the section and at most the final
  // byte's padding is left over.
  bool FinishedCleanly() const {
    const int64_t sectionBits = static_cast<int64_t>(end_ - begin_) * 8;
    const int64_t consumed = static_cast<int64_t>(next_ - begin_) * 8 + padding_ - count_;
    return consumed <= sectionBits && sectionBits - consumed < 8;
  }

 private:
  void RefillAtEnd() {
    while (count_ <= kRefillBits && next_ < end_) {
      buffer_ |= static_cast<uint64_t>(*next_++) << count_;
      count_ += 8;
    }
    if (count_ >= kRefillBits) return;
    // Past the end: zero bits are supplied, counted so that reading into
    // them is detected at the finish.
    padding_ += kRefillBits - count_;
    count_ = kRefillBits;
  }

  uint64_t buffer_ = 0;
  int count_ = 0;
  int64_t padding_ = 0;  // zero bits supplied past the end
  const uint8_t* begin_ = nullptr;
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
};

}  // namespace bv::wavelet
