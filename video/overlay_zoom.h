#pragma once
// The overlay window's zoom: a source rectangle in picture coordinates that
// is shown filling the whole display. ZoomIn takes an eighth off each side
// while both sides exceed 80 pixels; ZoomOut grows by a fifth, toward the
// right and bottom first, clamped to the picture, and leaves zoom mode at the
// full picture.
#include <cstdint>

namespace bv {

struct ZoomRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const ZoomRect&) const = default;
};

class COverlayZoom {
 public:
  // Returns whether the picture must be redrawn.
  bool ZoomIn(int lastWidth, int lastHeight);
  bool ZoomOut(int lastWidth, int lastHeight);

  bool IsZoomed() const { return zoomed_; }
  const ZoomRect& Rect() const { return rect_; }

 private:
  ZoomRect rect_;
  bool zoomed_ = false;
};

}  // namespace bv
