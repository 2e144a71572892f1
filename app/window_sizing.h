#pragma once
// The dialog's sizing rules: the whole window, frame included, stays between
// 560 x 415 and 840 x 639 pixels, and while the user resizes it the picture
// in the video area keeps the proportion 360 : 288.
namespace bv {

constexpr int kMinWindowWidth = 560;
constexpr int kMinWindowHeight = 415;
constexpr int kMaxWindowWidth = 840;
constexpr int kMaxWindowHeight = 639;
constexpr int kPictureAspectWidth = 360;
constexpr int kPictureAspectHeight = 288;

// The rules in terms of the window's inner size (the window manager's frame
// excluded), which is what the window system constrains: limits, and the
// proportion that the inner size less the base size keeps.
struct WindowSizeRules {
  int minWidth = 0, minHeight = 0;
  int maxWidth = 0, maxHeight = 0;
  int baseWidth = 0, baseHeight = 0;  // what the inner window has beyond the picture
  int aspectWidth = kPictureAspectWidth, aspectHeight = kPictureAspectHeight;
  bool operator==(const WindowSizeRules&) const = default;
};

// frameWidth and frameHeight: what the frame adds to the inner size (0 while
// it is not known); extraWidth and extraHeight: the inner window's size
// beyond the video area.
WindowSizeRules ComputeWindowSizeRules(int frameWidth, int frameHeight, int extraWidth, int extraHeight);

// The limits narrowed so that sizes keeping the proportion exist at both
// ends: at the smallest height the picture needs more width than the
// smallest width gives it, and the largest width's picture is lower than
// the largest height. A window manager keeping the proportion would
// otherwise break a limit to keep it (a window 6 pixels lower than its
// smallest height). Rules without a proportion are returned as they are.
WindowSizeRules ProportionedLimits(const WindowSizeRules& rules);

}  // namespace bv

namespace bv {

// Asks the window manager to keep the rules while the user resizes the
// window (X11: the minimum, maximum and base sizes and a fixed aspect ratio
// in the window's normal hints; a maximum or aspect width of 0 asks for
// none). Does nothing on other platforms, which have
// no way to ask for a proportion: there the limits alone hold.
void RequestWindowSizeRules(unsigned long windowId, const WindowSizeRules& rules);

}  // namespace bv
