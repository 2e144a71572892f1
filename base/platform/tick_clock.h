#pragma once
// The millisecond tick and the short sleeps that real-time pacing is built
// on. The tick is a 32-bit count that wraps around, so elapsed time is always
// computed as an unsigned difference. The steady clock is the default; tools
// and tests put a manual clock in its place to play without waiting.
#include <cstdint>

namespace bv {

class ITickClock {
 public:
  virtual ~ITickClock() = default;
  // Milliseconds since an arbitrary start, modulo 2^32.
  virtual uint32_t TickCount() = 0;
  // Returns once the tick has advanced by at least ms.
  virtual void Sleep(uint32_t ms) = 0;
};

// The process-wide clock on std::chrono::steady_clock. Its Sleep wakes on a
// tick boundary, so a loop of 1 ms sleeps sees every tick once and pacing by
// ticks does not gather the scheduler's oversleep as drift.
ITickClock& SteadyTickClock();

// A clock that moves only when it is told to or slept on: Sleep advances the
// tick at once. Not thread-safe; for one thread at a time.
class CManualTickClock : public ITickClock {
 public:
  explicit CManualTickClock(uint32_t start = 1) : now_(start) {}
  uint32_t TickCount() override { return now_; }
  void Sleep(uint32_t ms) override { now_ += ms; }
  void Advance(uint32_t ms) { now_ += ms; }

 private:
  uint32_t now_;
};

}  // namespace bv
