#pragma once
// CSkinBitmap: one button strip of four cells (normal, disabled look, hover,
// pressed) separated by one-pixel columns that are never drawn.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace bv {

class CSkinBitmap {
 public:
  virtual ~CSkinBitmap() = default;

  // Loads the strip of a bitmap resource ID; false when there is none.
  bool Load(int resourceId);
  bool LoadImage(const QImage& strip);
  // Draws a cell at (x, y); pixels of the transparent colour leave what is
  // below them.
  void DrawCell(QPainter& painter, int cell, int x, int y, QColor transparent) const;

  int Width() const { return width_; }
  int CellWidth() const { return cellWidth_; }
  int Height() const { return height_; }

 private:
  QImage strip_;
  // The four cells with their transparent pixels masked, made on first use
  // for the colour asked.
  mutable QPixmap cells_[4];
  mutable QColor cellsTransparent_;
  int width_ = 0;
  int cellWidth_ = 0;
  int height_ = 0;
};

}  // namespace bv
