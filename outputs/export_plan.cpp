#include "outputs/export_plan.h"

#include <algorithm>
#include <cstdarg>

#include "base/format/audio_header.h"
#include "base/format/backup_constants.h"
#include "base/format/camera_info.h"
#include "base/format/codec_table.h"
#include "base/platform/le_bytes.h"
#include "base/platform/legacy_text.h"
#include "base/platform/platform_types.h"
#include "base/platform/string_printf.h"
#include "outputs/mpeg4_stream_head.h"
#include "outputs/record_clock.h"
#include "playback/engine/backup_cut.h"
#include "playback/engine/playback_controller.h"
#include "playback/sound/wave_out_stream.h"

namespace bv {
namespace {

// The 40-byte bitmap header before an MJPG frame's JPEG data.
constexpr uint32_t kMjpgHeaderSize = 40;
// GSM 6.10 in WAV49 framing: 320 samples from each 65-byte block.
constexpr uint32_t kGsmBlockBytes = 65;
constexpr uint32_t kGsmBlockSamples = 320;

std::string SoundFormatText(const ExportSoundFormat& format) {
  return StringPrintf("%u Hz, %d bits, %s", format.samplesPerSecond, format.bitsPerSample,
                      format.channels == 1 ? "mono" : "stereo");
}

// The same limits the viewer's audio path plays within.
bool IsPlayableSound(const AUDIO_HEADER& header) {
  const uint32_t rate = header.samplesPerSecond;
  const uint32_t bits = header.bitsPerSample;
  if (header.channels < 1 || header.channels > 2 || (bits != 8 && bits != 16)) return false;
  return rate >= CWaveOutStream::kBlocksPerSecond &&
         uint64_t{rate} * (bits / 8) <= uint64_t{CWaveOutStream::kMaxBlockBytes} * CWaveOutStream::kBlocksPerSecond;
}

class CPlanBuilder {
 public:
  CPlanBuilder(CPlaybackController& source, ExportPlan& plan)
      : source_(source), engine_(source.Engine()), index_(source.Index()), plan_(plan) {}

  bool Run(uint32_t first, uint32_t last);
  const std::string& Error() const { return error_; }

 private:
  bool AddVideo(uint32_t i);
  bool CheckPayload(uint32_t i, const INDEX_RECORD& record, const uint8_t* head);
  bool TakeMpeg4Config(uint32_t i);
  bool AddSound(uint32_t i);
  bool TakeTime(uint32_t i, int64_t* timeMs);
  void Finish();
  bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  struct PendingSound {
    uint32_t record;
    int64_t timeMs;
    uint32_t samples;
  };

  CPlaybackController& source_;
  CPlaybackEngine& engine_;
  const IndexArray& index_;
  ExportPlan& plan_;
  std::string error_;

