#pragma once
// The forms of zrvtool's option values: whole numbers and picture sizes,
// as plain parsers and as the checks of the command line.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

namespace bv::tool {

// A whole non-negative decimal number that fits 32 bits.
bool ParseNumber(const std::string& text, uint32_t* out);
// A picture size "WxH", each within the picture buffers, the width and
// height even (YUY2 and the encoders work in pairs of pixels).
bool ParsePictureSize(const std::string& text, int* width, int* height);

// A whole decimal number from low to high, refused as "a whole number from
// low to high". The value is passed on without leading zeros: CLI11 would
// read "010" as octal.
CLI::Validator WholeNumber(uint32_t low = 0, uint32_t high = UINT32_MAX);
// A picture size as ParsePictureSize takes it.
CLI::Validator PictureSize();

}  // namespace bv::tool
