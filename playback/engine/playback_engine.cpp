#include "playback/engine/playback_engine.h"

#include <algorithm>
#include <cstring>

#include "base/format/backup_constants.h"
#include "base/format/codec_table.h"
#include "base/format/frame_record.h"
#include "base/host/control_ids.h"
#include "base/platform/string_printf.h"
#include "playback/engine/playback_controller.h"

namespace bv {
namespace {

// Frame delay in milliseconds by delay step (20 - speed slider position).
constexpr uint32_t kFrameDelays[20] = {1,  1,  3,  7,   10,  13,  16,  20,  24,  28,
                                       30, 50, 70, 100, 140, 190, 250, 320, 400, 500};

}  // namespace

CPlaybackEngine::CPlaybackEngine()
    : readBuffer_(std::make_unique<uint8_t[]>(kPictureBufferSize)),
      decoderOutput_(std::make_unique<uint8_t[]>(kPictureBufferSize)),
      presentation_(std::make_unique<uint8_t[]>(kPictureBufferSize)),
      stillPixels_(std::make_unique<uint8_t[]>(kStillPixelBufferSize)),
      composition_(std::make_unique<uint8_t[]>(kPictureBufferSize)) {}

CPlaybackEngine::~CPlaybackEngine() = default;

bool CPlaybackEngine::OpenDataFile(const std::string& path, bool oldFormat) {
  CDataFile file;
  if (!file.Open(path)) {
    owner_->Host().ShowMessage(kSaveError);
    return false;
  }
  dataFile_ = std::move(file);
  owner_->ClearActivePicture();
  ForgetKeptPictures();
  // Another backup's camera must never be named over these pictures.
  cameraTitle_.clear();
  location_.clear();

  camera_ = CameraInfoBlock{};
  const uint64_t length = dataFile_.Length();
  const uint64_t tail = oldFormat ? kOldPairTailOffset : kContainerTailOffset;
  // Short reads leave the fields zero, as they were.
  uint8_t words[8] = {};
  if (length >= tail && dataFile_.ReadExactAt(length - tail, words, sizeof words)) {
    camera_.version = ReadU32LE(words);
    camera_.infoLen = ReadU32LE(words + 4);
  }
  // The block holds 343 bytes; a longer infoLen is read only that far, so
  // the fields keep their terminators within their widths.
  const uint64_t infoBytes = std::min<uint64_t>(camera_.infoLen, CAMERA_INFO::kSize);
  if (length >= tail + camera_.infoLen) {
    dataFile_.ReadAt(length - tail - camera_.infoLen, &camera_.info, infoBytes);
  }
  owner_->Host().SetEditText(IDC_LOCATION, FieldText(camera_.info.location));

  frameBase_ = oldFormat ? 0 : static_cast<uint64_t>(owner_->IndexLength()) + owner_->IndexBase();
  return true;
}

bool CPlaybackEngine::IsVideoRecordReadable(const INDEX_RECORD& record) const {
  const uint64_t headerBytes = 2ull * TitleFieldWidth(camera_.version);
  return record.size <= kPictureBufferSize &&
         dataFile_.Contains(frameBase_ + record.offset, headerBytes + record.size);
}

bool CPlaybackEngine::ReadPayloadAt(uint64_t position, uint32_t size) {
  if (size > kPictureBufferSize || !dataFile_.Contains(position, size)) return false;
  if (!dataFile_.ReadExactAt(position, readBuffer_.get(), size)) return false;
  payloadSize_ = size;
  // A payload shorter than the headers the codec table reads must not show
  // bytes of an earlier record there.
  const uint32_t clear = std::min<uint32_t>(kPayloadHeadSize, kPictureBufferSize - size);
  std::memset(readBuffer_.get() + size, 0, clear);
  return true;
}

bool CPlaybackEngine::ReadVideoRecord(const INDEX_RECORD& record) {
  if (!IsVideoRecordReadable(record)) return false;
  const uint64_t position = frameBase_ + record.offset;
  const uint32_t width = TitleFieldWidth(camera_.version);
  if (width > 0) {
    uint8_t header[64] = {};
    if (!dataFile_.ReadExactAt(position, header, 2 * width)) return false;
    cameraTitle_ = TitleFieldText(header, width);
    location_ = TitleFieldText(header + width, width);
  } else {
    // Records of old backups carry no title.
    cameraTitle_.clear();
    location_.clear();
  }
  return ReadPayloadAt(position + 2 * width, record.size);
}

bool CPlaybackEngine::ReadPayloadDirect(const INDEX_RECORD& record) {
  return ReadPayloadAt(frameBase_ + record.offset + HeaderSkip(camera_.version), record.size);
}

bool CPlaybackEngine::ReadKindByte(const INDEX_RECORD& record, uint8_t* kind) const {
  return dataFile_.ReadExactAt(frameBase_ + record.offset + HeaderSkip(camera_.version) + 3, kind, 1);
}

bool CPlaybackEngine::ReadAudioHeader(const INDEX_RECORD& record, AUDIO_HEADER* header) const {
  uint8_t bytes[AUDIO_HEADER::kSize];
  if (!dataFile_.ReadExactAt(frameBase_ + record.offset, bytes, sizeof bytes)) return false;
  *header = AUDIO_HEADER::FromBytes(bytes);
  return true;
}

bool CPlaybackEngine::ReadAudioSamples(const INDEX_RECORD& record, uint8_t* samples, uint32_t size) const {
  return dataFile_.ReadExactAt(frameBase_ + record.offset + AUDIO_HEADER::kSize, samples, size);
}

bool CPlaybackEngine::ReadRecordHead(const INDEX_RECORD& record, std::string* cameraTitle,
                                     std::string* location, uint8_t* head) const {
  std::memset(head, 0, kPayloadHeadSize);
  if (!IsVideoRecordReadable(record)) return false;
  const uint64_t position = frameBase_ + record.offset;
  const uint32_t width = TitleFieldWidth(camera_.version);
  uint8_t header[64] = {};
  if (width > 0 && !dataFile_.ReadExactAt(position, header, 2 * width)) return false;
  *cameraTitle = TitleFieldText(header, width);
  *location = TitleFieldText(header + width, width);
  const uint32_t headBytes = std::min<uint32_t>(record.size, kPayloadHeadSize);
  return dataFile_.ReadExactAt(position + 2 * width, head, headBytes);
}

int CPlaybackEngine::GetCodecType() const { return bv::GetCodecType(readBuffer_.get()); }
bool CPlaybackEngine::IsKeyFrame() const { return bv::IsKeyFrame(readBuffer_.get()); }
void CPlaybackEngine::GetPictureSize(int* width, int* height) const {
  bv::GetPictureSize(readBuffer_.get(), width, height);
}

bool CPlaybackEngine::DisplayRecord(const INDEX_RECORD& record) {
  dateText_ = StringPrintf("%02d-%02d-%04d, %02d:%02d:%02d", record.month, record.day, record.year,
                           record.hour, record.minute, record.second);
  sizeText_ = StringPrintf("%3.2f KB", record.size * 0.0009765625);
  mode_ = kModeBackup;
  displayed_ = record;
  pictureDecoded_ = false;
  lastDecodeConcealed_ = false;
  SyncToRecordTime(record);

  if (record.IsAudio()) return true;

  // A record the buffers cannot hold is not shown; the picture stays.
  if (!ReadVideoRecord(record)) return false;
  IViewerHost& host = owner_->Host();
  if (camera_.version >= 3) {
    host.SetEditText(IDC_CAMERA_TITLE,
                     StringPrintf(" %s (%d)", cameraTitle_.c_str(), camera_.info.number + 1));
    host.SetEditText(IDC_LOCATION, StringPrintf(" %s", location_.c_str()));
  }
  const int codec = GetCodecType();
  host.SetEditText(IDC_CODEC_NAME, CodecInfo(codec).shownName);
  // A delta frame shown out of sequence needs the frames before it.
  const PictureSource source = PrepareShownPicture(codec);
  if (source == PictureSource::kRefused) return false;

  int width = 0;
  int height = 0;
  GetPictureSize(&width, &height);
  SetPictureSize(width, height);
  dimensionText_ = StringPrintf(" %d x %d", width, height);
  host.SetEditText(IDC_PICTURE_SIZE, dimensionText_);
  if (width > kMaxPictureWidth || height > kMaxPictureHeight) return false;
  const uint64_t producedBefore = decodedPictures_ + kept_.ShownCount();
  DecodeShownPicture(codec, !overlay_, source);
  pictureDecoded_ = decodedPictures_ + kept_.ShownCount() > producedBefore;
  RewriteInputHeaderForDisplay();

  // The hall event drawn over this frame.
  LookUpHallEvent(record);

  ShowDecodedPicture();
  return true;
}

uint32_t CPlaybackEngine::DelayForStep(int delayStep) {
  return kFrameDelays[std::clamp(delayStep, 0, 19)];
}

void CPlaybackEngine::SetFrameDelay(int delayStep) {
  if (delayStep < 0 || delayStep > 19) return;
  frameDelay_ = kFrameDelays[delayStep];
}

void CPlaybackEngine::SetDisplayMode(bool overlay) {
  overlay_ = overlay;
  ShowDecoded(DecodedPicture{});
  owner_->Host().SelectVideoWindow(overlay);
  owner_->ResetViewer();
  // Kept pictures are in the other presentation's format, of a closed backup.
  ForgetKeptPictures();
}

}  // namespace bv
