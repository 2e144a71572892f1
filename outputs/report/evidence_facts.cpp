#include "outputs/report/evidence_facts.h"

#include <algorithm>
#include <filesystem>

#include "base/format/audio_header.h"
#include "base/format/backup_constants.h"
#include "base/format/camera_info.h"
#include "base/format/codec_table.h"
#include "base/platform/data_file.h"
#include "base/platform/legacy_text.h"
#include "base/platform/string_printf.h"
#include "outputs/record_clock.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/record_hash.h"

namespace bv {
namespace {

constexpr uint64_t kHashUnit = 1 << 20;  // progress counts a file's MiB as one record

void Count(std::vector<CountedFact>* facts, const std::string& value) {
  for (CountedFact& fact : *facts) {
    if (fact.value == value) {
      ++fact.count;
      return;
    }
  }
  facts->push_back(CountedFact{value, 1});
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder as an absolute path, so the report says where the file was.
std::string Folder(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return std::string();
  return absolute.parent_path().string();
}

std::string SoundFormatText(const AUDIO_HEADER& header) {
  const char* channels = header.channels == 1 ? "mono" : header.channels == 2 ? "stereo" : "channels";
  std::string text = StringPrintf("%u Hz, %u bits, ", uint32_t{header.samplesPerSecond},
                                  uint32_t{header.bitsPerSample});
  text += header.channels <= 2 ? channels : StringPrintf("%u channels", uint32_t{header.channels});
  text += header.compression == 0 ? ", PCM" : ", GSM 6.10";
  return text;
}

class CEvidenceGatherer {
 public:
  CEvidenceGatherer(CFrameWalk& walk, const EvidenceProgress& progress, EvidenceFacts& facts)
      : walk_(walk), engine_(walk.Engine()), progress_(progress), facts_(facts) {}

  bool Run(const BackupSource& source, uint32_t first, uint32_t last);
  const std::string& Error() const { return error_; }
  bool Cancelled() const { return cancelled_; }

 private:
  bool HashFiles(const std::vector<std::string>& paths);
  void DescribeBackup(const BackupSource& source);
  void TakeTime(uint32_t i, const INDEX_RECORD& record);
  void TakeStep(uint32_t i, const INDEX_RECORD& record);
  void TakeAudio(const INDEX_RECORD& record);
  void TakeVideo(uint32_t i, const INDEX_RECORD& record, RecordFact* fact);
  void TakeEvent(uint32_t i, const INDEX_RECORD& record, const ShownFrame& shown);
  std::string RefusalReason(const INDEX_RECORD& record) const;
  bool Report() {
    if (progress_ && !progress_(done_, total_)) cancelled_ = true;
    return !cancelled_;
  }
  bool Fail(std::string why) {
    error_ = std::move(why);
    return false;
  }

  CFrameWalk& walk_;
  CPlaybackEngine& engine_;
  const EvidenceProgress& progress_;
  EvidenceFacts& facts_;
  uint64_t done_ = 0;
  uint64_t total_ = 0;
  bool cancelled_ = false;
  std::string error_;
  std::optional<int64_t> earliest_;
  std::optional<int64_t> latest_;
  std::optional<int64_t> previousTime_;
  uint32_t previousRecord_ = 0;
  bool eventOpen_ = false;
};

bool CEvidenceGatherer::Run(const BackupSource& source, uint32_t first, uint32_t last) {
  const uint32_t count = walk_.Count();
  if (count == 0) return Fail("the backup holds no records");
  if (first > last || last >= count) return Fail(StringPrintf("records %u..%u are not within 0..%u", first, last, count - 1));
  facts_ = EvidenceFacts{};
  facts_.recordCount = count;
  facts_.first = first;
  facts_.last = last;

  std::vector<std::string> paths{source.path};
  if (source.oldPair && source.path.size() >= 4) paths.push_back(source.path.substr(0, source.path.size() - 4) + ".sav");
  for (const std::string& path : paths) total_ += (std::max<int64_t>(FileLength(path), 0) + kHashUnit - 1) / kHashUnit;
  total_ += uint64_t{last} - first + 1;
  if (!HashFiles(paths)) return false;
  DescribeBackup(source);

  const IndexArray& index = walk_.Index();
  facts_.records.resize(last - first + 1);
  for (uint32_t i = first; i <= last; ++i) {
    if (!Report()) return Fail("the report was cancelled");
    const INDEX_RECORD& record = index[i];
    RecordFact& fact = facts_.records[i - first];
    fact.audio = record.IsAudio();
    TakeTime(i, record);
    if (!fact.audio) TakeStep(i, record);
    if (fact.audio) {
      TakeAudio(record);
    } else {
      TakeVideo(i, record, &fact);
    }
    const std::optional<std::array<uint8_t, 32>> digest = RecordPayloadDigest(engine_, record);
    fact.readable = digest.has_value();
    if (digest) fact.sha256 = *digest;
    ++done_;
  }
  if (!Report()) return Fail("the report was cancelled");
  if (earliest_) {
    // The records holding the extreme times, formatted as stored.
    for (uint32_t i = first; i <= last; ++i) {
      const std::optional<int64_t> t = RecordTimeMs(index[i]);
      if (t && *t == *earliest_ && facts_.recordedFrom.empty()) facts_.recordedFrom = FormatRecordTime(index[i]);
      if (t && *t == *latest_) facts_.recordedTo = FormatRecordTime(index[i]);
    }
  }
  return true;
}

bool CEvidenceGatherer::HashFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    FileFact file;
    file.name = BaseName(path);
    file.folder = Folder(path);
    file.size = static_cast<uint64_t>(std::max<int64_t>(FileLength(path), 0));
    const uint64_t before = done_;
    file.sha256 = FileSha256(path, [&](uint64_t bytes) {
      done_ = before + bytes / kHashUnit;
      return Report();
    });
    if (cancelled_) return Fail("the report was cancelled");
    if (file.sha256.empty()) return Fail("cannot read " + path + " to its end");
    done_ = before + (file.size + kHashUnit - 1) / kHashUnit;
    facts_.files.push_back(std::move(file));
  }
  return true;
}

void CEvidenceGatherer::DescribeBackup(const BackupSource& source) {
  facts_.form = source.oldPair        ? "old backup: index file (.idx) and data file (.sav)"
                : source.selfContained ? "self-contained backup (a container appended to the viewer program)"
                                       : "ZRV container (.zrv)";
  const CAMERA_INFO& camera = engine_.CameraInfo();
  facts_.version = engine_.Version();
  facts_.cameraName = LegacyTextToUtf8(FieldText(camera.name));
  facts_.cameraNumber = camera.number + 1;
  facts_.location = LegacyTextToUtf8(FieldText(camera.location));
  facts_.organization = LegacyTextToUtf8(FieldText(camera.organization));
  facts_.owner = LegacyTextToUtf8(FieldText(camera.owner));
  facts_.soundPlayed = facts_.version >= 4;
}

void CEvidenceGatherer::TakeTime(uint32_t i, const INDEX_RECORD& record) {
  const std::optional<int64_t> time = RecordTimeMs(record);
  if (!time) {
    facts_.invalidTimes.push_back(i);
    return;
  }
  if (!earliest_ || *time < *earliest_) earliest_ = *time;
  if (!latest_ || *time > *latest_) latest_ = *time;
}

// Gaps and steps back between one video frame and the next. Audio records
// carry the time their second starts at and are written among the frames
// of that second, so they are not steps of the recording.
void CEvidenceGatherer::TakeStep(uint32_t i, const INDEX_RECORD& record) {
  const std::optional<int64_t> time = RecordTimeMs(record);
  if (!time) return;
  if (previousTime_) {
    const int64_t step = *time - *previousTime_;
    if (step > kGapThresholdMs || step < 0) {
      const INDEX_RECORD& before = walk_.Index()[previousRecord_];
      TimeJump jump{previousRecord_, i, FormatRecordTime(before), FormatRecordTime(record), step};
      (step < 0 ? facts_.backward : facts_.gaps).push_back(std::move(jump));
    }
  }
  previousTime_ = *time;
  previousRecord_ = i;
}

void CEvidenceGatherer::TakeAudio(const INDEX_RECORD& record) {
  ++facts_.audioRecords;
  AUDIO_HEADER header;
  Count(&facts_.soundFormats, engine_.ReadAudioHeader(record, &header) ? SoundFormatText(header) : "unreadable");
}

void CEvidenceGatherer::TakeVideo(uint32_t i, const INDEX_RECORD& record, RecordFact* fact) {
  ++facts_.videoRecords;
  uint8_t head[kPayloadHeadSize];
  std::string title;
  std::string location;
  if (engine_.ReadRecordHead(record, &title, &location, head)) {
    int width = 0;
    int height = 0;
    GetPictureSize(head, &width, &height);
    Count(&facts_.codecs, CodecInfo(GetCodecType(head)).name);
    Count(&facts_.pictureSizes, StringPrintf("%d x %d", width, height));
  } else {
    Count(&facts_.codecs, "unreadable");
  }
  const ShownFrame& shown = walk_.Show(i);
  const std::string time = FormatRecordTime(record);
  if (!shown.decoded) {
    fact->picture = RecordPicture::kRefused;
    facts_.refused.push_back(PictureProblem{i, time, RefusalReason(record)});
  } else if (shown.concealed) {
    fact->picture = RecordPicture::kConcealed;
    facts_.concealed.push_back(PictureProblem{i, time, "damage concealed by the decoder"});
  } else {
    fact->picture = RecordPicture::kDecoded;
  }
  TakeEvent(i, record, shown);
}

std::string CEvidenceGatherer::RefusalReason(const INDEX_RECORD& record) const {
  if (record.size > kPictureBufferSize) {
    return StringPrintf("its %u bytes exceed the viewer's %u-byte read buffer", uint32_t{record.size},
                        kPictureBufferSize);
  }
  if (!engine_.IsVideoRecordReadable(record)) return "it reaches past the end of the backup";
  uint8_t head[kPayloadHeadSize];
  std::string title;
  std::string location;
  if (!engine_.ReadRecordHead(record, &title, &location, head)) return "it cannot be read";
  int width = 0;
  int height = 0;
  GetPictureSize(head, &width, &height);
  if (width > kMaxPictureWidth || height > kMaxPictureHeight) {
    return StringPrintf("its picture of %d x %d is larger than %d x %d", width, height, kMaxPictureWidth,
                        kMaxPictureHeight);
  }
  return StringPrintf("the %s decoder gave no picture", CodecInfo(GetCodecType(head)).name);
}

// Consecutive frames showing the same event make one span.
void CEvidenceGatherer::TakeEvent(uint32_t i, const INDEX_RECORD& record, const ShownFrame& shown) {
  if (!shown.shownNow) return;
  const HallEvent& event = shown.event;
  const bool drawn = event.kind == kR40MaxEvent || (event.kind == kMachineEvent && event.machineNumber != -1);
  if (!drawn) {
    eventOpen_ = false;
    return;
  }
  if (eventOpen_ && facts_.events.back().event == event) {
    ShownEventSpan& span = facts_.events.back();
    span.lastRecord = i;
    span.to = FormatRecordTime(record);
    ++span.frames;
    return;
  }
  facts_.events.push_back(ShownEventSpan{event, i, i, 1, FormatRecordTime(record), FormatRecordTime(record)});
  eventOpen_ = true;
}

}  // namespace

bool GatherEvidence(CFrameWalk& walk, const BackupSource& source, uint32_t first, uint32_t last,
                    const EvidenceProgress& progress, EvidenceFacts* facts, std::string* error, bool* cancelled) {
  CEvidenceGatherer gatherer(walk, progress, *facts);
  const bool ok = gatherer.Run(source, first, last);
  if (!ok) *error = gatherer.Error();
  if (cancelled) *cancelled = gatherer.Cancelled();
  return ok;
}

}  // namespace bv
