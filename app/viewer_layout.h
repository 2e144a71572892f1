#pragma once
// Where the dialog's controls go for a client area of W x H pixels: the video
// area at (10, 30), a right-hand panel 169 pixels from the right edge, the
// button rows anchored to the bottom.
#include <array>

namespace bv {

struct ControlPlacement {
  int id;
  int x;
  int y;
  int width;
  int height;
};

// The 19 controls in the order they are placed.
std::array<ControlPlacement, 19> ComputeControlLayout(int clientWidth, int clientHeight);

}  // namespace bv
