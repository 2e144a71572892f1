#pragma once
// 4:2:0 pictures to 24-bit B, G, R rows with the studio-range BT.601 matrix,
// byte for byte as libyuv's I420ToRGB24 computes them. libyuv's AVX2 rows
// write each row as 32-bit pixels first and pack them to 24 bits in a second
// pass; these pack in registers, which saves about a fifth of the conversion
// of a 704 x 576 picture.
#include <cstddef>
#include <cstdint>

namespace bv::zrmp4 {

// Pixels 0 .. width - 1 of one row; pixel x takes chroma sample x / 2.
using Bgr24Row = void (*)(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width);

// Any processor, one pixel at a time.
Bgr24Row PortableBgr24Row();
// 32 pixels at a time (the rest as PortableBgr24Row); null where the
// processor lacks AVX2.
Bgr24Row Avx2Bgr24Row();

struct I420Planes {
  const uint8_t* y;
  int yStride;
  const uint8_t* u;
  int uStride;
  const uint8_t* v;
  int vStride;
};

// Row r of the picture goes to out + r * outStride (a negative stride with
// out at the last row writes the picture bottom row first).
void I420ToBgr24(const I420Planes& planes, uint8_t* out, ptrdiff_t outStride, int width, int height, Bgr24Row row);

// The picture as width * 3-byte rows, top row first or bottom row first:
// the AVX2 rows where the processor has them, else libyuv's I420ToRGB24.
bool ConvertI420ToBgr24(const I420Planes& planes, uint8_t* out, int width, int height, bool bottomRowFirst);

}  // namespace bv::zrmp4
