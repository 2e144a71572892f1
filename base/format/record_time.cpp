#include "base/format/record_time.h"

#include <cctype>

#include "base/platform/string_printf.h"

namespace bv {
namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days from 1970-01-01 to the given date (the well-known era algorithm),
// with the month first brought into 1..12.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year += (month - 1) >= 0 ? (month - 1) / 12 : -((12 - month) / 12);
  month = ((month - 1) % 12 + 12) % 12 + 1;
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool ReadDigits(const std::string& text, size_t* pos, size_t count, int* value) {
  int v = 0;
  for (size_t i = 0; i < count; ++i) {
    if (*pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[*pos]))) return false;
    v = v * 10 + (text[(*pos)++] - '0');
  }
  *value = v;
  return true;
}

bool Expect(const std::string& text, size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

int64_t CivilMomentMs(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  return DaysFromCivil(year, month, day) * kMsPerDay + int64_t{hour} * 3600000 + int64_t{minute} * 60000 +
         int64_t{second} * 1000 + millisecond;
}

int64_t RecordMomentMs(const INDEX_RECORD& r) {
  return CivilMomentMs(r.year, r.month, r.day, r.hour, r.minute, r.second, r.millisecond);
}

CivilTime CivilTimeOfMs(int64_t ms) {
  int64_t days = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
  int64_t rest = ms - days * kMsPerDay;
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(rest / 3600000);
  rest %= 3600000;
  t.minute = static_cast<int>(rest / 60000);
  rest %= 60000;
  t.second = static_cast<int>(rest / 1000);
  t.millisecond = static_cast<int>(rest % 1000);
  return t;
}

bool ParseMoment(const std::string& text, int64_t* ms) {
  size_t pos = 0;
  CivilTime t;
  if (!ReadDigits(text, &pos, 4, &t.year) || !Expect(text, &pos, '-') || !ReadDigits(text, &pos, 2, &t.month) ||
      !Expect(text, &pos, '-') || !ReadDigits(text, &pos, 2, &t.day) || !Expect(text, &pos, 'T') ||
      !ReadDigits(text, &pos, 2, &t.hour) || !Expect(text, &pos, ':') || !ReadDigits(text, &pos, 2, &t.minute) ||
      !Expect(text, &pos, ':') || !ReadDigits(text, &pos, 2, &t.second)) {
    return false;
  }
  if (pos < text.size()) {
    if (!Expect(text, &pos, '.')) return false;
    const size_t start = pos;
    int fraction = 0;
    while (pos < text.size() && pos - start < 3 && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      fraction = fraction * 10 + (text[pos++] - '0');
    }
    const size_t digits = pos - start;
    if (digits == 0 || pos != text.size()) return false;
    for (size_t i = digits; i < 3; ++i) fraction *= 10;
    t.millisecond = fraction;
  }
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) || t.hour > 23 ||
      t.minute > 59 || t.second > 59) {
    return false;
  }
  *ms = CivilMomentMs(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
  return true;
}

std::string FormatMoment(int64_t ms) {
  const CivilTime t = CivilTimeOfMs(ms);
  return StringPrintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                      t.millisecond);
}

}  // namespace bv
