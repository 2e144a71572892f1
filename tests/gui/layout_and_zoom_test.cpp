// Pure geometry: the dialog's layout, the sizing rules and the overlay zoom.
#include <gtest/gtest.h>

#include "app/viewer_layout.h"
#include "app/window_sizing.h"
#include "base/host/control_ids.h"
#include "video/overlay_params.h"
#include "video/overlay_zoom.h"

namespace bv {
namespace {

ControlPlacement Find(const std::array<ControlPlacement, 19>& layout, int id) {
  for (const ControlPlacement& p : layout) {
    if (p.id == id) return p;
  }
  return {};
}

TEST(DialogLayout, ControlsFollowTheClientSize) {
  for (auto [W, H] : {std::pair{544, 357}, std::pair{800, 560}, std::pair{640, 480}}) {
    const auto layout = ComputeControlLayout(W, H);
    const ControlPlacement video = Find(layout, IDC_VIDEO_AREA);
    EXPECT_EQ(video.x, 10);
    EXPECT_EQ(video.y, 30);
    EXPECT_EQ(video.width, W - 192);
    EXPECT_EQ(video.height, H - 73);
    const ControlPlacement frame = Find(layout, IDC_FRAME);
    EXPECT_EQ(frame.x, W - 169);
    EXPECT_EQ(frame.height, H - 42);
    EXPECT_EQ(Find(layout, IDC_POSITION_SLIDER).y, H - 37);
    EXPECT_EQ(Find(layout, IDC_SPEED_SLIDER).x, W - 147);
    EXPECT_EQ(Find(layout, IDC_SPEED_SLIDER).width, 112);
    // Three button columns 40 pixels apart, rows anchored to the bottom.
    EXPECT_EQ(Find(layout, IDC_OPEN).x, W - 147);
    EXPECT_EQ(Find(layout, IDC_SAVE_SNAPSHOT).x, W - 107);
    EXPECT_EQ(Find(layout, IDC_PRINT).x, W - 67);
    EXPECT_EQ(Find(layout, IDC_OPEN).y, H - 225);
    EXPECT_EQ(Find(layout, IDC_PAUSE).y, H - 145);
    EXPECT_EQ(Find(layout, IDC_PLAY_BACKWARD).y, H - 105);
    EXPECT_EQ(Find(layout, IDC_PLAY_FORWARD).x, W - 67);
    EXPECT_EQ(Find(layout, IDC_STOP).y, H - 65);
    EXPECT_EQ(Find(layout, IDC_CAMERA_TITLE).y, 38);
    EXPECT_EQ(Find(layout, IDC_PICTURE_SIZE).y, 110);
  }
  EXPECT_EQ(ComputeControlLayout(1, 1)[0].id, IDC_VIDEO_AREA);
  EXPECT_EQ(ComputeControlLayout(1, 1)[18].id, IDC_SPEED_SLIDER);
}

TEST(WindowSizing, LimitsAreTheWholeWindowsAndThePictureKeeps360To288BeyondTheBase) {
  // No frame known yet: the limits are the inner window's.
  WindowSizeRules rules = ComputeWindowSizeRules(0, 0, 192, 95);
  EXPECT_EQ(rules.minWidth, 560);
  EXPECT_EQ(rules.minHeight, 415);
  EXPECT_EQ(rules.maxWidth, 840);
  EXPECT_EQ(rules.maxHeight, 639);
  // A frame of 1 + 1 pixels across and 20 + 5 down (the window manager's
  // title bar and borders) is taken off the inner limits.
  rules = ComputeWindowSizeRules(2, 25, 192, 95);
  EXPECT_EQ(rules.minWidth, 558);
  EXPECT_EQ(rules.minHeight, 390);
  EXPECT_EQ(rules.maxWidth, 838);
  EXPECT_EQ(rules.maxHeight, 614);
  // Beyond the base (menu bar, panel, slider) the inner window keeps the
  // picture's proportion: 440 wide goes with 352 high.
  EXPECT_EQ(rules.baseWidth, 192);
  EXPECT_EQ(rules.baseHeight, 95);
  EXPECT_EQ(440 * rules.aspectHeight, 352 * rules.aspectWidth);
  EXPECT_EQ(rules.aspectWidth * 4, rules.aspectHeight * 5);
}

TEST(WindowSizing, LimitsAskedOfTheWindowManagerLeaveRoomForThePictureProportion) {
  // Inner limits 558 x 390 .. 838 x 614 with 192 x 92 beyond the picture:
  // 298 rows of picture need 373 columns (372.5 up), so the smallest width
  // is 565; 646 columns of picture give 516 rows, so the largest height is
  // 608. Both stay within the limits asked for.
  const WindowSizeRules rules = ComputeWindowSizeRules(2, 25, 192, 92);
  const WindowSizeRules narrowed = ProportionedLimits(rules);
  EXPECT_EQ(narrowed.minWidth, 565);
  EXPECT_EQ(narrowed.minHeight, 390);
  EXPECT_EQ(narrowed.maxWidth, 838);
  EXPECT_EQ(narrowed.maxHeight, 608);
  EXPECT_GE((narrowed.minWidth - 192) * 288, (narrowed.minHeight - 92) * 360);
  EXPECT_LE((narrowed.maxHeight - 92) * 360, (narrowed.maxWidth - 192) * 288);
  // Limits that already allow the proportion stay; rules without one stay.
  WindowSizeRules roomy = rules;
  roomy.minWidth = 700;
  EXPECT_EQ(ProportionedLimits(roomy).minWidth, 700);
  WindowSizeRules none = rules;
  none.aspectWidth = 0;
  EXPECT_EQ(ProportionedLimits(none), none);
  // A base larger than the limits (garbage from a frame) gives no negative
  // picture and never a largest size below the smallest.
  const WindowSizeRules odd = ProportionedLimits(ComputeWindowSizeRules(0, 0, 900, 700));
  EXPECT_GE(odd.maxWidth, odd.minWidth);
  EXPECT_GE(odd.maxHeight, odd.minHeight);
}

TEST(OverlayZoom, ZoomInTakesAnEighthEachSideUntilASideIsEightyOrLess) {
  COverlayZoom zoom;
  ASSERT_TRUE(zoom.ZoomIn(704, 576));
  EXPECT_EQ(zoom.Rect(), (ZoomRect{88, 72, 616, 504}));  // 528 x 432
  ASSERT_TRUE(zoom.ZoomIn(704, 576));
  EXPECT_EQ(zoom.Rect().right - zoom.Rect().left, 396);
  EXPECT_EQ(zoom.Rect().bottom - zoom.Rect().top, 324);
  int steps = 2;
  while (zoom.ZoomIn(704, 576)) ++steps;
  const ZoomRect last = zoom.Rect();
  EXPECT_TRUE(last.right - last.left <= 80 || last.bottom - last.top <= 80);
  EXPECT_FALSE(zoom.ZoomIn(704, 576));
  EXPECT_EQ(zoom.Rect(), last);
  // Centred throughout: equal margins left and right.
  EXPECT_NEAR(last.left, 704 - last.right, 8);
  EXPECT_GT(steps, 3);
}

TEST(OverlayZoom, ZoomOutGrowsRightAndDownFromTheTopLeftAndLeavesZoomAtTheFullPicture) {
  COverlayZoom zoom;
  EXPECT_FALSE(zoom.ZoomOut(704, 576));  // not zoomed: nothing
  zoom.ZoomIn(704, 576);
  zoom.ZoomIn(704, 576);
  while (zoom.Rect().left > 0) zoom.ZoomOut(704, 576);
  // Touching the top-left corner, a step grows only right and down.
  ZoomRect before = zoom.Rect();
  if (before.right < 704) {
    zoom.ZoomOut(704, 576);
    EXPECT_EQ(zoom.Rect().left, 0);
    EXPECT_EQ(zoom.Rect().top, 0);
    EXPECT_GE(zoom.Rect().right, before.right);
  }
  int guard = 0;
  while (zoom.IsZoomed() && guard++ < 20) zoom.ZoomOut(704, 576);
  EXPECT_FALSE(zoom.IsZoomed());
  EXPECT_FALSE(zoom.ZoomOut(704, 576));
}

TEST(OverlayZoom, ZoomOutArithmeticWithExcessBeyondThePicture) {
  COverlayZoom zoom;
  zoom.ZoomIn(100, 100);  // (12, 12, 88, 88)
  EXPECT_EQ(zoom.Rect(), (ZoomRect{12, 12, 88, 88}));
  zoom.ZoomOut(100, 100);  // dx = dy = 76 / 5 = 15
  EXPECT_EQ(zoom.Rect(), (ZoomRect{0, 0, 100, 100}));
  zoom.ZoomOut(100, 100);
  EXPECT_FALSE(zoom.IsZoomed());
}

TEST(OverlayParamsBlock, LayoutOfTheParameterBlock) {
  const OverlayParams p;
  EXPECT_EQ(sizeof p, 184u);
  EXPECT_EQ(p.size, 184u);
  EXPECT_EQ(p.yuvWidth, 704u);
  EXPECT_EQ(p.workHeight, 656u);
}

}  // namespace
}  // namespace bv
