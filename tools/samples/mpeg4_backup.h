#pragma once
// MPEG-4 backups of the moving test picture, encoded with libavcodec.
#include <cstdint>

#include "base/format/backup_writer.h"

namespace bv::samples {

struct Mpeg4BackupOptions {
  int frames = 150;
  int width = 352;
  int height = 240;
  int framesPerSecond = 10;
  int keyFrameInterval = 25;
  int quantizer = 3;
  uint32_t version = 7;
  uint8_t camera = 0;
};

// An empty writer when the encoder is not available.
CBackupWriter MakeMpeg4Backup(const Mpeg4BackupOptions& options);

}  // namespace bv::samples
