#include "video/overlay_zoom.h"

namespace bv {

bool COverlayZoom::ZoomIn(int lastWidth, int lastHeight) {
  if (!zoomed_) {
    rect_ = ZoomRect{0, 0, lastWidth, lastHeight};
    zoomed_ = true;
  }
  const int w = rect_.right - rect_.left;
  const int h = rect_.bottom - rect_.top;
  if (w <= 80 || h <= 80) return false;
  const int dx = w / 8;
  const int dy = h / 8;
  rect_.left += dx;
  rect_.right -= dx;
  rect_.top += dy;
  rect_.bottom -= dy;
  return true;
}

bool COverlayZoom::ZoomOut(int lastWidth, int lastHeight) {
  if (!zoomed_) return false;
  if (rect_ == ZoomRect{0, 0, lastWidth, lastHeight}) {
    zoomed_ = false;
    return true;
  }
  const int excess = rect_.right >= lastWidth ? rect_.right - lastWidth : 0;
  const int dx = (rect_.right - rect_.left) / 5;
  const int dy = (rect_.bottom - rect_.top) / 5;
  rect_.right += dx;
  rect_.bottom += dy;
  rect_.left -= dx + excess;
  rect_.top -= dy;
  if (rect_.left <= 0) rect_.left = 0;
  if (rect_.top <= 0) rect_.top = 0;
  if (rect_.right >= lastWidth) rect_.right = lastWidth;
  if (rect_.bottom >= lastHeight) rect_.bottom = lastHeight;
  return true;
}

}  // namespace bv
