#pragma once
// When each picture and each chunk of sound of a presentation video plays,
// from the records' own recording times alone (the index, nothing else):
// every video record in the range is one picture, lasting until the next
// one's time; the sound of each audio record starts at its record's time.
// Times that cannot be placed on one timeline are refused here, naming the
// record, before anything is decoded or written.
#include <cstdint>
#include <string>
#include <vector>

#include "base/format/backup_index.h"

namespace bv {

struct PresentationPicture {
  uint32_t record = 0;
  int64_t pts = 0;  // milliseconds from the timeline's origin
  int64_t duration = 0;
};

struct PresentationSoundChunk {
  uint32_t record = 0;
  int64_t dueMs = 0;  // from the origin
};

struct PresentationTimeline {
  uint32_t first = 0;
  uint32_t last = 0;
  int64_t originMs = 0;  // the recording time (RecordTimeMs scale) of time 0: the earliest record
  std::vector<PresentationPicture> pictures;
  // Audio records, of backups whose sound the viewer plays (version 4 on).
  std::vector<PresentationSoundChunk> sound;
  INDEX_RECORD earliest{};
  INDEX_RECORD latest{};

  // Where the last picture ends.
  int64_t EndMs() const { return pictures.empty() ? 0 : pictures.back().pts + pictures.back().duration; }
};

// first..last are record indices within index. False with the reason when
// the range is empty or holds no video record, or a record's time is not a
// valid date and time, or a video record was recorded before the one before
// it.
bool PlanPresentation(const IndexArray& index, uint32_t version, uint32_t first, uint32_t last,
                      PresentationTimeline* timeline, std::string* error);

}  // namespace bv
