#include "app/window_sizing.h"

namespace bv {

WindowRect ApplyPictureAspect(SizingEdge edge, WindowRect proposed, int extraWidth, int extraHeight) {
  const int pictureWidth = proposed.Width() - extraWidth;
  const int pictureHeight = proposed.Height() - extraHeight;
  switch (edge) {
    case SizingEdge::kRight:
    case SizingEdge::kBottomRight:
      proposed.bottom = proposed.top + extraHeight + pictureWidth * 288 / 360;
      break;
    case SizingEdge::kBottom:
      proposed.right = proposed.left + extraWidth + pictureHeight * 360 / 288;
      break;
    default:
      break;
  }
  return proposed;
}

}  // namespace bv

#include "app/x11_library.h"

namespace bv {

void RequestPictureAspect(unsigned long windowId, int extraWidth, int extraHeight) {
  const XlibCalls* x = Xlib();
  XlibCalls::Display* display = XlibDisplay();
  if (!x || !display || !windowId) return;
  XlibCalls::SizeHints hints{};
  long supplied = 0;
  x->GetWMNormalHints(display, windowId, &hints, &supplied);
  hints.flags |= XlibCalls::kAspectFlag | XlibCalls::kBaseSizeFlag;
  hints.minAspectX = hints.maxAspectX = 360;
  hints.minAspectY = hints.maxAspectY = 288;
  hints.baseWidth = extraWidth;
  hints.baseHeight = extraHeight;
  x->SetWMNormalHints(display, windowId, &hints);
  x->Flush(display);
}

}  // namespace bv
