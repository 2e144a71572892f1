// The sliders' palette and the pixels of their thumb and channel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "controls/custom_slider_ctrl.h"
#include "controls/slider_drawing.h"
#include "controls/slider_palette.h"

namespace bv {
namespace {

QColor Rgb(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

TEST(SliderPalette, FaceE1E1E1) {
  const SystemColours system{0xF0F0F0, 0xA0A0A0, 0x696969, 0xFFFFFF, 0x000000, 0xFFFFFF};
  const SliderPalette p = DeriveSliderPalette(0xE1E1E1, system);
  EXPECT_EQ(p.L1, 0xE1E1E1u);  // 225 + 51 > 255: kept, not clamped
  EXPECT_EQ(p.L2, 0xE1E1E1u);
  EXPECT_EQ(p.D1, 0xAEAEAEu);  // 174
  EXPECT_EQ(p.D2, 0x7B7B7Bu);  // 123
  EXPECT_EQ(p.M1, 0xC8C8C8u);  // 240 + ((160 - 240) >> 1)
  EXPECT_EQ(p.M2, 0x848484u);  // 160 + ((105 - 160) >> 1) = 160 - 28
  EXPECT_EQ(p.HL, 0xFFFFFFu);
}

TEST(SliderPalette, ChannelsLightenAndDarkenOnlyWhereTheyFit) {
  // Red 210 (above 204) stays, green 100 becomes 151, blue 30 stays when darkened.
  const COLORREF c = 0x1E64D2;  // B 30, G 100, R 210
  EXPECT_EQ(Lighten51(c), 0x5197D2u);
  EXPECT_EQ(Darken51(c), 0x1E319Fu);
  EXPECT_EQ(Darken51(0x000000), 0x000000u);
  EXPECT_EQ(Lighten51(0xFFFFFF), 0xFFFFFFu);
  // Halving rounds toward minus infinity: 10 + ((5 - 10) >> 1) = 7.
  EXPECT_EQ(HalfWay(0x0A, 0x05), 0x07u);
  EXPECT_EQ(HalfWay(0x05, 0x0A), 0x07u);
}

class SliderPixelsTest : public ::testing::Test {
 protected:
  QImage Render(CCustomSliderCtrl& slider) {
    slider.resize(112, 20);
    return slider.grab().toImage();
  }
  // The thumb's inner rectangle (after the outline) as the drawing uses it.
  struct Inner {
    int left, top, right, bottom;
  };
  Inner InnerOf(const CCustomSliderCtrl& slider, int inset) {
    const QRect t = slider.ThumbRect().adjusted(0, inset, 0, -inset);
    return {t.left() + 1, t.top() + 1, t.left() + t.width() - 1, t.top() + t.height() - 1};
  }
};

TEST_F(SliderPixelsTest, ThumbFrameCornersAndFourLightThreeDarkGripLines) {
  CCustomSliderCtrl slider(1006);
  slider.setRange(1, 20);
  slider.setValue(10);
  slider.SetFaceColour(0xE1E1E1);
  const QImage image = Render(slider);
  const Inner r = InnerOf(slider, 0);
  const SliderPalette& p = slider.Palette();
  EXPECT_EQ(image.pixelColor(r.left + 5, r.bottom - 3), Rgb(0xE1E1E1)) << "fill";
  EXPECT_EQ(image.pixelColor(r.left + 4, r.top), Rgb(p.L1)) << "top edge";
  EXPECT_EQ(image.pixelColor(r.left, r.top + 3), Rgb(p.L1)) << "left edge";
  EXPECT_EQ(image.pixelColor(r.right - 1, r.top + 3), Rgb(0xAEAEAE)) << "right edge";
  EXPECT_EQ(image.pixelColor(r.left + 4, r.bottom - 1), Rgb(0xAEAEAE)) << "bottom edge";
  EXPECT_EQ(image.pixelColor(r.left, r.top), Rgb(p.L2));
  EXPECT_EQ(image.pixelColor(r.right - 1, r.top), Rgb(p.F));
  EXPECT_EQ(image.pixelColor(r.right - 1, r.bottom - 1), Rgb(p.D2));
  EXPECT_EQ(image.pixelColor(r.left, r.bottom - 1), Rgb(p.F));
  // Width 11 > 9: light lines at +1, +3, +5, +7 with an L2 dot above, dark at
  // +2, +4, +6 running one pixel further down.
  for (int dx : {1, 3, 5, 7}) {
    EXPECT_EQ(image.pixelColor(r.left + dx, r.top + 5), Rgb(p.L1)) << dx;
    EXPECT_EQ(image.pixelColor(r.left + dx, r.top + 4), Rgb(p.L2)) << dx;
    EXPECT_EQ(image.pixelColor(r.left + dx, r.bottom - 5), Rgb(p.F)) << dx;  // end point left out
  }
  for (int dx : {2, 4, 6}) {
    EXPECT_EQ(image.pixelColor(r.left + dx, r.top + 5), Rgb(0x7B7B7B)) << dx;
    EXPECT_EQ(image.pixelColor(r.left + dx, r.bottom - 5), Rgb(0x7B7B7B)) << dx;
  }
}

TEST_F(SliderPixelsTest, NineWideThumbGetsTwoLightAndTwoDarkLinesTenWideFourAndThree) {
  CCustomSliderCtrl slider(1006);
  slider.setRange(1, 20);
  slider.SetFaceColour(0x808080);  // L1 0xB3, L2 0xE6, D1 0x4D, D2 0x1A: all distinct
  const QColor fill(0x80, 0x80, 0x80), light(0xB3, 0xB3, 0xB3), lighter(0xE6, 0xE6, 0xE6), dark(0x1A, 0x1A, 0x1A),
      edge(0x4D, 0x4D, 0x4D);
  for (int width : {9, 10}) {
    // The sliders' thumbs are 11 wide; narrower ones are drawn by the same
    // thumb drawing, here into an image of the slider's size.
    QImage image(112, 20, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    const QRect thumb(40, 2, width, 16);
    {
      QPainter painter(&image);
      DrawSliderThumb(painter, thumb, slider.Palette(), QColor(0, 0, 0), true);
    }
    const Inner r{thumb.left() + 1, thumb.top() + 1, thumb.left() + thumb.width() - 1,
                  thumb.top() + thumb.height() - 1};
    const int mid = r.top + 6;
    EXPECT_EQ(image.pixelColor(r.left + 1, mid), light) << width;
    EXPECT_EQ(image.pixelColor(r.left + 2, mid), dark) << width;
    EXPECT_EQ(image.pixelColor(r.left + 3, mid), light) << width;
    EXPECT_EQ(image.pixelColor(r.left + 4, mid), dark) << width;
    EXPECT_EQ(image.pixelColor(r.left + 1, r.top + 4), lighter) << width;
    EXPECT_EQ(image.pixelColor(r.left + 3, r.top + 4), lighter) << width;
    if (width == 9) {
      // Inner width 7: +5 is face, +6 the right edge.
      EXPECT_EQ(image.pixelColor(r.left + 5, mid), fill);
      EXPECT_EQ(image.pixelColor(r.left + 6, mid), edge);
      EXPECT_EQ(image.pixelColor(r.left + 5, r.top + 4), fill);
    } else {
      // Inner width 8: +5 and +7 light (+7 over the right edge), +6 dark.
      EXPECT_EQ(image.pixelColor(r.left + 5, mid), light);
      EXPECT_EQ(image.pixelColor(r.left + 6, mid), dark);
      EXPECT_EQ(image.pixelColor(r.left + 7, mid), light);
      EXPECT_EQ(image.pixelColor(r.left + 5, r.top + 4), lighter);
      EXPECT_EQ(image.pixelColor(r.left + 7, r.top + 4), lighter);
    }
  }
}

TEST_F(SliderPixelsTest, PressedThumbIsDrawnFromTheDarkenedFace) {
  CCustomSliderCtrl slider(1006);
  slider.setRange(1, 20);
  slider.SetFaceColour(0xE1E1E1);
  slider.setSliderDown(true);
  const QImage image = Render(slider);
  const Inner r = InnerOf(slider, 0);
  EXPECT_EQ(image.pixelColor(r.left + 5, r.bottom - 3), QColor(174, 174, 174)) << "fill";
  EXPECT_EQ(image.pixelColor(r.left + 4, r.top), QColor(225, 225, 225)) << "top";
  EXPECT_EQ(image.pixelColor(r.right - 1, r.top + 3), QColor(123, 123, 123)) << "right";
  EXPECT_EQ(image.pixelColor(r.left + 2, r.top + 6), QColor(72, 72, 72)) << "dark grip from D2 of 174";
  slider.setSliderDown(false);
  EXPECT_EQ(slider.Palette().D1, 0xAEAEAEu);  // the face is back
}

TEST_F(SliderPixelsTest, DisabledSliderHasNoGripAndAFaceColouredChannel) {
  CCustomSliderCtrl slider(1006);
  slider.setRange(1, 20);
  slider.SetFaceColour(0xE1E1E1);
  slider.setEnabled(false);
  const QImage image = Render(slider);
  const Inner r = InnerOf(slider, 0);
  EXPECT_EQ(image.pixelColor(r.left + 2, r.top + 6), Rgb(0xE1E1E1));
  const QRect channel = slider.ChannelRect();
  const QPoint inside(channel.right() - 3, channel.top() + 2);
  EXPECT_EQ(image.pixelColor(inside), slider.palette().color(QPalette::Button));
}

TEST_F(SliderPixelsTest, ChannelPolylinesAndRangeInsets) {
  CPositionSliderCtrl slider(1002);
  slider.SetFaceColour(0xE1E1E1);
  slider.resize(368, 30);
  slider.setRange(0, 99);
  slider.setValue(0);
  QImage image = slider.grab().toImage();
  const QRect c = slider.ChannelRect();
  // Range 0..99: the position slider's channel loses 5 pixels at top and bottom.
  const int top = c.top() + 5 - 1;
  const int left = c.left() + 1 - 1;
  const int right = c.left() + c.width() - 1 + 1;
  EXPECT_EQ(image.pixelColor(left + 20 + 3, top), Rgb(slider.Palette().M1)) << "M1 top line";
  EXPECT_EQ(image.pixelColor(right - 1, top + 4), Rgb(slider.Palette().HL)) << "HL right column";

  slider.setRange(0, 0);  // no inset: the channel's top line moves up
  image = slider.grab().toImage();
  EXPECT_EQ(image.pixelColor(left + 20, c.top() - 1), Rgb(slider.Palette().M1));
}

}  // namespace
}  // namespace bv
