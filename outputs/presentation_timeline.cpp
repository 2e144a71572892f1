#include "outputs/presentation_timeline.h"

#include <algorithm>
#include <optional>

#include "base/platform/string_printf.h"
#include "outputs/export_plan.h"
#include "outputs/record_clock.h"

namespace bv {

bool PlanPresentation(const IndexArray& index, uint32_t version, uint32_t first, uint32_t last,
                      PresentationTimeline* timeline, std::string* error) {
  const uint32_t count = index.size();
  if (count == 0) {
    *error = "the backup holds no records";
    return false;
  }
  if (first > last || last >= count) {
    *error = StringPrintf("records %u..%u are not within 0..%u", first, last, count - 1);
    return false;
  }
  PresentationTimeline plan;
  plan.first = first;
  plan.last = last;
  std::optional<int64_t> earliest;
  std::optional<int64_t> latest;
  int64_t lastPictureTime = 0;
  uint32_t lastPictureRecord = 0;
  for (uint32_t i = first; i <= last; ++i) {
    const INDEX_RECORD& record = index[i];
    // The viewer plays sound from version 4 on only.
    if (record.IsAudio() && version < 4) continue;
    const std::optional<int64_t> time = RecordTimeMs(record);
    if (!time) {
      *error = StringPrintf("record %u has no valid recording time (%s)", i, FormatRecordTime(record).c_str());
      return false;
    }
    if (!earliest || *time < *earliest) {
      earliest = *time;
      plan.earliest = record;
    }
    if (!latest || *time > *latest) {
      latest = *time;
      plan.latest = record;
    }
    if (record.IsAudio()) {
      plan.sound.push_back(PresentationSoundChunk{i, *time});
      continue;
    }
    if (!plan.pictures.empty() && *time < lastPictureTime) {
      *error = StringPrintf("record %u was recorded at %s, before record %u (%s): export the records before it "
                            "and from it separately",
                            i, FormatRecordTime(record).c_str(), lastPictureRecord,
                            FormatRecordTime(index[lastPictureRecord]).c_str());
      return false;
    }
    // Pictures of one millisecond keep their order a millisecond apart.
    const int64_t pts = plan.pictures.empty() ? *time : std::max(*time, plan.pictures.back().pts + 1);
    plan.pictures.push_back(PresentationPicture{i, pts, 0});
    lastPictureTime = *time;
    lastPictureRecord = i;
  }
  if (plan.pictures.empty()) {
    *error = StringPrintf("records %u..%u hold no video frame", first, last);
    return false;
  }
  plan.originMs = *earliest;
  for (size_t k = 0; k < plan.pictures.size(); ++k) {
    plan.pictures[k].pts -= plan.originMs;
    if (k > 0) plan.pictures[k - 1].duration = plan.pictures[k].pts - plan.pictures[k - 1].pts;
  }
  // The last picture stands as long as the one before it.
  const size_t n = plan.pictures.size();
  plan.pictures.back().duration = n > 1 ? plan.pictures[n - 2].duration : kLoneFrameMs;
  for (PresentationSoundChunk& chunk : plan.sound) chunk.dueMs -= plan.originMs;
  *timeline = std::move(plan);
  return true;
}

}  // namespace bv
