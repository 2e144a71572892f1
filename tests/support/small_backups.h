#pragma once
// Small backups with made-up payloads for tests of the formats: no codec is
// involved, only the bytes the readers look at.
#include <cstdint>
#include <string>
#include <vector>

#include "base/format/backup_writer.h"

namespace bv::test {

// A payload whose byte 3 is kind (Wavelet/MPEG4 prefix with a big-endian
// picture size), or an MJPG payload when kind is 0.
std::vector<uint8_t> FakePayload(uint8_t kind, int width, int height, size_t size = 64);

// count video records of fake MJPG payloads (352 x 240), one per 100 ms,
// titled "CAM n" / "LOC n".
CBackupWriter MakeSmallBackup(uint32_t version, int count, uint8_t cameraNumber = 2);

// Lays the time fields of index record i of a container (index base 0) into
// its bytes, little-endian at the recorder's offsets, leaving the rest as is.
void StampIndexRecord(std::vector<uint8_t>& file, size_t i, int year, int month, int day, int hour, int minute,
                      int second, int millisecond);

// MakeSmallBackup (5 records) written to path, then restamped to run over
// midnight with record 2 written late: 2026-12-08 23:59:58.000,
// 12-09 00:00:01, 12-08 23:59:59.250, 12-09 00:00:02, 12-09 00:00:03.
bool WriteMidnightBackup(const std::string& path);

// MakeSmallBackup (8 records, 100 ms apart) written to path, then the camera
// byte of each record set to 0,1,0,0,1,1,0,1: two cameras interleaved.
inline constexpr uint8_t kTwoCameraPattern[8] = {0, 1, 0, 0, 1, 1, 0, 1};
bool WriteTwoCameraBackup(const std::string& path);

}  // namespace bv::test
