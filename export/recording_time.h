#pragma once
// The recording time as printed captions and still pictures show it:
// "%b %d, %Y   %H : %M : %S" (abbreviated English month name, day, year,
// three blanks, then the time in 24-hour form with " : " between).
#include <string>

namespace bv {

inline constexpr const char* kCaptionTimeFormat = "%b %d, %Y   %H : %M : %S";

// Fields out of their ranges are carried over as a calendar does (the
// 32nd of January is the 1st of February). The wall-clock time is shown as
// recorded: no time zone or daylight saving shift applies. Empty for a year
// outside 1970..9999 (a zeroed or damaged time).
constexpr int kFirstRecordingYear = 1970;
constexpr int kLastRecordingYear = 9999;
std::string FormatRecordingTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace bv
