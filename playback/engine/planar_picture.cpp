#include "playback/engine/planar_picture.h"

#include <cstddef>

#include "codecs/zrmp4/bgr24_rows.h"

namespace bv {

bool PlanarToBottomUpBgr(const uint8_t* planes, int width, int height, uint8_t* bottomUp) {
  if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0) return false;
  const uint8_t* cb = planes + static_cast<size_t>(width) * height;
  const uint8_t* cr = cb + static_cast<size_t>(width / 2) * (height / 2);
  return zrmp4::ConvertI420ToBgr24({planes, width, cb, width / 2, cr, width / 2}, bottomUp, width, height, true);
}

}  // namespace bv
