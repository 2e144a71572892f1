#include "export/recording_time.h"

#include <locale.h>

#include <cerrno>
#include <ctime>

namespace bv {
namespace {

// Month names in English whatever the process locale is (the viewer's
// toolkit sets the user's locale at start-up).
locale_t ClassicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

}  // namespace

std::string FormatRecordingTime(int year, int month, int day, int hour, int minute, int second) {
  // The calendar of the recorder's time values.
  if (year < kFirstRecordingYear || year > kLastRecordingYear) return std::string();
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  // Normalised in UTC, so the hour shown is the hour recorded.
  errno = 0;
  const time_t seconds = timegm(&fields);
  if (seconds == static_cast<time_t>(-1) && errno != 0) return std::string();
  std::tm normal{};
  if (!gmtime_r(&seconds, &normal)) return std::string();
  char text[64] = {};
  const size_t length = strftime_l(text, sizeof text, kCaptionTimeFormat, &normal, ClassicLocale());
  return std::string(text, length);
}

}  // namespace bv
