#include "playback/engine/planar_picture.h"

#include <cstddef>

#include <libyuv/convert_argb.h>

namespace bv {

bool PlanarToBottomUpBgr(const uint8_t* planes, int width, int height, uint8_t* bottomUp) {
  if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0) return false;
  const uint8_t* cb = planes + static_cast<size_t>(width) * height;
  const uint8_t* cr = cb + static_cast<size_t>(width / 2) * (height / 2);
  // A negative height writes the rows from the last one up.
  return libyuv::I420ToRGB24(planes, width, cb, width / 2, cr, width / 2, bottomUp, width * 3, width, -height) == 0;
}

}  // namespace bv
