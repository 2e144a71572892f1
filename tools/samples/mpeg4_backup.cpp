#include "tools/samples/mpeg4_backup.h"

#include "tools/samples/mpeg4_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv::samples {

CBackupWriter MakeMpeg4Backup(const Mpeg4BackupOptions& options) {
  CBackupWriter writer(options.version, DemoCameraInfo(options.camera));
  Mpeg4EncoderOptions encoding;
  encoding.width = options.width;
  encoding.height = options.height;
  encoding.keyFrameInterval = options.keyFrameInterval;
  encoding.quantizer = options.quantizer;
  encoding.framesPerSecond = options.framesPerSecond;
  CMpeg4Encoder encoder(encoding);
  for (int i = 0; i < options.frames; ++i) {
    const std::vector<uint8_t> payload = encoder.EncodePayload(MakeTestPicture(options.width, options.height, i));
    if (payload.empty()) return CBackupWriter(options.version, DemoCameraInfo(options.camera));
    writer.AddVideoFrame(RecordTimeAt(i, options.framesPerSecond, options.camera), "CAM 02 COUNTER",
                         "2F PRIZE CORNER", payload);
  }
  return writer;
}

}  // namespace bv::samples
