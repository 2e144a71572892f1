#pragma once
// CProgressLine: "export: 1200 of 5000 packets (24%)" on stderr, at most
// twice a second, once a command has run for a second (or from the start).
// A terminal gets one line rewritten in place; a log gets one line per
// report.
#include <chrono>
#include <cstdint>
#include <string>

namespace bv::tool {

class CProgressLine {
 public:
  CProgressLine(std::string command, std::string unit, bool fromTheStart);
  ~CProgressLine();
  CProgressLine(const CProgressLine&) = delete;
  CProgressLine& operator=(const CProgressLine&) = delete;

  // Always true: the command goes on.
  bool Report(uint32_t done, uint32_t total);

 private:
  using Clock = std::chrono::steady_clock;
  std::string command_;
  std::string unit_;
  Clock::time_point next_;
  bool terminal_;
  bool shown_ = false;
};

}  // namespace bv::tool
