#pragma once
// A kept 4:2:0 picture (Y, Cb, Cr planes one after the other, rows without
// padding, even sizes) as the DIB presentation shows it: 24-bit B, G, R rows
// bottom row first, converted exactly as the MPEG-4 module converts a
// picture it decodes.
#include <cstdint>

namespace bv {

bool PlanarToBottomUpBgr(const uint8_t* planes, int width, int height, uint8_t* bottomUp);

}  // namespace bv
