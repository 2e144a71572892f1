#pragma once
// Small backups with made-up payloads for tests of the formats: no codec is
// involved, only the bytes the readers look at.
#include <cstdint>
#include <string>
#include <vector>

#include "playback/backup_writer.h"

namespace bv::test {

// A payload whose byte 3 is kind (Wavelet/MPEG4 prefix with a big-endian
// picture size), or an MJPG payload when kind is 0.
std::vector<uint8_t> FakePayload(uint8_t kind, int width, int height, size_t size = 64);

// count video records of fake MJPG payloads (352 x 240), one per 100 ms,
// titled "CAM n" / "LOC n".
CBackupWriter MakeSmallBackup(uint32_t version, int count, uint8_t cameraNumber = 2);

}  // namespace bv::test
