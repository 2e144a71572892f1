#pragma once
// Demo and test backups made with the project's own writer and encoders.
#include <cstdint>
#include <string>
#include <vector>

#include "base/format/backup_writer.h"
#include "base/format/index_record.h"

namespace bv {
class CWaveletEncoder;
}

namespace bv::samples {

// The title header of the demos' video records.
inline constexpr char kDemoCameraTitle[] = "CAM 01 ENTRANCE";
inline constexpr char kDemoLocation[] = "1F EAST GATE";

// Recording time of frame i at a steady rate, from a fixed start
// (2026-03-14 19:30:00.000).
INDEX_RECORD RecordTimeAt(int frame, int framesPerSecond, uint8_t camera = 0, uint8_t type = 0);

struct MjpgBackupOptions {
  int frames = 100;
  int width = 352;
  int height = 240;
  int framesPerSecond = 10;
  int quality = 80;
  uint32_t version = 7;
  uint8_t camera = 0;
};

// The camera information of the demo backups.
CAMERA_INFO DemoCameraInfo(uint8_t cameraNumber = 0);

// MJPG frames of the moving test picture, each with its frame counter.
CBackupWriter MakeMjpgBackup(const MjpgBackupOptions& options);

struct WaveletBackupOptions {
  int frames = 100;
  int width = 352;
  int height = 288;
  int framesPerSecond = 10;
  int quality = 60;
  int keyFrameInterval = 25;
  uint32_t version = 7;
  uint8_t camera = 0;
};

// Wavelet frames of the moving test picture: a key frame (0xA0) every
// keyFrameInterval frames, delta frames (0xA1, 0xA2) between them.
CBackupWriter MakeWaveletBackup(const WaveletBackupOptions& options);

// The Wavelet payload of one picture (24-bit R, G, B rows), with the
// picture's number in bytes 0..2: recorders write anything there, and so do
// these samples. Empty when the encoder refuses it.
std::vector<uint8_t> MakeWaveletPayload(CWaveletEncoder& encoder, const uint8_t* rgb, int width, int height,
                                        bool key, int number);

// What may differ from the demo backups' own settings: 0 keeps a demo's own.
struct DemoBackupOptions {
  int keyFrameInterval = 0;  // Wavelet and MPEG-4
  int frames = 0;            // MJPG, Wavelet and MPEG-4
  int width = 0;             // MJPG, Wavelet and MPEG-4, with height
  int height = 0;
};

// Writes the demo backups, with their hall event files beside them, into
// directory (created if missing). Returns the paths written; on failure an
// empty list and the reason in error.
std::vector<std::string> WriteDemoBackups(const std::string& directory, std::string* error,
                                          const DemoBackupOptions& options = {});

}  // namespace bv::samples
