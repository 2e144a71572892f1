#pragma once
// Motion-JPEG payloads for generated backups: a 40-byte bitmap information
// header (compression "MJPG") followed by one JPEG image, encoded with
// libjpeg-turbo.
#include <cstdint>
#include <vector>

#include "tools/samples/test_picture.h"

namespace bv::samples {

// JPEG (JFIF) bytes of the picture; empty if the library refuses it.
std::vector<uint8_t> EncodeJpeg(const RgbPicture& picture, int quality);

// A complete MJPG payload as the recorder stores it.
std::vector<uint8_t> MakeMjpgPayload(const RgbPicture& picture, int quality);

}  // namespace bv::samples