  std::vector<PlannedPacket> video_;  // pts still on the recording clock
  std::vector<PendingSound> sound_;
  int64_t lastVideoTime_ = 0;
  uint32_t lastVideoRecord_ = 0;
  std::optional<int64_t> earliest_;
  std::optional<int64_t> latest_;
};

bool CPlanBuilder::Fail(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  error_ = text;
  return false;
}

bool CPlanBuilder::Run(uint32_t first, uint32_t last) {
  const uint32_t count = index_.size();
  if (count == 0) return Fail("the backup holds no records");
  if (first > last || last >= count) return Fail("records %u..%u are not within 0..%u", first, last, count - 1);
  plan_ = ExportPlan{};
  plan_.first = ClipStartWithKeyFrame(source_, first);
  plan_.last = last;
  for (uint32_t i = plan_.first; i <= last; ++i) {
    const bool ok = index_[i].IsAudio() ? AddSound(i) : AddVideo(i);
    if (!ok) return false;
  }
  if (video_.empty()) return Fail("records %u..%u hold no video frame", plan_.first, last);
  Finish();
  return true;
}

bool CPlanBuilder::TakeTime(uint32_t i, int64_t* timeMs) {
  const INDEX_RECORD& record = index_[i];
  const std::optional<int64_t> time = RecordTimeMs(record);
  if (!time) return Fail("record %u has no valid recording time (%s)", i, FormatRecordTime(record).c_str());
  *timeMs = *time;
  if (!earliest_ || *time < *earliest_) {
    earliest_ = *time;
    plan_.earliest = record;
  }
  if (!latest_ || *time > *latest_) {
    latest_ = *time;
    plan_.latest = record;
  }
  return true;
}

bool CPlanBuilder::AddVideo(uint32_t i) {
  const INDEX_RECORD& record = index_[i];
  if (record.size > kPictureBufferSize) {
    return Fail("record %u cannot be read: its %u bytes exceed the viewer's %u-byte read buffer", i,
                uint32_t{record.size}, kPictureBufferSize);
  }
  std::string title;
  std::string location;
  uint8_t head[kPayloadHeadSize];
  if (!engine_.ReadRecordHead(record, &title, &location, head)) {
    return Fail("record %u cannot be read: it reaches past the end of the backup", i);
  }
  int64_t time = 0;
  if (!TakeTime(i, &time)) return false;

  const int codec = GetCodecType(head);
  int width = 0;
  int height = 0;
  GetPictureSize(head, &width, &height);
  if (video_.empty()) {
    if (!IsKeyFrame(head)) return Fail("record %u is a delta frame with no key frame before it", i);
    if (width < 1 || height < 1 || width > kMaxPictureWidth || height > kMaxPictureHeight) {
      return Fail("record %u has a picture of %d x %d; the viewer shows pictures up to %d x %d", i, width, height,
                  kMaxPictureWidth, kMaxPictureHeight);
    }
    plan_.codec = codec;
    plan_.width = width;
    plan_.height = height;
    plan_.video = codec == kCodecMJPG      ? ExportVideoKind::kMjpgCopy
                  : codec == kCodecMPEG4 ? ExportVideoKind::kMpeg4Copy
                                         : ExportVideoKind::kWaveletLossless;
    const CAMERA_INFO& camera = engine_.CameraInfo();
    plan_.cameraTitle = LegacyTextToUtf8(engine_.Version() >= 3 ? title : FieldText(camera.name));
    plan_.location = LegacyTextToUtf8(engine_.Version() >= 3 ? location : FieldText(camera.location));
  } else if (codec != plan_.codec || width != plan_.width || height != plan_.height) {
    return Fail("record %u changes the video from %s %d x %d to %s %d x %d: export the records before it and "
                "from it separately",
                i, CodecInfo(plan_.codec).name, plan_.width, plan_.height, CodecInfo(codec).name, width, height);
  } else if (time < lastVideoTime_) {
    return Fail("record %u was recorded at %s, before record %u (%s): export the records before it and from it "
                "separately",
                i, FormatRecordTime(record).c_str(), lastVideoRecord_,
                FormatRecordTime(index_[lastVideoRecord_]).c_str());
  }
  if (!CheckPayload(i, record, head)) return false;
  if (video_.empty() && codec == kCodecMPEG4 && !TakeMpeg4Config(i)) return false;

  // Frames of one millisecond keep their order a millisecond apart.
  const int64_t pts = video_.empty() ? time : std::max(time, video_.back().pts + 1);
  video_.push_back(PlannedPacket{i, false, pts, 0});
  lastVideoTime_ = time;
  lastVideoRecord_ = i;
  return true;
}

bool CPlanBuilder::CheckPayload(uint32_t i, const INDEX_RECORD& record, const uint8_t* head) {
  const uint32_t size = record.size;
  if (plan_.codec == kCodecMJPG) {
    if (ReadU32LE(head + 16) != kFourCC_MJPG) {
      return Fail("record %u is not a Motion-JPEG frame: its compression code is not MJPG", i);
    }
    if (size <= kMjpgHeaderSize) return Fail("record %u holds no JPEG data", i);
    return true;
  }
  if (size <= kCodedPayloadPrefixSize) return Fail("record %u holds no coded picture after its prefix", i);
  return true;
}

// The configuration headers the first exported frame decodes with: its own,
// or, when a recorder wrote them before its first key frame only, those of
// the nearest earlier frame that carries them.
bool CPlanBuilder::TakeMpeg4Config(uint32_t i) {
  if (!engine_.ReadVideoRecord(index_[i])) return Fail("record %u cannot be read", i);
  const Mpeg4StreamHead first =
      ScanMpeg4StreamHead(CodedPictureOf(engine_.ReadBuffer(), engine_.PayloadSize()));
  if (first.pictureType != Mpeg4PictureType::kIntra) {
    return Fail("record %u is marked as an MPEG-4 key frame but holds no intra picture", i);
  }
  for (uint32_t r = i + 1; r-- > 0;) {
    uint8_t kind = 0;
    if (index_[r].IsAudio() || !engine_.ReadKindByte(index_[r], &kind) || kind != kMpeg4KeyFrame) continue;
    if (!engine_.ReadVideoRecord(index_[r])) continue;
    const std::span<const uint8_t> stream = CodedPictureOf(engine_.ReadBuffer(), engine_.PayloadSize());
    const Mpeg4StreamHead head = ScanMpeg4StreamHead(stream);
    if (!head.hasVideoObjectLayer) continue;
    plan_.mpeg4Config.assign(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(head.configLength));
    return true;
  }
  return Fail("no MPEG-4 frame up to record %u carries the configuration headers (VOL)", i);
}

bool CPlanBuilder::AddSound(uint32_t i) {
  // The viewer plays sound from version 4 on only; older audio records are
  // not sound it knows how to read.
  if (engine_.Version() < 4) return true;
  const INDEX_RECORD& record = index_[i];
  AUDIO_HEADER header;
  if (!engine_.ReadAudioHeader(record, &header) ||
      !engine_.DataFile().Contains(engine_.FrameBase() + record.offset + AUDIO_HEADER::kSize, record.size)) {
    return Fail("record %u (sound) cannot be read: it reaches past the end of the backup", i);
  }
  if (!IsPlayableSound(header)) {
    return Fail("record %u holds sound the viewer cannot play (%u channels, %u Hz, %u bits)", i,
                uint32_t{header.channels}, uint32_t{header.samplesPerSecond}, uint32_t{header.bitsPerSample});
  }
  int64_t time = 0;
  if (!TakeTime(i, &time)) return false;

  const bool gsm = header.compression != 0;
  ExportSoundFormat format;
  format.samplesPerSecond = header.samplesPerSecond;
  format.bitsPerSample = header.bitsPerSample;
  format.channels = gsm ? 1 : header.channels;
  if (!plan_.sound) {
    plan_.sound = format;
  } else if (!(format == *plan_.sound)) {
    return Fail("record %u changes the sound from %s to %s: export the records before it and from it separately",
                i, SoundFormatText(*plan_.sound).c_str(), SoundFormatText(format).c_str());
  }
  // Whole samples (GSM: whole blocks) only, as the decoders take them.
  const uint32_t samples = gsm ? record.size / kGsmBlockBytes * kGsmBlockSamples
                               : record.size / (uint32_t{format.bitsPerSample} / 8 * format.channels);
  if (samples > 0) sound_.push_back(PendingSound{i, time, samples});
  return true;
}

void CPlanBuilder::Finish() {
  plan_.originMs = *earliest_;
  for (size_t k = 0; k < video_.size(); ++k) {
    PlannedPacket& frame = video_[k];
    frame.pts -= plan_.originMs;
    if (k > 0) video_[k - 1].duration = frame.pts - video_[k - 1].pts;
  }
  video_.back().duration = video_.size() > 1 ? video_[video_.size() - 2].duration : kLoneFrameMs;
  plan_.videoFrames = static_cast<uint32_t>(video_.size());

  // Each chunk of sound starts at its record's time, so sound and pictures
  // stay together however long the recording. A chunk that runs past the
  // next one's time (GSM blocks round a chunk up) ends there; a chunk whose
  // time does not move on from the one before follows it.
  const int64_t rate = plan_.sound ? plan_.sound->samplesPerSecond : 1;
  std::vector<PlannedPacket> chunks;
  chunks.reserve(sound_.size());
  for (const PendingSound& chunk : sound_) {
    const int64_t due = ((chunk.timeMs - plan_.originMs) * rate + 500) / 1000;
    int64_t start = due;
    if (!chunks.empty()) {
      PlannedPacket& before = chunks.back();
      if (due <= before.pts) {
        start = before.pts + before.duration;
      } else if (due < before.pts + before.duration) {
        before.duration = due - before.pts;
      }
    }
    chunks.push_back(PlannedPacket{chunk.record, true, start, chunk.samples});
  }
  plan_.soundChunks = static_cast<uint32_t>(chunks.size());

  struct Keyed {
    int64_t ms;
    PlannedPacket packet;
  };
  std::vector<Keyed> all;
  all.reserve(video_.size() + chunks.size());
  for (const PlannedPacket& frame : video_) all.push_back({frame.pts, frame});
  for (const PlannedPacket& chunk : chunks) all.push_back({chunk.pts * 1000 / rate, chunk});
  std::stable_sort(all.begin(), all.end(), [](const Keyed& a, const Keyed& b) { return a.ms < b.ms; });
  plan_.packets.reserve(all.size());
  for (const Keyed& keyed : all) plan_.packets.push_back(keyed.packet);
}

}  // namespace

bool PlanExport(CPlaybackController& source, uint32_t first, uint32_t last, ExportPlan* plan, std::string* error) {
  CPlanBuilder builder(source, *plan);
  if (builder.Run(first, last)) return true;
  *error = builder.Error();
  return false;
}

}  // namespace bv
