#include "base/format/recorded_frame_rate.h"

#include <cstdint>

namespace bv {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

std::optional<int64_t> Milliseconds(const INDEX_RECORD& r) {
  if (r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31) return std::nullopt;
  const int64_t days = DaysFromCivil(r.year, r.month, r.day);
  return ((days * 24 + r.hour) * 60 + r.minute) * 60000 + int64_t{r.second} * 1000 + r.millisecond;
}

}  // namespace

std::optional<double> RecordedFrameRate(const IndexArray& index) {
  std::optional<int64_t> first;
  std::optional<int64_t> last;
  uint32_t frames = 0;
  for (uint32_t i = 0; i < index.size(); ++i) {
    if (index[i].IsAudio()) continue;
    const std::optional<int64_t> at = Milliseconds(index[i]);
    if (!at) return std::nullopt;
    if (!first) first = at;
    last = at;
    ++frames;
  }
  if (frames < 2 || *last <= *first) return std::nullopt;
  return (frames - 1) * 1000.0 / static_cast<double>(*last - *first);
}

}  // namespace bv
