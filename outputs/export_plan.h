#pragma once
// What a video export will write, worked out from the index and the records'
// heads before anything is written: the records taken (a delta frame at the
// start pulls in its key frame), the video codec and picture size, the sound
// format, and every packet's timestamp from the records' own times. What the
// export cannot carry faithfully is refused here, naming the record.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/format/index_record.h"

namespace bv {

class CPlaybackController;

// How the pictures go into the file: MJPG and MPEG-4 frames are copied as
// they are; Wavelet pictures, which no common player decodes, are decoded
// by the viewer's engine and stored losslessly.
enum class ExportVideoKind { kMjpgCopy, kMpeg4Copy, kWaveletLossless };

// The PCM the sound track holds. GSM 6.10 decodes to one channel.
struct ExportSoundFormat {
  uint32_t samplesPerSecond = 0;
  uint8_t bitsPerSample = 0;  // 8: unsigned, 16: signed little-endian
  uint8_t channels = 0;
  bool operator==(const ExportSoundFormat&) const = default;
};

struct PlannedPacket {
  uint32_t record = 0;  // index in the backup
  bool audio = false;
  // Video: milliseconds; sound: sample frames; both from the plan's origin.
  // A sound chunk's duration may be shorter than its samples: it then ends
  // where the next chunk starts.
  int64_t pts = 0;
  int64_t duration = 0;
};

struct ExportPlan {
  uint32_t first = 0;  // the records taken, first pulled back to a key frame
  uint32_t last = 0;
  ExportVideoKind video = ExportVideoKind::kMjpgCopy;
  int codec = 0;
  int width = 0;
  int height = 0;
  // MPEG-4: the configuration headers before the first key frame's picture.
  std::vector<uint8_t> mpeg4Config;
  std::optional<ExportSoundFormat> sound;
  // In the order they are written: by time, records of one time in index order.
  std::vector<PlannedPacket> packets;
  uint32_t videoFrames = 0;
  uint32_t soundChunks = 0;
  int64_t originMs = 0;  // the recording time of timestamp 0 (RecordTimeMs scale)
  INDEX_RECORD earliest{};  // the records with the earliest and latest times
  INDEX_RECORD latest{};
  std::string cameraTitle;  // of the first frame (the camera's name before version 3)
  std::string location;
};

// A lone frame has no next one to tell how long it stands.
constexpr int64_t kLoneFrameMs = 100;

// source has the backup open; its engine reads the records (its read buffer
// is used). first..last are record indices within the backup.
bool PlanExport(CPlaybackController& source, uint32_t first, uint32_t last, ExportPlan* plan, std::string* error);

}  // namespace bv
