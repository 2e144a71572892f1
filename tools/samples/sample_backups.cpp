#include "tools/samples/sample_backups.h"

#include <cstring>
#include <filesystem>

#include "codecs/wavelet/wavelet_encoder.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/mpeg4_backup.h"
#include "tools/samples/sample_events.h"
#include "tools/samples/sound_backup.h"
#include "tools/samples/test_picture.h"

namespace bv::samples {

INDEX_RECORD RecordTimeAt(int frame, int framesPerSecond, uint8_t camera, uint8_t type) {
  const int64_t ms = static_cast<int64_t>(frame) * 1000 / framesPerSecond;
  const int64_t seconds = 19 * 3600 + 30 * 60 + ms / 1000;
  INDEX_RECORD r{};
  r.year = 2026;
  r.month = 3;
  r.day = 14;
  r.hour = static_cast<uint16_t>((seconds / 3600) % 24);
  r.minute = static_cast<uint16_t>((seconds / 60) % 60);
  r.second = static_cast<uint16_t>(seconds % 60);
  r.millisecond = static_cast<uint16_t>(ms % 1000);
  r.camera = camera;
  r.type = type;
  return r;
}

CAMERA_INFO DemoCameraInfo(uint8_t cameraNumber) {
  CAMERA_INFO info;
  info.number = cameraNumber;
  std::strncpy(info.name, "Entrance", sizeof info.name - 1);
  std::strncpy(info.location, "Hall 1 East Gate", sizeof info.location - 1);
  std::strncpy(info.organization, "Sample Hall", sizeof info.organization - 1);
  std::strncpy(info.owner, "Backup Viewer demo", sizeof info.owner - 1);
  return info;
}

CBackupWriter MakeMjpgBackup(const MjpgBackupOptions& options) {
  CBackupWriter writer(options.version, DemoCameraInfo(options.camera));
  for (int i = 0; i < options.frames; ++i) {
    const RgbPicture picture = MakeTestPicture(options.width, options.height, i);
    writer.AddVideoFrame(RecordTimeAt(i, options.framesPerSecond, options.camera), kDemoCameraTitle, kDemoLocation,
                         MakeMjpgPayload(picture, options.quality));
  }
  return writer;
}

CBackupWriter MakeWaveletBackup(const WaveletBackupOptions& options) {
  CBackupWriter writer(options.version, DemoCameraInfo(options.camera));
  CWaveletEncoder encoder(options.quality);
  for (int i = 0; i < options.frames; ++i) {
    const RgbPicture picture = MakeTestPicture(options.width, options.height, i);
    const bool key = options.keyFrameInterval <= 1 || i % options.keyFrameInterval == 0;
    writer.AddVideoFrame(RecordTimeAt(i, options.framesPerSecond, options.camera), kDemoCameraTitle, kDemoLocation,
                         MakeWaveletPayload(encoder, picture.pixels.data(), picture.width, picture.height, key, i));
  }
  return writer;
}

std::vector<uint8_t> MakeWaveletPayload(CWaveletEncoder& encoder, const uint8_t* rgb, int width, int height,
                                        bool key, int number) {
  std::vector<uint8_t> payload = encoder.Encode(rgb, width, height, width * 3, key);
  // The encoder writes the coded length into bytes 0..2.
  if (payload.size() >= 3) {
    payload[0] = static_cast<uint8_t>(number >> 16);
    payload[1] = static_cast<uint8_t>(number >> 8);
    payload[2] = static_cast<uint8_t>(number);
  }
  return payload;
}

namespace {

// The demo's own setting unless the options give another.
void Override(int* setting, int value) {
  if (value > 0) *setting = value;
}

template <typename Options>
Options DemoSettings(const DemoBackupOptions& demo) {
  Options options;
  Override(&options.frames, demo.frames);
  if (demo.width > 0 && demo.height > 0) {
    options.width = demo.width;
    options.height = demo.height;
  }
  return options;
}

}  // namespace

std::vector<std::string> WriteDemoBackups(const std::string& directory, std::string* error,
                                          const DemoBackupOptions& demo) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) {
    *error = "cannot create " + directory + ": " + ec.message();
    return {};
  }
  const std::string mjpg = directory + "/demo-mjpg.zrv";
  if (!MakeMjpgBackup(DemoSettings<MjpgBackupOptions>(demo)).WriteContainer(mjpg)) {
    *error = "cannot write " + mjpg;
    return {};
  }
  const std::string wavelet = directory + "/demo-wavelet.zrv";
  auto waveletOptions = DemoSettings<WaveletBackupOptions>(demo);
  Override(&waveletOptions.keyFrameInterval, demo.keyFrameInterval);
  if (!MakeWaveletBackup(waveletOptions).WriteContainer(wavelet)) {
    *error = "cannot write " + wavelet;
    return {};
  }
  const std::string mpeg4 = directory + "/demo-mpeg4.zrv";
  auto mpeg4Options = DemoSettings<Mpeg4BackupOptions>(demo);
  Override(&mpeg4Options.keyFrameInterval, demo.keyFrameInterval);
  const CBackupWriter mpeg4Backup = MakeMpeg4Backup(mpeg4Options);
  if (mpeg4Backup.Count() == 0 || !mpeg4Backup.WriteContainer(mpeg4)) {
    *error = "cannot write " + mpeg4;
    return {};
  }
  const std::string sound = directory + "/demo-sound.zrv";
  if (!MakeSoundBackup(SoundBackupOptions{}).writer.WriteContainer(sound)) {
    *error = "cannot write " + sound;
    return {};
  }
  std::vector<std::string> written = {mjpg, wavelet, mpeg4, sound};
  const std::vector<std::string> events = WriteDemoEventFiles(directory, error);
  if (events.empty()) return {};
  written.insert(written.end(), events.begin(), events.end());
  return written;
}

}  // namespace bv::samples
