#include "outputs/presentation_export.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "base/format/audio_header.h"
#include "base/format/camera_info.h"
#include "base/format/codec_table.h"
#include "base/platform/legacy_text.h"
#include "base/platform/partial_output_file.h"
#include "base/platform/string_printf.h"
#include "base/platform/system_dirs.h"
#include "codecs/base_acm.h"
#include "outputs/aac_sound_encoder.h"
#include "outputs/export_sound.h"
#include "outputs/h264_picture_encoder.h"
#include "outputs/mp4_writer.h"
#include "outputs/presentation_sound.h"
#include "outputs/presentation_timeline.h"
#include "outputs/record_clock.h"
#include "playback/engine/playback_controller.h"
#include "playback/sound/wave_out_stream.h"

namespace bv {
namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The formats the viewer's audio path plays; others it passes over.
bool IsPlayableSound(const AUDIO_HEADER& header) {
  const uint32_t rate = header.samplesPerSecond;
  const uint32_t bits = header.bitsPerSample;
  if (header.channels < 1 || header.channels > 2 || (bits != 8 && bits != 16)) return false;
  return rate >= CWaveOutStream::kBlocksPerSecond &&
         uint64_t{rate} * (bits / 8) <= uint64_t{CWaveOutStream::kMaxBlockBytes} * CWaveOutStream::kBlocksPerSecond;
}

// GSM 6.10 decodes to one channel.
PcmFormat PcmFormatOf(const AUDIO_HEADER& header) {
  return PcmFormat{header.samplesPerSecond, header.bitsPerSample, header.compression != 0 ? 1 : header.channels};
}

class CPresentationExport {
 public:
  explicit CPresentationExport(const PresentationRequest& request) : request_(request) {}
  PresentationResult Run(const PresentationProgress& progress);

 private:
  bool CheckOutputPath();
  bool FindVideoSize();
  void FindSoundFormat();
  bool StartFile();
  void TagFile();
  bool WriteRecords(const PresentationProgress& progress);
  bool WritePicture(const ShownFrame& shown, const PresentationPicture& timing);
  bool WriteSound(uint32_t record, int64_t dueMs);
  bool FinishFile();
  bool Fail(std::string why) {
    result_.error = std::move(why);
    return false;
  }
  bool Cancelled() {
    result_.cancelled = true;
    return Fail("the export was cancelled");
  }

  const PresentationRequest& request_;
  CFrameWalk walk_;
  PresentationTimeline timeline_;
  QSize videoSize_;
  std::string cameraTitle_;
  std::string location_;
  std::optional<PcmFormat> soundFormat_;

