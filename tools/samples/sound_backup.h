#pragma once
// Backups with sound: audio-paced MJPG frames and, after the frames of each
// second, that second's audio records, the first seconds as PCM and the rest
// as GSM 6.10. The sound is one rising sweep over the whole backup, so that
// it is plainly audible and every second sounds different.
#include <cstdint>
#include <vector>

#include "base/format/backup_writer.h"

namespace bv::samples {

struct SoundBackupOptions {
  int seconds = 6;
  int pcmSeconds = 1;  // the first seconds carry PCM, the rest GSM 6.10
  int framesPerSecond = 10;
  int width = 352;
  int height = 240;
  int quality = 75;
  uint32_t version = 7;
  uint32_t samplesPerSecond = 8000;
  uint8_t bitsPerSample = 16;
  uint16_t chunksPerSecond = 1;
  bool audioPaced = true;  // type bit 0x80 on the frames
};

// One audio record as stored: its second (from the first one, 0-based),
// whether it holds GSM 6.10 data, and its sample bytes.
struct StoredChunk {
  int second = 0;
  bool gsm = false;
  std::vector<uint8_t> bytes;
};

struct SoundBackup {
  CBackupWriter writer;
  std::vector<StoredChunk> chunks;  // in index order
};

// Sine sweep from startHz to endHz (exponential), 16-bit.
std::vector<int16_t> MakeSweep(size_t count, uint32_t samplesPerSecond, double startHz, double endHz,
                               double amplitude = 0.35);

SoundBackup MakeSoundBackup(const SoundBackupOptions& options);

}  // namespace bv::samples
