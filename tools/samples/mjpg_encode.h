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
// A single-component (greyscale) JPEG of the picture's luma.
std::vector<uint8_t> EncodeGreyscaleJpeg(const RgbPicture& picture, int quality);
std::vector<uint8_t> EncodeJpegAs(const RgbPicture& picture, int quality, bool greyscale);

// A complete MJPG payload as the recorder stores it.
std::vector<uint8_t> MakeMjpgPayload(const RgbPicture& picture, int quality);

}  // namespace bv::samples
