#pragma once
// A record's own recording time (date, time and millisecond fields) as a
// point on one millisecond timeline, for the timestamps of exported files.
// The recorder writes its local time without a zone; the timeline counts
// from 1970-01-01 00:00 of that same local clock.
#include <cstdint>
#include <optional>
#include <string>

#include "base/format/index_record.h"

namespace bv {

// Milliseconds since 1970-01-01 00:00:00.000 of the recorder's clock, or
// nothing when a field is out of its range (month 1..12, a day that exists
// in that month, hour 0..23, minute and second 0..59, millisecond 0..999,
// year 1..9999).
std::optional<int64_t> RecordTimeMs(const INDEX_RECORD& record);

// "2026-03-14 19:30:00.250", the fields as stored.
std::string FormatRecordTime(const INDEX_RECORD& record);

}  // namespace bv
