#pragma once
// CRecordTimeSearch: which record to show for a moment in time.
//
// Recorders write records in time order only mostly (the odd record comes
// late), so the search does not trust the order. Built once per open index:
// one pass finds whether the times never go back. On such an index every
// search is a binary search on the records themselves, O(log n), with no
// extra memory. On an index whose times do go back, the pass is followed by
// one stable sort of the record numbers by time (O(n log n), 4 bytes per
// record); every search after that is a binary search on that order, so the
// answer is the same as for the sorted records.
#include <cstdint>
#include <functional>
#include <vector>

#include "base/format/backup_index.h"

namespace bv {

class CRecordTimeSearch {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  using Accept = std::function<bool(const INDEX_RECORD&)>;

  // The search keeps a reference to the records: rebuild it for every index.
  CRecordTimeSearch(const INDEX_RECORD* records, uint32_t count);
  explicit CRecordTimeSearch(const IndexArray& index) : CRecordTimeSearch(index.data(), index.size()) {}

  bool IsTimeOrdered() const { return order_.empty(); }
  uint32_t Count() const { return count_; }
  // Earliest and latest record time (0 on an empty index).
  int64_t FirstTimeMs() const { return firstMs_; }
  int64_t LastTimeMs() const { return lastMs_; }

  // The record shown for moment ms: the latest record at or before it (of
  // several at the same time, the one written last) among the records that
  // accept takes (all when unset); when none is at or before it, the first
  // such record of the index. kNone when accept takes no record at all.
  // Records accept refuses are walked over from the found place, so a
  // filter that takes few records costs more than O(log n).
  uint32_t Find(int64_t ms, const Accept& accept = {}) const;
  // The earliest record at or after fromMs and at or before toMs that
  // accept takes (of several at one time, the one written first); kNone
  // when there is none.
  uint32_t FindFirstWithin(int64_t fromMs, int64_t toMs, const Accept& accept = {}) const;

 private:
  int64_t TimeAt(uint32_t position) const;
  uint32_t RecordAt(uint32_t position) const { return order_.empty() ? position : order_[position]; }

  const INDEX_RECORD* records_;
  uint32_t count_;
  std::vector<uint32_t> order_;  // record numbers in time order; empty when the index is in order
  int64_t firstMs_ = 0;
  int64_t lastMs_ = 0;
};

}  // namespace bv
