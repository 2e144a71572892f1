#include "export/print_page.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintDevice>
#include <QPdfWriter>
#include <QSaveFile>
#include <cstdlib>

#include "export/dib_image.h"

namespace bv {
namespace {

int OrReference(int dpi) { return dpi > 0 ? dpi : kReferenceScreenDpi; }

// A text whose top-left corner is at (x, y), as the printing device's text
// output places it.
void DrawTextAt(QPainter& painter, int x, int y, const QString& text) {
  painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

}  // namespace

PrintPageLayout ComputePrintPageLayout(int pageWidth, int printerDpiX, int printerDpiY, int screenDpiX,
                                       int screenDpiY) {
  const int64_t px = printerDpiX;
  const int64_t py = printerDpiY;
  PrintPageLayout layout;
  layout.pictureWidth = static_cast<int>(px * 588 / OrReference(screenDpiX));
  layout.pictureHeight = static_cast<int>(py * 440 / OrReference(screenDpiY));
  layout.pictureX = (pageWidth - layout.pictureWidth) / 2;
  layout.pictureY = printerDpiY;
  layout.titleY = printerDpiY / 3;
  layout.captionY = printerDpiY + layout.pictureHeight + printerDpiY / 6;
  return layout;
}

QFont PrintTitleFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(15);
  return font;
}

QFont PrintCaptionFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(10);
  return font;
}

QImage PrintImageOfBits(const uint8_t* bits, const BITMAPINFOHEADER& header, size_t maxBytes) {
  if (!bits || header.biBitCount != 24 || header.biWidth <= 0 || header.biHeight == 0) return QImage();
  const int width = header.biWidth;
  const int height = std::abs(header.biHeight);
  const uint64_t rowBytes = static_cast<uint64_t>(width) * 3;
  if (rowBytes * static_cast<uint64_t>(height) > maxBytes) return QImage();
  // The engine's rows are width * 3 bytes, not padded as a DIB's; a copy
  // either way, the bits belong to the engine.
  return ImageOfRows(bits, width, header.biHeight, rowBytes, QImage::Format_BGR888);
}

PrintPageLayout PaintPrintPage(QPainter& painter, const QImage& picture, const QString& caption, int screenDpiX,
                               int screenDpiY) {
  QPaintDevice* device = painter.device();
  const PrintPageLayout layout = ComputePrintPageLayout(device->width(), device->logicalDpiX(),
                                                        device->logicalDpiY(), screenDpiX, screenDpiY);
  painter.save();
  painter.setFont(QFont(PrintTitleFont(), device));
  painter.setPen(Qt::black);
  DrawTextAt(painter, layout.pictureX, layout.titleY, QString::fromLatin1(kPrintTitle));
  painter.restore();

  // The whole picture stretched to its place.
  if (!picture.isNull()) {
    painter.drawImage(QRect(layout.pictureX, layout.pictureY, layout.pictureWidth, layout.pictureHeight), picture);
  }

  painter.save();
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setFont(QFont(PrintCaptionFont(), device));
  painter.setPen(Qt::black);
  DrawTextAt(painter, layout.pictureX, layout.captionY, caption);
  painter.restore();
  return layout;
}

bool WritePrintPagePdf(const std::string& path, const QImage& picture, const QString& caption, int dpi) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return false;
  {
    QPdfWriter writer(&file);
    writer.setResolution(dpi);
    writer.setTitle(QString::fromLatin1(kPrintTitle));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    PaintPrintPage(painter, picture, caption, kReferenceScreenDpi, kReferenceScreenDpi);
    if (!painter.end()) return false;
  }
  return file.commit();
}

}  // namespace bv
