#pragma once
// Encoder side of the colour conversion: RGB pictures to the planes the
// transform codes, with chroma fitted to the decoder's interpolation.
#include <cstdint>
#include <vector>

namespace bv::wavelet {

// RGB (R, G, B bytes, rows strideBytes apart) to centred full-range BT.601
// YCbCr in transform units ((value - 128) * 4): planes[0] luma, width x
// height; planes[1] and [2] Cb and Cr at half resolution in both
// directions, chosen by least squares so that the decoder's interpolation
// of them comes closest to the full-resolution chroma.
void ConvertPicture(const uint8_t* rgb, int width, int height, int strideBytes, std::vector<int32_t> planes[3]);

}  // namespace bv::wavelet
