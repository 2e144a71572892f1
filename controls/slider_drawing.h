#pragma once
// Drawing as the window system draws for the sliders: lines without their
// end point, rounded and three-dimensional rectangles, single pixels, and
// the slider thumb itself.
#include <QColor>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <initializer_list>

#include "controls/slider_palette.h"

namespace bv {

QColor ToQColor(COLORREF c);
COLORREF ToColorRef(const QColor& c);

// Every pixel from `from` toward `to` except `to` itself; horizontal,
// vertical and diagonal segments only.
void LineTo(QPainter& painter, QPoint from, QPoint to, const QColor& colour);
void Polyline(QPainter& painter, std::initializer_list<QPoint> points, const QColor& colour);
// A filled rectangle outlined in the pen colour, corners cut by the 2 x 2
// corner ellipses (right and bottom exclusive).
void RoundRect(QPainter& painter, int left, int top, int right, int bottom, const QColor& pen, const QColor& fill);
// Top and left in one colour, bottom and right in another, drawn last.
void Draw3dRect(QPainter& painter, int x, int y, int cx, int cy, const QColor& topLeft, const QColor& bottomRight);
void SetPixel(QPainter& painter, int x, int y, const QColor& colour);

// A thumb in rect: the frame, the three-dimensional edge in the palette's
// colours and, with gripLines (an enabled slider) and a thumb wider than
// five pixels, the grip lines: two light and two dark up to nine pixels
// wide, four light and three dark above.
void DrawSliderThumb(QPainter& painter, const QRect& rect, const SliderPalette& p, const QColor& frame,
                     bool gripLines);

}  // namespace bv
