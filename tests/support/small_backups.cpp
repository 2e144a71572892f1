#include "tests/support/small_backups.h"

#include <cstring>

#include "playback/platform_types.h"
#include "tools/samples/sample_backups.h"

namespace bv::test {

std::vector<uint8_t> FakePayload(uint8_t kind, int width, int height, size_t size) {
  std::vector<uint8_t> payload(std::max<size_t>(size, 40), 0x55);
  if (kind == 0) {
    BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = kFourCC_MJPG;
    h.ToBytes(payload.data());
  } else {
    payload[0] = payload[1] = payload[2] = 0;
    payload[3] = kind;
    WriteU16BE(payload.data() + 4, static_cast<uint16_t>(height));
    WriteU16BE(payload.data() + 6, static_cast<uint16_t>(width));
  }
  return payload;
}

CBackupWriter MakeSmallBackup(uint32_t version, int count, uint8_t cameraNumber) {
  CBackupWriter writer(version, samples::DemoCameraInfo(cameraNumber));
  for (int i = 0; i < count; ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM " + std::to_string(i), "LOC " + std::to_string(i),
                         FakePayload(0, 352, 240, 64 + i));
  }
  return writer;
}

}  // namespace bv::test
