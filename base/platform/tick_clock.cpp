#include "base/platform/tick_clock.h"

#include <chrono>
#include <thread>

namespace bv {
namespace {

class CSteadyTickClock : public ITickClock {
 public:
  uint32_t TickCount() override { return static_cast<uint32_t>(Milliseconds(Clock::now())); }

  void Sleep(uint32_t ms) override {
    const int64_t wake = Milliseconds(Clock::now()) + ms;
    std::this_thread::sleep_until(Clock::time_point(std::chrono::milliseconds(wake)));
  }

 private:
  using Clock = std::chrono::steady_clock;
  static int64_t Milliseconds(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  }
};

}  // namespace

ITickClock& SteadyTickClock() {
  static CSteadyTickClock clock;
  return clock;
}

}  // namespace bv
