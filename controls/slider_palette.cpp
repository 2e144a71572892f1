#include "controls/slider_palette.h"

namespace bv {
namespace {

int Channel(COLORREF c, int i) { return static_cast<int>((c >> (8 * i)) & 0xFF); }

COLORREF Compose(const int (&ch)[3]) {
  return static_cast<COLORREF>((ch[0] & 0xFF) | ((ch[1] & 0xFF) << 8) | ((ch[2] & 0xFF) << 16));
}

}  // namespace

COLORREF Lighten51(COLORREF c) {
  int ch[3];
  for (int i = 0; i < 3; ++i) {
    ch[i] = Channel(c, i);
    if (ch[i] + 51 <= 255) ch[i] += 51;
  }
  return Compose(ch);
}

COLORREF Darken51(COLORREF c) {
  int ch[3];
  for (int i = 0; i < 3; ++i) {
    ch[i] = Channel(c, i);
    if (ch[i] >= 51) ch[i] -= 51;
  }
  return Compose(ch);
}

COLORREF HalfWay(COLORREF a, COLORREF b) {
  int ch[3];
  for (int i = 0; i < 3; ++i) ch[i] = Channel(a, i) + ((Channel(b, i) - Channel(a, i)) >> 1);
  return Compose(ch);
}

SliderPalette DeriveSliderPalette(COLORREF face, const SystemColours& system) {
  SliderPalette p;
  p.F = face;
  p.L1 = Lighten51(face);
  p.L2 = Lighten51(p.L1);
  p.D1 = Darken51(face);
  p.D2 = Darken51(p.D1);
  p.M1 = HalfWay(system.buttonFace, system.buttonShadow);
  p.M2 = HalfWay(system.buttonShadow, system.darkShadow);
  p.HL = system.buttonHighlight;
  return p;
}

}  // namespace bv