  CPartialOutputFile partial_;
  CMp4Writer writer_;
  CH264PictureEncoder video_;
  CAacSoundEncoder soundEncoder_;
  std::unique_ptr<CPresentationSound> sound_;
  std::unique_ptr<CPresentationPicture> picture_;
  std::unique_ptr<CExportSound> soundDecoder_;
  std::vector<uint8_t> pcm_;
  int videoStream_ = -1;
  int soundStream_ = -1;
  PresentationResult result_;
};

PresentationResult CPresentationExport::Run(const PresentationProgress& progress) {
  std::string why;
  if (!CheckOutputPath()) return result_;
  if (!walk_.Open(request_.source, &why)) {
    Fail(why);
    return result_;
  }
  const uint32_t count = walk_.Count();
  const uint32_t first = request_.first.value_or(0);
  const uint32_t last = request_.last.value_or(count > 0 ? count - 1 : 0);
  if (!PlanPresentation(walk_.Index(), walk_.Engine().Version(), first, last, &timeline_, &why)) {
    Fail(why);
    return result_;
  }
  if (!FindVideoSize()) return result_;
  FindSoundFormat();
  if (!StartFile() || !WriteRecords(progress) || !FinishFile()) {
    partial_.Discard();
    return result_;
  }
  if (!partial_.Commit()) {
    Fail("cannot write " + request_.outputPath);
    return result_;
  }
  result_.ok = true;
  return result_;
}

bool CPresentationExport::CheckOutputPath() {
  const std::string& backup = request_.source.path;
  if (request_.outputPath.empty()) return Fail("no output file was named");
  // Renaming over the backup would destroy the very recording exported.
  bool same = IsSameFile(request_.outputPath, backup);
  if (request_.source.oldPair && backup.size() >= 4) {
    same = same || IsSameFile(request_.outputPath, backup.substr(0, backup.size() - 4) + ".sav");
  }
  if (same) return Fail("the export would replace the backup itself: " + request_.outputPath);
  return true;
}

// The video takes the size of the first picture the records announce; a
// picture of another size is stretched to it, as the window stretches it.
bool CPresentationExport::FindVideoSize() {
  const CPlaybackEngine& engine = walk_.Engine();
  for (const PresentationPicture& picture : timeline_.pictures) {
    uint8_t head[kPayloadHeadSize];
    std::string title;
    std::string location;
    if (!engine.ReadRecordHead(walk_.Index()[picture.record], &title, &location, head)) continue;
    int width = 0;
    int height = 0;
    GetPictureSize(head, &width, &height);
    if (width < 1 || height < 1 || width > kMaxPictureWidth || height > kMaxPictureHeight) continue;
    videoSize_ = CPresentationPicture::VideoSizeFor(width, height);
    const CAMERA_INFO& camera = engine.CameraInfo();
    cameraTitle_ = LegacyTextToUtf8(engine.Version() >= 3 ? title : FieldText(camera.name));
    location_ = LegacyTextToUtf8(engine.Version() >= 3 ? location : FieldText(camera.location));
    return true;
  }
  return Fail(StringPrintf("records %u..%u hold no picture the viewer can show", timeline_.first, timeline_.last));
}

// The sound track takes the format of the first chunk the viewer would play.
void CPresentationExport::FindSoundFormat() {
  const CPlaybackEngine& engine = walk_.Engine();
  for (const PresentationSoundChunk& chunk : timeline_.sound) {
    AUDIO_HEADER header;
    if (!engine.ReadAudioHeader(walk_.Index()[chunk.record], &header) || !IsPlayableSound(header)) continue;
    soundFormat_ = PcmFormatOf(header);
    return;
  }
}

bool CPresentationExport::StartFile() {
  if (!partial_.Create(request_.outputPath)) return Fail("cannot write " + request_.outputPath);
  if (!writer_.Open(partial_.Path())) return Fail(writer_.Error() + ": " + request_.outputPath);
  const bool global = writer_.NeedsGlobalHeaders();
  const double seconds = std::max<int64_t>(timeline_.EndMs(), 1) / 1000.0;
  if (!video_.Open(videoSize_.width(), videoSize_.height(), timeline_.pictures.size() / seconds, global)) {
    return Fail(video_.Error());
  }
  videoStream_ = writer_.AddStream(video_.Parameters(), 1, 1000);
  if (soundFormat_) {
    const uint32_t rate = CAacSoundEncoder::AacSampleRate(soundFormat_->samplesPerSecond);
    if (!soundEncoder_.Open(rate, soundFormat_->channels, global)) return Fail(soundEncoder_.Error());
    soundStream_ = writer_.AddStream(soundEncoder_.Parameters(), 1, static_cast<int>(rate));
    sound_ = std::make_unique<CPresentationSound>(soundEncoder_, rate, soundFormat_->channels,
                                                  [this](AVPacket* packet) {
                                                    return writer_.WritePacket(soundStream_, packet);
                                                  });
    soundDecoder_ = std::make_unique<CExportSound>(walk_.Engine());
    result_.soundRate = rate;
    result_.soundChannels = soundFormat_->channels;
  }
  if (videoStream_ < 0 || (soundFormat_ && soundStream_ < 0)) return Fail("cannot describe the streams");
  TagFile();
  if (!writer_.WriteHeader()) return Fail(writer_.Error());
  picture_ = std::make_unique<CPresentationPicture>(videoSize_, request_.items);

  result_.first = timeline_.first;
  result_.last = timeline_.last;
  result_.width = videoSize_.width();
  result_.height = videoSize_.height();
  result_.recordedFrom = FormatRecordTime(timeline_.earliest);
  result_.recordedTo = FormatRecordTime(timeline_.latest);
  return true;
}

// Which camera, where, and when, as the recorder's clock tells it (its local
// time: the backup names no zone, so no UTC date is claimed).
void CPresentationExport::TagFile() {
  const CAMERA_INFO& camera = walk_.Engine().CameraInfo();
  const std::string from = FormatRecordTime(timeline_.earliest);
  const std::string to = FormatRecordTime(timeline_.latest);
  writer_.SetTag("title", cameraTitle_.empty() ? StringPrintf("Camera %d", camera.number + 1) : cameraTitle_);
  writer_.SetTag("camera",
                 StringPrintf("%s (%d)", LegacyTextToUtf8(FieldText(camera.name)).c_str(), camera.number + 1));
  const std::pair<const char*, std::string> texts[] = {
      {"camera_location", location_},
      {"organization", LegacyTextToUtf8(FieldText(camera.organization))},
      {"owner", LegacyTextToUtf8(FieldText(camera.owner))},
  };
  for (const auto& [key, value] : texts) {
    if (!value.empty()) writer_.SetTag(key, value);
  }
  writer_.SetTag("recorded_from", from);
  writer_.SetTag("recorded_to", to);
  writer_.SetTag("comment", "Recorded " + from + " to " + to + " (the recorder's clock)");
  writer_.SetTag("source_file", BaseName(request_.source.path));
  writer_.SetTag("source_records",
                 StringPrintf("%u..%u of %u", timeline_.first, timeline_.last, walk_.Count()));
}

bool CPresentationExport::WriteRecords(const PresentationProgress& progress) {
  const uint32_t total = timeline_.last - timeline_.first + 1;
  size_t nextPicture = 0;
  size_t nextChunk = 0;
  // Before the first picture's time (sound recorded first) the window is
  // black.
  if (timeline_.pictures.front().pts > 0) {
    const QImage& black = picture_->Image();
    if (!video_.Encode(black.constBits(), static_cast<int>(black.bytesPerLine()), 0, timeline_.pictures.front().pts,
                       [this](AVPacket* packet) { return writer_.WritePacket(videoStream_, packet); })) {
      return Fail(video_.Error());
    }
  }
  for (uint32_t done = 0; done < total; ++done) {
    if (progress && !progress(done, total)) return Cancelled();
    const uint32_t record = timeline_.first + done;
    if (nextPicture < timeline_.pictures.size() && timeline_.pictures[nextPicture].record == record) {
      const ShownFrame& shown = walk_.Show(record);
      if (!WritePicture(shown, timeline_.pictures[nextPicture++])) return false;
    } else if (nextChunk < timeline_.sound.size() && timeline_.sound[nextChunk].record == record) {
      const int64_t due = timeline_.sound[nextChunk++].dueMs;
      if (sound_ && !WriteSound(record, due)) return false;
    }
  }
  if (progress && !progress(total, total)) return Cancelled();
  return true;
}

bool CPresentationExport::WritePicture(const ShownFrame& shown, const PresentationPicture& timing) {
  ++result_.pictures;
  if (!shown.decoded) ++result_.refusedPictures;
  if (shown.concealed) ++result_.concealedPictures;
  // A record the window was handed nothing for leaves what it showed.
  if (shown.shownNow) picture_->Compose(shown);
  const QImage& image = picture_->Image();
  if (!video_.Encode(image.constBits(), static_cast<int>(image.bytesPerLine()), timing.pts, timing.duration,
                     [this](AVPacket* packet) { return writer_.WritePacket(videoStream_, packet); })) {
    return Fail(video_.Error().empty() ? writer_.Error() : video_.Error());
  }
  result_.durationMs = std::max(result_.durationMs, timing.pts + timing.duration);
  return true;
}

bool CPresentationExport::WriteSound(uint32_t record, int64_t dueMs) {
  const INDEX_RECORD& index = walk_.Index()[record];
  AUDIO_HEADER header;
  if (!walk_.Engine().ReadAudioHeader(index, &header) || !IsPlayableSound(header)) {
    ++result_.soundChunksSkipped;
    return true;
  }
  std::string why;
  if (!soundDecoder_->Decode(record, index, &pcm_, &why)) {
    // Without the sound module no chunk of GSM sound can be decoded: that is
    // said, not passed over as silence.
    const kvr_base_acm::CBase_ACM* acm = walk_.Engine().AudioState().acm.get();
    if (header.compression != 0 && !(acm && acm->IsBound())) return Fail(why);
    // A damaged chunk is silence, as the viewer drops it.
    ++result_.soundChunksSkipped;
    return true;
  }
  if (!sound_->Add(dueMs, pcm_.data(), pcm_.size(), PcmFormatOf(header))) {
    return Fail(soundEncoder_.Error().empty() ? writer_.Error() : soundEncoder_.Error());
  }
  ++result_.soundChunks;
  return true;
}

bool CPresentationExport::FinishFile() {
  auto videoSink = [this](AVPacket* packet) { return writer_.WritePacket(videoStream_, packet); };
  if (!video_.Flush(videoSink)) return Fail(video_.Error().empty() ? writer_.Error() : video_.Error());
  if (sound_ && !sound_->Finish()) {
    return Fail(soundEncoder_.Error().empty() ? writer_.Error() : soundEncoder_.Error());
  }
  if (!writer_.Finish()) return Fail(writer_.Error());
  if (sound_) {
    result_.durationMs = std::max(result_.durationMs, sound_->Written() * 1000 / result_.soundRate);
  }
  return true;
}

}  // namespace

PresentationResult ExportPresentation(const PresentationRequest& request, const PresentationProgress& progress) {
  // The encoders' statistics are not the user's business; their warnings
  // and errors are.
  if (av_log_get_level() > AV_LOG_WARNING) av_log_set_level(AV_LOG_WARNING);
  CPresentationExport exporter(request);
  return exporter.Run(progress);
}

}  // namespace bv
