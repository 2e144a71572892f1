#pragma once
// The dialog's sizing rules: the window stays between 560 x 415 and
// 840 x 639, and while the right or bottom border is dragged the picture in
// the video area keeps the proportion 360 : 288.
namespace bv {

constexpr int kMinWindowWidth = 560;
constexpr int kMinWindowHeight = 415;
constexpr int kMaxWindowWidth = 840;
constexpr int kMaxWindowHeight = 639;

// The border being dragged (the window system's sizing edge codes).
enum class SizingEdge { kLeft = 1, kRight = 2, kTop = 3, kTopLeft = 4, kTopRight = 5, kBottom = 6, kBottomLeft = 7, kBottomRight = 8 };

struct WindowRect {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const WindowRect&) const = default;
};

// The proposed rectangle adjusted for the picture's proportion. extraWidth
// and extraHeight are what the window has beyond the picture.
WindowRect ApplyPictureAspect(SizingEdge edge, WindowRect proposed, int extraWidth, int extraHeight);

}  // namespace bv

namespace bv {

// Asks the window manager to keep the picture's proportion while the user
// resizes the window (X11: a base size and a fixed aspect ratio in the
// window's normal hints). Does nothing on other platforms.
void RequestPictureAspect(unsigned long windowId, int extraWidth, int extraHeight);

}  // namespace bv
