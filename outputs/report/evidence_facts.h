#pragma once
// What an evidence report states about a backup, gathered by reading it the
// way the viewer does: the files' sizes and SHA-256, the form, version and
// camera information, and, over the records of the range, their times, the
// codecs and picture sizes, the sound formats, the frames whose picture was
// refused or had damage concealed, the gaps in the recording, the hall
// events shown, and every record's SHA-256.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "events/event_state.h"
#include "outputs/frame_walk.h"

namespace bv {

struct FileFact {
  std::string name;  // without its folder
  std::string folder;
  uint64_t size = 0;
  std::string sha256;
};

// A value and how many records have it, in the order first met.
struct CountedFact {
  std::string value;
  uint32_t count = 0;
};

struct PictureProblem {
  uint32_t record = 0;
  std::string time;  // FormatRecordTime
  std::string what;
};

// Between two video records, the second the next one after the first.
struct TimeJump {
  uint32_t before = 0;
  uint32_t after = 0;
  std::string from;
  std::string to;
  int64_t lengthMs = 0;  // negative when the time goes back
};

struct ShownEventSpan {
  HallEvent event;  // texts as stored (the recorder's code page)
  uint32_t firstRecord = 0;
  uint32_t lastRecord = 0;
  uint32_t frames = 0;
  std::string from;
  std::string to;
};

enum class RecordPicture : uint8_t { kNone, kDecoded, kConcealed, kRefused };

struct RecordFact {
  bool audio = false;
  RecordPicture picture = RecordPicture::kNone;
  bool readable = false;  // the payload could be read and hashed
  std::array<uint8_t, 32> sha256{};
};

struct EvidenceFacts {
  std::vector<FileFact> files;  // the file named, then a pair's data file
  std::string form;
  uint32_t version = 0;
  std::string cameraName;  // UTF-8
  int cameraNumber = 0;    // as shown (number + 1)
  std::string location;
  std::string organization;
  std::string owner;
  uint32_t recordCount = 0;  // in the backup
  uint32_t first = 0;        // the range described
  uint32_t last = 0;
  uint32_t videoRecords = 0;
  uint32_t audioRecords = 0;
  std::string recordedFrom;  // earliest and latest valid times; empty when none
  std::string recordedTo;
  std::vector<uint32_t> invalidTimes;  // records whose time is no valid date and time
  std::vector<CountedFact> codecs;
  std::vector<CountedFact> pictureSizes;
  std::vector<CountedFact> soundFormats;
  bool soundPlayed = true;  // false before version 4: the viewer plays no sound
  std::vector<PictureProblem> refused;
  std::vector<PictureProblem> concealed;
  std::vector<TimeJump> gaps;      // longer than a second
  std::vector<TimeJump> backward;  // the time goes back
  std::vector<ShownEventSpan> events;
  std::vector<RecordFact> records;  // first..last
};

// Reports the work done so far out of the total (units of the gathering's
// own); false cancels.
using EvidenceProgress = std::function<bool(uint64_t done, uint64_t total)>;

// walk has the backup open. false with the reason on an empty or invalid
// range, an unreadable file, or when cancelled (cancelled set).
bool GatherEvidence(CFrameWalk& walk, const BackupSource& source, uint32_t first, uint32_t last,
                    const EvidenceProgress& progress, EvidenceFacts* facts, std::string* error, bool* cancelled);

// A gap is a pause in the recording longer than this.
constexpr int64_t kGapThresholdMs = 1000;

}  // namespace bv
