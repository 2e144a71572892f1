#pragma once
// Record times as one number: milliseconds on the proleptic Gregorian
// calendar, so that times of different days compare and subtract directly.
#include <cstdint>
#include <string>

#include "base/format/index_record.h"

namespace bv {

// Any field values give a number (out-of-range months and days are counted
// on, not refused): a damaged record still has a place in time.
int64_t CivilMomentMs(int year, int month, int day, int hour, int minute, int second, int millisecond);
int64_t RecordMomentMs(const INDEX_RECORD& record);

struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};
CivilTime CivilTimeOfMs(int64_t ms);

// "YYYY-MM-DDTHH:MM:SS" with an optional ".mmm" (one to three digits);
// false on anything else, or on a field out of its range.
bool ParseMoment(const std::string& text, int64_t* ms);
// "YYYY-MM-DDTHH:MM:SS.mmm".
std::string FormatMoment(int64_t ms);

}  // namespace bv
