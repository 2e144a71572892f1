#pragma once
// Device-independent bitmap rows: their padded length, the BMP still
// headers the viewer accepts, and the conversion of top-down R, G, B rows
// into a bottom-up 24-bit DIB.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/platform/platform_types.h"

namespace bv {

// Bytes of one row of width pixels at bitCount bits, padded to four bytes.
constexpr uint64_t DibRowBytes(int64_t width, int bitCount) {
  return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32) * 4;
}

// Bytes the pixel rows of a BMP still start at: the two headers, with no
// colour table.
constexpr uint32_t kBmpBitsOffset = 14 + 40;

// Whether a BMP still with this header can be shown from a buffer of
// bufferBytes, in a file of fileLength bytes: 16, 24 or 32 bits per pixel, a
// positive width and a height, rows that fit the buffer, and biSizeImage
// bytes (0: the rows the header describes) that fit the buffer, cover the
// rows and are in the file after the headers.
bool BmpStillHeaderAcceptable(const BITMAPINFOHEADER& header, uint64_t fileLength, uint64_t bufferBytes,
                               uint64_t bitsOffset = kBmpBitsOffset);
// The bytes of pixel rows to read for an acceptable header: biSizeImage, or
// when it is 0 the padded rows its width, height and bit count describe.
uint32_t BmpStillImageBytes(const BITMAPINFOHEADER& header);
// Where a BMP's pixel rows start: right after the two headers, as the
// recorder writes them, or where the file header says when a longer
// information header (a later BMP version) comes first.
uint64_t BmpBitsOffset(const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info);

// One row of width 24-bit pixels from B, G, R to R, G, B order, or back (in
// and out may be the same row).
void SwapRedAndBlue(const uint8_t* in, uint8_t* out, int width);

// Top-down rows of width * 3 bytes (R, G, B) as a bottom-up 24-bit DIB
// (B, G, R) with rows padded by zero bytes to four; header receives its
// description (biSizeImage = padded row length * height).
std::unique_ptr<uint8_t[]> RgbTopDownToDib(const uint8_t* rgb, int width, int height, BITMAPINFOHEADER* header,
                                           size_t* bytes);

}  // namespace bv
