#include "tools/zrvtool/progress_line.h"

#include <unistd.h>

#include <cstdio>

namespace bv::tool {

CProgressLine::CProgressLine(std::string command, std::string unit, bool fromTheStart)
    : command_(std::move(command)),
      unit_(std::move(unit)),
      next_(Clock::now() + (fromTheStart ? Clock::duration::zero() : std::chrono::seconds(1))),
      terminal_(isatty(2)) {}

CProgressLine::~CProgressLine() {
  if (shown_ && terminal_) std::fputc('\n', stderr);
}

bool CProgressLine::Report(uint32_t done, uint32_t total) {
  const Clock::time_point now = Clock::now();
  if (now < next_ && done < total) return true;
  if (done == total && !shown_) return true;
  next_ = now + std::chrono::milliseconds(500);
  shown_ = true;
  const unsigned percent = total > 0 ? static_cast<unsigned>(uint64_t{done} * 100 / total) : 100;
  std::fprintf(stderr, "%s%s: %u of %u %s (%u%%)%s", terminal_ ? "\r" : "", command_.c_str(), done, total,
               unit_.c_str(), percent, terminal_ ? "" : "\n");
  std::fflush(stderr);
  return true;
}

}  // namespace bv::tool
