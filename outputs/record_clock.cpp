#include "outputs/record_clock.h"

#include "base/platform/string_printf.h"

namespace bv {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<int64_t> RecordTimeMs(const INDEX_RECORD& record) {
  const int year = record.year;
  const int month = record.month;
  const int day = record.day;
  if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  if (record.hour > 23 || record.minute > 59 || record.second > 59 || record.millisecond > 999) {
    return std::nullopt;
  }
  const int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + int64_t{record.hour} * 3600 + record.minute * 60 + record.second;
  return seconds * 1000 + record.millisecond;
}

std::string FormatRecordTime(const INDEX_RECORD& record) {
  return StringPrintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", record.year, record.month, record.day, record.hour,
                      record.minute, record.second, record.millisecond);
}

}  // namespace bv
