#pragma once
// The sliders' palette: every shade derives from one face colour.
#include <cstdint>

#include "base/platform/platform_types.h"

namespace bv {

// lighten: adds 51 to each channel whose sum stays within 255 and leaves the
// others as they are (not clamped); darken: subtracts 51 from each channel
// of at least 51, leaving smaller ones.
COLORREF Lighten51(COLORREF c);
COLORREF Darken51(COLORREF c);
// Per channel a + ((b - a) >> 1): the difference halved rounding toward minus
// infinity, added back within 8 bits.
COLORREF HalfWay(COLORREF a, COLORREF b);

// The colours a slider draws with besides its face.
struct SystemColours {
  COLORREF buttonFace;
  COLORREF buttonShadow;
  COLORREF darkShadow;
  COLORREF buttonHighlight;
  COLORREF windowFrame;
  COLORREF window;
};

struct SliderPalette {
  COLORREF F, L1, L2, D1, D2, M1, M2, HL;
};

SliderPalette DeriveSliderPalette(COLORREF face, const SystemColours& system);

}  // namespace bv
