#pragma once
// Motion-JPEG frames in the other forms recorders write, for tests and demo
// backups: frames of two interlaced fields, and frames that leave out their
// Huffman tables (the decoder then uses the standard tables).
#include <cstdint>
#include <vector>

#include "tools/samples/test_picture.h"

namespace bv::samples {

// The rows of picture starting at firstRow and stepping by two.
RgbPicture FieldOf(const RgbPicture& picture, int firstRow);

// Two JPEG images one after the other: the even rows, then the odd rows.
std::vector<uint8_t> EncodeInterlacedJpeg(const RgbPicture& picture, int quality);

// The JPEG data without its DHT segments. The encoder's default (standard)
// tables are the ones a decoder fills in, so the picture is unchanged.
std::vector<uint8_t> WithoutHuffmanTables(const std::vector<uint8_t>& jpeg);

// jpeg behind a 40-byte MJPG bitmap header of width x height, as the
// recorder stores a frame.
std::vector<uint8_t> WrapMjpgPayload(const std::vector<uint8_t>& jpeg, int width, int height);

}  // namespace bv::samples
