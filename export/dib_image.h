#pragma once
// A device-independent bitmap as a QImage: what the DIB window draws, what
// tools write out.
#include <QImage>
#include <cstddef>
#include <cstdint>

#include "base/platform/platform_types.h"

namespace bv {

// A bottom-up or top-down DIB of 16 (5-5-5), 24 or 32 bits as an image of
// its own (rows padded to four bytes), top row first; null for other
// layouts.
QImage ImageOfDib(const uint8_t* pixels, const BITMAPINFOHEADER& header);
// Rows stride bytes apart, bottom row first when height > 0 (top row first
// when negative), as a top-down image of its own: a copy, the rows stay the
// caller's.
QImage ImageOfRows(const uint8_t* pixels, int width, int height, size_t stride, QImage::Format format);
// Bytes a DIB's pixel rows take.
size_t DibImageBytes(const BITMAPINFOHEADER& header);

}  // namespace bv
