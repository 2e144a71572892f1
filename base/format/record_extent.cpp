#include "base/format/record_extent.h"

#include "base/format/audio_header.h"
#include "base/format/frame_record.h"

namespace bv {

RecordExtent RecordExtentOf(const INDEX_RECORD& record, uint64_t frameBase, uint32_t version) {
  uint64_t header = 0;
  if (record.IsAudio()) {
    header = version >= 4 ? AUDIO_HEADER::kSize : 0;
  } else {
    header = 2ull * TitleFieldWidth(version);
  }
  RecordExtent extent;
  extent.position = frameBase + record.offset;
  extent.length = header + record.size;
  extent.payloadPosition = extent.position + header;
  extent.payloadSize = record.size;
  return extent;
}

}  // namespace bv
