#include "outputs/video_export.h"

#include <span>
#include <vector>

#include "base/format/camera_info.h"
#include "base/format/codec_table.h"
#include "base/format/pair_files.h"
#include "base/platform/legacy_text.h"
#include "base/platform/partial_output_file.h"
#include "base/platform/string_printf.h"
#include "base/platform/system_dirs.h"
#include "outputs/export_sound.h"
#include "outputs/lossless_picture_encoder.h"
#include "outputs/matroska_writer.h"
#include "outputs/mpeg4_stream_head.h"
#include "outputs/record_clock.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"

namespace bv {
namespace {

constexpr uint32_t kMjpgHeaderSize = 40;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class CVideoExport {
 public:
  explicit CVideoExport(const VideoExportRequest& request) : request_(request) {}
  VideoExportResult Run(const VideoExportProgress& progress);

 private:
  bool OpenSource();
  bool CheckOutputPath();
  bool StartFile();
  void TagFile();
  bool WritePackets(const VideoExportProgress& progress);
  bool WriteVideo(const PlannedPacket& packet);
  bool CheckMpeg4Picture(uint32_t record, const uint8_t* payload, std::span<const uint8_t> stream);
  bool WriteSound(const PlannedPacket& packet);
  bool Fail(std::string why) {
    result_.error = std::move(why);
    return false;
  }

  const VideoExportRequest& request_;
  CHeadlessHost host_;
  CPlaybackController source_{host_};
  ExportPlan plan_;
  CPartialOutputFile partial_;
  CMatroskaWriter writer_;
  CLosslessPictureEncoder encoder_;
  CExportSound sound_{source_.Engine()};
  int videoStream_ = -1;
  int soundStream_ = -1;
  std::vector<uint8_t> buffer_;
  VideoExportResult result_;
};

VideoExportResult CVideoExport::Run(const VideoExportProgress& progress) {
  if (!CheckOutputPath() || !OpenSource()) return result_;
  const uint32_t count = source_.Count();
  const uint32_t first = request_.first.value_or(0);
  const uint32_t last = request_.last.value_or(count > 0 ? count - 1 : 0);
  std::string why;
  if (!PlanExport(source_, first, last, &plan_, &why)) {
    Fail(why);
    return result_;
  }
  if (!StartFile() || !WritePackets(progress)) {
    partial_.Discard();
    return result_;
  }
  if (!writer_.Finish()) {
    Fail(writer_.Error());
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

bool CVideoExport::CheckOutputPath() {
  if (request_.outputPath.empty()) return Fail("no output file was named");
  // Renaming over the backup would destroy the very recording exported.
  bool same = IsSameFile(request_.outputPath, request_.backupPath);
  if (request_.oldPair && request_.backupPath.size() >= 4) {
    same = same || IsSameFile(request_.outputPath, PairDataFile(request_.backupPath));
  }
  if (same) return Fail("the export would replace the backup itself: " + request_.outputPath);
  return true;
}

bool CVideoExport::OpenSource() {
  host_.SetMessageSink(nullptr);
  // As the viewer's start-up does, before anything is shown.
  source_.Engine().CreateDecoders();
  source_.SetSelfContained(request_.selfContained);
  if (source_.OpenBackup(request_.backupPath, request_.oldPair)) return true;
  const std::vector<std::string> messages = host_.Messages();
  return Fail(messages.empty() ? "cannot open " + request_.backupPath
                               : messages.back() + ": " + request_.backupPath);
}

bool CVideoExport::StartFile() {
  if (!partial_.Create(request_.outputPath)) return Fail("cannot write " + request_.outputPath);
  if (!writer_.Open(partial_.Path())) return Fail(writer_.Error() + ": " + request_.outputPath);

  switch (plan_.video) {
    case ExportVideoKind::kMjpgCopy:
    case ExportVideoKind::kMpeg4Copy: {
      const bool mpeg4 = plan_.video == ExportVideoKind::kMpeg4Copy;
      videoStream_ = writer_.AddCopiedVideo(mpeg4, plan_.width, plan_.height, plan_.mpeg4Config);
      result_.videoCodec = mpeg4 ? "mpeg4" : "mjpeg";
      result_.videoCopied = true;
      break;
    }
    case ExportVideoKind::kWaveletLossless:
      if (!encoder_.Open(plan_.width, plan_.height, true)) return Fail(encoder_.Error());
      videoStream_ = writer_.AddEncodedVideo(encoder_.Parameters());
      result_.videoCodec = CLosslessPictureEncoder::CodecName();
      break;
  }
  if (plan_.sound) {
    soundStream_ = writer_.AddPcmSound(plan_.sound->samplesPerSecond, plan_.sound->bitsPerSample,
                                       plan_.sound->channels);
  }
  if (videoStream_ < 0 || (plan_.sound && soundStream_ < 0)) return Fail("cannot describe the streams");
  TagFile();
  if (!writer_.WriteHeader()) return Fail(writer_.Error());

  result_.first = plan_.first;
  result_.last = plan_.last;
  result_.videoFrames = plan_.videoFrames;
  result_.soundChunks = plan_.soundChunks;
  result_.sound = plan_.sound;
  result_.recordedFrom = FormatRecordTime(plan_.earliest);
  result_.recordedTo = FormatRecordTime(plan_.latest);
  return true;
}

// Which camera, where, and when, as the recorder's clock tells it (its local
// time: the backup names no zone, so no UTC date is claimed).
void CVideoExport::TagFile() {
  const CPlaybackEngine& engine = source_.Engine();
  const CAMERA_INFO& camera = engine.CameraInfo();
  const std::string title = plan_.cameraTitle.empty() ? StringPrintf("Camera %d", camera.number + 1)
                                                      : plan_.cameraTitle;
  const std::string from = FormatRecordTime(plan_.earliest);
  const std::string to = FormatRecordTime(plan_.latest);
  writer_.SetTag("title", title);
  writer_.SetStreamTag(videoStream_, "title", title);
  writer_.SetTag("CAMERA", StringPrintf("%s (%d)", LegacyTextToUtf8(FieldText(camera.name)).c_str(),
                                        camera.number + 1));
  const std::pair<const char*, std::string> texts[] = {
      {"LOCATION", plan_.location},
      {"ORGANIZATION", LegacyTextToUtf8(FieldText(camera.organization))},
      {"OWNER", LegacyTextToUtf8(FieldText(camera.owner))},
  };
  for (const auto& [key, value] : texts) {
    if (!value.empty()) writer_.SetTag(key, value);
  }
  writer_.SetTag("DATE_RECORDED", from);
  writer_.SetTag("DATE_RECORDED_END", to);
  writer_.SetTag("comment", "Recorded " + from + " to " + to + " (the recorder's clock)");
  writer_.SetTag("SOURCE_FILE", BaseName(request_.backupPath));
  writer_.SetTag("SOURCE_RECORDS", StringPrintf("%u..%u of %u", plan_.first, plan_.last, source_.Count()));
}

bool CVideoExport::WritePackets(const VideoExportProgress& progress) {
  const uint32_t total = static_cast<uint32_t>(plan_.packets.size());
  for (uint32_t done = 0; done < total; ++done) {
    if (progress && !progress(done, total)) {
      result_.cancelled = true;
      return Fail("the export was cancelled");
    }
    const PlannedPacket& packet = plan_.packets[done];
    if (!(packet.audio ? WriteSound(packet) : WriteVideo(packet))) return false;
    const int64_t end = packet.audio ? (packet.pts + packet.duration) * 1000 / plan_.sound->samplesPerSecond
                                     : packet.pts + packet.duration;
    result_.durationMs = std::max(result_.durationMs, end);
  }
  if (progress && !progress(total, total)) {
    result_.cancelled = true;
    return Fail("the export was cancelled");
  }
  return true;
}

bool CVideoExport::WriteVideo(const PlannedPacket& packet) {
  CPlaybackEngine& engine = source_.Engine();
  if (!engine.ReadVideoRecord(source_.Index()[packet.record])) {
    return Fail(StringPrintf("record %u cannot be read", packet.record));
  }
  const uint8_t* payload = engine.ReadBuffer();
  const uint32_t size = engine.PayloadSize();
  std::span<const uint8_t> data;
  bool keyFrame = true;
  switch (plan_.video) {
    case ExportVideoKind::kMjpgCopy:
      // The JPEG data after the bitmap header, as it is stored.
      data = std::span<const uint8_t>(payload + kMjpgHeaderSize, size - kMjpgHeaderSize);
      break;
    case ExportVideoKind::kMpeg4Copy:
      // The elementary stream after the prefix, as it is stored.
      data = CodedPictureOf(payload, size);
      if (!CheckMpeg4Picture(packet.record, payload, data)) return false;
      keyFrame = engine.IsKeyFrame();
      break;
    case ExportVideoKind::kWaveletLossless: {
      int width = 0;
      int height = 0;
      engine.GetPictureSize(&width, &height);
      engine.SetPictureSize(width, height);
      if (!engine.DecodePayload(kCodecWavelet, true)) {
        return Fail(StringPrintf("record %u: the Wavelet decoder (%s in %s) refused the frame", packet.record,
                                 CodecInfo(kCodecWavelet).moduleFile, SystemDirectory().c_str()));
      }
      if (!encoder_.Encode(engine.DisplayPointer(), &buffer_)) return Fail(encoder_.Error());
      data = buffer_;
      break;
    }
  }
  if (!writer_.WritePacket(videoStream_, data, packet.pts, packet.duration, keyFrame)) return Fail(writer_.Error());
  return true;
}

// The file's timing comes from the records, so pictures shown out of coding
// order (B-pictures) and records without a picture are refused.
bool CVideoExport::CheckMpeg4Picture(uint32_t record, const uint8_t* payload, std::span<const uint8_t> stream) {
  const Mpeg4StreamHead head = ScanMpeg4StreamHead(stream);
  const bool key = IsKeyFrame(payload);
  switch (head.pictureType) {
    case Mpeg4PictureType::kNone:
      return Fail(StringPrintf("record %u holds no MPEG-4 picture", record));
    case Mpeg4PictureType::kBidirectional:
      return Fail(StringPrintf("record %u holds a B-picture, which cannot be timed by its record", record));
    case Mpeg4PictureType::kIntra:
      break;
    case Mpeg4PictureType::kPredicted:
    case Mpeg4PictureType::kSprite:
      if (key) return Fail(StringPrintf("record %u is marked as a key frame but holds no intra picture", record));
      break;
  }
  return true;
}

bool CVideoExport::WriteSound(const PlannedPacket& packet) {
  std::string why;
  if (!sound_.Decode(packet.record, source_.Index()[packet.record], &buffer_, &why)) return Fail(why);
  const ExportSoundFormat& format = *plan_.sound;
  // The plan may end a chunk early, where the next one starts.
  const uint64_t bytes = static_cast<uint64_t>(packet.duration) * (format.bitsPerSample / 8) * format.channels;
  if (buffer_.size() < bytes) return Fail(StringPrintf("record %u: its sound cannot be decoded", packet.record));
  buffer_.resize(bytes);
  if (!writer_.WritePacket(soundStream_, buffer_, packet.pts, packet.duration, true)) return Fail(writer_.Error());
  return true;
}

}  // namespace

VideoExportResult ExportVideo(const VideoExportRequest& request, const VideoExportProgress& progress) {
  CVideoExport exporter(request);
  return exporter.Run(progress);
}

}  // namespace bv
