#pragma once
// Answers "which is the first of these intervals that contains x?" in
// logarithmic time. The intervals are closed, [first, last], each with a
// payload; "first" means the smallest payload. Built once from the intervals
// by a sweep over their end points, it stores the answer for every stretch
// between consecutive end points.
#include <cstdint>
#include <optional>
#include <vector>

namespace bv {

class CFirstMatchIndex {
 public:
  struct Interval {
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive; an interval with last < first is empty
    uint32_t payload = 0;
  };

  explicit CFirstMatchIndex(std::vector<Interval> intervals);

  // The smallest payload of the intervals containing x, if any.
  std::optional<uint32_t> Find(uint64_t x) const;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  // answers_[i] holds from starts_[i] up to starts_[i + 1] - 1 (or onwards).
  std::vector<uint64_t> starts_;
  std::vector<uint32_t> answers_;
};

}  // namespace bv
