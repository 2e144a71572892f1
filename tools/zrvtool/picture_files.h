#pragma once
// Writing a decoded picture (24-bit B, G, R rows, bottom row first, as the
// DIB presentation holds it) to a picture file: a 24-bit ".bmp", an RGB
// ".png" or a binary ".ppm", chosen by the file name's extension.
#include <cstdint>
#include <string>

namespace bv::tool {

enum class PictureFileType { kNone, kBmp, kPng, kPpm };

// By the extension, compared without regard to case.
PictureFileType PictureFileTypeOf(const std::string& path);

// False when the file cannot be written or its type is unknown.
bool WritePictureFile(const std::string& path, const uint8_t* bgrBottomUp, int width, int height);

}  // namespace bv::tool
