#include "base/format/record_time_search.h"

#include <algorithm>
#include <numeric>

#include "base/format/record_time.h"

namespace bv {

CRecordTimeSearch::CRecordTimeSearch(const INDEX_RECORD* records, uint32_t count) : records_(records), count_(count) {
  if (count_ == 0) return;
  bool ordered = true;
  int64_t previous = RecordMomentMs(records_[0]);
  firstMs_ = lastMs_ = previous;
  for (uint32_t i = 1; i < count_; ++i) {
    const int64_t t = RecordMomentMs(records_[i]);
    if (t < previous) ordered = false;
    firstMs_ = std::min(firstMs_, t);
    lastMs_ = std::max(lastMs_, t);
    previous = t;
  }
  if (ordered) return;
  std::vector<int64_t> times(count_);
  for (uint32_t i = 0; i < count_; ++i) times[i] = RecordMomentMs(records_[i]);
  order_.resize(count_);
  std::iota(order_.begin(), order_.end(), 0u);
  // Stable: records of the same time keep their index order.
  std::stable_sort(order_.begin(), order_.end(), [&times](uint32_t a, uint32_t b) { return times[a] < times[b]; });
}

int64_t CRecordTimeSearch::TimeAt(uint32_t position) const { return RecordMomentMs(records_[RecordAt(position)]); }

uint32_t CRecordTimeSearch::Find(int64_t ms, const Accept& accept) const {
  // The first position whose time is after ms.
  uint32_t low = 0;
  uint32_t high = count_;
  while (low < high) {
    const uint32_t mid = low + (high - low) / 2;
    if (TimeAt(mid) <= ms) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  for (uint32_t position = low; position > 0; --position) {
    const uint32_t record = RecordAt(position - 1);
    if (!accept || accept(records_[record])) return record;
  }
  for (uint32_t record = 0; record < count_; ++record) {
    if (!accept || accept(records_[record])) return record;
  }
  return kNone;
}

uint32_t CRecordTimeSearch::FindFirstWithin(int64_t fromMs, int64_t toMs, const Accept& accept) const {
  // The first position whose time is at or after fromMs.
  uint32_t low = 0;
  uint32_t high = count_;
  while (low < high) {
    const uint32_t mid = low + (high - low) / 2;
    if (TimeAt(mid) < fromMs) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  for (uint32_t position = low; position < count_ && TimeAt(position) <= toMs; ++position) {
    const uint32_t record = RecordAt(position);
    if (!accept || accept(records_[record])) return record;
  }
  return kNone;
}

}  // namespace bv
