#pragma once
// Row operations of the colour output, one table per instruction set; all
// tables give identical results. The chroma of a pixel row comes from two
// chroma rows as vertical = 3 * own + nearer neighbour (so four times the
// value), then horizontally: pixel 2i takes (3 v[i] + v[i-1] + 8) >> 4,
// pixel 2i + 1 takes (3 v[i] + v[i+1] + 7) >> 4.
#include <cstdint>

namespace bv::wavelet {

// The full-range BT.601 inverse in 16-bit steps: each product is
// (v * factor + 2^14) >> 15, the rounding high multiply of the vector units.
// R = Y + Cr' + 0.402 Cr', G = Y - 0.344136 Cb' - 0.714136 Cr',
// B = Y + Cb' + 0.772 Cb' (Cb' = Cb - 128, Cr' = Cr - 128).
inline constexpr int kCrToR = 13173;
inline constexpr int kCbToG = 11277;
inline constexpr int kCrToG = 23401;
inline constexpr int kCbToB = 25297;

struct ColourKernels {
  const char* name;
  // row[x] = 3 * own[x] + neighbour[x] for x < n.
  void (*verticalChroma)(const uint8_t* own, const uint8_t* neighbour, int n, uint16_t* row);
  // 24-bit B, G, R of pixels 0 .. 2 * done - 1 of a row, done <= chromaWidth
  // returned; the vertical chroma rows are bordered by copies of their end
  // samples at -1 and chromaWidth.
  int (*bgrRow)(const uint8_t* luma, const uint16_t* cbVertical, const uint16_t* crVertical, int chromaWidth,
                uint8_t* out);
};

const ColourKernels& PortableColourKernels();
const ColourKernels& SelectedColourKernels();
const ColourKernels* const* AvailableColourKernels(int* count);

#if defined(__x86_64__)
// Defined in colour_kernels_x86.cpp, for processors with these extensions.
const ColourKernels& Ssse3ColourKernels();
const ColourKernels& Avx2ColourKernels();
#endif

}  // namespace bv::wavelet
