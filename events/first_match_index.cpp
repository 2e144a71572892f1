#include "events/first_match_index.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

namespace bv {

CFirstMatchIndex::CFirstMatchIndex(std::vector<Interval> intervals) {
  std::erase_if(intervals, [](const Interval& i) { return i.last < i.first; });
  std::sort(intervals.begin(), intervals.end(), [](const Interval& a, const Interval& b) { return a.first < b.first; });

  // The set of intervals containing x changes only at a first point or just
  // after a last point.
  std::vector<uint64_t> points;
  points.reserve(intervals.size() * 2);
  for (const Interval& i : intervals) {
    points.push_back(i.first);
    if (i.last != UINT64_MAX) points.push_back(i.last + 1);
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());

  // Active intervals by payload, smallest on top; an interval that has ended
  // leaves when it reaches the top.
  using Active = std::pair<uint32_t, uint64_t>;  // payload, last
  std::priority_queue<Active, std::vector<Active>, std::greater<Active>> active;
  size_t next = 0;
  starts_.reserve(points.size());
  answers_.reserve(points.size());
  for (const uint64_t point : points) {
    while (next < intervals.size() && intervals[next].first <= point) {
      active.emplace(intervals[next].payload, intervals[next].last);
      ++next;
    }
    while (!active.empty() && active.top().second < point) active.pop();
    const uint32_t answer = active.empty() ? kNone : active.top().first;
    if (!answers_.empty() && answers_.back() == answer) continue;  // same answer goes on
    starts_.push_back(point);
    answers_.push_back(answer);
  }
}

std::optional<uint32_t> CFirstMatchIndex::Find(uint64_t x) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), x);
  if (after == starts_.begin()) return std::nullopt;
  const uint32_t answer = answers_[static_cast<size_t>(after - starts_.begin()) - 1];
  if (answer == kNone) return std::nullopt;
  return answer;
}

}  // namespace bv
