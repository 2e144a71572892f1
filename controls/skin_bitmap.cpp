#include "controls/skin_bitmap.h"

#include <QBitmap>

namespace bv {

bool CSkinBitmap::Load(int resourceId) {
  return LoadImage(QImage(QStringLiteral(":/res/skin_%1.bmp").arg(resourceId)));
}

bool CSkinBitmap::LoadImage(const QImage& strip) {
  strip_ = strip.convertToFormat(QImage::Format_RGB32);
  for (QPixmap& cell : cells_) cell = QPixmap();
  width_ = strip_.width();
  cellWidth_ = (width_ - 3) / 4;
  height_ = strip_.height();
  return !strip_.isNull();
}

void CSkinBitmap::DrawCell(QPainter& painter, int cell, int x, int y, QColor transparent) const {
  if (strip_.isNull() || cell < 0 || cell > 3) return;
  if (cells_[cell].isNull() || cellsTransparent_ != transparent) {
    if (cellsTransparent_ != transparent) {
      for (QPixmap& c : cells_) c = QPixmap();
    }
    cellsTransparent_ = transparent;
    QPixmap pixmap = QPixmap::fromImage(strip_.copy(cell * (cellWidth_ + 1), 0, cellWidth_, height_));
    pixmap.setMask(pixmap.createMaskFromColor(transparent, Qt::MaskInColor));
    cells_[cell] = pixmap;
  }
  painter.drawPixmap(x, y, cells_[cell]);
}

}  // namespace bv
