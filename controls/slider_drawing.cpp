#include "controls/slider_drawing.h"

namespace bv {

QColor ToQColor(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
COLORREF ToColorRef(const QColor& c) {
  return static_cast<COLORREF>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// A line as the window system draws one: every pixel from `from` toward `to`
// except `to` itself. The sliders draw only horizontal, vertical and
// diagonal segments.
void LineTo(QPainter& painter, QPoint from, QPoint to, const QColor& colour) {
  const int dx = (to.x() > from.x()) - (to.x() < from.x());
  const int dy = (to.y() > from.y()) - (to.y() < from.y());
  painter.setPen(colour);
  for (QPoint p = from; p != to; p += QPoint(dx, dy)) painter.drawPoint(p);
}

void Polyline(QPainter& painter, std::initializer_list<QPoint> points, const QColor& colour) {
  const QPoint* p = points.begin();
  for (size_t i = 1; i < points.size(); ++i) LineTo(painter, p[i - 1], p[i], colour);
}

// A filled rectangle outlined in the pen colour, corners cut by the 2 x 2
// corner ellipses (left, top, right, bottom exclusive of right and bottom).
void RoundRect(QPainter& painter, int left, int top, int right, int bottom, const QColor& pen, const QColor& fill) {
  if (right - left < 2 || bottom - top < 2) return;
  painter.fillRect(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2), fill);
  painter.setPen(pen);
  painter.drawLine(left + 1, top, right - 2, top);
  painter.drawLine(left + 1, bottom - 1, right - 2, bottom - 1);
  painter.drawLine(left, top + 1, left, bottom - 2);
  painter.drawLine(right - 1, top + 1, right - 1, bottom - 2);
}

// Top and left in one colour, bottom and right in another, bottom and right
// drawn last.
void Draw3dRect(QPainter& painter, int x, int y, int cx, int cy, const QColor& topLeft, const QColor& bottomRight) {
  painter.fillRect(QRect(x, y, cx - 1, 1), topLeft);
  painter.fillRect(QRect(x, y, 1, cy - 1), topLeft);
  painter.fillRect(QRect(x + cx - 1, y, 1, cy), bottomRight);
  painter.fillRect(QRect(x, y + cy - 1, cx, 1), bottomRight);
}

void SetPixel(QPainter& painter, int x, int y, const QColor& colour) { painter.fillRect(QRect(x, y, 1, 1), colour); }

void DrawSliderThumb(QPainter& painter, const QRect& rect, const SliderPalette& p, const QColor& frame,
                     bool gripLines) {
  int left = rect.left();
  int top = rect.top();
  int right = rect.left() + rect.width();
  int bottom = rect.top() + rect.height();
  const int thumbWidth = right - left;

  RoundRect(painter, left, top, right, bottom, frame, ToQColor(p.F));
  ++left;
  ++top;
  --right;
  --bottom;
  Draw3dRect(painter, left, top, right - left, bottom - top, ToQColor(p.L1), ToQColor(p.D1));
  SetPixel(painter, left, top, ToQColor(p.L2));
  SetPixel(painter, right - 1, top, ToQColor(p.F));
  SetPixel(painter, right - 1, bottom - 1, ToQColor(p.D2));
  SetPixel(painter, left, bottom - 1, ToQColor(p.F));

  if (!gripLines || thumbWidth <= 5) return;
  const bool wide = thumbWidth > 9;
  for (int dx : {1, 3, 5, 7}) {
    if (dx > 3 && !wide) break;
    LineTo(painter, QPoint(left + dx, top + 5), QPoint(left + dx, bottom - 5), ToQColor(p.L1));
    SetPixel(painter, left + dx, top + 4, ToQColor(p.L2));
  }
  for (int dx : {2, 4, 6}) {
    if (dx > 4 && !wide) break;
    LineTo(painter, QPoint(left + dx, top + 5), QPoint(left + dx, bottom - 4), ToQColor(p.D2));
  }
}

}  // namespace bv
