#pragma once
// From the decoded 4:2:0 planes (full-range BT.601 YCbCr; each chroma
// sample sits at the centre of the 2x2 pixels it covers) to the viewer's
// output layouts. Chroma is interpolated with 3/4 and 1/4 weights in each
// direction.
#include <cstdint>

namespace bv::wavelet {

struct PlaneView {
  const uint8_t* luma;
  const uint8_t* cb;
  const uint8_t* cr;
  int width;   // even
  int height;  // even
};

struct ColourKernels;

// 24-bit B, G, R rows of width * 3 bytes, top row first.
void WriteBgr(const PlaneView& planes, uint8_t* out);
// The same with a given set of kernels (all give the same result).
void WriteBgr(const PlaneView& planes, uint8_t* out, const ColourKernels& kernels);

// Packed YUY2 (Y0 U Y1 V) rows of width * 2 bytes, top row first, in the
// studio range of YUV surfaces (Y 16..235, U and V 16..240).
void WriteYuy2(const PlaneView& planes, uint8_t* out);

// The conversion of one pixel, as WriteBgr computes it.
void YCbCrToBgr(int y, int cb, int cr, uint8_t* bgr);

}  // namespace bv::wavelet
