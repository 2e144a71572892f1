#pragma once
// The records of one event day file and the lookup over them: the first
// record (in file order) of a camera whose time span holds a second of the
// day. Each record type says which spans it covers (EventSpans); a span
// carries a tag telling the caller which of a record's tests matched.
//
// The first lookup scans the records in order, as a fresh read of the file
// would; a second lookup on the same records builds an index that answers
// every later one in logarithmic time. A file that changes before it is
// looked up twice never pays for an index.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "events/event_records.h"
#include "events/first_match_index.h"

namespace bv {

struct EventSpan {
  int64_t first = 0;  // seconds of day, inclusive
  int64_t last = 0;   // inclusive; last < first covers nothing
  uint8_t tag = 0;
};

// Machine events: one span, start to end.
constexpr uint8_t kMachineEventSpan = 0;
inline int EventSpans(const MachineEventRecord& r, EventSpan spans[2]) {
  spans[0] = EventSpan{SecondOfDay(r.start), SecondOfDay(r.end), kMachineEventSpan};
  return 1;
}

// R40Max events: start to detail time shows the short text, detail time to
// end the complete one; at the detail time itself the short test, tried
// first, wins.
constexpr uint8_t kR40MaxShortSpan = 1;
constexpr uint8_t kR40MaxCompleteSpan = 2;
inline int EventSpans(const R40MaxEventRecord& r, EventSpan spans[2]) {
  const int64_t start = SecondOfDay(r.start);
  const int64_t detail = SecondOfDay(r.detail);
  const int64_t end = SecondOfDay(r.end);
  spans[0] = EventSpan{start, detail, kR40MaxShortSpan};
  spans[1] = EventSpan{start <= detail ? detail + 1 : detail, end, kR40MaxCompleteSpan};
  return 2;
}

template <class Record>
class CEventDay {
 public:
  struct Match {
    const Record* record = nullptr;
    uint8_t tag = 0;
  };

  // Appends count records decoded from data (count x Record::kSize bytes).
  void Append(const uint8_t* data, size_t count) {
    for (size_t i = 0; i < count; ++i) records_.push_back(Record::FromBytes(data + i * Record::kSize));
  }
  size_t Size() const { return records_.size(); }

  std::optional<Match> FindFirst(uint8_t camera, int secondOfDay) {
    if (!index_ && ++lookups_ >= 2) BuildIndex();
    return index_ ? FindIndexed(camera, secondOfDay) : FindInOrder(camera, secondOfDay);
  }

  // A record's place in the index: its position, then its span tag.
  static constexpr int kTagBits = 2;

 private:
  static uint64_t Key(uint8_t camera, int64_t second) {
    return (static_cast<uint64_t>(camera) << 32) | static_cast<uint64_t>(second);
  }

  std::optional<Match> FindInOrder(uint8_t camera, int t) const {
    EventSpan spans[2];
    for (const Record& r : records_) {
      if (r.camera != camera) continue;
      const int n = EventSpans(r, spans);
      for (int s = 0; s < n; ++s) {
        if (spans[s].first <= t && t <= spans[s].last) return Match{&r, spans[s].tag};
      }
    }
    return std::nullopt;
  }

  std::optional<Match> FindIndexed(uint8_t camera, int t) const {
    const std::optional<uint32_t> found = index_->Find(Key(camera, t));
    if (!found) return std::nullopt;
    return Match{&records_[*found >> kTagBits], static_cast<uint8_t>(*found & ((1u << kTagBits) - 1))};
  }

  void BuildIndex() {
    std::vector<CFirstMatchIndex::Interval> intervals;
    intervals.reserve(records_.size() * 2);
    EventSpan spans[2];
    for (size_t i = 0; i < records_.size(); ++i) {
      const int n = EventSpans(records_[i], spans);
      for (int s = 0; s < n; ++s) {
        if (spans[s].last < spans[s].first) continue;
        intervals.push_back({Key(records_[i].camera, spans[s].first), Key(records_[i].camera, spans[s].last),
                             static_cast<uint32_t>(i << kTagBits) | spans[s].tag});
      }
    }
    index_.emplace(std::move(intervals));
  }

  std::vector<Record> records_;
  int lookups_ = 0;
  std::optional<CFirstMatchIndex> index_;
};

}  // namespace bv
