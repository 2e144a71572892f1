#pragma once
// OverlayParams: the 184-byte block the engine fills to create the overlay
// window. Only the size, the background colour and the surface sizes are
// used; the rest is carried as it is.
#include <cstddef>
#include <cstdint>

#include "base/platform/platform_types.h"

namespace bv {

#pragma pack(push, 1)
struct OverlayParams {
  uint32_t size = 184;         // 0: Create refuses any other value
  uint8_t unused4 = 1;         // 4
  uint8_t pad5[3] = {};
  COLORREF background = 0;     // 8: the window's background brush
  uint32_t unused12 = 0;       // 12
  uint8_t unused16 = 2;        // 16
  uint8_t pad17[3] = {};
  uint32_t yuvWidth = 704;     // 20: each YUV surface
  uint32_t yuvHeight = 576;    // 24
  uint32_t unused28 = 0;       // 28
  uint32_t workWidth = 876;    // 32: the work and composition surfaces
  uint32_t workHeight = 656;   // 36
  uint32_t unused40 = 0;       // 40
  uint32_t unused44 = 0;       // 44
  uint8_t unused48[136] = {};  // 48
};
#pragma pack(pop)
static_assert(sizeof(OverlayParams) == 184);
static_assert(offsetof(OverlayParams, yuvWidth) == 20);
static_assert(offsetof(OverlayParams, workWidth) == 32);
static_assert(offsetof(OverlayParams, unused48) == 48);

}  // namespace bv
