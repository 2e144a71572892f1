#include "tests/support/small_backups.h"

#include <cstring>

#include "base/platform/platform_types.h"
#include "tests/support/temp_dir.h"
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

namespace {
void PutU16(std::vector<uint8_t>& bytes, size_t at, int value) {
  bytes[at] = static_cast<uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}
}  // namespace

void StampIndexRecord(std::vector<uint8_t>& file, size_t i, int year, int month, int day, int hour, int minute,
                      int second, int millisecond) {
  const size_t at = i * 24;
  PutU16(file, at + 0, year);
  PutU16(file, at + 2, millisecond);
  PutU16(file, at + 4, month);
  PutU16(file, at + 6, day);
  PutU16(file, at + 8, hour);
  PutU16(file, at + 10, minute);
  PutU16(file, at + 12, second);
}

bool WriteMidnightBackup(const std::string& path) {
  if (!MakeSmallBackup(7, 5).WriteContainer(path)) return false;
  std::vector<uint8_t> file = ReadFileBytes(path);
  StampIndexRecord(file, 0, 2026, 12, 8, 23, 59, 58, 0);
  StampIndexRecord(file, 1, 2026, 12, 9, 0, 0, 1, 0);
  StampIndexRecord(file, 2, 2026, 12, 8, 23, 59, 59, 250);  // written late
  StampIndexRecord(file, 3, 2026, 12, 9, 0, 0, 2, 0);
  StampIndexRecord(file, 4, 2026, 12, 9, 0, 0, 3, 0);
  WriteFileBytes(path, file);
  return true;
}

bool WriteTwoCameraBackup(const std::string& path) {
  if (!MakeSmallBackup(7, 8).WriteContainer(path)) return false;
  std::vector<uint8_t> file = ReadFileBytes(path);
  for (size_t i = 0; i < 8; ++i) file[i * 24 + 14] = kTwoCameraPattern[i];
  WriteFileBytes(path, file);
  return true;
}

}  // namespace bv::test
